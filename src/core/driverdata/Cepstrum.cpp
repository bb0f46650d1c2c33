#include "driverdata/Cepstrum.h"

#include <algorithm>
#include <cmath>

#include "base/WorkerPool.h"
#include "driverdata/FFT.h"

namespace pelmo {

namespace {

// ln|a|, with the logarithm of 0 taken as -100000.
inline double LnAbs(double a) {
    const double m = std::fabs(a);
    return m == 0.0 ? -100000.0 : std::log(m);
}

// Steps of more than this many turns are taken out in one go instead of turn
// by turn; they only come from corrupted data.
constexpr double kMaxTurnsByStep = 1e6;

// lnOf(k) is the natural logarithm of the amplitude at bin k.
template <class LnOf>
void MinimumPhaseOfBins(DataArray& amplitude, DataArray& phase, LnOf lnOf) {
    const std::size_t bins = amplitude.size();  // M + 1
    if (bins < 2) {
        phase.assign(bins, 0.0);
        return;
    }
    std::size_t h = 1;
    while (h * 2 <= bins) h *= 2;
    const std::size_t n = 2 * h;

    // The log amplitude as an even real sequence; 1/n makes the inverse
    // transform a true inverse (1/262144 on the working grid). The buffer of
    // the real parts is kept between calls: a fresh one costs more in page
    // faults than the log does.
    thread_local DataArray kept;
    DataArray& x = kept;  // this thread's, also where the worker pool fills it
    DataArray& y = phase;
    x.resize(n);
    y.assign(n, 0.0);
    const double c = 1.0 / static_cast<double>(n);
    x[0] = c * lnOf(1);  // the 0 Hz bin takes the value of bin 1
    TWorkerPool::Shared().ForRanges(h, 4096, [&](std::size_t b, std::size_t e) {
        for (std::size_t i = std::max<std::size_t>(b, 1); i < e; ++i) {
            x[i] = c * lnOf(i);
            x[n - i] = x[i];
        }
    });
    // With M + 1 itself a power of two there is no bin h; the last bin stands in.
    x[h] = c * lnOf(h < bins ? h : bins - 1);

    if (n == LongFftLength) {
        // The sequences are real: real transforms do half the work. The
        // cepstrum is real too (its imaginary parts would be rounding only).
        thread_local DataArray keptRe, keptIm;
        DataArray& sr = keptRe;
        DataArray& si = keptIm;
        RealInverseFFT(x, sr, si);  // the real cepstrum, bins 0 ... h
        // Fold the anticausal half onto the causal half.
        x[0] = sr[0];
        for (std::size_t i = 1; i < h; ++i) x[i] = 2.0 * sr[i];
        x[h] = sr[h];
        std::fill(x.begin() + static_cast<std::ptrdiff_t>(h) + 1, x.end(), 0.0);
        RealForwardFFT(x, sr, si);  // ln amplitude + i * minimum phase, bins 0 ... h
        for (std::size_t k = 0; k <= h; ++k) y[k] = si[k];
        for (std::size_t k = 1; k < h; ++k) y[n - k] = -si[k];
        for (std::size_t k = 0; k < bins; ++k) amplitude[k] = k <= h ? sr[k] : sr[n - k];
        return;
    }

    InverseFFT(x, y);  // the real cepstrum

    // Fold the anticausal half onto the causal half.
    for (std::size_t i = 1; i < h; ++i) {
        x[i] *= 2.0;
        y[i] *= 2.0;
        x[n - i] = 0.0;
        y[n - i] = 0.0;
    }

    ForwardFFT(x, y);  // ln amplitude + i * minimum phase, the phase already in place
    std::copy(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(bins), amplitude.begin());
}

}  // namespace

void CepstralMinimumPhase(DataArray& amplitude, DataArray& phase) {
    MinimumPhaseOfBins(amplitude, phase, [&amplitude](std::size_t k) { return LnAbs(amplitude[k]); });
}

void CepstralMinimumPhaseOfLog(DataArray& lnAmplitude, DataArray& phase) {
    MinimumPhaseOfBins(lnAmplitude, phase, [&lnAmplitude](std::size_t k) { return lnAmplitude[k]; });
}

void UnwrapRadians(DataArray& phase) {
    constexpr double pi = M_PI;
    constexpr double turn = 2.0 * M_PI;
    for (std::size_t i = 1; i < phase.size(); ++i) {
        const double prev = phase[i - 1];
        double& p = phase[i];
        const double d = prev - p;
        if (!(std::fabs(d) > pi) || !std::isfinite(d)) continue;
        if (std::fabs(d) > kMaxTurnsByStep * turn) {
            p += std::round(d / turn) * turn;
            continue;
        }
        // Turn by turn; the bound ends the loop where 2 pi no longer changes
        // a huge value.
        const double limit = std::fabs(d) / turn + 2.0;
        if (d > pi) {
            for (double k = 0; prev - p > pi && k < limit; ++k) p += turn;
        } else {
            for (double k = 0; prev - p < -pi && k < limit; ++k) p -= turn;
        }
    }
}

}  // namespace pelmo
