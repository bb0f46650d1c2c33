#include "engine/TimeResponse.h"

namespace pelmo {

void SquareWaveCurves(const TDesign&, TGraphList&, TTimeResponseWork&) {
    // Square-wave windows get no points yet.
}

void ImpulseStepCurves(const TDesign&, TGraphList&, TTimeResponseWork&, MessageSink&) {
    // Impulse and step windows get no points yet.
}

}  // namespace pelmo
