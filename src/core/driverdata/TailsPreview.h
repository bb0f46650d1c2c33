#pragma once

#include <optional>

#include "base/DataTypes.h"
#include "model/Elements.h"

// The preview of a derived phase: the measured level with the two straight
// tails that replace it outside the band, the derived minimum phase with the
// driver's inversion and delay, and the chart's vertical centre.

namespace pelmo {

class MessageSink;

struct TTailLine {
    double F1 = 0, Db1 = 0;  // the lower-frequency end
    double F2 = 0, Db2 = 0;
};

// The lower tail runs from 5 Hz up to the first grid frequency above the
// tail frequency, on the level just below it; the upper tail from the last
// grid frequency below the tail frequency, on the level just above it, up to
// 200 kHz; each falls by its slope per octave away from the band. A tail
// frequency outside the measured band is taken at the band's edge (a tail
// never starts from a point outside the data). Nothing with fewer than two
// points.
std::optional<TTailLine> LowerTailLine(const DataArray& freq, const DataArray& db, const TResponseTails& tails);
std::optional<TTailLine> UpperTailLine(const DataArray& freq, const DataArray& db, const TResponseTails& tails);

// The derived phase as the preview draws it: each point's minimum phase
// (degrees) plus 180 when inverted, minus the delay's phase (the delay in
// inches), wrapped into +-180.
DataArray PreviewPhase(const DataArray& freq, const DataArray& derivedPhase, bool invert, double delayInches);

// The left axis's centre for a level curve: 25 dB below its rounded peak
// (peaks below -300 dB count as -300), so the axis top (centre + 30) lies
// 5 dB above it.
int PreviewVerticalCenter(const DataArray& db);

}  // namespace pelmo
