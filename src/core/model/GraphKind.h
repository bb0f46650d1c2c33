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
};
inline constexpr int GraphKindCount = 10;

inline constexpr int ToInt(TGraphKind k) { return static_cast<int>(k); }

}  // namespace pelmo
