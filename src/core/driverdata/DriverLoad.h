#pragma once

#include <string>

#include "base/DataTypes.h"

// Loading measurement files into a driver: the measured points are turned into
// complex values and fitted onto the analysis grid (real and imaginary part
// separately). Every failure shows one message: "File Load error: " + the full
// path, then the cause on a line of its own ("line 12: not a number", "no data
// lines", "No such file or directory").

namespace pelmo {

class MessageSink;
struct TDesign;
struct TDriver;

inline constexpr const char* FileLoadErrorPrefix = "File Load error: ";

// The steps after reading a response file: the points in ascending order of
// frequency (SortByFrequency), levels (dB) to linear amplitude, phases
// (degrees) to radians, the low-end extension, then the real and imaginary
// part fitted onto `grid`. False (re and im untouched, the cause in `why`)
// when there is no point, a point is not finite, or the fit gives a number
// that is not finite.
bool FitResponseOnGrid(DataArray freq, DataArray level, DataArray phase, const DataArray& grid, DataArray& re,
                       DataArray& im, MessageSink& messages, std::string* why = nullptr);

// The same for an impedance file (ohms, degrees), without low-end extension:
// the impedance Z on `grid`. Needs at least two distinct frequencies.
bool FitImpedanceOnGrid(DataArray freq, DataArray ohms, DataArray phase, const DataArray& grid, DataArray& re,
                        DataArray& im, MessageSink& messages, std::string* why = nullptr);

// FRD (dB, degrees) into drv.Acoustic.Response on the design's grid. On success the
// measured phase is in use (HilbertPhase cleared) and, when Tails.HighFreq is
// 0, the response-tail settings take their load defaults. On failure the
// driver gets the default response and an empty FRDFile. The caller sets
// FRDFile on success.
bool LoadDriverResponse(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages);

// ZMA (ohms, degrees) into drv.Admittance (1/Z) on the design's grid. On
// failure (also a zero impedance at a grid point) the driver gets the default
// impedance and an empty ZMAFile.
bool LoadDriverImpedance(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages);

// Acoustic-effect FRD (dB relative to factor 1, degrees) into
// drv.Acoustic.AcousticEffect, on a private copy of the analysis grid. On failure
// AcousticEffect stays as it was.
bool LoadAcousticEffect(TDriver& drv, const std::string& path, MessageSink& messages);

// For displays: an FRD (magnitude in dB) or a ZMA (isImpedance, magnitude in
// ohms) with its phase in degrees on a private copy of the analysis grid,
// touching no driver.
bool ReadFileOnGrid(const std::string& path, bool isImpedance, DataArray& grid, DataArray& magnitude, DataArray& phase,
                    MessageSink& messages);

}  // namespace pelmo
