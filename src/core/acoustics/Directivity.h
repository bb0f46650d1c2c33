#pragma once

#include <cstddef>
#include <vector>

#include "acoustics/DriverGeometry.h"
#include "base/DataTypes.h"

// A driver's response in every direction: its measured off-axis set where
// there is one, the piston of its diameter elsewhere.
//
// * The on-axis response is the driver's own (its FRD as loaded); an off-axis
//   file at angle 0 adds nothing, so that on axis the driver sounds exactly
//   as it does without directivity.
// * A plane whose measured angles are all on one side (only positive, or
//   only negative) is taken as symmetric. A round driver with only one plane
//   measured uses that plane for the other as well ("borrowed").
// * Between two measured angles of a plane the level (dB) and the phase are
//   interpolated linearly in the angle, per grid frequency; the phase goes
//   the shorter way round between the two (-179 and 179 degrees meet at
//   180, not at 0). Unlike real and imaginary parts, this keeps the level
//   between the two measured levels where the phase turns between them.
//   At a measured angle (within 1e-6 degrees) the result is that response,
//   bit for bit.
// * Beyond the last measured angle, and in a plane without data, the on-axis
//   response times the piston of the driver's diameter (0: a point source).
//   A plane measured all round (through 180 degrees) has no "beyond".
// * A direction off both planes, at the angle theta from the axis and the
//   azimuth phi around it (phi = 0 toward the driver's right, 90 up): the
//   horizontal value at +-theta (the side of phi) and the vertical value at
//   +-theta, blended in dB and phase with the weights cos^2 phi and
//   sin^2 phi (an elliptical blend). On a plane it is that plane's value.

namespace pelmo {

// One measured response of an off-axis set, on the same grid as the
// on-axis response. Angles in degrees, -180 .. 180.
struct TMeasuredAngle {
    TPlane Plane = TPlane::Horizontal;
    double AngleDeg = 0.0;
    TComplexArray Response;
};

// Where a plane's responses come from: the driver's own measurements of
// that plane, those of the other plane (a round driver measured in one
// plane only), or the piston model alone.
enum class TPlaneSource { Measured, Borrowed, Piston };

class TDriverDirectivity {
public:
    // A point source with a flat response of 1 on `grid`.
    explicit TDriverDirectivity(const DataArray& grid);
    // `onAxis` and every measured response on `grid` (entries of another
    // length, and angles that are not finite, are left out).
    TDriverDirectivity(const DataArray& grid, const TComplexArray& onAxis, double diaIn, bool round,
                       const std::vector<TMeasuredAngle>& measured = {});

    const DataArray& Grid() const { return grid_; }
    TPlaneSource Source(TPlane plane) const { return Plane(plane).Source; }
    // The measured angles a plane uses (its own or borrowed), 0 included,
    // ascending; symmetric when all lie on one side.
    std::vector<double> Angles(TPlane plane) const;
    bool Symmetric(TPlane plane) const { return Plane(plane).Symmetric; }

    // The response toward the unit direction `local` (the driver's frame:
    // x right, y up, z along the axis) into re/im[0 .. Grid().size()).
    void ResponseAt(const TVec3& local, double* re, double* im) const;

private:
    struct TEntry {
        double AngleDeg = 0.0;
        DataArray Re, Im;
        DataArray LevelDb, PhaseRad;
    };
    struct TPlaneSet {
        std::vector<TEntry> Entries;  // ascending angles, the on-axis entry among them
        bool Symmetric = true;
        bool OnNegativeSide = false;  // a symmetric set measured at negative angles
        bool AllRound = false;        // measured through 180 degrees
        TPlaneSource Source = TPlaneSource::Piston;
    };
    // How one plane answers at one angle.
    struct TLookup {
        enum class Kind { Exact, Between, Piston } kind = Kind::Piston;
        const TEntry* a = nullptr;
        const TEntry* b = nullptr;
        double t = 0.0;
    };

    const TPlaneSet& Plane(TPlane plane) const { return plane == TPlane::Horizontal ? horizontal_ : vertical_; }
    TLookup Find(const TPlaneSet& set, double angleDeg) const;
    static void MakePolar(TEntry& e);

    DataArray grid_;
    double diaIn_ = 0.0;
    TEntry onAxis_;
    TPlaneSet horizontal_, vertical_;
};

}  // namespace pelmo
