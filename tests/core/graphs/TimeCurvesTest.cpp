#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "CircuitBuilder.h"
#include "TestSupport.h"
#include "engine/SolveResult.h"
#include "engine/TimeResponse.h"
#include "graphs/CurvePoints.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/Elements.h"

using namespace pelmo;

namespace {

// Degrees of a pure delay, wrapped into +-180 as the acoustic sum stores them.
double DelayPhase(double f, double seconds) { return std::remainder(-360.0 * f * seconds, 360.0); }

// A design whose solve has left a flat response of magnitude `mag` with a
// pure delay, in the system response and in one driver's contribution.
struct Fixture {
    TDesign d;
    TDriver* drv = nullptr;
    TGraphList graphs;
    std::vector<std::unique_ptr<TGraphRecord>> windows;
    TSolveResult result;
    std::array<TCurveWork, 2> work;
    test::RecordingMessageSink sink;

    explicit Fixture(double mag = 1.0, double delay = 0.0) {
        EnsureAnalysisGrid(d);
        d.Drivers.push_back(std::make_unique<TDriver>());
        drv = d.Drivers.back().get();
        result.Grid = d.Grid;
        result.OctavesPerStep = d.OctavesPerStep;
        SetResponse(mag, delay);
    }
    void SetResponse(double mag, double delay) {
        result.System.Mag.assign(d.Grid.size(), mag);
        result.System.Phase.resize(d.Grid.size());
        for (std::size_t k = 0; k < d.Grid.size(); ++k) result.System.Phase[k] = DelayPhase(d.Grid[k], delay);
        result.DriverContribution = {result.System};
    }
    // The transform's spectrum of the last impulse or step curve.
    const TTimeResponseWork& Transform() const { return work[0].Time; }
    // A window with one curve: the System curve (driver == false) or the driver's.
    TGraphRecord& Window(TGraphKind kind, bool driver, double scale, bool autoScale = false) {
        windows.push_back(std::make_unique<TGraphRecord>(kind));
        TGraphRecord& g = *windows.back();
        g.Curves.emplace_back();
        g.Curves.back().Name = driver ? "S1" : "System";
        if (driver) ShowsTheDriver(g.Curves.back());
        g.ResponseScale = scale;
        g.AutoScalePending = autoScale;
        graphs.Add(&g);
        return g;
    }
    static void ShowsTheDriver(TSeriesDef& c) {
        c.Subject.Kind = TSubjectKind::Driver;
        c.Element = 0;
    }
    void Run() { FillCurves(d, result, graphs, work, sink); }
};

double MaxAbs(const DataArray& y) {
    double m = 0;
    for (double v : y) m = std::max(m, std::fabs(v));
    return m;
}

TEST(SquareWave, FlatResponseWithADelayIsCentredOnZero) {
    // 0.09 ms keeps the wrap of the stored phase away from every harmonic.
    for (const double f0 : {1000.0, 5000.0}) {
        Fixture fx(2.0, 0.00009);
        TGraphRecord& g = fx.Window(TGraphKind::SquareWave, false, SquareWaveDivisor);  // plotted = sum
        g.TestFrequency = f0;
        fx.Run();
        const TChartCurve& c = g.Curves[0].MagSeries;
        ASSERT_EQ(c.Count(), 401u);
        EXPECT_EQ(c.X.front(), -200);
        EXPECT_EQ(c.X.back(), 200);
        for (std::size_t i = 0; i < 401; ++i) {
            const double t = c.X[i];
            // Harmonics up to 20 kHz only: at 1 kHz 1 ... 19, at 5 kHz 1 and 3.
            double want = 0;
            for (int k = 1; k * f0 <= 20000; k += 2) want += 2.0 / k * std::sin(k * t * 2 * M_PI / 200);
            ASSERT_NEAR(c.Y[i], want, 0.02) << f0 << " t " << t;
            ASSERT_NEAR(c.Y[i], -c.Y[400 - i], 0.02) << t;
        }
        EXPECT_NEAR(c.Y[250], 2 * M_PI / 4, f0 == 1000 ? 0.06 : 0.25);  // a quarter period in
    }
}

// A delay long enough for the stored phase to wrap between many pairs of
// grid points: every test frequency still gives the delay-free square wave
// (each harmonic's phase read off the unwrapped phase).
TEST(SquareWave, HarmonicsBetweenWrapsOfTheStoredPhase) {
    Fixture fx(2.0, 0.001);
    TGraphRecord& g = fx.Window(TGraphKind::SquareWave, false, SquareWaveDivisor);
    for (const double f0 : {163.2, 679.0, 1136.2, 3376.6, 1000.0, 257.0}) {
        g.TestFrequency = f0;
        fx.Run();
        const TChartCurve& c = g.Curves[0].MagSeries;
        ASSERT_EQ(c.Count(), 401u);
        double worst = 0;
        for (std::size_t i = 0; i < 401; ++i) {
            double want = 0;
            for (int k = 1; k <= 21 && k * f0 <= 20000; k += 2) want += 2.0 / k * std::sin(k * c.X[i] * 2 * M_PI / 200);
            worst = std::max(worst, std::fabs(c.Y[i] - want));
        }
        EXPECT_LT(worst, 0.02) << f0;
    }
}

TEST(SquareWave, AutomaticScaleAndItsEdges) {
    Fixture fx(3162.0, 0.0001);
    TGraphRecord& g = fx.Window(TGraphKind::SquareWave, false, 1.0, true);
    fx.Run();
    EXPECT_FALSE(g.AutoScalePending);
    EXPECT_EQ(g.ResponseScale, std::trunc(g.ResponseScale));
    const double first = g.ResponseScale;
    EXPECT_NEAR(MaxAbs(g.Curves[0].MagSeries.Y), 60, 60 / g.ResponseScale);
    EXPECT_EQ(g.Curves[0].MagSeries.Count(), 401u);
    fx.Run();  // later solves keep the scale
    EXPECT_EQ(g.ResponseScale, first);

    // An all-zero response: the peak floor gives 1.2e16 and zeros.
    Fixture zero(0.0);
    TGraphRecord& z = zero.Window(TGraphKind::SquareWave, false, 1.0, true);
    zero.Run();
    EXPECT_EQ(z.ResponseScale, 1.2e16);
    EXPECT_EQ(MaxAbs(z.Curves[0].MagSeries.Y), 0);

    // With a second curve the pending flag picks no scale and plots nothing.
    Fixture two(1.0);
    TGraphRecord& w = two.Window(TGraphKind::SquareWave, false, 5.0, true);
    w.Curves.emplace_back();
    Fixture::ShowsTheDriver(w.Curves.back());
    two.Run();
    EXPECT_TRUE(w.AutoScalePending);
    EXPECT_EQ(w.ResponseScale, 5.0);
    EXPECT_TRUE(w.Curves[0].MagSeries.Empty());
}

// The plotted impulse of the window's one curve, as samples per time.
std::size_t PeakIndex(const TChartCurve& c) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < c.Count(); ++i)
        if (std::fabs(c.Y[i]) > std::fabs(c.Y[best])) best = i;
    return best;
}

TEST(Impulse, DelayMovesThePeakAndTheSamplesSumToZero) {
    Fixture now(1000.0, 0.0), later(1000.0, 0.001);
    TGraphRecord& a = now.Window(TGraphKind::Impulse, true, ImpulseDivisor);  // plotted = sample
    TGraphRecord& b = later.Window(TGraphKind::Impulse, true, ImpulseDivisor);
    now.Run();
    later.Run();
    const TChartCurve& ca = a.Curves[0].MagSeries;
    const TChartCurve& cb = b.Curves[0].MagSeries;
    ASSERT_EQ(ca.Count(), 16384u);
    EXPECT_TRUE(GraphKindDescriptor(TGraphKind::Impulse).ThinLines);
    EXPECT_NEAR(ca.X.front(), -290.0 / 192, 1e-12);  // from -1.51 ms
    EXPECT_NEAR(ca.X.back(), 16093.0 / 192, 1e-12);
    EXPECT_EQ(ca.X[290], 0.0);
    EXPECT_EQ(ca.X[PeakIndex(ca)], 0.0);
    EXPECT_NEAR(cb.X[PeakIndex(cb)], 1.0, 1e-12);  // 192 samples later
    // Above 20 kHz the phase carries on with the delay's -0.36 degrees per Hz.
    for (std::size_t b = 1707; b + 1 < ImpulseBins; ++b)
        ASSERT_NEAR(
            std::remainder(later.Transform().Phase[b + 1] - later.Transform().Phase[b] + 0.36 * ImpulseBinHz, 360), 0,
            1e-6)
            << b;
    // The 0 Hz bin is empty: the samples sum to 0.
    double sum = 0;
    for (double y : cb.Y) sum += y;
    EXPECT_LT(std::fabs(sum), 1e-9 * MaxAbs(cb.Y));
}

// The stored phase is wrapped into +-180; the spectrum takes it unwrapped,
// so that a delay's phase comes out as its straight line in every bin below
// the last grid step (19.7 kHz; above it the roll-off's constant phase
// bends the curve), not with made-up values where the stored phase jumps.
TEST(Impulse, ResamplesThePhaseUnwrapped) {
    for (const double delay : {0.0003, 0.001}) {
        Fixture fx(1000.0, delay);
        fx.Window(TGraphKind::Impulse, false, ImpulseDivisor);
        fx.Run();
        double worst = 0;
        for (std::size_t b = 2; b <= 1680; ++b) {
            const double f = static_cast<double>(b) * ImpulseBinHz;
            worst = std::max(worst, std::fabs(std::remainder(fx.Transform().Phase[b] + 360.0 * f * delay, 360.0)));
        }
        EXPECT_LT(worst, 1e-6) << delay;
    }
}

TEST(Step, IsTheRunningSumOfTheImpulse) {
    Fixture fx(500.0, 0.0003);
    TGraphRecord& imp = fx.Window(TGraphKind::Impulse, false, ImpulseDivisor);
    TGraphRecord& step = fx.Window(TGraphKind::Step, false, StepDivisor);
    fx.Run();
    const TChartCurve& h = imp.Curves[0].MagSeries;
    const TChartCurve& s = step.Curves[0].MagSeries;
    ASSERT_EQ(s.Count(), 288u + 5761u);
    EXPECT_NEAR(s.X.front(), -288.0 / 192, 1e-12);
    EXPECT_NEAR(s.X.back(), 30.0, 1e-12);
    // The impulse plot starts two samples earlier than the step.
    double sum = 0;
    for (std::size_t i = 0; i < s.Count(); ++i) {
        sum += h.Y[i + 2];
        ASSERT_NEAR(s.Y[i], sum, 1e-9 * MaxAbs(h.Y)) << s.X[i];
    }
}

// A source shown in several impulse and step curves is transformed once per
// pass; every curve must still show its own source's response of this pass.
TEST(ImpulseAndStep, CurvesSharingASourceShowWhatEachWouldAlone) {
    struct Response {
        double systemMag, systemDelay, driverMag, driverDelay;
    };
    const Response passes[] = {{1000.0, 0.0003, 300.0, 0.001}, {200.0, 0.002, 800.0, 0.0}};
    Fixture together;
    std::vector<std::pair<TGraphKind, bool>> layout = {{TGraphKind::Impulse, false},
                                                       {TGraphKind::Impulse, true},
                                                       {TGraphKind::Step, true},
                                                       {TGraphKind::Step, false},
                                                       {TGraphKind::Impulse, false}};
    TGraphRecord& imp = together.Window(TGraphKind::Impulse, false, ImpulseDivisor);
    imp.Curves.push_back(imp.Curves[0]);
    imp.Curves[1].Name = "S1";
    Fixture::ShowsTheDriver(imp.Curves[1]);
    TGraphRecord& step = together.Window(TGraphKind::Step, true, StepDivisor);
    step.Curves.push_back(imp.Curves[0]);
    TGraphRecord& imp2 = together.Window(TGraphKind::Impulse, false, ImpulseDivisor);
    const TChartCurve* shown[] = {&imp.Curves[0].MagSeries, &imp.Curves[1].MagSeries, &step.Curves[0].MagSeries,
                                  &step.Curves[1].MagSeries, &imp2.Curves[0].MagSeries};
    for (const Response& r : passes) {
        auto set = [&r](Fixture& fx) {
            fx.SetResponse(r.driverMag, r.driverDelay);
            const TMagPhase driver = fx.result.DriverContribution[0];
            fx.SetResponse(r.systemMag, r.systemDelay);
            fx.result.DriverContribution[0] = driver;
        };
        set(together);
        together.Run();
        for (std::size_t i = 0; i < layout.size(); ++i) {
            Fixture alone;
            set(alone);
            const auto [kind, driver] = layout[i];
            const TGraphRecord& g =
                alone.Window(kind, driver, kind == TGraphKind::Impulse ? ImpulseDivisor : StepDivisor);
            alone.Run();
            ASSERT_FALSE(g.Curves[0].MagSeries.Empty());
            EXPECT_EQ(shown[i]->Y, g.Curves[0].MagSeries.Y) << "curve " << i << " at " << r.systemMag;
        }
    }
}

TEST(ImpulseAndStep, AutomaticScaleOfTheSystemCurve) {
    for (const TGraphKind kind : {TGraphKind::Impulse, TGraphKind::Step}) {
        Fixture fx(3162.0, 0.0002);
        TGraphRecord& sys = fx.Window(kind, false, 1.0, true);
        TGraphRecord& drv = fx.Window(kind, true, 7.0, true);  // driver curves never pick a scale
        fx.Run();
        EXPECT_FALSE(sys.AutoScalePending);
        EXPECT_EQ(sys.ResponseScale, std::trunc(sys.ResponseScale));
        EXPECT_GT(sys.ResponseScale, 1);
        EXPECT_NEAR(MaxAbs(sys.Curves[0].MagSeries.Y), 27, 27 / sys.ResponseScale + 1e-9);
        EXPECT_TRUE(drv.AutoScalePending);
        EXPECT_EQ(drv.ResponseScale, 7.0);
        EXPECT_FALSE(drv.Curves[0].MagSeries.Empty());
        const double first = sys.ResponseScale;
        fx.SetResponse(100.0, 0.0002);
        fx.Run();
        EXPECT_EQ(sys.ResponseScale, first);
    }
}

TEST(ImpulseAndStep, NothingToScaleGivesTheTopOfTheIntegerRange) {
    // Every driver muted: a response of zeros. trunc(K / 1e-9) lies beyond a
    // signed 64-bit integer; the scale stops at the largest whole double below 2^63.
    for (const TGraphKind kind : {TGraphKind::Impulse, TGraphKind::Step}) {
        Fixture fx(0.0);
        TGraphRecord& g = fx.Window(kind, false, 1.0, true);
        fx.Run();
        EXPECT_FALSE(g.AutoScalePending);
        EXPECT_EQ(g.ResponseScale, 9223372036854774784.0);
        EXPECT_EQ(static_cast<double>(static_cast<std::int64_t>(g.ResponseScale)), g.ResponseScale);
        EXPECT_EQ(MaxAbs(g.Curves[0].MagSeries.Y), 0);
    }
    EXPECT_EQ(AutomaticResponseScale(ImpulseAutoScale, 1.5e-9), std::trunc(ImpulseAutoScale / 1.5e-9));
    EXPECT_EQ(AutomaticResponseScale(ImpulseAutoScale, 2e10), 0);  // a peak above the constant
    EXPECT_EQ(AutomaticResponseScale(SquareWaveAutoScale, 3), 4000000);
}

TEST(TimeResponses, CurvesWithoutDataGetNoPoints) {
    Fixture fx(1.0);
    fx.result.DriverContribution[0].clear();
    std::vector<TGraphRecord*> ws;
    for (const TGraphKind kind : {TGraphKind::SquareWave, TGraphKind::Impulse, TGraphKind::Step}) {
        TGraphRecord& g = fx.Window(kind, true, 1.0, true);
        g.Curves.emplace_back();
        g.Curves.back().Subject.Kind = TSubjectKind::Part;
        g.Curves.back().Element = 0;
        ws.push_back(&g);
    }
    fx.result.System.clear();  // no frequency solved
    TGraphRecord& sys = fx.Window(TGraphKind::Impulse, false, 1.0, true);
    fx.Run();
    for (TGraphRecord* g : ws) {
        for (const TSeriesDef& c : g->Curves) EXPECT_TRUE(c.MagSeries.Empty());
        EXPECT_TRUE(g->AutoScalePending);
    }
    EXPECT_TRUE(sys.Curves[0].MagSeries.Empty());
    EXPECT_TRUE(sys.AutoScalePending);
}

// Through the whole solve: a driver straight across the source.
TEST(TimeResponses, FollowTheSolve) {
    test::CircuitBuilder c;
    c.Ground();
    TDriver& drv = c.Driver(1, 0, 8);
    test::SingleCurve sys(c.d, TGraphKind::Impulse, "System");  // added automatically: picks its scale
    test::SingleCurve one(c.d, TGraphKind::Impulse, "S1");
    one.Record.AutoScalePending = false;
    one.Record.ResponseScale = ImpulseDivisor;  // plotted = sample
    test::SingleCurve square(c.d, TGraphKind::SquareWave, "System");
    sys.Solve();
    one.Solve();
    square.Solve();
    EXPECT_FALSE(sys.Record.AutoScalePending);
    EXPECT_EQ(sys.Record.ResponseScale, std::trunc(sys.Record.ResponseScale));
    // Cutting the scale to a whole number costs at most one part in the scale.
    EXPECT_NEAR(MaxAbs(sys.Curve().MagSeries.Y), 27, 27 / sys.Record.ResponseScale);
    EXPECT_NEAR(MaxAbs(square.Curve().MagSeries.Y), 60, 60 / square.Record.ResponseScale);
    const std::size_t atZero = PeakIndex(one.Curve().MagSeries);
    EXPECT_EQ(one.Curve().MagSeries.X[atZero], 0.0);

    drv.DelaySeconds = 0.001;
    one.Solve();
    EXPECT_NEAR(one.Curve().MagSeries.X[PeakIndex(one.Curve().MagSeries)], 1.0, 1e-12);

    // Muted: nothing to scale by; the new window's scale stays a whole number.
    drv.Muted = true;
    test::SingleCurve muted(c.d, TGraphKind::Step, "System");
    muted.Solve();
    EXPECT_FALSE(muted.Record.AutoScalePending);
    EXPECT_EQ(muted.Record.ResponseScale, 9223372036854774784.0);
    EXPECT_EQ(MaxAbs(muted.Curve().MagSeries.Y), 0);
}

}  // namespace
