#pragma once

#include "base/DataTypes.h"

// Level and phase helpers: dB and linear amplitude, polar and rectangular
// arrays, angles wrapped into one turn and unwrapped along the grid.

namespace pelmo {

// dB to linear amplitude: the level is clamped to -400..250 dB and the result
// is at least 1e-20.
double DbToLin(double db);

// The natural logarithm of DbToLin(db), without the power: the same clamp,
// times ln(10)/20.
double DbToLn(double db);

// Linear amplitude to dB: |a| below 1e-25 gives -2 000 000 dB and above 1e25
// gives +2 000 000 dB.
double LinToDb(double a);

// In place: (mag, phase in radians) becomes (real, imaginary).
void PolarToRect(DataArray& mag, DataArray& phase);

// In place: (real, imaginary) becomes (dB, degrees in -180..180).
void RectToPolar(DataArray& re, DataArray& im);

// x wrapped into +-limit (degrees: 180): x >= 0 lands in (-limit, limit],
// x < 0 in [-limit, limit). A value that is not finite gives 0.
double WrapAngle(double x, double limit = 180.0);

// Adds or subtracts whole turns so that neighbours differ by at most 180 degrees.
void UnwrapPhase(DataArray& phase);
// WrapAngle on every entry.
void WrapPhase(DataArray& phase);

}  // namespace pelmo
