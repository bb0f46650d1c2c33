#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/DataTypes.h"

// The filter that plays a recording "through the design": an FIR at the
// recording's sample rate whose response is the design's summed acoustic
// response, scaled so that its pass band plays at the level of the
// unfiltered recording.
//
// The spectrum is completed beyond the analysis range the way the impulse
// response curve completes it, so that a unit impulse through the filter is
// that curve: above 20 kHz the level falls by 90 dB at 22 kHz and by a
// further 120 dB at 96 kHz while the phase carries on with the slope it has
// from 10 kHz up; below the lowest analysis frequency the level fades out
// over an octave (raised cosine in log frequency) and is 0 at DC. The
// impulse response is windowed from the filter's latency before the main
// arrival to where the rest holds less than -90 dB of the energy (at most
// MaxSeconds).

namespace pelmo {

struct TDesign;
struct TSolveResult;

// A response on a frequency grid: magnitude (linear) and phase (degrees,
// wrapped or not).
struct TListenResponse {
    DataArray Freq;  // Hz, increasing
    DataArray Mag;
    DataArray Phase;
};

// The system response of the last solve. False, with the reason in `error`,
// when there is none (nothing solved) or it is silent.
bool SystemResponse(const TDesign& d, const TSolveResult& result, TListenResponse& out, std::string& error);

// The level of the pass band (linear): the median level of the analysis
// frequencies whose level, smoothed over an octave, comes within 6 dB of the
// smoothed maximum (on a log-spaced grid, the level that half the pass band,
// in octaves, lies above). 0 for a silent response.
double PassBandLevel(const TListenResponse& r);

struct TListenFilterOptions {
    double SampleRate = 48000.0;
    // Keep the response's delay (the time to its main arrival) in the
    // filter; by default it is taken out so that the main arrival lines up
    // with the unfiltered recording.
    bool KeepDelay = false;
    // The part of the impulse response kept before the main arrival (or
    // before time 0, whichever is earlier).
    double PreSeconds = 0.02;
    // A fixed latency (seconds) instead: a player that switches between
    // filters keeps its timing. The part before -LatencySeconds is cut off.
    double LatencySeconds = -1.0;
    // The longest filter.
    double MaxSeconds = 1.0;
};

struct TListenFilter {
    double SampleRate = 0.0;
    // y[n] = sum Taps[j] x[n - j]: the response's time 0 comes out `Latency`
    // samples late.
    std::vector<double> Taps;
    std::size_t Latency = 0;
    // Seconds taken out of the response (a whole number of samples); 0 when
    // the delay is kept.
    double RemovedDelay = 0.0;
    // The main arrival (largest sample of the impulse response) of the
    // response as it stands in the filter, seconds after time 0.
    double Arrival = 0.0;
    // The pass-band level of the response; the taps are divided by it.
    double ReferenceLevel = 0.0;
};

// False, with the reason in `error`, for a response that cannot be listened
// to (too few points, silent, not finite) or options outside what the
// listening tools take.
bool BuildListenFilter(const TListenResponse& response, const TListenFilterOptions& options, TListenFilter& out,
                       std::string& error);

}  // namespace pelmo
