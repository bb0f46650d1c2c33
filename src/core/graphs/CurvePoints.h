#pragma once

#include <vector>

#include "acoustics/Cta2034.h"
#include "acoustics/SoundPower.h"
#include "base/DataTypes.h"
#include "engine/DirectionalSum.h"
#include "engine/TimeResponse.h"

// The points of a graph window's curves, made from a solve's result: what a
// window of each kind shows of it, in its units. One function per kind of
// window; each empties the curve's two point lists and fills them (the phase
// list only when the curve shows phase).

namespace pelmo {

struct TDesign;
struct TSolveResult;
struct TGraphRecord;
struct TSeriesDef;
class MessageSink;

// Scratch space of the curve functions, kept from one solve to the next so
// that filling the curves does not allocate.
struct TCurveWork {
    DataArray Mag, Phase, Delay, Auditory;  // smoothing and group delay
    DataArray Excess, MinimumPhase;         // excess phase
    DataArray Samples;                      // a square wave
    TTimeResponseWork Time;
    // The impulse responses worked out in this pass, by the magnitude array
    // each came from: a response shown in several impulse and step curves is
    // transformed once. The first DoneCount entries are this pass's.
    std::vector<const DataArray*> DoneSources;
    std::vector<DataArray> DoneResponses;
    std::size_t DoneCount = 0;
    // The directional windows' sums and curves.
    TDirectionalWork Directional;
    TSpinorama Spin;
    TPowerAndDi Power;
};

// What a curve's points are made from.
struct TCurveSource {
    const TDesign& Design;
    const TSolveResult& Result;
    TCurveWork& Work;
    MessageSink& Messages;  // a resampling of a time response that fails
    // The drivers' responses toward the directions the directional windows
    // look from; without it their curves stay empty. Used from one thread.
    TDirectivityCache* Directivity = nullptr;
};

// The points of curve c of window g. A time response's curve alone in its
// window may pick the window's ResponseScale (AutoScalePending).
using TCurvePointsFunction = void (*)(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);

// Frequency responses, one point per solved grid frequency:
// the SPL in dB, smoothed as the curve asks (a driver's "(driver only)"
// curve: its own response data, unsmoothed);
void SplPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
// the input impedance, a driver's own impedance or its lookback impedance,
// in ohms;
void ImpedancePoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
// a driver's voltage in dB of the source's open-circuit voltage;
void FilterPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
// a driver's or part's voltage (volts peak), current (amperes rms) and
// power (watts at the source's rms level);
void VoltagePoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
void CurrentPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
void PowerPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
// the group delay in microseconds of a driver's contribution or the sum.
void GroupDelayPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);

// The directional windows, each filling the whole set of curves of its
// window's subject at once (DirectionalCurves.h): the spinorama, on-axis
// level with sound power and directivity index, the curves at angles in one
// plane, and the polar map (with its -6 dB lines as curves).
void SpinoramaPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
void PowerAndDiPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
void OffAxisPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
void PolarMapPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);

// Time responses of a driver's contribution or the sum, scaled by the
// window's ResponseScale: the impulse (ms), the step (ms) and the response
// to a square wave at the window's TestFrequency (samples, 200 a period).
void ImpulsePoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
void StepPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);
void SquareWavePoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c);

// Plotted value = sample x ResponseScale / divisor.
inline constexpr double SquareWaveDivisor = 200000.0;
inline constexpr double ImpulseDivisor = 491520000.0;
inline constexpr double StepDivisor = 32768000000.0;
// The automatic ResponseScale is trunc(constant / peak): the largest plotted
// value becomes about 60 (square wave) or 27 (impulse, step).
inline constexpr double SquareWaveAutoScale = 1.2e7;
inline constexpr double ImpulseAutoScale = 13271040000.0;
inline constexpr double StepAutoScale = 884736000000.0;

// trunc(constant / peak) as a whole number in the signed 64-bit range: a
// quotient beyond the range (a peak of almost nothing, as when every driver is
// muted) gives the largest whole double below 2^63.
double AutomaticResponseScale(double constant, double peak);

}  // namespace pelmo
