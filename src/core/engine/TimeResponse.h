#pragma once

#include "model/DataTypes.h"

// Time-domain responses of the acoustic output: square wave, impulse and step.
// Both run at the end of every solve and fill the curves of the square-wave,
// impulse and step windows from each driver's Result and from the system
// response (TDesign::SystemMag/SystemPhase; empty when no frequency solved).

namespace pelmo {

struct TDesign;
struct TGraphList;
class MessageSink;

// Buffers of the time responses (spectrum, samples, resampled data), kept
// from one solve to the next so that a solve does not allocate them again.
struct TTimeResponseWork {};

// After the sweep, before the group delay: every curve of every square-wave
// window; may set the window's ResponseScale and clear AutoScalePending.
void SquareWaveCurves(const TDesign& d, TGraphList& graphs, TTimeResponseWork& work);

// Last step of the solve, after the SPL curves: every curve of every impulse
// and step window.
void ImpulseStepCurves(const TDesign& d, TGraphList& graphs, TTimeResponseWork& work, MessageSink& messages);

}  // namespace pelmo
