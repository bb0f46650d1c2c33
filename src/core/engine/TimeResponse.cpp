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
#include "engine/SolveResult.h"
#include "model/Design.h"
#include "model/Elements.h"

namespace pelmo {

namespace {

constexpr double DegToRad = M_PI / 180.0;

// Square wave: the odd harmonics 1 ... 21, 200 samples per period, two
// periods centred on t = 0.
constexpr int LastHarmonic = 21;
constexpr int SamplesPerPeriod = 200;
constexpr double HighestHarmonicHz = 20000.0;

// Impulse: the samples plotted before t = 0 (n = 16094 ... 16383), the step
// sums from n = 16096 and up to n = 5760 (30 ms).
constexpr std::size_t ImpulseFirst = 16094;
constexpr std::size_t StepFirst = 16096;
constexpr std::size_t StepLast = 5760;

// The phase above 20 kHz continues the slope measured upward from bin 853
// (10 kHz) for as many bins as it takes to turn by 20 degrees, at most to
// bin 1707 (20 kHz).
constexpr std::size_t SlopeFrom = 853;
constexpr std::size_t SlopeTo = 1707;
constexpr double SlopeTurn = 20.0;

// The magnitude and phase a curve draws from: its driver's share of the sum
// or, for the System curve, the system response. Null when the curve has none
// (a part's curve, a driver whose share is empty, no solved frequency).
struct Source {
    const DataArray* mag = nullptr;
    const DataArray* phase = nullptr;
    bool system = false;
};

Source SourceOf(const TDesign& d, const TSolveResult& result, const TCurveRequest& c) {
    Source s;
    if (IsDriverSubject(c.Subject)) {
        const auto i = static_cast<std::size_t>(c.Element);
        if (c.Element >= 0 && i < result.DriverMag.size() && !result.DriverMag[i].empty() &&
            result.DriverPhase[i].size() == result.DriverMag[i].size()) {
            s.mag = &result.DriverMag[i];
            s.phase = &result.DriverPhase[i];
        }
    } else if (c.Subject == TCurveSubject::System && !result.SystemMag.empty() &&
               result.SystemPhase.size() == result.SystemMag.size()) {
        s.mag = &result.SystemMag;
        s.phase = &result.SystemPhase;
        s.system = true;
    }
    if (s.mag && s.mag->size() != d.Grid.size()) s.mag = s.phase = nullptr;
    return s;
}

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

Harmonics SquareWaveHarmonics(const DataArray& grid, const Source& s, double f0) {
    Harmonics h;
    double tau = 0;
    for (int k = 1; k <= LastHarmonic; k += 2) {
        const int i = k / 2;
        const double f = k * f0;
        if (f > HighestHarmonicHz) continue;  // dropped: 0 and 0
        const double m = InterpolateAt(grid, *s.mag, f);
        const double p = InterpolateAt(grid, *s.phase, f);
        if (k == 1 && f0 > 0) tau = -p / (360.0 * f0);
        h.amp[i] = m / k;
        h.phase[i] = (p + 360.0 * tau * f) * DegToRad;
    }
    return h;
}

// One pass over t = -200 ... 200; the points are added unless only the peak
// is wanted. Returns the peak (at least 1e-9).
double SquareWavePass(const Harmonics& h, double scale, TChartCurve* out) {
    double peak = 1e-9;
    for (int t = -SamplesPerPeriod; t <= SamplesPerPeriod; ++t) {
        double y = 0;
        for (int k = 1; k <= LastHarmonic; k += 2)
            y += h.amp[k / 2] * std::sin(k * t * 2.0 * M_PI / SamplesPerPeriod + h.phase[k / 2]);
        peak = std::max(peak, std::fabs(y));
        if (out) out->Add(t, y * scale);
    }
    return peak;
}

// The impulse response of a curve's source into work.Re (n = 0 ... 16383;
// n >= 8192 are the negative times).
void ImpulseResponse(const TDesign& d, const Source& s, TTimeResponseWork& w, MessageSink& messages) {
    const DataArray& mag = *s.mag;
    const DataArray& phase = *s.phase;
    // The phase is resampled unwrapped: a curve through a jump of a whole
    // turn would put made-up phases into the bins between. Whatever SPL
    // curves are shown, the result is the same.
    w.ExtPhase.assign(phase.begin(), phase.end());
    UnwrapPhase(w.ExtPhase);
    const double lastPhase = w.ExtPhase.back();
    // 90 dB down at 22 kHz and a further 120 dB at 96 kHz, at the last phase.
    w.ExtFreq.assign(d.Grid.begin(), d.Grid.end());
    w.ExtMag.assign(mag.begin(), mag.end());
    const double top = mag.back() * DbToLin(-90.0);
    w.ExtFreq.push_back(22000.0);
    w.ExtFreq.push_back(s.system ? 95999.0 : 96000.0);
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
}

// Plotted times in milliseconds: the samples plotted before t = 0 are the
// last ones of the transform, the others count from n = 0.
inline double TimeBefore(std::size_t n) { return (static_cast<double>(n) - ImpulseLength) / 192.0; }
inline double TimeAfter(std::size_t n) { return static_cast<double>(n) / 192.0; }

// The impulse response of a curve's source: worked out when the source is
// met first in this pass, kept for its other curves.
const DataArray& ImpulseOf(const TDesign& d, const Source& s, TTimeResponseWork& w, MessageSink& messages) {
    for (std::size_t i = 0; i < w.DoneCount; ++i)
        if (w.DoneSources[i] == s.mag) return w.DoneResponses[i];
    ImpulseResponse(d, s, w, messages);
    if (w.DoneResponses.size() <= w.DoneCount) {
        w.DoneResponses.emplace_back();
        w.DoneSources.push_back(nullptr);
    }
    // The samples change places with the kept buffer of an earlier pass,
    // which the next transform reuses.
    const std::size_t i = w.DoneCount++;
    std::swap(w.DoneResponses[i], w.Re);
    w.DoneSources[i] = s.mag;
    return w.DoneResponses[i];
}

double ImpulsePeak(const DataArray& h) {
    double peak = 1e-9;
    for (double v : h) peak = std::max(peak, std::fabs(v));
    return peak;
}

void PlotImpulse(const DataArray& h, double scale, TChartCurve& out) {
    for (std::size_t n = ImpulseFirst; n < ImpulseLength; ++n) out.Add(TimeBefore(n), h[n] * scale);
    for (std::size_t n = 0; n < ImpulseFirst; ++n) out.Add(TimeAfter(n), h[n] * scale);
}

// The running sum from -1.5 ms to 30 ms; plotted when out is given. Returns
// the peak of the sums (at least 1e-9).
double StepPass(const DataArray& h, double scale, TChartCurve* out) {
    double peak = 1e-9, sum = 0;
    auto add = [&](std::size_t n, double t) {
        sum += h[n];
        peak = std::max(peak, std::fabs(sum));
        if (out) out->Add(t, sum * scale);
    };
    for (std::size_t n = StepFirst; n < ImpulseLength; ++n) add(n, TimeBefore(n));
    for (std::size_t n = 0; n <= StepLast; ++n) add(n, TimeAfter(n));
    return peak;
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

double AutomaticResponseScale(double constant, double peak) {
    const double q = std::trunc(constant / peak);
    // The largest double below 2^63, the top of the signed 64-bit range that
    // a double can hold exactly.
    constexpr double top = 9223372036854774784.0;
    return q < top ? q : top;
}

void SquareWaveCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TTimeResponseWork& work) {
    for (std::size_t w = 0; w < request.WindowCount; ++w) {
        const TWindowRequest& g = request.Windows[w];
        if (g.Kind != TGraphKind::SquareWave) continue;
        TWindowPoints& out = result.Windows[w];
        for (std::size_t i = 0; i < g.Curves.size(); ++i) {
            Source s = SourceOf(d, result, g.Curves[i]);
            if (!s.mag) continue;
            TChartCurve& points = out.Curves[i].Mag;
            // The harmonics' phases are read off the phase unwrapped: a straight
            // line between two grid points where the stored phase wraps would
            // give a harmonic there a made-up phase.
            work.SquarePhase.assign(s.phase->begin(), s.phase->end());
            UnwrapPhase(work.SquarePhase);
            s.phase = &work.SquarePhase;
            const Harmonics h = SquareWaveHarmonics(d.Grid, s, g.TestFrequency);
            const double peak =
                SquareWavePass(h, out.ResponseScale / SquareWaveDivisor, out.AutoScalePending ? nullptr : &points);
            if (g.Curves.size() == 1 && out.AutoScalePending) {
                out.AutoScalePending = false;
                out.ResponseScale = AutomaticResponseScale(SquareWaveAutoScale, peak);
                SquareWavePass(h, out.ResponseScale / SquareWaveDivisor, &points);
            }
        }
    }
}

void ImpulseStepCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TTimeResponseWork& work,
                       MessageSink& messages) {
    if (work.Bins.size() != ImpulseBins) {
        work.Bins.resize(ImpulseBins);
        for (std::size_t k = 0; k < ImpulseBins; ++k) work.Bins[k] = static_cast<double>(k) * ImpulseBinHz;
    }
    work.DoneCount = 0;
    for (std::size_t w = 0; w < request.WindowCount; ++w) {
        const TWindowRequest& g = request.Windows[w];
        if (g.Kind != TGraphKind::Impulse && g.Kind != TGraphKind::Step) continue;
        TWindowPoints& out = result.Windows[w];
        for (std::size_t i = 0; i < g.Curves.size(); ++i) {
            const Source s = SourceOf(d, result, g.Curves[i]);
            if (!s.mag) continue;
            const DataArray& h = ImpulseOf(d, s, work, messages);
            TChartCurve& points = out.Curves[i].Mag;
            const bool impulse = g.Kind == TGraphKind::Impulse;
            if (s.system && g.Curves.size() == 1 && out.AutoScalePending) {
                const double peak = impulse ? ImpulsePeak(h) : StepPass(h, 0.0, nullptr);
                out.AutoScalePending = false;
                out.ResponseScale = AutomaticResponseScale(impulse ? ImpulseAutoScale : StepAutoScale, peak);
            }
            if (impulse)
                PlotImpulse(h, out.ResponseScale / ImpulseDivisor, points);
            else
                StepPass(h, out.ResponseScale / StepDivisor, &points);
        }
    }
}

}  // namespace pelmo
