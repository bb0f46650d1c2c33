#pragma once

#include <vector>

#include "base/DataTypes.h"
#include "engine/SolveResult.h"

// Time-domain responses of an acoustic response (magnitude and phase on the
// analysis grid): the impulse response by an inverse transform, and the
// response to a square wave from its odd harmonics.

namespace pelmo {

class MessageSink;

// The impulse spectrum: 16384 points at 192 kHz, bins 0 ... 8192
// (0 ... 96 kHz) 11.71875 Hz apart.
inline constexpr std::size_t ImpulseLength = 16384;
inline constexpr std::size_t ImpulseBins = ImpulseLength / 2 + 1;
inline constexpr double ImpulseSampleRate = 192000.0;
inline constexpr double ImpulseBinHz = ImpulseSampleRate / ImpulseLength;

// The square wave: 200 samples per period of the fundamental, two periods
// centred on t = 0 (t = -200 ... 200).
inline constexpr int SquareWaveSamplesPerPeriod = 200;
inline constexpr std::size_t SquareWaveSamples = 2 * SquareWaveSamplesPerPeriod + 1;

// Buffers of the time responses (spectrum, samples, resampled data), kept
// from one solve to the next so that a solve does not allocate them again.
struct TTimeResponseWork {
    DataArray Bins;                       // the frequencies of the spectrum bins 0 ... 8192
    DataArray ExtFreq, ExtMag, ExtPhase;  // the response with its two points above 20 kHz
    DataArray Mag, Phase;                 // resampled onto the bins
    DataArray Re, Im;                     // the whole spectrum, then the samples
    DataArray SquarePhase;                // the square wave's unwrapped phase
};

// The value at frequency f of a curve y given on the frequencies x: straight
// lines between neighbours on a linear grid that starts at 0 Hz (x[0] <=
// 0.001), in log frequency otherwise; the segment is found by the grid's own
// spacing. Above the last frequency the last value; below the first the
// first segment continued.
double InterpolateAt(const DataArray& x, const DataArray& y, double f);

// The impulse response of `response` (on `grid`): 16384 samples at 192 kHz
// into `samples` (which trades its buffer with the work's); n >= 8192 are
// the negative times n - 16384. Above 20 kHz the response falls by 90 dB at
// 22 kHz and a further 120 dB at 96 kHz (95999 Hz for the `system`
// response), its phase continuing the average slope from 10 kHz; nothing at
// 0 Hz and 11.72 Hz. A resampling that fails leaves zeros (and its message).
void ImpulseResponse(const DataArray& grid, const TMagPhase& response, bool system, TTimeResponseWork& work,
                     DataArray& samples, MessageSink& messages);

// The response to a square wave of fundamental f0: for t = -200 ... 200 the
// sum of the odd harmonics 1 ... 21 at or below 20 kHz, each of amplitude
// m_k / k with its phase read off the (unwrapped) response less the delay of
// the fundamental, so that the wave is centred on t = 0. 401 samples into
// `samples`.
void SquareWave(const DataArray& grid, const TMagPhase& response, double f0, TTimeResponseWork& work,
                DataArray& samples);

}  // namespace pelmo
