#pragma once

#include <string>

#include "base/DataTypes.h"
#include "base/Units.h"
#include "model/Elements.h"

// Minimum phase derived from a measured level. A measurement covers only a
// band, and the minimum phase depends on the magnitude at every frequency, so
// the level is replaced below the low and above the high tail frequency by
// straight tails that fall by a given number of dB per octave (the sign of a
// slope is ignored). The reconstruction runs on the 131073 non-negative bins
// of a 262144-point spectrum at 384 kHz (0 ... 192 kHz) through the real
// cepstrum.

namespace pelmo {

class MessageSink;
struct TDesign;
struct TDriver;

inline constexpr const char* PhaseRestoreAbortedText = "error-phase restore aborted!";

// Working grid of the reconstruction: f_k = k * 1.46484375 Hz.
inline constexpr std::size_t WorkingBins = 131073;
inline constexpr double WorkingStepHz = 384000.0 / 262144.0;
// Bins the phase is read back from (0 ... 23996.78 Hz).
inline constexpr std::size_t KeptBins = 16383;

// Reads an FRD file as an ordinary load would (into a scratch driver, so no
// field of drv changes on the way), keeps only its level and writes the
// derived complex response on the design's analysis grid into drv.Acoustic.Response:
// the tail-shaped magnitude with the minimum phase, plus the driver's
// inversion and delay. Uses the driver's tail settings; HilbertPhase is set.
// Returns false, with Response unchanged, when the file cannot be read (the
// reader's messages have been shown) or when the tails find no band
// ("error-phase restore aborted!").
bool LoadMinimumPhaseResponse(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages);

// The reconstruction from levels (dB) on the analysis grid grid into
// (re, im), each of the grid's length. On "error-phase restore aborted!" it
// returns false and leaves re and im as they were.
bool MinimumPhaseResponseOfLevels(const DataArray& grid, const DataArray& levels, const TResponseTails& tails,
                                  DataArray& re, DataArray& im, MessageSink& messages);

// The preview's reconstruction: the minimum phase in degrees (wrapped into
// +-180) for a level curve (dB) on any strictly increasing frequencies, one
// phase per frequency. Tails are drawn on the given points (with a 1 Hz point
// in front and points up to 192 kHz added) and linear amplitude is
// interpolated onto the working grid. Inversion and delay are left to the
// caller. On "error-phase restore aborted!" returns false and leaves phase as
// it was; the inputs are never modified.
bool MinimumPhaseOfLevels(const DataArray& levels, DataArray& phase, const DataArray& freqs, double lowF, double highF,
                          double lowSlope, double highSlope, MessageSink& messages);

}  // namespace pelmo
