#pragma once

#include <cstddef>

#include "acoustics/DriverGeometry.h"
#include "base/DataTypes.h"

// The listening position and the path from each driver to it. A driver's
// FRD is its response at 1 m on its own axis; heard from its acoustic centre
// at the distance d it is
//     response(angle) x (1 m / d) x exp(-j 2 pi f (d - R) / c),
// R the listening distance: the delay R/c that all drivers share is left out.
// With every offset 0 and R = 1 m on axis the factor is exactly 1.

namespace pelmo {

class TDriverDirectivity;

// Distance in metres from the design's origin, and the horizontal and
// vertical angle in degrees.
struct TListeningPoint {
    double DistanceM = 1.0;
    double HDeg = 0.0;
    double VDeg = 0.0;
};

TVec3 ListeningPointM(const TListeningPoint& p);

// How one driver is heard at a point.
struct TDriverPath {
    double DistanceM = 1.0;      // d, from the acoustic centre to the point
    double Scale = 1.0;          // 1 m / d
    double DelayS = 0.0;         // (d - R) / c
    TVec3 Local{0.0, 0.0, 1.0};  // unit direction toward the point, in the driver's frame
    // Scale exactly 1 and no delay: the path changes nothing.
    bool IsUnity() const { return Scale == 1.0 && DelayS == 0.0; }
};

// The path from the driver to `pointM` (metres, design frame), R the
// listening distance the delays are counted from. A point at the acoustic
// centre itself is taken as on the driver's axis at 1 mm.
TDriverPath DriverPath(const TDriverGeometry& g, const TVec3& pointM, double distanceM);

// The path factor Scale x exp(-j 2 pi f DelayS) at every grid frequency, into
// re/im[0 .. grid.size()).
void PathFactors(const TDriverPath& path, const DataArray& grid, double* re, double* im);

// Multiplies the responses re/im[0 .. grid.size()) by the path factors in
// place; a unity path leaves them untouched, bit for bit.
void ApplyPath(const TDriverPath& path, const DataArray& grid, double* re, double* im);

// What the driver radiates toward one listening point: its response in the
// direction of the point times the path factor, on the directivity's grid
// (out sized to it). For a driver at the origin, untilted, heard at 1 m on axis this
// is its on-axis response unchanged.
void ResponseAtPoint(const TDriverDirectivity& dir, const TDriverGeometry& g, const TListeningPoint& p,
                     TComplexArray& out);

// The same for `count` listening directions at the distance R from the
// origin, into flat arrays position by position: re/im[n * nf + k] for
// direction n and grid index k, nf the directivity's grid size (count * nf
// entries each).
void ResponsesAtDirections(const TDriverDirectivity& dir, const TDriverGeometry& g, const TVec3* directions,
                           std::size_t count, double distanceM, double* re, double* im);

// What the sweep adds up at the positions for one driver:
// sum[n * nf + k] += response[n * nf + k] x factor[k] for the `count`
// positions n, factor the driver's complex drive at frequency index k (its
// voltage, gain and level).
void AddDriverAtPositions(const double* re, const double* im, const double* factorRe, const double* factorIm,
                          std::size_t count, std::size_t nf, double* sumRe, double* sumIm);

}  // namespace pelmo
