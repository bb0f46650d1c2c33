#include "engine/TimeResponse.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "base/Conversions.h"
#include "driverdata/FFT.h"
#include "driverdata/FitCurve.h"
#include "engine/Smoothing.h"

namespace pelmo {

namespace {

constexpr double DegToRad = M_PI / 180.0;

// Square wave: the odd harmonics 1 ... 21, up to 20 kHz.
constexpr int LastHarmonic = 21;
constexpr double HighestHarmonicHz = 20000.0;

// The phase above 20 kHz continues the slope measured upward from bin 853
// (10 kHz) for as many bins as it takes to turn by 20 degrees, at most to
// bin 1707 (20 kHz).
constexpr std::size_t SlopeFrom = 853;
constexpr std::size_t SlopeTo = 1707;
constexpr double SlopeTurn = 20.0;

// A double cut toward zero and kept within 0 ... n-1 (NaN gives 0).
std::size_t Index(double v, std::size_t n) {
    if (!(v >= 1.0)) return 0;
    if (v >= static_cast<double>(n - 1)) return n - 1;
    return static_cast<std::size_t>(v);
}

// The harmonics of a square wave at f0: amplitude / k and phase (radians)
// with the delay of the fundamental removed.
struct Harmonics {
    double amp[LastHarmonic / 2 + 1] = {};
    double phase[LastHarmonic / 2 + 1] = {};
};

Harmonics SquareWaveHarmonics(const DataArray& grid, const DataArray& mag, const DataArray& phase, double f0) {
    Harmonics h;
    double tau = 0;
    for (int k = 1; k <= LastHarmonic; k += 2) {
        const int i = k / 2;
        const double f = k * f0;
        if (f > HighestHarmonicHz) continue;  // dropped: 0 and 0
        const double m = InterpolateAt(grid, mag, f);
        const double p = InterpolateAt(grid, phase, f);
        if (k == 1 && f0 > 0) tau = -p / (360.0 * f0);
        h.amp[i] = m / k;
        h.phase[i] = (p + 360.0 * tau * f) * DegToRad;
    }
    return h;
}

}  // namespace

double InterpolateAt(const DataArray& x, const DataArray& y, double f) {
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) return 0.0;
    if (n == 1) return y[0];
    const bool linear = x[0] <= 0.001;
    std::size_t i;
    if (linear) {
        i = Index(f / x[1], n);
    } else {
        const double r = std::log(x[n - 1] / x[0]) / static_cast<double>(n - 1);
        i = Index(std::log(f / x[0]) / r, n);
    }
    const std::size_t j = std::min(i + 1, n - 1);
    double xi = x[i], xj = x[j], at = f;
    if (!linear) {
        if (xi < 1e-12 || xj < 1e-12 || f < 1e-12) return y[i];
        xi = std::log(xi);
        xj = std::log(xj);
        at = std::log(f);
    }
    if (xi == xj) return y[i];
    const double slope = (y[j] - y[i]) / (xj - xi);
    if (!(std::fabs(slope) <= 9e19)) return y[i];
    return y[i] + (at - xi) * slope;
}

void SquareWave(const DataArray& grid, const TMagPhase& response, double f0, TTimeResponseWork& work,
                DataArray& samples) {
    // The harmonics' phases are read off the phase unwrapped: a straight
    // line between two grid points where the stored phase wraps would give a
    // harmonic there a made-up phase.
    work.SquarePhase.assign(response.Phase.begin(), response.Phase.end());
    UnwrapPhase(work.SquarePhase);
    const Harmonics h = SquareWaveHarmonics(grid, response.Mag, work.SquarePhase, f0);
    samples.resize(SquareWaveSamples);
    std::size_t n = 0;
    for (int t = -SquareWaveSamplesPerPeriod; t <= SquareWaveSamplesPerPeriod; ++t) {
        double y = 0;
        for (int k = 1; k <= LastHarmonic; k += 2)
            y += h.amp[k / 2] * std::sin(k * t * 2.0 * M_PI / SquareWaveSamplesPerPeriod + h.phase[k / 2]);
        samples[n++] = y;
    }
}

void ImpulseResponse(const DataArray& grid, const TMagPhase& response, bool system, TTimeResponseWork& w,
                     DataArray& samples, MessageSink& messages) {
    if (w.Bins.size() != ImpulseBins) {
        w.Bins.resize(ImpulseBins);
        for (std::size_t k = 0; k < ImpulseBins; ++k) w.Bins[k] = static_cast<double>(k) * ImpulseBinHz;
    }
    const DataArray& mag = response.Mag;
    const DataArray& phase = response.Phase;
    // The phase is resampled unwrapped: a curve through a jump of a whole
    // turn would put made-up phases into the bins between.
    w.ExtPhase.assign(phase.begin(), phase.end());
    UnwrapPhase(w.ExtPhase);
    const double lastPhase = w.ExtPhase.back();
    // 90 dB down at 22 kHz and a further 120 dB at 96 kHz, at the last phase.
    w.ExtFreq.assign(grid.begin(), grid.end());
    w.ExtMag.assign(mag.begin(), mag.end());
    const double top = mag.back() * DbToLin(-90.0);
    w.ExtFreq.push_back(22000.0);
    w.ExtFreq.push_back(system ? 95999.0 : 96000.0);
    w.ExtMag.push_back(top);
    w.ExtMag.push_back(top * DbToLin(-120.0));
    w.ExtPhase.push_back(lastPhase);
    w.ExtPhase.push_back(lastPhase);

    // Resample; a failed fit leaves zeros.
    w.Mag.assign(ImpulseBins, 0.0);
    w.Phase.assign(ImpulseBins, 0.0);
    FitCurve(w.ExtFreq, w.ExtMag, w.Bins, w.Mag, messages);
    FitCurve(w.ExtFreq, w.ExtPhase, w.Bins, w.Phase, messages);

    // The phase above 20 kHz continues the average slope from 10 kHz.
    double sum = 0;
    std::size_t k = SlopeFrom;
    while (std::fabs(sum) < SlopeTurn && k < SlopeTo) {
        double step = w.Phase[k + 1] - w.Phase[k];
        if (step > 180.0) step -= 360.0;
        if (step < -180.0) step += 360.0;
        sum += step;
        ++k;
    }
    const double slope = sum / (static_cast<double>(k - SlopeFrom) * ImpulseBinHz);
    const std::size_t anchor = 2 * SlopeFrom;
    for (std::size_t b = anchor + 1; b < ImpulseBins; ++b)
        w.Phase[b] = WrapAngle(w.Phase[anchor] + (w.Bins[b] - w.Bins[anchor]) * slope);

    // Nothing at 0 Hz and 11.72 Hz; the spectrum completed to be Hermitian.
    w.Mag[0] = w.Mag[1] = 0.0;
    w.Re.resize(ImpulseLength);
    w.Im.resize(ImpulseLength);
    for (std::size_t b = 0; b < ImpulseBins; ++b) {
        const double p = w.Phase[b] * DegToRad;
        w.Re[b] = w.Mag[b] * std::cos(p);
        w.Im[b] = w.Mag[b] * std::sin(p);
    }
    const std::size_t nyquist = ImpulseBins - 1;
    w.Re[nyquist] = w.Re[nyquist - 1];
    w.Im[nyquist] = 0.0;
    for (std::size_t b = 1; b < nyquist; ++b) {
        w.Re[ImpulseLength - b] = w.Re[b];
        w.Im[ImpulseLength - b] = -w.Im[b];
    }
    InverseFFT(w.Re, w.Im);
    // The samples change places with the caller's buffer, which the next
    // transform reuses.
    std::swap(samples, w.Re);
}

}  // namespace pelmo
