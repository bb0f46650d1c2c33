#pragma once

#include "model/DataTypes.h"

namespace pelmo {

// dB to linear amplitude: the level is clamped to -400..250 dB and the result
// is at least 1e-20.
double DbToLin(double db);

// Linear amplitude to dB: |a| below 1e-25 gives -2 000 000 dB and above 1e25
// gives +2 000 000 dB.
double LinToDb(double a);

// In place: (mag, phase in radians) becomes (real, imaginary).
void PolarToRect(DataArray& mag, DataArray& phase);

// In place: (real, imaginary) becomes (dB, degrees in -180..180).
void RectToPolar(DataArray& re, DataArray& im);

}  // namespace pelmo
