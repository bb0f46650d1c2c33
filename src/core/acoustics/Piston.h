#pragma once

#include <cstddef>

#include "base/DataTypes.h"

// The rigid circular piston in an infinite baffle: the directivity of a
// driver of diameter `dia` where nothing measured says better.

namespace pelmo {

// Bessel function of the first kind of order one (absolute error below
// about 1e-12 for every x).
double BesselJ1(double x);

// 2 J1(x) / x, exactly 1 at x = 0: the far-field pressure of the piston
// relative to its axis, x = k a sin(theta).
double PistonFactor(double x);

// What the piston radiates behind its baffle: -100 dB.
inline constexpr double PistonBehindFactor = 1e-5;

// The piston's factor (real; negative in the odd side lobes) at `thetaDeg`
// from its axis and frequency `freqHz`, for a diameter in inches: PistonFactor
// in front (theta up to 90 degrees, grazing incidence included),
// PistonBehindFactor behind. A diameter of 0 (or less) is a point source,
// 1 in every direction.
double PistonFactorAt(double diaIn, double freqHz, double thetaDeg);

// PistonFactorAt for every frequency of `grid` into out[0 .. grid.size()).
void PistonFactors(double diaIn, double thetaDeg, const DataArray& grid, double* out);

}  // namespace pelmo
