// Closed-form checks of the solve's result: impedances, lookback, driver
// voltages, power, the acoustic sum, delays, and what the solve does with odd
// designs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "CircuitBuilder.h"
#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "engine/DerivedResponses.h"
#include "engine/Smoothing.h"
#include "engine/Sweep.h"
#include "model/AnalysisGrid.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;

namespace {

// The engine's solve of a design, with its own context.
struct Solved {
    explicit Solved(const TDesign& d, bool lookback = false) { Solve(d, lookback); }
    void Solve(const TDesign& d, bool lookback = false) {
        SilentMessageSink silent;
        SolveCircuit(d, TSolveOptions{lookback}, ctx, result, silent);
    }
    TSolveContext ctx;
    TSolveResult result;
};

// A quantity at every solved grid frequency, in grid order.
DataArray AtSolved(const TSolveResult& r, const std::function<double(int)>& value) {
    DataArray out;
    for (int k = 0; k < static_cast<int>(r.FrequencySolved.size()); ++k)
        if (r.FrequencySolved[static_cast<std::size_t>(k)]) out.push_back(value(k));
    return out;
}

void ExpectAll(const DataArray& values, double value, double tol, const char* what) {
    ASSERT_EQ(values.size(), static_cast<std::size_t>(AnalysisPoints)) << what;
    double worst = 0;
    for (double y : values) worst = std::max(worst, std::fabs(y - value));
    EXPECT_LE(worst, tol) << what << " expected " << value;
}

double DriverVolts(const TSolveResult& r, int k) { return CAbs(r.DriverVoltage[0].At(static_cast<std::size_t>(k))); }

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
        const Solved s(c.d, true);
        const TSolveResult& r = s.result;
        const TLookback& lookback = r.Lookback.at(0);
        ExpectAll(AtSolved(r, [&](int k) { return CAbs(lookback.Impedance.At(static_cast<std::size_t>(k))); }),
                  tc.lookback, 1e-9 * tc.lookback, "lookback impedance");
        ExpectAll(r.InputImpedance.Mag, tc.system, 1e-9 * tc.system, "system impedance");
        ExpectAll(r.InputImpedance.Phase, 0.0, 1e-9, "system impedance phase");
        ExpectAll(AtSolved(r, [&](int k) { return LinToDb(DriverVolts(r, k)); }), tc.filterDb, 1e-9, "filter response");
        const double volts = std::sqrt(8.0) * 1.4142135624 * std::pow(10.0, tc.filterDb / 20);
        ExpectAll(AtSolved(r, [&](int k) { return DriverVolts(r, k) * r.Levels.PeakVolts; }), volts, 1e-9,
                  "driver voltage (peak)");
        EXPECT_FALSE(lookback.Stopped);
    }
    EXPECT_NEAR(20 * std::log10(8 / 14.001), -4.86, 0.005);
}

TEST(Solve, PowerCurrentAndMutedDriver) {
    CircuitBuilder c;
    c.Ground();
    c.R(1, 0, 8);
    TDriver& drv = c.Driver(1, 0, 8);
    drv.Muted = true;
    const Solved s(c.d, true);
    const TSolveResult& r = s.result;
    const TSourceLevels& level = r.Levels;
    // 2.83 V across 8 ohms (and the 4 ohms of both loads behind 1 mohm).
    const double v = 4.0 / 4.001;
    const DataArray power =
        AtSolved(r, [&](int k) { return level.PowerScale * CSqrAbs(r.PartVoltage(0, k)) * r.PartAdmittance(0, k).re; });
    ExpectAll(power, 8.0 * v * v / 8.0, 1e-12, "resistor power");
    EXPECT_NEAR(power[0], 1.0, 1e-3);
    ExpectAll(AtSolved(r, [&](int k) { return CAbs(r.PartCurrent(0, k)) * level.Vlevel; }), std::sqrt(8.0) * v / 8.0,
              1e-12, "resistor current");
    ExpectAll(AtSolved(r, [&](int k) { return DriverVolts(r, k) * level.PeakVolts; }), 0.0, 0.0, "muted voltage");
    ExpectAll(
        AtSolved(r,
                 [&](int k) {
                     return CAbs(CMul(r.DriverVoltage[0].At(static_cast<std::size_t>(k)), DriverAdmittance(drv, k))) *
                            level.Vlevel;
                 }),
        0.0, 0.0, "muted current");
    ExpectAll(AtSolved(r, [&](int k) { return level.PowerScale * DriverVolts(r, k) * DriverVolts(r, k) / 8; }), 0.0,
              0.0, "muted power");
    ExpectAll(AtSolved(r, [&](int k) { return LinToDb(DriverVolts(r, k)); }), -2000000.0, 0.0, "muted filter response");
    // No lookback through a muted driver.
    EXPECT_TRUE(std::none_of(r.Lookback.at(0).Known.begin(), r.Lookback.at(0).Known.end(), [](char k) { return k; }));
    EXPECT_TRUE(r.Lookback.at(0).Stopped);
}

TEST(Solve, AcousticSumLevelsInversionAndMuting) {
    auto systemDb = [](TDesign& d) {
        const Solved s(d);
        DataArray db;
        for (double m : s.result.System.Mag) db.push_back(LinToDb(m));
        return db;
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
    Solved plain(c.d);
    const DataArray before = plain.result.DriverContribution.at(0).Phase;
    drv.DelaySeconds = 0.001;
    c.d.Source.Inverted = true;
    plain.Solve(c.d);
    for (std::size_t k = 0; k < before.size(); ++k) {
        const double f = c.d.Grid[k];
        const double expected = WrapAngle(before[k] - 360.0 * f * 0.001 + 180.0);
        EXPECT_NEAR(WrapAngle(plain.result.DriverContribution[0].Phase[k] - expected), 0.0, 1e-7) << f;
    }
    // The stored phase is wrapped.
    for (double p : plain.result.DriverContribution[0].Phase) EXPECT_LE(std::fabs(p), 180.0);
    for (double p : plain.result.System.Phase) EXPECT_LE(std::fabs(p), 180.0);
}

TEST(Solve, PureDelayGivesItsGroupDelay) {
    CircuitBuilder c;
    DriverBehind(c, 0);
    c.d.Drivers[0]->DelaySeconds = 100e-6;
    const Solved s(c.d);
    const TSolveResult& r = s.result;
    for (const TMagPhase* response : {&r.DriverContribution.at(0), &r.System}) {
        DataArray work, tau;
        ASSERT_TRUE(GroupDelay(r.Grid, r.OctavesPerStep, response->Phase, work, tau));
        ASSERT_EQ(tau.size(), 500u);
        // Smoothing a phase that is linear in f along a log grid raises it by
        // the smoother's gain for a growth of one grid ratio per step: 1.5 %
        // for the 1/6-octave smoother. The ends carry its start-up.
        for (std::size_t k = 0; k < 500; ++k) {
            if (r.Grid[k] >= 20 && r.Grid[k] <= 7000) {
                EXPECT_NEAR(tau[k], 100.0, 1.6) << r.Grid[k];
            }
            if (r.Grid[k] >= 50 && r.Grid[k] <= 2500) {
                EXPECT_NEAR(tau[k], 101.504, 0.001) << r.Grid[k];
            }
        }
    }
}

TEST(Solve, UnsolvableDesignsGiveNoResponse) {
    // A source that touches nothing, with a ground symbol elsewhere.
    CircuitBuilder c;
    c.Ground(3);
    c.R(3, 4, 8);
    c.Driver(4, 3, 8);
    const Solved s(c.d, true);
    EXPECT_EQ(s.result.SolvedFrequencies, 0);
    EXPECT_TRUE(s.result.DriverContribution.at(0).empty());
    EXPECT_TRUE(s.result.System.empty());
    EXPECT_TRUE(std::none_of(s.result.Lookback.at(0).Known.begin(), s.result.Lookback.at(0).Known.end(),
                             [](char k) { return k; }));

    // A design left with only a source (every part deleted) has no response.
    TDesign empty;
    const Solved nothing(empty);
    EXPECT_TRUE(nothing.result.Solved);
    EXPECT_EQ(nothing.result.SolvedFrequencies, 0);
    EXPECT_TRUE(nothing.result.System.empty());

    // In circuit-block design mode nothing is solved, and the result stays.
    CircuitBuilder blocks;
    DriverBehind(blocks, 0);
    Solved kept(blocks.d);
    blocks.d.BlockDesignMode = true;
    kept.Solve(blocks.d);
    EXPECT_FALSE(kept.result.Solved);
    EXPECT_EQ(kept.result.System.Mag.size(), 500u);
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
    Solved s(c.d);
    ASSERT_EQ(s.result.System.Mag.size(), 500u);
    const DataArray before = s.result.System.Mag;
    TCircuitBlock& block = AppendBlock(c.d);
    TPart& r = *c.d.Parts[0];
    r.Subckt = 0;
    r.Equation1 = "2*(";
    block.Parts.push_back(&r);
    EXPECT_ANY_THROW(s.Solve(c.d));
    EXPECT_FALSE(s.ctx.Running);
    EXPECT_EQ(s.result.System.Mag, before);  // the last solve's response stays
    r.Equation1 = "4.22";                    // an E48 value
    s.Solve(c.d);
    EXPECT_NEAR(LinToDb(s.result.System.Mag[0]), 70 + 20 * std::log10(8 / 12.221), 1e-9);
    // The solve used the block's value without writing it into the design.
    EXPECT_EQ(s.result.Parts[0].Value, 4.22);
    EXPECT_EQ(r.Value, 6.0);
}
