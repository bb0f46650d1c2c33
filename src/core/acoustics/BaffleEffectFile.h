#pragma once

#include <complex>
#include <string>
#include <vector>

#include "acoustics/BaffleDiffraction.h"
#include "base/DataTypes.h"

// The baffle's diffraction factor as an acoustic-effect file: a 0-dB-nominal
// FRD (frequency, level in dB, phase in degrees) that a driver carries beside
// its response and that multiplies it.

namespace pelmo {

class MessageSink;

// The file's lines: a comment header that says what was modelled (the reader
// skips it), then one line per frequency.
std::vector<std::string> BaffleEffectLines(const TBaffle& baffle, const TBaffleSource& source,
                                           const TBaffleListener& listener, const DataArray& freqs,
                                           const std::vector<std::complex<double>>& factor);

// Checks the baffle, the driver's place and the frequencies, computes the
// factor and writes the file. A problem, or a file that cannot be written, is
// shown and the result is false (nothing is written after a problem; a failed
// write leaves the file of that name as it was).
bool WriteBaffleEffectFile(const std::string& path, const TBaffle& baffle, const TBaffleSource& source,
                           const TBaffleListener& listener, const DataArray& freqs, MessageSink& messages);

}  // namespace pelmo
