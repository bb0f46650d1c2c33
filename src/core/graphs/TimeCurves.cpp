// The points of the time-response curves: impulse, step and square wave,
// scaled by their window's ResponseScale, which a window's one automatic
// curve picks.

#include <algorithm>
#include <cmath>

#include "engine/SolveResult.h"
#include "engine/TimeResponse.h"
#include "graphs/CurvePoints.h"
#include "graphs/GraphRecord.h"
#include "model/AnalysisGrid.h"

namespace pelmo {

namespace {

// The impulse samples plotted before t = 0 (n = 16094 ... 16383); the step
// sums from n = 16096 and up to n = 5760 (30 ms).
constexpr std::size_t ImpulseFirst = 16094;
constexpr std::size_t StepFirst = 16096;
constexpr std::size_t StepLast = 5760;

// The response a curve draws from: its driver's contribution to the sum or,
// for the System curve, the sum. Null when the curve has none (a part's
// curve, a driver whose contribution is empty, no solved frequency).
struct Source {
    const TMagPhase* response = nullptr;
    bool system = false;
};

Source SourceOf(const TSolveResult& r, const TSeriesDef& c) {
    Source s;
    if (IsDriverSubject(c.Subject)) {
        const auto i = static_cast<std::size_t>(c.Element);
        if (c.Element >= 0 && i < r.DriverContribution.size() && !r.DriverContribution[i].Mag.empty() &&
            r.DriverContribution[i].Phase.size() == r.DriverContribution[i].Mag.size())
            s.response = &r.DriverContribution[i];
    } else if (c.Subject.Kind == TSubjectKind::System && !r.System.Mag.empty() &&
               r.System.Phase.size() == r.System.Mag.size()) {
        s.response = &r.System;
        s.system = true;
    }
    if (s.response && s.response->Mag.size() != r.Grid.size()) s.response = nullptr;
    return s;
}

// Plotted times in milliseconds: the samples plotted before t = 0 are the
// last ones of the transform, the others count from n = 0.
inline double TimeBefore(std::size_t n) { return (static_cast<double>(n) - ImpulseLength) / 192.0; }
inline double TimeAfter(std::size_t n) { return static_cast<double>(n) / 192.0; }

// The impulse response of a curve's source: worked out when the source is
// met first in this pass, kept for its other curves.
const DataArray& ImpulseOf(const TCurveSource& source, const Source& s) {
    TCurveWork& w = source.Work;
    for (std::size_t i = 0; i < w.DoneCount; ++i)
        if (w.DoneSources[i] == &s.response->Mag) return w.DoneResponses[i];
    if (w.DoneResponses.size() <= w.DoneCount) {
        w.DoneResponses.emplace_back();
        w.DoneSources.push_back(nullptr);
    }
    const std::size_t i = w.DoneCount++;
    ImpulseResponse(source.Result.Grid, *s.response, s.system, w.Time, w.DoneResponses[i], source.Messages);
    w.DoneSources[i] = &s.response->Mag;
    return w.DoneResponses[i];
}

double ImpulsePeak(const DataArray& h) {
    double peak = 1e-9;
    for (double v : h) peak = std::max(peak, std::fabs(v));
    return peak;
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

// The impulse or step of a curve: the System curve alone in a window whose
// scale is pending picks the window's ResponseScale first.
void ImpulseOrStep(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c, bool impulse) {
    c.MagSeries.Clear(AnalysisPoints);
    c.PhaseSeries.Clear(AnalysisPoints);
    const Source s = SourceOf(source.Result, c);
    if (!s.response) return;
    const DataArray& h = ImpulseOf(source, s);
    if (s.system && g.Curves.size() == 1 && g.AutoScalePending) {
        const double peak = impulse ? ImpulsePeak(h) : StepPass(h, 0.0, nullptr);
        g.AutoScalePending = false;
        g.ResponseScale = AutomaticResponseScale(impulse ? ImpulseAutoScale : StepAutoScale, peak);
    }
    if (impulse) {
        const double scale = g.ResponseScale / ImpulseDivisor;
        TChartCurve& out = c.MagSeries;
        for (std::size_t n = ImpulseFirst; n < ImpulseLength; ++n) out.Add(TimeBefore(n), h[n] * scale);
        for (std::size_t n = 0; n < ImpulseFirst; ++n) out.Add(TimeAfter(n), h[n] * scale);
    } else {
        StepPass(h, g.ResponseScale / StepDivisor, &c.MagSeries);
    }
}

// One pass over the square wave's samples t = -200 ... 200; the points are
// added unless only the peak is wanted. Returns the peak (at least 1e-9).
double SquareWavePass(const DataArray& y, double scale, TChartCurve* out) {
    double peak = 1e-9;
    for (std::size_t i = 0; i < y.size(); ++i) {
        peak = std::max(peak, std::fabs(y[i]));
        if (out) out->Add(static_cast<double>(i) - SquareWaveSamplesPerPeriod, y[i] * scale);
    }
    return peak;
}

}  // namespace

double AutomaticResponseScale(double constant, double peak) {
    const double q = std::trunc(constant / peak);
    // The largest double below 2^63, the top of the signed 64-bit range that
    // a double can hold exactly.
    constexpr double top = 9223372036854774784.0;
    return q < top ? q : top;
}

void ImpulsePoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c) { ImpulseOrStep(source, g, c, true); }

void StepPoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c) { ImpulseOrStep(source, g, c, false); }

void SquareWavePoints(const TCurveSource& source, TGraphRecord& g, TSeriesDef& c) {
    c.MagSeries.Clear(AnalysisPoints);
    c.PhaseSeries.Clear(AnalysisPoints);
    const Source s = SourceOf(source.Result, c);
    if (!s.response) return;
    DataArray& y = source.Work.Samples;
    SquareWave(source.Result.Grid, *s.response, g.TestFrequency, source.Work.Time, y);
    // With the scale pending nothing is plotted, unless this curve is the
    // window's only one: it picks the scale and is plotted with it.
    const double peak =
        SquareWavePass(y, g.ResponseScale / SquareWaveDivisor, g.AutoScalePending ? nullptr : &c.MagSeries);
    if (g.Curves.size() == 1 && g.AutoScalePending) {
        g.AutoScalePending = false;
        g.ResponseScale = AutomaticResponseScale(SquareWaveAutoScale, peak);
        SquareWavePass(y, g.ResponseScale / SquareWaveDivisor, &c.MagSeries);
    }
}

}  // namespace pelmo
