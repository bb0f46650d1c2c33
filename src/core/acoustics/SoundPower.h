#pragma once

#include <cstddef>
#include <vector>

#include "acoustics/DriverGeometry.h"
#include "base/DataTypes.h"

// Sound power and directivity index from the responses of the two measuring
// planes at an equal angle step.

namespace pelmo {

struct TPlanePosition {
    TPlane Plane = TPlane::Horizontal;
    double AngleDeg = 0.0;
};

// The angle step actually used for `stepDeg`: 180 / n with n the whole
// number of steps nearest to 180 / stepDeg (at least 1).
double PlaneStepDeg(double stepDeg);

// The positions of both planes at a step s, in this order: H 0, s, ..., 180;
// H -s, ..., -(180 - s); V s, ..., 180 - s; V -s, ..., -(180 - s). (V 0 and
// V 180 are H 0 and H 180.) At 10 degrees these are the 70 positions of the
// spinorama, in the same order.
std::vector<TPlanePosition> PlanePositions(double stepDeg);
std::vector<TVec3> PlaneDirections(double stepDeg);

// The share of the sphere each position stands for: the sphere is cut into
// rings around the front axis at the mid-angles between the steps; the front
// and back caps go to H 0 and H 180, each ring between them is shared
// equally by its four positions (H +a, H -a, V +a, V -a). The shares sum to
// 1. For a source whose field turns about its axis this is the exact power
// up to the step's discretisation (an ideal dipole's DI comes out 4.768 dB at
// 5 degrees against 10 log10 3 = 4.771).
std::vector<double> SectorWeights(double stepDeg);

// power[k] = sum over positions n of w[n] |p_n(k)|^2 / sum of w, from flat
// arrays re/im[n * nf + k].
void WeightedPower(const double* re, const double* im, std::size_t positions, std::size_t nf, const double* weights,
                   double* power);

// Levels in dB (referred to 1 m from the listening distance) of the on-axis
// response, the sound power and their difference, the directivity index.
struct TPowerAndDi {
    DataArray OnDb;
    DataArray PowerDb;
    DataArray DiDb;
};

// From the responses at PlanePositions(stepDeg), flat re/im[n * nf + k],
// heard at distanceM.
void PowerAndDi(const double* re, const double* im, std::size_t nf, double stepDeg, double distanceM, TPowerAndDi& out);

// The same from `positions` responses weighted by `weights` (position 0 on
// axis), e.g. the spinorama's 70 with the standard's weights.
void PowerAndDiWeighted(const double* re, const double* im, std::size_t nf, const double* weights,
                        std::size_t positions, double distanceM, TPowerAndDi& out);

// 10 log10 of an energy, with -400 dB for nothing at all.
double EnergyToDb(double energy);

}  // namespace pelmo
