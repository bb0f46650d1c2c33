// Closed-form checks of the whole solve: impedances, lookback, filter,
// power, acoustic sum, delays, and what the solve does with odd designs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "CircuitBuilder.h"
#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "engine/Smoothing.h"
#include "engine/Sweep.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;
using pelmo::test::SingleCurve;

namespace {

// Solves once with one window per (kind, name) and returns the windows.
struct Windows {
    explicit Windows(TDesign& d) : D(d) {}
    TGraphRecord& Add(TGraphKind kind, const std::string& name, double smoothing = 0.0) {
        records.push_back(std::make_unique<TGraphRecord>(kind));
        TSeriesDef& c = AddCurve(*records.back(), D, name, true);
        c.ShowPhase = KindHasPhase(kind);
        c.Smoothing = smoothing;
        graphs.Add(records.back().get());
        return *records.back();
    }
    void Solve() {
        SilentMessageSink silent;
        SolveGraphs(D, graphs, solve, silent);
    }
    const TSeriesDef& Curve(std::size_t i) const { return records.at(i)->Curves.at(0); }

    TDesign& D;
    std::vector<std::unique_ptr<TGraphRecord>> records;
    TGraphList graphs;
    TGraphSolve solve;
};

void ExpectAll(const TChartCurve& c, double value, double tol, const char* what) {
    ASSERT_EQ(c.Count(), static_cast<std::size_t>(AnalysisPoints)) << what;
    double worst = 0;
    for (double y : c.Y) worst = std::max(worst, std::fabs(y - value));
    EXPECT_LE(worst, tol) << what << " expected " << value;
}

// Driver S1 (8 ohm, flat 70 dB) behind an optional series resistor.
void DriverBehind(CircuitBuilder& c, double seriesOhms) {
    c.Ground();
    if (seriesOhms > 0) {
        c.R(1, 2, seriesOhms);
        c.Driver(2, 0, 8);
    } else {
        c.Driver(1, 0, 8);
    }
}

}  // namespace

TEST(Solve, DriverAcrossTheSourceAndBehindSixOhms) {
    struct Case {
        double series, lookback, system, filterDb;
    };
    for (const Case tc :
         {Case{0, 0.001, 8, 20 * std::log10(8 / 8.001)}, Case{6, 6.001, 14, 20 * std::log10(8 / 14.001)}}) {
        SCOPED_TRACE(tc.series);
        CircuitBuilder c;
        DriverBehind(c, tc.series);
        Windows w(c.d);
        w.Add(TGraphKind::Impedance, "S1 (driver only)");
        w.Add(TGraphKind::Impedance, "S1 (lookback)");
        w.Add(TGraphKind::Impedance, "System");
        w.Add(TGraphKind::Filter, "S1");
        w.Add(TGraphKind::Voltage, "S1");
        w.Solve();
        ExpectAll(w.Curve(0).MagSeries, 8.0, 1e-12, "driver impedance");
        ExpectAll(w.Curve(0).PhaseSeries, 0.0, 1e-12, "driver impedance phase");
        ExpectAll(w.Curve(1).MagSeries, tc.lookback, 1e-9 * tc.lookback, "lookback impedance");
        ExpectAll(w.Curve(2).MagSeries, tc.system, 1e-9 * tc.system, "system impedance");
        ExpectAll(w.Curve(2).PhaseSeries, 0.0, 1e-9, "system impedance phase");
        ExpectAll(w.Curve(3).MagSeries, tc.filterDb, 1e-9, "filter response");
        const double volts = std::sqrt(8.0) * 1.4142135624 * std::pow(10.0, tc.filterDb / 20);
        ExpectAll(w.Curve(4).MagSeries, volts, 1e-9, "driver voltage (peak)");
        EXPECT_TRUE(w.solve.Context.DriverLookback.at(0));
    }
    EXPECT_NEAR(20 * std::log10(8 / 14.001), -4.86, 0.005);
}

TEST(Solve, PowerCurrentAndMutedDriver) {
    CircuitBuilder c;
    c.Ground();
    c.R(1, 0, 8);
    TDriver& drv = c.Driver(1, 0, 8);
    drv.Muted = true;
    Windows w(c.d);
    w.Add(TGraphKind::Power, "R1");
    w.Add(TGraphKind::Current, "R1");
    w.Add(TGraphKind::Voltage, "S1");
    w.Add(TGraphKind::Current, "S1");
    w.Add(TGraphKind::Power, "S1");
    w.Add(TGraphKind::Filter, "S1");
    w.Add(TGraphKind::Impedance, "S1 (driver only)");
    w.Add(TGraphKind::Impedance, "S1 (lookback)");
    w.Solve();
    // 2.83 V across 8 ohms (and the 4 ohms of both loads behind 1 mohm).
    const double v = 4.0 / 4.001;
    ExpectAll(w.Curve(0).MagSeries, 8.0 * v * v / 8.0, 1e-12, "resistor power");
    EXPECT_NEAR(w.Curve(0).MagSeries.Y[0], 1.0, 1e-3);
    EXPECT_TRUE(w.Curve(0).PhaseSeries.Empty());  // power has no phase
    ExpectAll(w.Curve(1).MagSeries, std::sqrt(8.0) * v / 8.0, 1e-12, "resistor current");
    ExpectAll(w.Curve(2).MagSeries, 0.0, 0.0, "muted voltage");
    ExpectAll(w.Curve(3).MagSeries, 0.0, 0.0, "muted current");
    ExpectAll(w.Curve(4).MagSeries, 0.0, 0.0, "muted power");
    ExpectAll(w.Curve(5).MagSeries, -2000000.0, 0.0, "muted filter response");
    ExpectAll(w.Curve(6).MagSeries, 8.0, 1e-12, "muted driver's own impedance");
    EXPECT_TRUE(w.Curve(7).MagSeries.Empty());  // no lookback through a muted driver
}

TEST(Solve, AcousticSumLevelsInversionAndMuting) {
    auto systemDb = [](TDesign& d) {
        SingleCurve spl(d, TGraphKind::SPL, "System");
        spl.Solve();
        return spl.Curve().MagSeries.Y;
    };
    CircuitBuilder one;
    DriverBehind(one, 0);
    const double drop = 20 * std::log10(8 / 8.001);
    const DataArray single = systemDb(one.d);
    ASSERT_EQ(single.size(), 500u);
    for (double y : single) EXPECT_NEAR(y, 70.0 + drop, 1e-9);

    one.d.Source.Vrms *= 2;
    for (double y : systemDb(one.d)) EXPECT_NEAR(y, 70.0 + drop + 20 * std::log10(2.0), 1e-9);

    CircuitBuilder two;
    two.Ground();
    two.Driver(1, 0, 8);
    TDriver& second = two.Driver(1, 0, 8);
    second.Inverted = true;
    for (double y : systemDb(two.d)) EXPECT_LT(y, -100.0);
    second.Inverted = false;
    second.Muted = true;
    const double dropTwo = 20 * std::log10(4 / 4.001);
    for (double y : systemDb(two.d)) EXPECT_NEAR(y, 70.0 + dropTwo, 1e-9);
}

TEST(Solve, DelaysAndSourceInversionShiftThePhase) {
    CircuitBuilder c;
    DriverBehind(c, 0);
    TDriver& drv = *c.d.Drivers[0];
    SingleCurve plain(c.d, TGraphKind::SPL, "S1");
    plain.Solve();
    const DataArray before = plain.Result().DriverPhase.at(0);
    drv.DelaySeconds = 0.001;
    c.d.Source.Inverted = true;
    plain.Solve();
    for (std::size_t k = 0; k < before.size(); ++k) {
        const double f = c.d.Grid[k];
        const double expected = WrapAngle(before[k] - 360.0 * f * 0.001 + 180.0);
        EXPECT_NEAR(WrapAngle(plain.Result().DriverPhase[0][k] - expected), 0.0, 1e-7) << f;
    }
    // The SPL phase curve shows the stored, wrapped phase.
    for (double p : plain.Curve().PhaseSeries.Y) EXPECT_LE(std::fabs(p), 180.0);
}

TEST(Solve, PureDelayGivesItsGroupDelay) {
    CircuitBuilder c;
    DriverBehind(c, 0);
    c.d.Drivers[0]->DelaySeconds = 100e-6;
    Windows w(c.d);
    w.Add(TGraphKind::GroupDelay, "S1");
    w.Add(TGraphKind::GroupDelay, "System");
    w.Solve();
    for (std::size_t i = 0; i < 2; ++i) {
        const TChartCurve& tau = w.Curve(i).MagSeries;
        ASSERT_EQ(tau.Count(), 500u);
        EXPECT_TRUE(w.Curve(i).PhaseSeries.Empty());
        // Smoothing a phase that is linear in f along a log grid raises it by
        // the smoother's gain for a growth of one grid ratio per step: 1.5 %
        // for the 1/6-octave smoother. The ends carry its start-up.
        for (std::size_t k = 0; k < 500; ++k) {
            if (tau.X[k] >= 20 && tau.X[k] <= 7000) {
                EXPECT_NEAR(tau.Y[k], 100.0, 1.6) << tau.X[k];
            }
            if (tau.X[k] >= 50 && tau.X[k] <= 2500) {
                EXPECT_NEAR(tau.Y[k], 101.504, 0.001) << tau.X[k];
            }
        }
    }
}

TEST(Solve, UnsolvableDesignsLeaveCurvesEmpty) {
    // A source that touches nothing, with a ground symbol elsewhere.
    CircuitBuilder c;
    c.Ground(3);
    c.R(3, 4, 8);
    c.Driver(4, 3, 8);
    Windows w(c.d);
    w.Add(TGraphKind::SPL, "System");
    w.Add(TGraphKind::SPL, "S1");
    w.Add(TGraphKind::Impedance, "System");
    w.Add(TGraphKind::GroupDelay, "System");
    w.Solve();
    for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(w.Curve(i).MagSeries.Empty()) << i;
    EXPECT_TRUE(w.solve.Result.DriverMag.at(0).empty());
    EXPECT_TRUE(w.solve.Result.SystemMag.empty());

    // A design left with only a source (every part deleted) shows empty
    // curves, not the last design's.
    TDesign empty;
    TGraphRecord g(TGraphKind::SPL);
    AddCurve(g, empty, "System", true).MagSeries.Add(1, 2);
    TGraphList graphs;
    graphs.Add(&g);
    TGraphSolve solve;
    SilentMessageSink silent;
    SolveGraphs(empty, graphs, solve, silent);
    EXPECT_TRUE(g.Curves[0].MagSeries.Empty());
    EXPECT_TRUE(solve.Result.Solved);
    EXPECT_TRUE(solve.Result.SystemMag.empty());

    // In circuit-block design mode nothing is solved.
    CircuitBuilder blocks;
    DriverBehind(blocks, 0);
    blocks.d.BlockDesignMode = true;
    SingleCurve spl(blocks.d, TGraphKind::SPL, "System");
    spl.Solve();
    EXPECT_TRUE(spl.Curve().MagSeries.Empty());
}

TEST(Solve, PartAdmittances) {
    TPart p;
    const double w = 2 * 3.141592653589793 * 1000;
    struct Case {
        TPartType type;
        TPartState state;
        double value, esr;
        TComplex y;
    };
    const std::vector<Case> cases = {
        {TPartType::Resistor, TPartState::Normal, 8, 0.5, {0.125, 0}},  // a resistor's ESR is not used
        {TPartType::Resistor, TPartState::Shorted, 8, 0, {1e6, 0}},
        {TPartType::Capacitor, TPartState::Open, 1e-6, 0, {1e-4, 0}},
        {TPartType::Resistor, TPartState::Normal, 0, 0, {1e6, 0}},  // zero impedance counts as shorted
        {TPartType::Inductor, TPartState::Normal, 0, 0, {1e6, 0}},
        {TPartType::Capacitor, TPartState::Normal, 0, 0, {1e-4, 0}},  // 0 F: infinite impedance, open
        {TPartType::Inductor, TPartState::Normal, 1e-3, 0, CDiv(ComplexOne, {0, w * 1e-3})},
        {TPartType::Capacitor, TPartState::Normal, 1e-5, 0.1, CDiv(ComplexOne, {0.1, -1 / (w * 1e-5)})},
    };
    for (const Case& c : cases) {
        p.PartType = c.type;
        p.State = c.state;
        p.Value = c.value;
        p.ESR = c.esr;
        EXPECT_EQ(PartAdmittance(p, w), c.y) << ToInt(c.type) << " " << ToInt(c.state) << " " << c.value;
    }
    // A bound part uses its bound values.
    p = TPart{};
    p.PartType = TPartType::Resistor;
    p.State = TPartState::Normal;
    p.Value = 8;
    p.PartNumber = "R-123";
    p.BoundValue = 4;
    EXPECT_EQ(PartAdmittance(p, w), (TComplex{0.25, 0}));
}

TEST(Solve, DriverOnlyCurvesIgnoreTheNetwork) {
    CircuitBuilder c;
    DriverBehind(c, 6);
    TDriver& drv = *c.d.Drivers[0];
    for (std::size_t k = 0; k < 500; ++k) drv.Acoustic.Response.Re[k] = 1000.0 * (1 + 0.5 * std::sin(k * 0.05));
    SingleCurve only(c.d, TGraphKind::SPL, "S1 (driver only)");
    only.Solve();
    EXPECT_TRUE(only.Curve().DriverOnly());
    const DataArray first = only.Curve().MagSeries.Y;
    c.d.Parts[0]->Value = 1;
    only.Solve();
    EXPECT_EQ(only.Curve().MagSeries.Y, first);
    EXPECT_NEAR(first[0], 60.0, 1e-9);
}

TEST(Solve, SmoothingKeepsFlatLevelsAndFlattensRipple) {
    CircuitBuilder c;
    DriverBehind(c, 0);
    TDriver& drv = *c.d.Drivers[0];
    auto spread = [](const DataArray& y, std::size_t from, std::size_t to) {
        const auto [lo, hi] = std::minmax_element(y.begin() + from, y.begin() + to);
        return *hi - *lo;
    };
    for (double s : {0.0, 1.0 / 24, 1.0 / 6, 1.0, AuditorySmoothing}) {
        SingleCurve flat(c.d, TGraphKind::SPL, "System", s);
        flat.Solve();
        for (double y : flat.Curve().MagSeries.Y) EXPECT_NEAR(y, 70.0 + 20 * std::log10(8 / 8.001), 1e-6) << s;
    }
    // A ripple with a period of 20 grid steps (0.44 octave).
    for (std::size_t k = 0; k < 500; ++k) drv.Acoustic.Response.Re[k] = std::pow(10.0, 3.5 + 0.1 * std::sin(k * 0.314));
    SingleCurve raw(c.d, TGraphKind::SPL, "System", 0.0);
    raw.Solve();
    SingleCurve octave(c.d, TGraphKind::SPL, "System", 1.0);
    octave.Solve();
    SingleCurve erb(c.d, TGraphKind::SPL, "System", AuditorySmoothing);
    erb.Solve();
    EXPECT_NEAR(spread(raw.Curve().MagSeries.Y, 100, 400), 4.0, 0.05);
    EXPECT_LT(spread(octave.Curve().MagSeries.Y, 100, 400), 0.1);
    EXPECT_LT(spread(erb.Curve().MagSeries.Y, 300, 400), 1.0);
}

// The SPL curves smooth an unwrapped copy of the phase; the stored phase,
// which the time responses read after them, stays wrapped, so those show
// the same whatever SPL windows are open.
TEST(Solve, SmoothedSplCurvesLeaveTheTimeResponsesAlone) {
    CircuitBuilder c;
    DriverBehind(c, 6);
    c.d.Drivers[0]->DelaySeconds = 0.0003;  // a phase that turns many times
    struct Curve {
        TGraphKind kind;
        const char* name;
    };
    const Curve timeCurves[] = {{TGraphKind::Impulse, "System"},
                                {TGraphKind::Step, "S1"},
                                {TGraphKind::Impulse, "S1"},
                                {TGraphKind::Step, "System"}};
    const Curve splCurves[] = {{TGraphKind::SPL, "System"}, {TGraphKind::SPL, "S1"}};
    for (const double smoothing : {1.0 / 6, AuditorySmoothing}) {
        Windows alone(c.d), withSpl(c.d);
        for (const Curve& t : timeCurves) {
            alone.Add(t.kind, t.name).AutoScalePending = false;
            withSpl.Add(t.kind, t.name).AutoScalePending = false;
        }
        for (const Curve& s : splCurves) withSpl.Add(s.kind, s.name, smoothing);
        alone.Solve();
        withSpl.Solve();
        for (std::size_t i = 0; i < std::size(timeCurves); ++i) {
            ASSERT_FALSE(alone.Curve(i).MagSeries.Empty()) << i;
            EXPECT_EQ(withSpl.Curve(i).MagSeries.Y, alone.Curve(i).MagSeries.Y) << timeCurves[i].name << " " << i;
        }
        for (const DataArray* p : {&withSpl.solve.Result.SystemPhase, &withSpl.solve.Result.DriverPhase.at(0)})
            for (double v : *p) ASSERT_LE(std::fabs(v), 180.0) << smoothing;
    }
}

TEST(Solve, PhaseWrapping) {
    const std::vector<std::pair<double, double>> wraps = {
        {0, 0},        {179.7, 179.7}, {180, 180},   {-180, -180},   {180.4, -179.6}, {540, 180},
        {359.6, -0.4}, {-359.6, 0.4},  {-540, -180}, {720.25, 0.25}, {NAN, 0},        {INFINITY, 0},
    };
    for (auto [in, out] : wraps) EXPECT_NEAR(WrapAngle(in), out, 1e-9) << in;
    // Bit for bit the remainder of the division by whole turns (fmod), far
    // out, near whole turns and for a limit that is not whole.
    const auto byFmod = [](double x, double limit) {
        const double a = std::fabs(x), n = std::nearbyint(a);
        double r = std::fmod(n, 2.0 * limit) + (a - n);
        if (r > limit) r -= 2.0 * limit;
        return x < 0.0 ? -r : r;
    };
    for (double limit : {180.0, 90.0, 0.5, 3.14159}) {
        for (double x : {0.0, -0.0, 1e-300, 359.9999999999, 360.0, 360.0000000001, -719.5, 1080.25, 123456789.125,
                         -987654321.75, 3.0e15, -4.5e15, 1e17, 2.5e300}) {
            const double got = WrapAngle(x, limit), want = byFmod(x, limit);
            EXPECT_EQ(std::signbit(got), std::signbit(want)) << x << " " << limit;
            EXPECT_EQ(got, want) << x << " " << limit;
        }
    }
    // A step of exactly 180 degrees is left alone.
    DataArray p = {170, -170, 10, -175, 175, 540};
    UnwrapPhase(p);
    EXPECT_EQ(p, (DataArray{170, 190, 10, 185, 175, 180}));
    WrapPhase(p);
    EXPECT_EQ(p, (DataArray{170, -170, 10, -175, 175, 180}));
}

TEST(Solve, BlockExpressionErrorEndsTheSolve) {
    CircuitBuilder c;
    DriverBehind(c, 6);
    SingleCurve spl(c.d, TGraphKind::SPL, "System");
    spl.Solve();
    ASSERT_EQ(spl.Curve().MagSeries.Count(), 500u);
    TSubCkt& block = AppendBlock(c.d);
    TPart& r = *c.d.Parts[0];
    r.Subckt = 0;
    r.Equation1 = "2*(";
    block.Parts.push_back(&r);
    EXPECT_ANY_THROW(spl.Solve());
    EXPECT_FALSE(spl.Solved.Context.Running);
    EXPECT_EQ(spl.Curve().MagSeries.Count(), 500u);  // the last solve's points stay
    r.Equation1 = "4.22";                            // an E48 value
    spl.Solve();
    EXPECT_NEAR(spl.Curve().MagSeries.Y[0], 70 + 20 * std::log10(8 / 12.221), 1e-9);
}
