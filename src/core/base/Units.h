#pragma once

#include <numbers>

// Units of the program's quantities. A design gives distances in inches (the
// design file's unit: driver offsets and diameters, delays shown as a
// distance), times in seconds and angles in degrees; the sound field works in
// metres and radians. Fields and functions say in their names which unit
// they hold.

namespace pelmo {

inline constexpr double MetresPerInch = 0.0254;
constexpr double InchesToMetres(double inches) { return inches * MetresPerInch; }
constexpr double MetresToInches(double metres) { return metres / MetresPerInch; }

// The speed of sound is 344 m/s everywhere. A delay given as a distance
// becomes time at 344 x 39.37 inches per second: the figures below are the
// ones delays and derived phases have always been worked out with, kept
// exactly so that no curve moves.
inline constexpr double SpeedOfSoundMetres = 344.0;     // metres per second
inline constexpr double SpeedOfSoundInches = 13543.28;  // inches per second
inline constexpr double SecondsPerInch = 7.383735697703954e-05;
// The distance sound travels in `seconds`, in inches, and back.
constexpr double DelayInInches(double seconds) { return seconds * 344.0 * 39.37; }
constexpr double DelayInSeconds(double inches) { return inches * SecondsPerInch; }

// The unit a delay is shown in: the time itself, or the distance sound
// travels in it. Inches go by the figures above (the design file's unit),
// millimetres by 344 m/s.
enum class TDelayUnit { Microseconds, Millimetres, Inches };
constexpr double DelayInUnit(double seconds, TDelayUnit unit) {
    switch (unit) {
        case TDelayUnit::Microseconds:
            return seconds * 1e6;
        case TDelayUnit::Millimetres:
            return seconds * SpeedOfSoundMetres * 1000.0;
        default:
            return DelayInInches(seconds);
    }
}
constexpr double DelaySecondsFrom(double value, TDelayUnit unit) {
    switch (unit) {
        case TDelayUnit::Microseconds:
            return value * 1e-6;
        case TDelayUnit::Millimetres:
            return value / 1000.0 / SpeedOfSoundMetres;
        default:
            return DelayInSeconds(value);
    }
}

constexpr double DegreesToRadians(double degrees) { return degrees * (std::numbers::pi / 180.0); }
constexpr double RadiansToDegrees(double radians) { return radians * (180.0 / std::numbers::pi); }

}  // namespace pelmo
