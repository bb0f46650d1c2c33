#pragma once

#include "model/DataTypes.h"

// Smoothing along the analysis grid and phase continuity, in place.

namespace pelmo {

// A zero-phase first-order low-pass run forward and then backward along the
// grid index, with its cutoff a fixed fraction of `width` octaves; unit gain
// for constant data. octavesPerStep is the grid's spacing.
void SmoothOctave(DataArray& x, double width, double octavesPerStep);

// The same smoother on a scale uniform in auditory ERB-rate (the data is
// carried to an 800-point ERB-rate table and back). work is scratch space.
void SmoothAuditory(DataArray& x, const DataArray& grid, DataArray& work);

// The ERB-rate frequency table (800 entries, 0.1 Hz to 20 kHz), built once.
const DataArray& AuditoryTable();

// x wrapped into +-limit (degrees: 180): x >= 0 lands in (-limit, limit],
// x < 0 in [-limit, limit). A value that is not finite gives 0.
double WrapAngle(double x, double limit = 180.0);

// Adds or subtracts whole turns so that neighbours differ by at most 180 degrees.
void UnwrapPhase(DataArray& phase);
// WrapAngle on every entry.
void WrapPhase(DataArray& phase);

}  // namespace pelmo
