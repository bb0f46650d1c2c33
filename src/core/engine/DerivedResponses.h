#pragma once

#include <vector>

#include "base/DataTypes.h"
#include "engine/SolveResult.h"

// Responses derived from the solve's arrays: the impedance the network shows
// a driver, and the group delay of an acoustic response.

namespace pelmo {

struct TDriver;

// The lookback impedance of a driver, frequency by frequency in increasing
// order: with v its drive voltage in the normal solve, v1 that in the solve
// with every driver 1 % higher in impedance and Z its own impedance,
// Zlb = Z (0.01 / (1.01 v / v1 - 1) - 1), the Thevenin impedance of the
// network at its terminals. Where the second solve failed the last v1 found
// stays in use; before any was found there is no value. The driver's
// lookback stops for good at the first frequency where v1 vanishes (both
// parts below 1e-20) or equals v.
void LookbackImpedance(const TDriver& drv, const TComplexArray& voltage, const std::vector<char>& solved,
                       const TComplexArray& lookbackVoltage, const std::vector<char>& lookbackSolved, TLookback& out);

// The group delay (microseconds) of a response with this phase (degrees) on
// the grid: the phase unwrapped and smoothed over a sixth of an octave, its
// slope, smoothed again. False, and `delay` untouched, when the phase does
// not cover the grid. `work` is scratch space.
bool GroupDelay(const DataArray& grid, double octavesPerStep, const DataArray& phase, DataArray& work,
                DataArray& delay);

}  // namespace pelmo
