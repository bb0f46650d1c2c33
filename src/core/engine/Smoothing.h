#pragma once

#include "base/Conversions.h"

// Smoothing along the analysis grid, in place.

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

}  // namespace pelmo
