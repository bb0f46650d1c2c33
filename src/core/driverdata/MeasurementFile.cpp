#include "driverdata/MeasurementFile.h"

#include <algorithm>
#include <functional>
#include <new>
#include <numeric>

#include "base/Conversions.h"
#include "base/FileProblem.h"
#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/TextFile.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

std::string_view SkipBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}

// Takes the field up to the next separator; `rest` starts after that
// separator, its leading blanks removed.
bool TakeField(std::string_view& rest, double& out) {
    std::size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    if (!TryParseReal(rest.substr(0, end), out)) return false;
    rest = end < rest.size() ? SkipBlanks(rest.substr(end + 1)) : std::string_view();
    return true;
}

constexpr const char* NotANumber = "not a number";

// ParseDataLine with the cause of a rejection; nullptr when the line reads.
const char* DataLineProblem(std::string_view text, double& f, double& v, double& p) {
    std::string_view rest = SkipBlanks(text);
    if (rest.empty() || rest[0] == ',' || rest[0] == ';') return NotANumber;
    if (!TakeField(rest, f)) return NotANumber;
    if (rest.empty()) return "fewer than two columns";
    if (!TakeField(rest, v)) return NotANumber;
    p = 0.0;
    if (rest.empty()) return nullptr;
    return TakeField(rest, p) ? nullptr : NotANumber;
}

}  // namespace

bool ParseDataLine(std::string_view text, double& f, double& v, double& p) {
    return DataLineProblem(text, f, v, p) == nullptr;
}

namespace {

// The file rules applied one line at a time, so that a file is read without
// holding its lines.
class TMeasurementParser {
public:
    TMeasurementParser(DataArray& freq, DataArray& value, DataArray& phase)
        : freq_(freq), value_(value), phase_(phase) {
        freq_.clear();
        value_.clear();
        phase_.clear();
    }

    bool Line(std::string_view raw) {
        ++lines_;
        std::size_t b = 0, e = raw.size();
        while (b < e && IsBlank(raw[b])) ++b;
        while (e > b && IsBlank(raw[e - 1])) --e;
        if (b == e) return true;
        const char first = raw[b];
        if (!((first >= '0' && first <= '9') || first == '.')) return true;  // comment
        if (e - b > MaxDataLineLength) return Fail("longer than " + std::to_string(MaxDataLineLength) + " characters");
        char upper[MaxDataLineLength];
        for (std::size_t i = b; i < e; ++i) {
            const char c = raw[i];
            upper[i - b] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
        double f = 0, v = 0, p = 0;
        if (const char* problem = DataLineProblem(std::string_view(upper, e - b), f, v, p)) return Fail(problem);
        if (f == previous_) return Fail("the same frequency as the line before");
        previous_ = f;
        if (f == 0.0) return true;
        if (freq_.size() >= MaxMeasurementPoints) {
            problem_ = "more than " + std::to_string(MaxMeasurementPoints) + " data lines";
            return false;
        }
        freq_.push_back(f);
        value_.push_back(v);
        phase_.push_back(p);
        return true;
    }

    bool Finish() {
        if (lines_ >= 2) return true;
        problem_ = "fewer than two lines";
        return false;
    }

    // Why the file failed; "" when a line rule did not fail it.
    const std::string& Problem() const { return problem_; }

private:
    bool Fail(const std::string& what) {
        problem_ = "line " + std::to_string(lines_) + ": " + what;
        return false;
    }

    DataArray& freq_;
    DataArray& value_;
    DataArray& phase_;
    std::size_t lines_ = 0;
    double previous_ = -1.0;
    std::string problem_;
};

}  // namespace

bool ParseMeasurementLines(const std::vector<std::string>& lines, DataArray& freq, DataArray& value, DataArray& phase,
                           std::string* why) {
    TMeasurementParser parser(freq, value, phase);
    bool ok = true;
    for (const std::string& line : lines)
        if (!(ok = parser.Line(line))) break;
    if (ok && parser.Finish()) return true;
    SetWhy(why, parser.Problem());
    freq.clear();
    value.clear();
    return false;
}

bool ReadMeasurementData(const std::string& path, DataArray& freq, DataArray& value, DataArray& phase,
                         std::string* why) {
    // Only digits, signs, "." and "E" matter to the data, so the bytes are
    // taken as they are: one byte is one character of the file's code page.
    bool ok = false;
    try {
        TMeasurementParser parser(freq, value, phase);
        ok = ForEachFileLine(
                 path, [&](std::string_view line) { return parser.Line(line); }, why) &&
             parser.Finish();
        if (!ok) SetWhy(why, parser.Problem());
    } catch (const std::bad_alloc&) {
        ok = false;  // points beyond the memory: no measurement file
        SetWhy(why, "not enough memory");
    }
    if (!ok) {
        freq.clear();
        value.clear();
    }
    return ok;
}

void SortByFrequency(DataArray& freq, DataArray& value, DataArray& phase) {
    const std::size_t n = freq.size();
    if (value.size() != n || phase.size() != n) return;
    if (std::adjacent_find(freq.begin(), freq.end(), std::greater_equal<double>()) == freq.end()) return;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return freq[a] < freq[b]; });
    DataArray f, v, p;
    f.reserve(n);
    v.reserve(n);
    p.reserve(n);
    for (const std::size_t i : order) {
        // Equal frequencies stay in file order: the later point replaces the earlier.
        if (!f.empty() && f.back() == freq[i]) {
            v.back() = value[i];
            p.back() = phase[i];
            continue;
        }
        f.push_back(freq[i]);
        v.push_back(value[i]);
        p.push_back(phase[i]);
    }
    freq = std::move(f);
    value = std::move(v);
    phase = std::move(p);
}

std::string MeasurementFileTitle(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return name;
    const std::string ext = name.substr(dot);
    return name.substr(0, name.find(ext));
}

bool ReadMeasurementFile(const std::string& path, DataArray& freq, DataArray& value, DataArray& phase,
                         MessageSink& messages) {
    std::string why;
    if (ReadMeasurementData(path, freq, value, phase, &why)) {
        SortByFrequency(freq, value, phase);
        return true;
    }
    messages.ShowMessage(FileProblemText(MeasurementFileErrorPrefix + MeasurementFileTitle(path), path, why));
    return false;
}

void ExtendLowEnd(DataArray& freq, DataArray& amp, DataArray& phase) {
    const std::size_t n = freq.size();
    if (n == 0 || amp.size() != n || phase.size() != n) return;
    const double f4 = n >= 4 ? freq[3] : 0.0;
    const double phase2 = n >= 2 ? phase[1] : 0.0;
    const double readF1 = freq[0];
    const double a1 = amp[0];
    freq.insert(freq.begin(), 4, 0.0);
    amp.insert(amp.begin(), 4, 0.0);
    phase.insert(phase.begin(), 4, 0.0);

    if (f4 > 10.0) {
        const double f1 = freq[4];
        freq[0] = 0.5;
        freq[1] = f1 / 8.0;
        freq[2] = f1 / 4.0;
        freq[3] = f1 / 2.0;
    } else {
        if (freq[4] < 1e-4) freq[4] = 1e-4;
        const double f1 = freq[4];
        freq[0] = readF1;
        freq[1] = f1 / 16.0;
        freq[2] = f1 / 4.0;
        freq[3] = f1 / 2.0;
    }
    amp[3] = a1 * DbToLin(-12.0);
    amp[2] = amp[3] * DbToLin(-24.0);
    amp[1] = amp[2];
    amp[0] = amp[2];
    for (int i = 0; i < 4; ++i) phase[i] = phase2;
}

}  // namespace pelmo
