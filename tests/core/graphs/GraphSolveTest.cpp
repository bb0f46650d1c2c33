// The curves the graph windows get from a solve: units, phases, smoothing,
// a driver's own data, and what the curves keep when nothing is solved.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "CircuitBuilder.h"
#include "base/Conversions.h"
#include "base/MessageSink.h"
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

}  // namespace

TEST(GraphSolve, DriverAcrossTheSourceAndBehindSixOhms) {
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
        EXPECT_FALSE(w.solve.Result.Lookback.at(0).Stopped);
    }
    EXPECT_NEAR(20 * std::log10(8 / 14.001), -4.86, 0.005);
}

TEST(GraphSolve, PowerCurrentAndMutedDriver) {
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

TEST(GraphSolve, UnsolvableDesignsLeaveCurvesEmpty) {
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
    EXPECT_TRUE(w.solve.Result.DriverContribution.at(0).empty());
    EXPECT_TRUE(w.solve.Result.System.empty());

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
    EXPECT_TRUE(solve.Result.System.empty());

    // In circuit-block design mode nothing is solved.
    CircuitBuilder blocks;
    DriverBehind(blocks, 0);
    blocks.d.BlockDesignMode = true;
    SingleCurve spl(blocks.d, TGraphKind::SPL, "System");
    spl.Solve();
    EXPECT_TRUE(spl.Curve().MagSeries.Empty());
}

TEST(GraphSolve, DriverOnlyCurvesIgnoreTheNetwork) {
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

TEST(GraphSolve, SmoothingKeepsFlatLevelsAndFlattensRipple) {
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

// The SPL curves smooth an unwrapped copy of the phase; the stored phase,
// which the time responses read after them, stays wrapped, so those show
// the same whatever SPL windows are open.
TEST(GraphSolve, SmoothedSplCurvesLeaveTheTimeResponsesAlone) {
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
        for (const DataArray* p :
             {&withSpl.solve.Result.System.Phase, &withSpl.solve.Result.DriverContribution.at(0).Phase})
            for (double v : *p) ASSERT_LE(std::fabs(v), 180.0) << smoothing;
    }
}

TEST(GraphSolve, BlockExpressionErrorEndsTheSolve) {
    CircuitBuilder c;
    DriverBehind(c, 6);
    SingleCurve spl(c.d, TGraphKind::SPL, "System");
    spl.Solve();
    ASSERT_EQ(spl.Curve().MagSeries.Count(), 500u);
    TCircuitBlock& block = AppendBlock(c.d);
    TPart& r = *c.d.Parts[0];
    r.Subckt = 0;
    r.Equation1 = "2*(";
    block.Parts.push_back(&r);
    EXPECT_ANY_THROW(spl.Solve());
    EXPECT_FALSE(spl.Solved.Running);
    EXPECT_EQ(spl.Curve().MagSeries.Count(), 500u);  // the last solve's points stay
    r.Equation1 = "4.22";                            // an E48 value
    spl.Solve();
    EXPECT_NEAR(spl.Curve().MagSeries.Y[0], 70 + 20 * std::log10(8 / 12.221), 1e-9);
}

// A driver (flat, no phase of its own) behind a resistor, delayed: its SPL
// phase unwrapped falls by 360 f t without jumps, its excess phase is the
// delay's alone (the flat magnitude has no minimum phase), and its excess
// group delay is the delay. The specified wrapped phase stays in one turn.
TEST(GraphSolve, PhaseViews) {
    CircuitBuilder c;
    DriverBehind(c, 6);
    const double delay = 0.0003;
    c.d.Drivers[0]->DelaySeconds = delay;
    Windows w(c.d);
    for (TPhaseView view : {TPhaseView::Wrapped, TPhaseView::Unwrapped, TPhaseView::Excess})
        w.Add(TGraphKind::SPL, "S1").Curves[0].PhaseView = view;
    w.Add(TGraphKind::GroupDelay, "S1").Curves[0].PhaseView = TPhaseView::Excess;
    w.Solve();
    const TChartCurve& wrapped = w.Curve(0).PhaseSeries;
    const TChartCurve& unwrapped = w.Curve(1).PhaseSeries;
    const TChartCurve& excess = w.Curve(2).PhaseSeries;
    ASSERT_EQ(unwrapped.Count(), wrapped.Count());
    for (std::size_t k = 0; k < wrapped.Count(); k += 7) {
        const double f = wrapped.X[k];
        EXPECT_LE(std::fabs(wrapped.Y[k]), 180.0);
        EXPECT_NEAR(unwrapped.Y[k] - unwrapped.Y[0], -360 * delay * (f - wrapped.X[0]), 1e-6) << f;
        double d = excess.Y[k] + 360 * delay * f;
        d -= 360 * std::round(d / 360);
        EXPECT_NEAR(d, 0, 0.5) << f;
    }
    for (std::size_t k = 50; k < 450; k += 50) EXPECT_NEAR(w.Curve(3).MagSeries.Y[k], delay * 1e6, 5) << k;
}
