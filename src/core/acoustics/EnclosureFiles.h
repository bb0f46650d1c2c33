#pragma once

#include <string>
#include <vector>

#include "acoustics/Enclosure.h"

// The files of a modelled driver in a box: its response and impedance as the
// driver model writes them, and its excursion curves.

namespace pelmo {

class MessageSink;

// Writes basePath + ".frd" and basePath + ".zma" for the driver in the box
// (for an infinite baffle exactly WriteDriverModelFiles). The parameters are
// checked first; a problem, or a file that cannot be written, is shown and the
// result is false.
bool WriteEnclosureModelFiles(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs,
                              const std::string& basePath, MessageSink& messages, bool magnitudeOnly = false);

// The excursion curves as text: a comment header, then per frequency the
// peak cone excursion in mm and, for a port, the peak air velocity in m/s,
// for a passive radiator its peak excursion in mm.
std::vector<std::string> ExcursionLines(const TDriverModelParams& p, const TEnclosure& box, const TExcursion& x,
                                        double watts);

// The largest power (into Re) at which the cone stays within Xmax at every
// frequency of the curves, from the curves at `watts`; 0 when Xmax is unknown.
double PowerWithinXmax(const TDriverModelParams& p, const TExcursion& x, double watts);

// The frequency at which the cone moves most, and that excursion (m).
struct TPeakExcursion {
    double Freq = 0;
    double Cone = 0;
};
TPeakExcursion PeakExcursion(const TExcursion& x);

}  // namespace pelmo
