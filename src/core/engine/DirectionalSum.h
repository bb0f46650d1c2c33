#pragma once

#include <vector>

#include "acoustics/Cta2034.h"
#include "acoustics/SoundPower.h"
#include "base/DataTypes.h"
#include "engine/DirectivityCache.h"
#include "engine/SolveResult.h"

// The design heard from many directions at once, from a solve's result: the
// off-axis curves, the spinorama, sound power and directivity index. The
// drivers' responses toward the directions come from the cache (made once
// until a driver or the directions change); per solve each driver's drive
// is multiplied by them and the products summed, so a notch costs one
// complex multiply-add per driver, direction and frequency.
//
// Unlike the curves at the listening point these always hear the drivers
// from where they sit, whether the design's setup uses the driver positions
// or not: off axis, that is what there is to see.

namespace pelmo {

struct TDesign;
class MessageSink;

// Each driver's drive on the result's grid: what turns its response toward
// a direction into what it adds to the sum there. Its drive voltage times its
// acoustic effect (when it has one), its gain and the source level, lagging
// by its delays (the design's and its own) and turned by half a turn when
// the source is inverted: the steps of the on-axis sum, in complex form. Zero
// where the frequency did not solve (and for a muted driver).
void DriverDrives(const TDesign& d, const TSolveResult& r, std::vector<TComplexArray>& drives);

// The sum over the drivers (driver < 0), or driver `driver` alone, heard at
// every direction of `set`: re/im[n * nf + k], count * nf entries each. An
// index with no driver gives zeros.
void SumAtDirections(const TDirectionalResponses& set, const std::vector<TComplexArray>& drives, int driver,
                     DataArray& re, DataArray& im);

// Scratch of the functions below, kept by the caller so that a notch
// allocates next to nothing.
struct TDirectionalWork {
    std::vector<TComplexArray> Drives;
    std::vector<TVec3> Directions;
    DataArray Re, Im;  // the pressures of the last call, [n * nf + k]
    DataArray Power;
};

// The system (driver < 0) or one driver heard toward `directions` (unit
// vectors, design frame; ListeningDirection, PlaneDirection) at distanceM
// from the origin: complex pressures into work.Re/Im [n * nf + k], nf the
// result's grid size. Off-axis files that cannot be read show their messages
// (once, when read).
void PressuresAtDirections(const TDesign& d, const TSolveResult& r, TDirectivityCache& cache,
                           const std::vector<TVec3>& directions, double distanceM, int driver, TDirectionalWork& work,
                           MessageSink& messages);

// The spinorama of the system or one driver from the 70 positions at
// distanceM (levels referred to 1 m).
void SpinoramaOf(const TDesign& d, const TSolveResult& r, TDirectivityCache& cache, double distanceM, int driver,
                 TDirectionalWork& work, MessageSink& messages, TSpinorama& out);

// How the positions of the sound power are weighted: the sphere's sectors
// of both planes at an angle step (SectorWeights), or the 70 positions of
// the spinorama with the standard's weights (CtaPowerWeights).
enum class TPowerWeighting { Sectors, Cta2034 };

// On-axis level, sound power and directivity index of the system or one
// driver at distanceM (levels referred to 1 m); stepDeg for the sectors
// (PlaneStepDeg rounds it to a whole number of steps in 180 degrees).
void PowerAndDiOf(const TDesign& d, const TSolveResult& r, TDirectivityCache& cache, TPowerWeighting weighting,
                  double stepDeg, double distanceM, int driver, TDirectionalWork& work, MessageSink& messages,
                  TPowerAndDi& out);

}  // namespace pelmo
