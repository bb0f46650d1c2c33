#include "acoustics/DriverGeometry.h"

#include <cmath>

namespace pelmo {

namespace {

constexpr double RadPerDeg = M_PI / 180.0;

// Sine and cosine of an angle in degrees, exact at whole quarter turns (so
// that the direction of H 90 is exactly (1, 0, 0) and of H 180 exactly
// (0, 0, -1)), and equal for angles that differ by whole turns.
void SinCosDeg(double deg, double& s, double& c) {
    if (!std::isfinite(deg)) {
        s = c = std::nan("");
        return;
    }
    const double quarters = std::nearbyint(deg / 90.0);
    const double r = (deg - 90.0 * quarters) * RadPerDeg;
    const double sr = std::sin(r);
    const double cr = std::cos(r);
    switch (static_cast<long long>(std::fmod(quarters, 4.0) + 4.0) % 4) {
        case 0:
            s = sr, c = cr;
            break;
        case 1:
            s = cr, c = -sr;
            break;
        case 2:
            s = -sr, c = -cr;
            break;
        default:
            s = -cr, c = sr;
            break;
    }
}

}  // namespace

TVec3 ListeningDirection(double hDeg, double vDeg) {
    double sh, ch, sv, cv;
    SinCosDeg(hDeg, sh, ch);
    SinCosDeg(vDeg, sv, cv);
    return {sh * cv, sv, ch * cv};
}

TVec3 PlaneDirection(TPlane plane, double angleDeg) {
    return plane == TPlane::Horizontal ? ListeningDirection(angleDeg, 0.0) : ListeningDirection(0.0, angleDeg);
}

TVec3 DriverCentreM(const TDriverGeometry& g) {
    return {g.XoffsIn * MetresPerInch, g.YoffsIn * MetresPerInch, g.ZoffsIn * MetresPerInch};
}

TVec3 ToDriverFrame(const TDriverGeometry& g, const TVec3& v) {
    if (g.HtiltDeg == 0.0 && g.VtiltDeg == 0.0) return v;
    double sh, ch, sv, cv;
    SinCosDeg(g.HtiltDeg, sh, ch);
    SinCosDeg(g.VtiltDeg, sv, cv);
    // The axis is the listening direction (Htilt, Vtilt); its right-hand
    // vector stays horizontal and its up vector completes the frame.
    const TVec3 ex{ch, 0.0, -sh};
    const TVec3 ey{-sh * sv, cv, -ch * sv};
    const TVec3 ez{sh * cv, sv, ch * cv};
    return {v.x * ex.x + v.y * ex.y + v.z * ex.z, v.x * ey.x + v.y * ey.y + v.z * ey.z,
            v.x * ez.x + v.y * ez.y + v.z * ez.z};
}

double AngleFromAxisDeg(const TVec3& local) {
    return std::atan2(std::sqrt(local.x * local.x + local.y * local.y), local.z) / RadPerDeg;
}

}  // namespace pelmo
