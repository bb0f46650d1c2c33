#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/DataTypes.h"

// The text syntax of FRD, ZMA and acoustic-effect files: one point per line,
// frequency, value and an optional phase, separated by tabs, blanks, commas or
// semicolons. Lines that do not start with a digit or "." are comments.

namespace pelmo {

class MessageSink;

inline constexpr const char* MeasurementFileErrorPrefix = "file load error! -- ";

// Longest data line (after trimming) a measurement file may hold.
inline constexpr std::size_t MaxDataLineLength = 60;

// Measurements have a few thousand points; a file with more than a million
// is refused rather than held.
inline constexpr std::size_t MaxMeasurementPoints = 1000000;

// Splits one data line into frequency, value and phase (0 when the line has
// only two columns). False when the line has fewer than two fields or a field
// is not a number.
bool ParseDataLine(std::string_view text, double& f, double& v, double& p);

// Applies the file rules to lines already split, keeping the points in file
// order. On failure returns false with freq and value emptied (phase
// undefined) and shows no message; `why`, when given, receives the cause
// ("line 12: not a number", "fewer than two lines").
bool ParseMeasurementLines(const std::vector<std::string>& lines, DataArray& freq, DataArray& value, DataArray& phase,
                           std::string* why = nullptr);

// The same on a file, read line by line (a file of millions of lines or one
// endless line is never held whole). Fails also where every text file does
// (ForEachFileLine: "No such file or directory", "File too large") and beyond
// MaxMeasurementPoints points.
bool ReadMeasurementData(const std::string& path, DataArray& freq, DataArray& value, DataArray& phase,
                         std::string* why = nullptr);

// Puts the points in ascending order of frequency, as the interpolation needs
// them (a file exported from high to low frequencies reads as it should). Of
// points with the same frequency, the last in the file stays: where a file
// repeats a frequency, its later lines are taken as the newer measurement.
void SortByFrequency(DataArray& freq, DataArray& value, DataArray& phase);

// Reads a measurement file into three arrays of equal length, in ascending
// order of frequency (SortByFrequency). On failure (unreadable file, fewer
// than two lines, a data line longer than 60 characters or not parsable -- a
// number too large for a double or not a number at all --, the same
// frequency on two lines in a row, a file beyond the limits of
// ReadMeasurementData) shows "file load error! -- " + the file's title, then
// the path and the cause on a line of their own, and returns false with freq
// and value emptied.
bool ReadMeasurementFile(const std::string& path, DataArray& freq, DataArray& value, DataArray& phase,
                         MessageSink& messages);

// The file name without folder, cut before the first occurrence of its
// extension: "/m/woofer@0.frd" gives "woofer@0".
std::string MeasurementFileTitle(const std::string& path);

// Lengthens the measured points by four at the front that fall off by -12 dB
// one octave below the first point and -36 dB further down, with the phase of
// the second point (amplitudes linear, phases in radians).
void ExtendLowEnd(DataArray& freq, DataArray& amplitude, DataArray& phase);

}  // namespace pelmo
