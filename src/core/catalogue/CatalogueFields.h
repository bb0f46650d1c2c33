#pragma once

#include <string>
#include <string_view>

// The comma-separated line syntax shared by the local catalogue lists and the
// files a catalogue server publishes, and the dates and numbers in it.

namespace pelmo {

// A calendar date as whole days since 30 Dec 1899 (the settings file counts
// days from the same origin); 0 means "no date".
using TCatalogueDate = int;

// "mm/dd/yyyy" (one- or two-digit month and day, four-digit year, blanks
// around allowed); nullopt-like false when the text is not a real date.
bool ParseCatalogueDate(std::string_view text, TCatalogueDate& out);
// Always "mm/dd/yyyy" with two-digit month and day.
std::string FormatCatalogueDate(TCatalogueDate date);
// Today's date in local time.
TCatalogueDate TodayCatalogueDate();
// The date of a given year, month and day (no range check).
TCatalogueDate CatalogueDateOf(int year, int month, int day);

// Reads one line field by field. A field ends at the next "," that does not
// follow a "^"; a field that ends at a "," loses its surrounding blanks and
// then every "^". The last field (no "," after it) is taken as it is. After a
// trailing "," one more read gives an empty field. Any read past the end
// fails, gives "ERR", and every later read fails too.
class TFieldReader {
public:
    explicit TFieldReader(std::string_view line) : line_(line) {}  // keeps its own copy

    // Raw field as described above.
    std::string Field();
    // A text: a leading double quote dropped, doubled quotes made single, a
    // trailing double quote dropped.
    std::string Text();
    // A number: a leading "$" dropped; an empty field is 0; otherwise it must
    // be a finite number, or the read fails (and gives 0).
    double Number();
    // A date "mm/dd/yyyy"; when it does not parse, the read fails and gives
    // today's date.
    TCatalogueDate Date();

    // False once any read has failed.
    bool Ok() const { return ok_; }
    // True when no field is left (a further read would fail).
    bool AtEnd() const { return !pending_; }

private:
    std::string line_;
    std::size_t pos_ = 0;
    bool pending_ = true;  // a field (possibly empty) is still to be read
    bool ok_ = true;
};

// A text as a field that reads back as the same text: "," becomes "^,", "^"
// (which a reader drops) is left out, surrounding blanks are dropped, and a
// text that starts or ends with a double quote is quoted with its quotes
// doubled.
std::string EncodeTextField(std::string_view text);

// Fixed notation with `decimals` decimals, then trailing zeros and a trailing
// point stripped: 12.500 -> "12.5", 3.000 -> "3", -0.0001 -> "0".
std::string FormatListNumber(double x, int decimals);

}  // namespace pelmo
