#pragma once

#include "base/DataTypes.h"

namespace pelmo {

struct TDesign;
struct TDriver;

// The analysis grid: 500 frequencies from exactly 10 Hz to exactly 20 kHz with
// an equal ratio, each point computed from its predecessor.
inline constexpr int AnalysisPoints = 500;
inline constexpr double AnalysisLowHz = 10.0;
inline constexpr double AnalysisHighHz = 20000.0;

// Fills grid; returns the octaves per step (log2 of the ratio).
double MakeLogGrid(DataArray& grid);

// Rebuilds the design's grid when its length is not 500.
void EnsureAnalysisGrid(TDesign& d);

// Flat 70 dB with 0 degrees: (10^3.5, 0) at every grid point.
void SetDefaultResponse(TDriver& drv);
// 8 ohms resistive: admittance (0.125, 0) at every grid point.
void SetDefaultImpedance(TDriver& drv);

}  // namespace pelmo
