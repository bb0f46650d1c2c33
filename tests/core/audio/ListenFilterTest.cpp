// The listening filter against the curves the program draws: a sine through
// it comes out at the SPL curve's level and phase, and a unit impulse comes
// out as the impulse response curve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>

#include "TestSupport.h"
#include "audio/FilterFile.h"
#include "audio/ListenFilter.h"
#include "base/Conversions.h"
#include "document/DocumentFlow.h"
#include "driverdata/FFT.h"
#include "engine/TimeResponse.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;

namespace {

// An example design solved for an SPL curve (unsmoothed, with phase) and an
// impulse curve of the System, both as `pelmo-cli curve` would print them.
struct SolvedExample {
    TempFolder folder;
    TDesign d;
    RecordingMessageSink messages;
    TGraphRecord spl{TGraphKind::SPL};
    TGraphRecord impulse{TGraphKind::Impulse};
    TGraphSolve solve;
    TListenResponse response;

    explicit SolvedExample(const std::string& name) {
        std::filesystem::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/" + name, folder.Path() + name);
        EXPECT_TRUE(OpenDesignFile(d, folder.Path() + name, messages));
        TSeriesDef& s = AddCurve(spl, d, "System", true);
        s.ShowPhase = true;
        s.Smoothing = 0;
        AddCurve(impulse, d, "System", true);
        impulse.ResponseScale = ImpulseDivisor;  // plotted value = transform sample
        impulse.AutoScalePending = false;
        TGraphList graphs;
        graphs.Add(&spl);
        graphs.Add(&impulse);
        SolveGraphs(d, graphs, solve, messages);
        std::string error;
        EXPECT_TRUE(SystemResponse(d, solve.Result, response, error)) << error;
    }
    const TChartCurve& SplLevel() const { return spl.Curves[0].MagSeries; }
    const TChartCurve& SplPhase() const { return spl.Curves[0].PhaseSeries; }
    const TChartCurve& Impulse() const { return impulse.Curves[0].MagSeries; }
};

// The SPL curve at f: straight lines in log frequency between its points,
// the phase unwrapped between the two.
void CurveAt(const TChartCurve& level, const TChartCurve& phase, double f, double& db, double& deg) {
    std::size_t j = 1;
    while (j + 1 < level.Count() && level.X[j] < f) ++j;
    const double t = std::log(f / level.X[j - 1]) / std::log(level.X[j] / level.X[j - 1]);
    db = level.Y[j - 1] + t * (level.Y[j] - level.Y[j - 1]);
    const double p0 = phase.Y[j - 1];
    const double p1 = p0 + std::remainder(phase.Y[j] - p0, 360.0);
    deg = p0 + t * (p1 - p0);
}

// Level (dB re the input) and phase (degrees) of a steady sine at f in y,
// fitted by least squares over [from, to).
void SineFit(const std::vector<double>& y, double f, double rate, std::size_t from, std::size_t to, double& db,
             double& deg) {
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (std::size_t n = from; n < to; ++n) {
        const double w = 2 * M_PI * f * static_cast<double>(n) / rate;
        const double s = std::sin(w), c = std::cos(w);
        ss += s * s;
        cc += c * c;
        sc += s * c;
        ys += y[n] * s;
        yc += y[n] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det;  // y = a sin + b cos = A sin(w + phi)
    const double b = (yc * ss - ys * sc) / det;
    db = 20 * std::log10(std::hypot(a, b));
    deg = std::atan2(b, a) * 180 / M_PI;
}

TEST(ListenFilter, SineComesOutAtTheSplCurvesLevelAndPhase) {
    SolvedExample ex("TwoWay.bkt");
    ASSERT_TRUE(ex.messages.Messages.empty());
    const struct {
        double rate, f;
        bool keepDelay;
    } cases[] = {{48000, 1000, true}, {48000, 1000, false}, {44100, 1000, true},  {96000, 1000, false},
                 {44100, 100, true},  {48000, 3000, false}, {96000, 12000, true}, {48000, 40, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.f << " Hz sine, keep " << c.keepDelay);
        TListenFilterOptions o;
        o.SampleRate = c.rate;
        o.KeepDelay = c.keepDelay;
        TListenFilter filter;
        std::string error;
        ASSERT_TRUE(BuildListenFilter(ex.response, o, filter, error)) << error;

        const auto n = static_cast<std::size_t>(2 * c.rate);
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = 0.5 * std::sin(2 * M_PI * c.f * static_cast<double>(i) / c.rate);
        const std::vector<double> y = FilterSamples(&filter, 1, x);
        ASSERT_EQ(y.size(), n);
        double db, deg;
        SineFit(y, c.f, c.rate, n / 4, 3 * n / 4, db, deg);
        db -= 20 * std::log10(0.5);

        double wantDb, wantDeg;
        CurveAt(ex.SplLevel(), ex.SplPhase(), c.f, wantDb, wantDeg);
        // The pass band plays at the input's level; taking the delay out
        // advances the phase by 360 f delay.
        wantDb -= LinToDb(filter.ReferenceLevel);
        wantDeg += 360 * c.f * filter.RemovedDelay;
        EXPECT_NEAR(db, wantDb, 0.1);
        EXPECT_NEAR(std::remainder(deg - wantDeg, 360.0), 0.0, 1.0);
    }
}

// The impulse curve's transform samples h_e (unscaled inverse transform of
// 16384 bins at 192 kHz) as a band-limited function of time: its
// trigonometric interpolation.
struct ImpulseCurve {
    std::vector<std::complex<double>> bins;  // 0 ... 8192

    explicit ImpulseCurve(const TChartCurve& c) {
        DataArray re(ImpulseLength, 0.0), im(ImpulseLength, 0.0);
        for (std::size_t i = 0; i < c.Count(); ++i) {
            const auto n = static_cast<long>(std::lround(c.X[i] * 192.0));
            re[static_cast<std::size_t>((n + static_cast<long>(ImpulseLength)) % static_cast<long>(ImpulseLength))] =
                c.Y[i];
        }
        ForwardFFT(re, im);
        for (std::size_t k = 0; k < ImpulseBins; ++k) bins.emplace_back(re[k], im[k]);
    }
    // h_e at t seconds.
    double At(double t) const {
        double sum = bins[0].real() + bins[ImpulseBins - 1].real() * std::cos(M_PI * ImpulseSampleRate * t);
        for (std::size_t k = 1; k + 1 < ImpulseBins; ++k)
            sum += 2 * (bins[k] * std::polar(1.0, 2 * M_PI * static_cast<double>(k) * ImpulseBinHz * t)).real();
        return sum / static_cast<double>(ImpulseLength);
    }
};

TEST(ListenFilter, UnitImpulseComesOutAsTheImpulseCurve) {
    SolvedExample ex("TwoWay.bkt");
    ASSERT_EQ(ex.Impulse().Count(), ImpulseLength);
    const ImpulseCurve curve(ex.Impulse());
    for (const double rate : {44100.0, 48000.0, 96000.0}) {
        SCOPED_TRACE(rate);
        TListenFilterOptions o;
        o.SampleRate = rate;
        o.KeepDelay = true;  // the curve's time 0
        TListenFilter filter;
        std::string error;
        ASSERT_TRUE(BuildListenFilter(ex.response, o, filter, error)) << error;
        const auto at = static_cast<std::size_t>(0.01 * rate);  // the impulse, 10 ms in
        std::vector<double> x(static_cast<std::size_t>(0.2 * rate), 0.0);
        x[at] = 1.0;
        const std::vector<double> y = FilterSamples(&filter, 1, x);
        // A response h(t) sampled at rate r gives taps h(t) / r; the curve's
        // samples are 16384 / 192000 of h(t); the filter is divided by the
        // pass-band level.
        const double toCurve = filter.ReferenceLevel * rate * ImpulseLength / ImpulseSampleRate;
        double peak = 0, worst = 0, worstAt = 0;
        for (double t = -0.0015; t < 0.02; t += 1 / rate) {
            const auto m = static_cast<std::ptrdiff_t>(std::lround(t * rate));
            const double want = curve.At(static_cast<double>(m) / rate);
            const double got = y[static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + m)] * toCurve;
            peak = std::max(peak, std::fabs(want));
            if (std::fabs(got - want) > worst) {
                worst = std::fabs(got - want);
                worstAt = t;
            }
        }
        EXPECT_LT(worst, 1e-3 * peak) << "at " << worstAt * 1000 << " ms";
    }
}

// The filter's gain (dB) at f, its latency taken out.
double GainDb(const TListenFilter& filter, double f) {
    std::complex<double> sum = 0;
    for (std::size_t j = 0; j < filter.Taps.size(); ++j)
        sum += filter.Taps[j] * std::polar(1.0, -2 * M_PI * f * static_cast<double>(j) / filter.SampleRate);
    return 20 * std::log10(std::abs(sum));
}

// A response on the analysis grid: level(f) in dB, phase(f) in degrees.
template <class Level, class Phase>
TListenResponse Response(Level level, Phase phase) {
    TListenResponse r;
    MakeLogGrid(r.Freq);
    for (double f : r.Freq) {
        r.Mag.push_back(DbToLin(level(f)));
        r.Phase.push_back(WrapAngle(phase(f)));
    }
    return r;
}

// A second-order Butterworth section at fc: high-pass or low-pass, in dB.
double Butterworth(double f, double fc, bool high) {
    const double x = high ? fc / f : f / fc;
    return -10 * std::log10(1 + x * x * x * x);
}

TEST(ListenFilter, PassBandPlaysAtTheRecordingsLevel) {
    const auto none = [](double) { return 0.0; };
    const struct {
        const char* what;
        TListenResponse r;
        double passHz, passDb, stopHz, stopDb;
    } cases[] = {
        {"flat", Response([](double) { return 87.0; }, none), 1000, 0, 30, 0},
        {"tweeter", Response([](double f) { return 91 + Butterworth(f, 2000, true); }, none), 8000, 0, 200, -40},
        {"woofer", Response([](double f) { return 84 + Butterworth(f, 1500, false); }, none), 300, 0, 12000, -36},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TListenFilter filter;
        std::string error;
        ASSERT_TRUE(BuildListenFilter(c.r, {}, filter, error)) << error;
        EXPECT_NEAR(GainDb(filter, c.passHz), c.passDb, 0.2);
        EXPECT_NEAR(GainDb(filter, c.stopHz), c.stopDb, 0.5);
    }
}

TEST(ListenFilter, DelayTakenOutOrKept) {
    const double rate = 48000;
    for (const double delay : {0.003, -0.002, 0.0})
        for (const bool keep : {false, true}) {
            SCOPED_TRACE(testing::Message() << delay * 1000 << " ms, keep " << keep);
            const TListenResponse r = Response([](double) { return 85.0; }, [&](double f) { return -360 * f * delay; });
            TListenFilterOptions o;
            o.SampleRate = rate;
            o.KeepDelay = keep;
            TListenFilter filter;
            std::string error;
            ASSERT_TRUE(BuildListenFilter(r, o, filter, error)) << error;
            const double whole = std::round(delay * rate) / rate;
            EXPECT_DOUBLE_EQ(filter.RemovedDelay, keep ? 0.0 : whole);
            EXPECT_DOUBLE_EQ(filter.Arrival, keep ? whole : 0.0);
            // The pre-arrival part is kept even when the arrival is early.
            EXPECT_EQ(filter.Latency, static_cast<std::size_t>(0.02 * rate) +
                                          (keep && delay < 0 ? static_cast<std::size_t>(-delay * rate) : 0));
            const auto peak = std::max_element(filter.Taps.begin(), filter.Taps.end(),
                                               [](double a, double b) { return std::fabs(a) < std::fabs(b); });
            EXPECT_EQ(peak - filter.Taps.begin(),
                      static_cast<std::ptrdiff_t>(filter.Latency) + std::lround(filter.Arrival * rate));
        }
}

TEST(ListenFilter, RefusesWhatCannotBeListenedTo) {
    const TListenResponse good = Response([](double) { return 85.0; }, [](double) { return 0.0; });
    TListenResponse silent = good, short1 = good, nan = good, mismatched = good;
    std::fill(silent.Mag.begin(), silent.Mag.end(), 0.0);
    short1.Freq.resize(1);
    short1.Mag.resize(1);
    short1.Phase.resize(1);
    nan.Phase[17] = std::nan("");
    mismatched.Mag.pop_back();
    const struct {
        const TListenResponse* r;
        double rate;
        const char* says;
    } cases[] = {
        {&silent, 48000, "its summed response is silent"}, {&short1, 48000, "incomplete or not a number"},
        {&nan, 48000, "incomplete or not a number"},       {&mismatched, 48000, "incomplete or not a number"},
        {&good, 4000, "sample rates from 8000 to 192000"}, {&good, 384000, "sample rates from 8000 to 192000"},
    };
    for (const auto& c : cases) {
        TListenFilterOptions o;
        o.SampleRate = c.rate;
        TListenFilter filter;
        std::string error;
        EXPECT_FALSE(BuildListenFilter(*c.r, o, filter, error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }

    // The result of a solve that solved nothing, and of one where every
    // driver is silent.
    TDesign d;
    EnsureAnalysisGrid(d);
    TSolveResult result;
    TListenResponse r;
    std::string error;
    EXPECT_FALSE(SystemResponse(d, result, r, error));
    EXPECT_NE(error.find("nothing could be solved"), std::string::npos) << error;
    result.System.Mag.assign(d.Grid.size(), 0.0);
    result.System.Phase.assign(d.Grid.size(), 0.0);
    EXPECT_FALSE(SystemResponse(d, result, r, error));
    EXPECT_NE(error.find("silent"), std::string::npos) << error;
}

}  // namespace
