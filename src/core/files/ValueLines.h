#pragma once

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"

// The line kinds of the program's own files (design and circuit block files).
//
// A value line holds a value, then " //" and a label for human readers:
//     "  2.82842712474619 //Vrms"
// A raw line is stored and read verbatim (text labels, expressions).
// A section opens with two count lines: the number of elements and the number
// of lines each element occupies:
//     "3 //Passives"
//     "20 //Lines Per Passive"
// Reals use "." and at most 15 significant digits; booleans are "T" and "F".

namespace pelmo {

// The value text of a line: what stands before the first "//", without the
// spaces and tabs around it. A line without "//" has an empty value text.
std::string ValueText(std::string_view line);

// The label of a line: what follows its last "//" (empty without "//").
std::string LabelText(std::string_view line);

// Values read from a line's value text. Text that is not a number reads as 0;
// a boolean is true exactly when the value text is "T".
int LineInt(std::string_view line);
double LineReal(std::string_view line);
bool LineBool(std::string_view line);

// Value texts as written: integers in decimal, reals in the file format
// (FormatFileReal), booleans "T"/"F".
std::string FileInt(long long v);
std::string FileReal(double v);
std::string FileBool(bool v);

// indent + value + " //" + label.
std::string ValueLine(std::string_view value, std::string_view label, std::string_view indent = "  ");

// Sheet coordinates far outside the sheet cannot come from the editor; the
// readers hold them to a range in which the geometry arithmetic cannot
// overflow, and text sizes likewise.
inline constexpr int FileCoordLimit = 1000000;
inline constexpr int FileTextSizeLimit = 10000;

// A part's expression line as read: a line that starts with a blank is the
// writer's placeholder ("  //No Subckt equation1") and stands for none.
inline std::string EquationText(const std::string& raw) { return raw.empty() || raw[0] == ' ' ? std::string() : raw; }

// A read that runs past the end of the file, or a section head that cannot be
// right. Readers catch it at the top and report their own failure message.
class EFileFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A number a reader works out from a file's values: one that does not fit a
// double makes the file unreadable.
inline double FiniteFileNumber(double x) {
    if (!std::isfinite(x)) throw EFileFormatError("number out of range");
    return x;
}

// Where a section's elements are.
struct TSectionHead {
    int Count = 0;  // number of elements; 0 when the file says 0 or less
    int LinesPerElement = 0;
    std::size_t First = 0;  // line of the first element
};

// Random access to the lines of a file by absolute line number. Every access
// past the last line throws EFileFormatError, so readers can address fields
// freely and still never read out of bounds.
class TLineReader {
public:
    TLineReader() = default;
    explicit TLineReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    bool Has(std::size_t index) const { return index < lines_.size(); }

    const std::string& Raw(std::size_t index) const;
    std::string Value(std::size_t index) const { return ValueText(Raw(index)); }
    std::string Label(std::size_t index) const { return LabelText(Raw(index)); }
    int Int(std::size_t index) const { return LineInt(Raw(index)); }
    double Real(std::size_t index) const { return LineReal(Raw(index)); }
    bool Bool(std::size_t index) const { return LineBool(Raw(index)); }

    // The two count lines at `index`. The counts are checked before anyone
    // allocates for them: lines per element below `minLinesPerElement` (the
    // lines every element is read from), or more elements than the rest of the
    // file can hold at that size, throw EFileFormatError.
    TSectionHead Section(std::size_t index, int minLinesPerElement) const;

private:
    std::vector<std::string> lines_;
};

// Collects the lines of a file to write. Line breaks inside a line would
// shift every later line, so CR and LF inside a line are written as blanks.
class TLineWriter {
public:
    void Add(std::string line);
    void Value(std::string_view value, std::string_view label) { Add(ValueLine(value, label)); }

    const std::vector<std::string>& Lines() const { return lines_; }
    // Windows-1252 with CR LF after every line.
    std::string Encoded() const;

private:
    std::vector<std::string> lines_;
};

}  // namespace pelmo
