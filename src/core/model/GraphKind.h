#pragma once

namespace pelmo {

// Kinds of result graph. The ordinals are stable: SPL is 2 and impedance 3.
enum class TGraphKind {
    Voltage,
    Current,
    SPL,
    Impedance,
    Power,
    Filter,
    Impulse,
    Step,
    GroupDelay,
    SquareWave,
    // The design heard from many directions: the CTA-2034 curves, sound
    // power with the directivity index, curves at angles in one plane, and
    // the level over frequency and angle as a colour map.
    Spinorama,
    PowerAndDi,
    OffAxis,
    PolarMap,
};
inline constexpr int GraphKindCount = 14;

inline constexpr int ToInt(TGraphKind k) { return static_cast<int>(k); }

}  // namespace pelmo
