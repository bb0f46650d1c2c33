#pragma once

// Where a driver sits and where it points, and directions seen from the front
// of the design: x to the right, y up, z toward the listener; the design's
// origin is its reference point.

#include "base/Units.h"

namespace pelmo {

// The sound field's speed of sound, in metres per second.
inline constexpr double SpeedOfSoundMps = SpeedOfSoundMetres;

struct TVec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    friend bool operator==(const TVec3&, const TVec3&) = default;
};

// The two measuring planes of a loudspeaker: horizontal (angles toward +x,
// the listener's right) and vertical (angles upward; 100 degrees is over the
// top, behind).
enum class TPlane { Horizontal, Vertical };

// The unit vector of the listening direction (h, v) in degrees:
// (sin h cos v, sin v, cos h cos v). (0, 0) is exactly (0, 0, 1).
TVec3 ListeningDirection(double hDeg, double vDeg);

// The direction of an angle in one plane: (a, 0) or (0, a).
TVec3 PlaneDirection(TPlane plane, double angleDeg);

// A driver's acoustic centre and axis as the design gives them: offsets and
// diameter in inches, tilts in degrees (Htilt turns the axis toward +x, Vtilt
// upward). Round is false for a driver known to be rectangular: a round
// driver's horizontal set also serves its vertical plane.
struct TDriverGeometry {
    double XoffsIn = 0.0;
    double YoffsIn = 0.0;
    double ZoffsIn = 0.0;
    double HtiltDeg = 0.0;
    double VtiltDeg = 0.0;
    double DiaIn = 0.0;
    bool Round = true;
    friend bool operator==(const TDriverGeometry&, const TDriverGeometry&) = default;
};

// The driver's acoustic centre in metres.
TVec3 DriverCentreM(const TDriverGeometry& g);

// A direction in the driver's own frame: x to its right, y up, z along its
// axis (the same frame as the design's when the driver is not tilted; with
// no tilt the components come out unchanged, bit for bit).
TVec3 ToDriverFrame(const TDriverGeometry& g, const TVec3& v);

// Angle between the driver's axis and a unit direction in its own frame,
// in degrees (0 .. 180).
double AngleFromAxisDeg(const TVec3& local);

}  // namespace pelmo
