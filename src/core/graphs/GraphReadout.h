#pragma once

#include <optional>
#include <string>

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

inline constexpr const char* SetDeltaReferenceItem = "Set Delta Reference";
inline constexpr const char* DeltaModeOffItem = "delta mode Off";

}  // namespace pelmo
