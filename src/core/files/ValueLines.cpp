#include "files/ValueLines.h"

#include "base/TextFile.h"
#include "values/NumberFormat.h"

namespace pelmo {

std::string ValueText(std::string_view line) {
    const auto pos = line.find("//");
    if (pos == std::string_view::npos) return {};
    return TrimBlanks(line.substr(0, pos));
}

std::string LabelText(std::string_view line) {
    const auto pos = line.rfind("//");
    if (pos == std::string_view::npos) return {};
    return std::string(line.substr(pos + 2));
}

int LineInt(std::string_view line) {
    int v = 0;
    return TryParseInt(ValueText(line), v) ? v : 0;
}

double LineReal(std::string_view line) {
    double v = 0;
    return TryParseReal(ValueText(line), v) ? v : 0.0;
}

bool LineBool(std::string_view line) { return ValueText(line) == "T"; }

std::string FileInt(long long v) { return std::to_string(v); }
std::string FileReal(double v) { return FormatFileReal(v); }
std::string FileBool(bool v) { return v ? "T" : "F"; }

std::string ValueLine(std::string_view value, std::string_view label, std::string_view indent) {
    std::string s;
    s.reserve(indent.size() + value.size() + 3 + label.size());
    s.append(indent).append(value).append(" //").append(label);
    return s;
}

const std::string& TLineReader::Raw(std::size_t index) const {
    if (index >= lines_.size()) throw EFileFormatError("line " + std::to_string(index + 1) + " missing");
    return lines_[index];
}

TSectionHead TLineReader::Section(std::size_t index, int minLinesPerElement) const {
    TSectionHead head;
    const int count = Int(index);
    head.LinesPerElement = Int(index + 1);
    head.First = index + 2;
    head.Count = count > 0 ? count : 0;
    if (head.Count == 0) return head;
    if (head.LinesPerElement < minLinesPerElement || head.LinesPerElement <= 0)
        throw EFileFormatError("too few lines per element at line " + std::to_string(index + 2));
    const std::size_t rest = lines_.size() > head.First ? lines_.size() - head.First : 0;
    if (static_cast<std::size_t>(head.Count) > rest / static_cast<std::size_t>(head.LinesPerElement))
        throw EFileFormatError("count at line " + std::to_string(index + 1) + " exceeds the file");
    return head;
}

void TLineWriter::Add(std::string line) {
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    lines_.push_back(std::move(line));
}

std::string TLineWriter::Encoded() const { return EncodeTextLines(lines_); }

}  // namespace pelmo
