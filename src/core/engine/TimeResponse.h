#pragma once

#include <vector>

#include "base/DataTypes.h"

// Time-domain responses of the acoustic output: square wave, impulse and step.
// Both run at the end of every solve and fill the curves of the square-wave,
// impulse and step windows from each driver's share of the sum and from the
// system response (empty when no frequency solved).

namespace pelmo {

struct TDesign;
struct TSolveRequest;
struct TSolveResult;
class MessageSink;

// The impulse and step spectrum: 16384 points at 192 kHz, bins 0 ... 8192
// (0 ... 96 kHz) 11.71875 Hz apart.
inline constexpr std::size_t ImpulseLength = 16384;
inline constexpr std::size_t ImpulseBins = ImpulseLength / 2 + 1;
inline constexpr double ImpulseSampleRate = 192000.0;
inline constexpr double ImpulseBinHz = ImpulseSampleRate / ImpulseLength;

// Plotted value = sample x ResponseScale / divisor.
inline constexpr double SquareWaveDivisor = 200000.0;
inline constexpr double ImpulseDivisor = 491520000.0;
inline constexpr double StepDivisor = 32768000000.0;
// The automatic ResponseScale is trunc(constant / peak): the largest plotted
// value becomes about 60 (square wave) or 27 (impulse, step).
inline constexpr double SquareWaveAutoScale = 1.2e7;
inline constexpr double ImpulseAutoScale = 13271040000.0;
inline constexpr double StepAutoScale = 884736000000.0;

// Buffers of the time responses (spectrum, samples, resampled data), kept
// from one solve to the next so that a solve does not allocate them again.
struct TTimeResponseWork {
    DataArray Bins;                       // the frequencies of the spectrum bins 0 ... 8192
    DataArray ExtFreq, ExtMag, ExtPhase;  // the response with its two points above 20 kHz
    DataArray Mag, Phase;                 // resampled onto the bins
    DataArray Re, Im;                     // the whole spectrum, then the samples
    DataArray SquarePhase;                // the square wave's, apart: the two may run side by side
    // The impulse responses of one pass, by the magnitude array each came
    // from: a source shown in several impulse and step curves is
    // transformed once. The first DoneCount entries are this pass's.
    std::vector<const DataArray*> DoneSources;
    std::vector<DataArray> DoneResponses;
    std::size_t DoneCount = 0;
};

// The value at frequency f of a curve y given on the frequencies x: straight
// lines between neighbours on a linear grid that starts at 0 Hz (x[0] <=
// 0.001), in log frequency otherwise; the segment is found by the grid's own
// spacing. Above the last frequency the last value; below the first the
// first segment continued.
double InterpolateAt(const DataArray& x, const DataArray& y, double f);

// After the sweep, before the group delay: every curve of every square-wave
// window; a curve alone in a window whose scale is pending picks the
// window's ResponseScale (in the result) and clears AutoScalePending.
void SquareWaveCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TTimeResponseWork& work);

// Last step of the solve, after the SPL curves: every curve of every impulse
// and step window; the System curve alone in a window with AutoScalePending
// picks ResponseScale.
void ImpulseStepCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TTimeResponseWork& work,
                       MessageSink& messages);

// trunc(constant / peak) as a whole number in the signed 64-bit range: a
// quotient beyond the range (a peak of almost nothing, as when every driver is
// muted) gives the largest whole double below 2^63.
double AutomaticResponseScale(double constant, double peak);

}  // namespace pelmo
