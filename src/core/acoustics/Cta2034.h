#pragma once

#include <array>
#include <cstddef>

#include "acoustics/SoundPower.h"
#include "base/DataTypes.h"

// The spinorama of CTA-2034-A: a loudspeaker judged from 70 responses,
// every 10 degrees round the horizontal and the vertical plane.

namespace pelmo {

inline constexpr std::size_t CtaPositionCount = 70;

// H 0, 10, ..., 180; H -10, ..., -170; V 10, ..., 170; V -10, ..., -170
// (PlanePositions(10)).
const std::array<TPlanePosition, CtaPositionCount>& CtaPositions();
const std::array<TVec3, CtaPositionCount>& CtaDirections();

// The index of a position, -1 when it is not one of the 70 (V 0 is H 0 and
// V 180 is H 180).
int CtaPositionIndex(TPlane plane, int angleDeg);

// The standard's sound-power weights. Each position stands for the part of
// the sphere between the mid-angles of its orbit: the diagonal planes
// |x| = |y| split the sphere into the wedge of the horizontal orbit and that
// of the vertical one, and in its own wedge a position at the angle a owns
// the slice between the planes through the orbit's axis at a - 5 and
// a + 5 degrees, (asin(cos(a - 5)/sqrt 2) - asin(cos(a + 5)/sqrt 2)) / (2 pi)
// of the sphere. H 0 and H 180 get the slice of one half-orbit only, as the
// standard's table has it (0.000604486), so the 70 weights sum to 0.996373
// and the power is divided by that sum. The grid is coarse for such slices
// (they reach 45 degrees off the orbit): an ideal dipole comes out
// ON - SP = 4.416 dB and a cardioid 4.680 dB, not 4.771.
const std::array<double, CtaPositionCount>& CtaPowerWeights();

// The curves in dB, levels referred to 1 m (+20 log10(R / 1 m); a distance
// that is not positive is taken as 1 m).
struct TSpinorama {
    DataArray On;                // H 0
    DataArray ListeningWindow;   // energy mean of H +-10, +-20, +-30, V 0, V +-10
    DataArray EarlyReflections;  // energy mean of the five groups below
    DataArray SoundPower;        // weighted energy mean of all 70
    DataArray PredictedInRoom;   // 0.12 LW + 0.44 ER + 0.44 SP in energy
    DataArray Erdi;              // LW - ER
    DataArray Spdi;              // LW - SP
    // The early reflections' groups, each an energy mean:
    DataArray Floor;      // V -20, -30, -40
    DataArray Ceiling;    // V 40, 50, 60
    DataArray FrontWall;  // H 0, +-10, +-20, +-30
    DataArray SideWall;   // H +-40 ... +-80
    DataArray RearWall;   // H +-90, 180
};

// The spinorama from the complex pressures at the 70 positions heard at
// distanceM: re/im[n * nf + k] for position n (CtaPositions order) and
// frequency index k. Once `out` has held nf points it allocates nothing.
void ComputeSpinorama(const double* re, const double* im, std::size_t nf, double distanceM, TSpinorama& out);

// The same from levels in dB, levelsDb[n * nf + k].
void ComputeSpinoramaFromLevels(const double* levelsDb, std::size_t nf, double distanceM, TSpinorama& out);

}  // namespace pelmo
