#include "audio/ListenFilter.h"

#include <algorithm>
#include <cmath>

#include "audio/AudioFile.h"
#include "audio/RealFft.h"
#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "driverdata/FitCurve.h"
#include "engine/Smoothing.h"
#include "engine/SolveResult.h"
#include "engine/TimeResponse.h"
#include "model/Design.h"

namespace pelmo {

namespace {

constexpr double DegToRad = M_PI / 180.0;

// The completion above the analysis range, as the impulse response curve of
// the system has it: two more points, 90 dB down at 22 kHz and a further
// 120 dB down near 96 kHz, at the last phase.
constexpr double FirstExtraHz = 22000.0;
constexpr double SecondExtraHz = 95999.0;
constexpr double FirstExtraDb = -90.0;
constexpr double SecondExtraDb = -120.0;

// The phase above 20 kHz continues the slope measured from 10 kHz upward, on
// the bins of the impulse response's spectrum, over as many bins as it takes
// to turn by 20 degrees (at most to 20 kHz); it starts from the phase of the
// bin just below 20 kHz.
const std::size_t SlopeFrom = static_cast<std::size_t>(std::lround(10000.0 / ImpulseBinHz));
const std::size_t SlopeTo = static_cast<std::size_t>(std::lround(20000.0 / ImpulseBinHz));
constexpr double SlopeTurn = 20.0;

// Below the lowest analysis frequency the level fades out over this many
// octaves.
constexpr double LowFadeOctaves = 1.0;

// The pass band: within 6 dB of the largest level smoothed over an octave.
constexpr double PassBandSmoothing = 1.0;
constexpr double PassBandRangeDb = 6.0;

// The filter ends where what follows holds less than this share of the
// impulse response's energy (-90 dB).
constexpr double TailEnergy = 1e-9;
constexpr double MinTailSeconds = 0.005;

std::size_t NextPowerOfTwo(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

bool AllFinite(const DataArray& a) {
    return std::all_of(a.begin(), a.end(), [](double v) { return std::isfinite(v); });
}

// The slope (degrees per Hz) that the phase keeps above 20 kHz, and the
// frequency and phase it starts from.
struct PhaseLine {
    double FromHz = 0.0;
    double FromPhase = 0.0;
    double Slope = 0.0;
};

PhaseLine HighPhaseLine(const DataArray& extFreq, const DataArray& extPhase, MessageSink& silent) {
    DataArray bins(SlopeTo + 1 - SlopeFrom), phase;
    for (std::size_t k = SlopeFrom; k <= SlopeTo; ++k) bins[k - SlopeFrom] = static_cast<double>(k) * ImpulseBinHz;
    FitCurve(extFreq, extPhase, bins, phase, silent);
    double sum = 0.0;
    std::size_t k = SlopeFrom;
    while (std::fabs(sum) < SlopeTurn && k < SlopeTo) {
        double step = phase[k + 1 - SlopeFrom] - phase[k - SlopeFrom];
        if (step > 180.0) step -= 360.0;
        if (step < -180.0) step += 360.0;
        sum += step;
        ++k;
    }
    PhaseLine line;
    line.Slope = sum / (static_cast<double>(k - SlopeFrom) * ImpulseBinHz);
    const std::size_t anchor = 2 * SlopeFrom;
    line.FromHz = static_cast<double>(anchor) * ImpulseBinHz;
    line.FromPhase = phase[anchor - SlopeFrom];
    return line;
}

// The response on the bins of an n-point transform at `rate`, completed
// outside the analysis range; bins 0 ... n/2.
void TargetSpectrum(const TListenResponse& r, double rate, std::size_t n, Complex* out) {
    SilentMessageSink silent;
    DataArray extFreq(r.Freq), extMag(r.Mag), extPhase(r.Phase);
    UnwrapPhase(extPhase);
    const double top = r.Mag.back() * DbToLin(FirstExtraDb);
    extFreq.push_back(FirstExtraHz);
    extFreq.push_back(SecondExtraHz);
    extMag.push_back(top);
    extMag.push_back(top * DbToLin(SecondExtraDb));
    extPhase.push_back(extPhase.back());
    extPhase.push_back(extPhase.back());
    const PhaseLine line = HighPhaseLine(extFreq, extPhase, silent);

    const std::size_t bins = n / 2 + 1;
    const double step = rate / static_cast<double>(n);
    DataArray freq(bins), mag, phase;
    for (std::size_t k = 0; k < bins; ++k) freq[k] = static_cast<double>(k) * step;
    FitCurve(extFreq, extMag, freq, mag, silent);
    // The phase is fitted only up to where the straight line takes over.
    DataArray below(freq.begin(), std::upper_bound(freq.begin(), freq.end(), line.FromHz));
    if (below.size() < 3) below.assign(freq.begin(), freq.begin() + 3);
    FitCurve(extFreq, extPhase, below, phase, silent);
    phase.resize(bins, 0.0);

    const double low = r.Freq.front();
    const double nyquist = rate / 2.0;
    // A rate below 44.1 kHz cuts the response off below 22 kHz: a raised
    // cosine over the top tenth of its band brings it to 0 at the Nyquist
    // frequency.
    const double highFade = nyquist < 22050.0 ? 0.9 * nyquist : nyquist;
    for (std::size_t k = 0; k < bins; ++k) {
        const double f = freq[k];
        double m = std::max(mag[k], 0.0);
        double p = phase[k];
        if (f < low) {
            const double octaves = f > 0.0 ? std::log2(low / f) : LowFadeOctaves;
            m = octaves >= LowFadeOctaves ? 0.0
                                          : r.Mag.front() * (0.5 + 0.5 * std::cos(M_PI * octaves / LowFadeOctaves));
            p = extPhase.front();
        }
        if (f > line.FromHz) p = line.FromPhase + (f - line.FromHz) * line.Slope;
        if (f > highFade) m *= 0.5 + 0.5 * std::cos(M_PI * (f - highFade) / (nyquist - highFade));
        out[k] = std::polar(m, p * DegToRad);
    }
    out[0] = 0.0;
    out[bins - 1] = out[bins - 1].real();
}

}  // namespace

bool SystemResponse(const TDesign& d, const TSolveResult& result, TListenResponse& out, std::string& error) {
    const std::size_t n = d.Grid.size();
    if (n < 2 || result.System.Mag.size() != n || result.System.Phase.size() != n) {
        error = "The design has no response to listen through: nothing could be solved.";
        return false;
    }
    if (std::none_of(result.System.Mag.begin(), result.System.Mag.end(), [](double m) { return m > 0.0; })) {
        error = "The design gives no sound: its summed response is silent.";
        return false;
    }
    out.Freq = d.Grid;
    out.Mag = result.System.Mag;
    out.Phase = result.System.Phase;
    return true;
}

double PassBandLevel(const TListenResponse& r) {
    const std::size_t n = r.Mag.size();
    if (n < 2 || r.Freq.size() != n || !(r.Freq.front() > 0.0) || !(r.Freq.back() > r.Freq.front())) return 0.0;
    DataArray power(n);
    for (std::size_t k = 0; k < n; ++k) power[k] = r.Mag[k] * r.Mag[k];
    DataArray smooth(power);
    SmoothOctave(smooth, PassBandSmoothing, std::log2(r.Freq.back() / r.Freq.front()) / static_cast<double>(n - 1));
    const double highest = *std::max_element(smooth.begin(), smooth.end());
    if (!(highest > 0.0) || !std::isfinite(highest)) return 0.0;
    const double floor = highest * std::pow(10.0, -PassBandRangeDb / 10.0);
    DataArray band;
    for (std::size_t k = 0; k < n; ++k)
        if (smooth[k] >= floor) band.push_back(power[k]);
    if (band.empty()) return 0.0;
    // The median: the slopes at the band's edges and narrow peaks or dips
    // do not move it.
    const auto mid = band.begin() + static_cast<std::ptrdiff_t>(band.size() / 2);
    std::nth_element(band.begin(), mid, band.end());
    return std::sqrt(*mid);
}

bool BuildListenFilter(const TListenResponse& r, const TListenFilterOptions& o, TListenFilter& out,
                       std::string& error) {
    const std::size_t points = r.Freq.size();
    if (points < 2 || r.Mag.size() != points || r.Phase.size() != points || !AllFinite(r.Freq) || !AllFinite(r.Mag) ||
        !AllFinite(r.Phase) || !(r.Freq.front() > 0.0)) {
        error = "The design's response cannot be listened to: it is incomplete or not a number.";
        return false;
    }
    if (!(o.SampleRate >= MinListenRate && o.SampleRate <= MaxListenRate)) {
        error = "Listening takes sample rates from " + std::to_string(MinListenRate) + " to " +
                std::to_string(MaxListenRate) + " Hz.";
        return false;
    }
    const double reference = PassBandLevel(r);
    if (!(reference > 0.0) || !std::isfinite(reference)) {
        error = "The design gives no sound: its summed response is silent.";
        return false;
    }
    const double rate = o.SampleRate;
    const auto maxTaps = static_cast<std::size_t>(std::ceil(std::max(o.MaxSeconds, 0.01) * rate));
    const auto pre = static_cast<std::size_t>(std::ceil(std::max(o.PreSeconds, 0.0) * rate));

    // The impulse response on a transform with room for the longest filter
    // and a quarter more, so that what is kept does not wrap around.
    std::size_t n = NextPowerOfTwo(maxTaps + pre);
    if (n - (maxTaps + pre) < n / 4) n *= 2;
    TRealFft fft(n);
    TFftwBuffer<Complex> spectrum = AllocateComplex(fft.Bins());
    TFftwBuffer<double> h = AllocateReal(n);
    TargetSpectrum(r, rate, n, spectrum.get());
    fft.Inverse(spectrum.get(), h.get());
    const double scale = 1.0 / static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i) h[i] *= scale;

    // The main arrival; samples from n/2 on are the negative times.
    std::size_t peakAt = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (std::fabs(h[i]) > std::fabs(h[peakAt])) peakAt = i;
    const auto half = static_cast<std::ptrdiff_t>(n / 2);
    const auto peak =
        static_cast<std::ptrdiff_t>(peakAt) - (static_cast<std::ptrdiff_t>(peakAt) >= half ? 2 * half : 0);
    const std::ptrdiff_t shift = o.KeepDelay ? 0 : peak;  // samples taken out
    const std::ptrdiff_t arrival = peak - shift;
    auto at = [&](std::ptrdiff_t t) {
        const std::ptrdiff_t i = ((t + shift) % (2 * half) + 2 * half) % (2 * half);
        return h[static_cast<std::size_t>(i)];
    };

    std::size_t latency;
    if (o.LatencySeconds >= 0.0)
        latency = static_cast<std::size_t>(std::lround(o.LatencySeconds * rate));
    else
        latency = pre + static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, -arrival));
    latency = std::min(latency, maxTaps / 2);

    // The end: from the main arrival (at least a little after it) to where
    // the rest of the energy falls below TailEnergy of the whole.
    const std::ptrdiff_t first = -static_cast<std::ptrdiff_t>(latency);
    const std::ptrdiff_t last = first + static_cast<std::ptrdiff_t>(maxTaps) - 1;
    double total = 0.0;
    for (std::ptrdiff_t t = first; t <= last; ++t) total += at(t) * at(t);
    const std::ptrdiff_t minEnd =
        std::min(last, std::max<std::ptrdiff_t>(arrival, 0) + static_cast<std::ptrdiff_t>(MinTailSeconds * rate));
    std::ptrdiff_t end = last;
    double rest = 0.0;
    while (end > minEnd) {
        const double v = at(end);
        if (rest + v * v > TailEnergy * total) break;
        rest += v * v;
        --end;
    }

    // Taps from `first` to `end`; the outer half of the part before time 0
    // and the last quarter of the part after it fade out (half Hann).
    const std::size_t length = static_cast<std::size_t>(end - first + 1);
    out.Taps.assign(length, 0.0);
    const std::size_t rise = latency / 2;
    const std::size_t fallFrom = latency + static_cast<std::size_t>(end) * 3 / 4;
    const double gain = 1.0 / reference;
    for (std::size_t j = 0; j < length; ++j) {
        double w = 1.0;
        if (j < rise) w = 0.5 - 0.5 * std::cos(M_PI * static_cast<double>(j) / static_cast<double>(rise));
        if (j > fallFrom && length > fallFrom + 1)
            w = 0.5 + 0.5 * std::cos(M_PI * static_cast<double>(j - fallFrom) / static_cast<double>(length - fallFrom));
        out.Taps[j] = at(first + static_cast<std::ptrdiff_t>(j)) * w * gain;
    }
    out.SampleRate = rate;
    out.Latency = latency;
    out.RemovedDelay = static_cast<double>(shift) / rate;
    out.Arrival = static_cast<double>(arrival) / rate;
    out.ReferenceLevel = reference;
    return true;
}

}  // namespace pelmo
