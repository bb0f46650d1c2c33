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

// Longest data line (after trimming) a measurement file may hold.
inline constexpr std::size_t MaxDataLineLength = 60;

// Splits one data line into frequency, value and phase (0 when the line has
// only two columns). False when the line has fewer than two fields or a field
// is not a number.
bool ParseDataLine(std::string_view text, double& f, double& v, double& p);

// Applies the file rules to lines already split. On failure returns false with
// freq and value emptied (phase undefined) and shows no message.
bool ParseMeasurementLines(const std::vector<std::string>& lines, DataArray& freq, DataArray& value, DataArray& phase);

// Reads a measurement file into three arrays of equal length. On failure
// (unreadable file, fewer than two lines, a data line longer than 60
// characters or not parsable, a repeated frequency) shows
// "file load error! -- " + the file's title and returns false with freq and
// value emptied.
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
