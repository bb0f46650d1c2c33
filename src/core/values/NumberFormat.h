#pragma once

#include <string>
#include <string_view>

// Number texts. "." is always the decimal separator, whatever the locale.

namespace pelmo {

// Decimal digits of |x| rounded (half away from zero) to `precision`
// significant digits: |x| = 0.d1d2d3... x 10^Exponent. Digits holds no
// trailing zeros; it is empty for zero.
struct DecimalDigits {
    std::string Digits;
    int Exponent = 0;
    bool Negative = false;
};
DecimalDigits ToDecimalDigits(double x, int precision);

// General format with at most `precision` significant digits: fixed notation
// for 1e-4 <= |x| < 10^precision, otherwise "d.dddE-n" (no "+", no leading
// zeros in the exponent); trailing zeros and a trailing point dropped.
std::string FormatGeneral(double x, int precision);

// Reals in the program's own files: the general format with 15 digits,
// e.g. 10, 1E-5, 0.001, 2.82842712474619, -0.5.
std::string FormatFileReal(double x);

// Fn: fixed notation with n decimals and at most 8 significant digits;
// trailing zeros and then a trailing point removed; "0" when empty.
std::string FormatFixed(double x, int decimals);

// E4: engineering notation with a prefix letter (f p n u m k M G) and 4
// significant digits, e.g. 1500 -> "1.5k", 999.96 -> "1k", 0.0025 -> "2.5m".
std::string FormatE4(double x);

// Reads a real the way the program's files and settings are read: optional
// blanks, optional sign, digits with an optional "." and optional exponent,
// optional blanks. False (and out untouched) when the text is not such a
// number or does not fit a double.
bool TryParseReal(std::string_view text, double& out);

// Text typed by a user with a decimal comma ("2,2"): when the text holds no
// point, its first comma becomes the point (none of our number fields group
// thousands). Any other text is returned as it is.
std::string DecimalCommaToPoint(std::string_view text);

// A real typed by a user (command-line values, table cells): TryParseReal
// after DecimalCommaToPoint, and only finite values.
bool TryParseUserReal(std::string_view text, double& out);

// Reads a decimal integer (optional blanks and sign). False when the text is
// not an integer or does not fit 32 bits.
bool TryParseInt(std::string_view text, int& out);

}  // namespace pelmo
