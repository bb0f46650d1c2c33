#pragma once

#include "base/DataTypes.h"

// The excess phase of a response: its phase less the minimum phase that its
// magnitude alone implies. What is left is what no minimum-phase filter can
// make: delay between drivers, and all-pass behaviour such as the crossing
// of two drivers. Its slope is the excess group delay.

namespace pelmo {

// The phase (degrees) of a response with linear magnitudes `mag` on the
// rising frequencies `grid`, replaced by its excess phase, unwrapped. Below
// and above the grid the magnitude goes on at the slope of its first and
// last octave. False (phase untouched) where the minimum phase cannot be
// worked out.
bool ToExcessPhase(const DataArray& grid, const DataArray& mag, DataArray& phase, DataArray& work);

}  // namespace pelmo
