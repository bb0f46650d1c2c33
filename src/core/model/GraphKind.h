#pragma once

namespace pelmo {

// Kinds of result graph. The ordinals are stable: SPL is 2 and impedance 3.
enum TGraphKind {
    gkVoltage,
    gkCurrent,
    gkSPL,
    gkImpedance,
    gkPower,
    gkFilter,
    gkImpulse,
    gkStep,
    gkGroupDelay,
    gkSquareWave,
};

}  // namespace pelmo
