#pragma once

#include <optional>
#include <string>

#include "base/DataTypes.h"
#include "model/GraphKind.h"

// The pointer readout of a graph window: the values under the pointer in
// the units of the window's kind, and in delta mode a second line with the
// differences to the delta reference.

namespace pelmo {

// A position in axis values: bottom axis, left axis, right (phase) axis.
struct TReadoutPoint {
    double X = 0;
    double Y = 0;
    double Phase = 0;
};

// "1.5kHz, 90.25 dBSPL or 45.5°", with "\nd=[...]" in delta mode. The phase
// part appears only when a curve of the window shows its phase (and never
// for power). Square-wave windows have no readout: nullopt.
std::optional<std::string> ReadoutText(TGraphKind kind, const TReadoutPoint& cursor, const TReadoutPoint& deltaRef,
                                       bool deltaMode, bool anyPhaseShown);

// The readout of a point on a curve: the curve's name, then where and what
// it is: "S1: 1.5kHz, 90.25 dBSPL or 45.5°", "System: 1.5kHz, 312.4 usec",
// "S1: 1.25 msec, 0.3127"; with "\nd=[...]" to the delta reference in delta
// mode. nullopt where the kind has no readout.
std::optional<std::string> CurveReadoutText(TGraphKind kind, const std::string& curve, const TReadoutPoint& point,
                                            const TReadoutPoint& deltaRef, bool deltaMode, bool phaseShown);

// The value of a curve at x, on the straight line between its two points
// around x (on a log x axis, straight in log x); NaN outside its points.
// The curve's x values rise.
double CurveValueAt(const DataArray& xs, const DataArray& ys, double x, bool logX);

inline constexpr const char* SetDeltaReferenceItem = "Set Delta Reference";
inline constexpr const char* DeltaModeOffItem = "delta mode Off";

}  // namespace pelmo
