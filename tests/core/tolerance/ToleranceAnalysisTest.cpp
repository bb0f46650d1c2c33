// The tolerance analysis: no tolerance gives the nominal curve exactly, a
// seed repeats exactly, a single RC low-pass with a 10 % capacitor follows
// the closed form, and the median of many runs stays on the nominal curve of
// the examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>

#include "CircuitBuilder.h"
#include "TestSupport.h"
#include "document/DocumentFlow.h"
#include "model/AnalysisGrid.h"
#include "tolerance/ToleranceAnalysis.h"
#include "tolerance/ToleranceRandom.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;
using pelmo::test::RecordingMessageSink;
using pelmo::test::SingleCurve;
using pelmo::test::TempFolder;

namespace {

namespace fs = std::filesystem;

// A two-way: second-order low-pass to an 8-ohm woofer, second-order
// high-pass with an L-pad to a 6-ohm tweeter.
struct TwoWay {
    TwoWay() {
        c.Ground();
        c.L(1, 2, 0.8e-3);
        c.C(2, 0, 10e-6);
        c.Driver(2, 0, 8);
        c.C(1, 3, 6.8e-6);
        c.L(3, 0, 0.33e-3);
        c.R(3, 4, 2.2);
        c.R(4, 0, 15);
        c.Driver(4, 0, 6);
        EnsureAnalysisGrid(c.d);
    }
    void SetTolerances(double t) {
        for (auto& p : c.d.Parts) p->SpecTolerance = t;
    }
    CircuitBuilder c;
};

// Source, R1 from node 1 to 2, C1 from 2 to ground, an 8-ohm resistive
// driver with a flat response across C1: a first-order low-pass.
struct RcLowPass {
    explicit RcLowPass(double capacitorTolerance) {
        c.Ground();
        c.R(1, 2, 8.0);
        TPart& cap = c.C(2, 0, 1.0 / (2 * M_PI * 1000.0 * 4.0));
        cap.SpecTolerance = capacitorTolerance;
        c.Driver(2, 0, 8.0);
        EnsureAnalysisGrid(c.d);
    }
    CircuitBuilder c;
};

// Where a curve falls through `level`, interpolated on a log frequency scale.
double Crossing(const DataArray& f, const DataArray& y, double level) {
    for (std::size_t k = 0; k + 1 < f.size(); ++k)
        if (y[k] >= level && y[k + 1] < level) {
            const double t = (y[k] - level) / (y[k] - y[k + 1]);
            return std::exp(std::log(f[k]) + t * (std::log(f[k + 1]) - std::log(f[k])));
        }
    return 0.0;
}

void ExpectEqualArrays(const DataArray& a, const DataArray& b, const char* what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t k = 0; k < a.size(); ++k) ASSERT_EQ(a[k], b[k]) << what << " at point " << k;
}

}  // namespace

TEST(ToleranceRandom, DrawsRepeatAndCoverTheirRange) {
    TToleranceRandom a(1, 7), b(1, 7), other(1, 8);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const std::uint64_t x = a.Next();
        EXPECT_EQ(x, b.Next());
        differs = differs || x != other.Next();
    }
    EXPECT_TRUE(differs);
    TToleranceRandom r(42, 0);
    double sum = 0, squares = 0, lowest = 1, highest = -1;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double u = r.Symmetric();
        ASSERT_GE(u, -1.0);
        ASSERT_LT(u, 1.0);
        sum += u;
        squares += u * u;
        lowest = std::min(lowest, u);
        highest = std::max(highest, u);
    }
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(squares / n, 1.0 / 3.0, 0.01);
    EXPECT_LT(lowest, -0.999);
    EXPECT_GT(highest, 0.999);
    sum = squares = 0;
    int beyondTwoSigma = 0;
    for (int i = 0; i < n; ++i) {
        const double z = r.Normal();
        ASSERT_TRUE(std::isfinite(z));
        sum += z;
        squares += z * z;
        if (std::fabs(z) > 2) ++beyondTwoSigma;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(squares / n, 1.0, 0.02);
    EXPECT_NEAR(beyondTwoSigma / double(n), 0.0455, 0.003);
}

TEST(ToleranceAnalysis, PartToleranceTakesTheCatalogueChoiceThenThePartsOwn) {
    TPart p;
    p.SpecTolerance = 0.05;
    EXPECT_EQ(PartTolerance(p), 0.05);
    p.ChosenTolerance = 0.02;  // no catalogue part bound: not counted
    EXPECT_EQ(PartTolerance(p), 0.05);
    p.PartNumber = "CAP-1";
    EXPECT_EQ(PartTolerance(p), 0.02);
    p.ChosenTolerance = -1;  // none recorded
    EXPECT_EQ(PartTolerance(p), 0.05);
    p.PartNumber.clear();
    p.SpecTolerance = 0;
    EXPECT_EQ(PartTolerance(p), 0.0);
    EXPECT_EQ(PartTolerance(p, 0.1), 0.1);
}

// With every tolerance zero (and driver levels fixed) every run is the
// nominal design: the band has no width and is the nominal curve, which is
// the curve the graph windows show.
TEST(ToleranceAnalysis, ZeroTolerancesGiveTheNominalCurve) {
    struct Case {
        const char* Name;
        TToleranceCurve Curve;
        TToleranceDistribution Distribution;
        TGraphKind Kind;
        const char* CurveName;
    } cases[] = {
        {"summed SPL, uniform", {TToleranceCurveKind::Spl, -1, 0.0}, TToleranceDistribution::Uniform,
         TGraphKind::SPL, "System"},
        {"summed SPL, normal", {TToleranceCurveKind::Spl, -1, 0.0}, TToleranceDistribution::Normal,
         TGraphKind::SPL, "System"},
        {"summed SPL, 1/6 octave", {TToleranceCurveKind::Spl, -1, 1.0 / 6.0}, TToleranceDistribution::Uniform,
         TGraphKind::SPL, "System"},
        {"tweeter SPL", {TToleranceCurveKind::Spl, 1, 0.0}, TToleranceDistribution::Uniform, TGraphKind::SPL,
         "S2"},
        {"impedance", {TToleranceCurveKind::Impedance, -1, 0.0}, TToleranceDistribution::Normal,
         TGraphKind::Impedance, "System"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TwoWay t;
        t.SetTolerances(0.0);
        TToleranceSettings s;
        s.Runs = 50;
        s.Distribution = c.Distribution;
        s.Curves = {c.Curve};
        RecordingMessageSink messages;
        const TToleranceOutcome out = RunToleranceAnalysis(t.c.d, s, messages);
        ASSERT_TRUE(out.Ok) << out.Failure;
        EXPECT_EQ(out.Runs, 50);
        EXPECT_EQ(out.FailedRuns, 0);
        ASSERT_EQ(out.Bands.size(), 1u);
        const TToleranceBand& b = out.Bands[0];
        ASSERT_EQ(b.Frequency.size(), static_cast<std::size_t>(AnalysisPoints));
        for (const DataArray* a : {&b.P5, &b.P50, &b.P95, &b.Min, &b.Max}) ExpectEqualArrays(*a, b.Nominal, "band");

        SingleCurve shown(t.c.d, c.Kind, c.CurveName, c.Curve.Smoothing);
        shown.Solve();
        ExpectEqualArrays(b.Frequency, shown.Curve().MagSeries.X, "frequencies");
        for (std::size_t k = 0; k < b.Nominal.size(); ++k)
            ASSERT_NEAR(b.Nominal[k], shown.Curve().MagSeries.Y[k], 1e-9) << "nominal at point " << k;
    }
}

TEST(ToleranceAnalysis, ZeroToleranceInABlockDesignGivesTheNominalCurve) {
    TempFolder temp;
    fs::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/TwoWayBlocks.bkt", temp.Path() + "TwoWayBlocks.bkt");
    TDesign d;
    RecordingMessageSink messages;
    ASSERT_TRUE(OpenDesignFile(d, temp.Path() + "TwoWayBlocks.bkt", messages));
    for (auto& p : d.Parts) p->SpecTolerance = 0;
    TToleranceSettings s;
    s.Runs = 20;
    const TToleranceOutcome out = RunToleranceAnalysis(d, s, messages);
    ASSERT_TRUE(out.Ok) << out.Failure;
    for (const DataArray* a : {&out.Bands[0].P5, &out.Bands[0].Max}) ExpectEqualArrays(*a, out.Bands[0].Nominal, "band");
}

TEST(ToleranceAnalysis, TheSameSeedGivesTheSameBands) {
    TwoWay t;
    t.SetTolerances(0.1);
    TToleranceSettings s;
    s.Runs = 200;
    s.Seed = 12345;
    s.DriverDb = 1.0;
    s.Curves = {{TToleranceCurveKind::Spl, -1, 0.0}, {TToleranceCurveKind::Impedance, -1, 0.0}};
    RecordingMessageSink messages;
    const TToleranceOutcome a = RunToleranceAnalysis(t.c.d, s, messages);
    const TToleranceOutcome b = RunToleranceAnalysis(t.c.d, s, messages);
    ASSERT_TRUE(a.Ok && b.Ok);
    for (std::size_t c = 0; c < 2; ++c)
        for (auto m : {&TToleranceBand::P5, &TToleranceBand::P50, &TToleranceBand::P95, &TToleranceBand::Min,
                       &TToleranceBand::Max})
            ExpectEqualArrays(a.Bands[c].*m, b.Bands[c].*m, "repeat");
    // Another seed draws other values; the band has width.
    s.Seed = 12346;
    const TToleranceOutcome other = RunToleranceAnalysis(t.c.d, s, messages);
    ASSERT_TRUE(other.Ok);
    EXPECT_NE(other.Bands[0].P95, a.Bands[0].P95);
    double widest = 0;
    for (std::size_t k = 0; k < a.Bands[0].P5.size(); ++k)
        widest = std::max(widest, a.Bands[0].P95[k] - a.Bands[0].P5[k]);
    EXPECT_GT(widest, 0.5);
    // The design itself is untouched.
    EXPECT_EQ(t.c.d.Parts[0]->Value, 0.8e-3);
    EXPECT_EQ(t.c.d.Drivers[0]->Gain, 1.0);
}

// A first-order low-pass whose capacitor is uniform within +/- 10 %: the
// corner moves as 1/c with c uniform in 0.9 ... 1.1, so the percentile
// curves cross -3 dB at f0 / 1.09 (p5), f0 (p50) and f0 / 0.91 (p95), and at
// a frequency f the level is L0 - 10 log10(1 + (c f / f0)^2), whose
// percentiles are those of c taken the other way round.
TEST(ToleranceAnalysis, RcLowPassFollowsTheClosedForm) {
    RcLowPass rc(0.10);
    TToleranceSettings s;
    s.Runs = 2000;
    s.Seed = 7;
    RecordingMessageSink messages;
    const TToleranceOutcome out = RunToleranceAnalysis(rc.c.d, s, messages);
    ASSERT_TRUE(out.Ok) << out.Failure;
    const TToleranceBand& b = out.Bands[0];
    const DataArray& f = b.Frequency;
    // The pass band's level, from the lowest frequency (the corner is far above).
    const double l0 = b.Nominal[0];
    const double f0 = Crossing(f, b.Nominal, l0 - 10 * std::log10(2.0));
    ASSERT_GT(f0, 900);
    ASSERT_LT(f0, 1100);
    // The -3 dB points: sampling error of a 5 % quantile of 2000 uniform
    // draws is about 0.1 % of c; 0.5 % leaves room for the interpolation.
    EXPECT_NEAR(Crossing(f, b.P50, l0 - 10 * std::log10(2.0)) / f0, 1.0, 0.005);
    EXPECT_NEAR(Crossing(f, b.P5, l0 - 10 * std::log10(2.0)) / f0, 1 / 1.09, 0.005);
    EXPECT_NEAR(Crossing(f, b.P95, l0 - 10 * std::log10(2.0)) / f0, 1 / 0.91, 0.005);
    EXPECT_NEAR(Crossing(f, b.Min, l0 - 10 * std::log10(2.0)) / f0, 1 / 1.10, 0.005);
    EXPECT_NEAR(Crossing(f, b.Max, l0 - 10 * std::log10(2.0)) / f0, 1 / 0.90, 0.005);
    // The level at the grid frequency nearest the corner: the sampling
    // error there is about 0.005 dB.
    std::size_t k = 0;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (std::fabs(std::log(f[i] / f0)) < std::fabs(std::log(f[k] / f0))) k = i;
    const double x = f[k] / f0;
    auto level = [&](double c) { return l0 - 10 * std::log10(1 + c * c * x * x); };
    EXPECT_NEAR(b.Nominal[k], level(1.0), 0.01);
    EXPECT_NEAR(b.P5[k], level(1.09), 0.02);
    EXPECT_NEAR(b.P50[k], level(1.00), 0.02);
    EXPECT_NEAR(b.P95[k], level(0.91), 0.02);
    EXPECT_GE(b.Min[k], level(1.10) - 0.01);
    EXPECT_LE(b.Max[k], level(0.90) + 0.01);
    EXPECT_NEAR(b.Min[k], level(1.10), 0.02);
    EXPECT_NEAR(b.Max[k], level(0.90), 0.02);
    // Far below the corner the capacitor hardly matters; far above, the
    // level moves by 20 log10 of c: from -0.83 dB (1.1) to +0.92 dB (0.9).
    EXPECT_LT(b.P95[0] - b.P5[0], 0.01);
    const std::size_t top = f.size() - 1;
    EXPECT_NEAR(b.P95[top] - b.Nominal[top], -20 * std::log10(0.91), 0.03);
    EXPECT_NEAR(b.P5[top] - b.Nominal[top], -20 * std::log10(1.09), 0.03);
}

// A normal capacitor with sigma 5 %: the 5 % and 95 % points of c are
// 1 -/+ 1.645 sigma.
TEST(ToleranceAnalysis, RcLowPassNormalFollowsTheClosedForm) {
    RcLowPass rc(0.10);
    TToleranceSettings s;
    s.Runs = 2000;
    s.Distribution = TToleranceDistribution::Normal;
    RecordingMessageSink messages;
    const TToleranceOutcome out = RunToleranceAnalysis(rc.c.d, s, messages);
    ASSERT_TRUE(out.Ok) << out.Failure;
    const TToleranceBand& b = out.Bands[0];
    const std::size_t top = b.Frequency.size() - 1;
    EXPECT_NEAR(b.P95[top] - b.Nominal[top], -20 * std::log10(1 - 1.645 * 0.05), 0.05);
    EXPECT_NEAR(b.P5[top] - b.Nominal[top], -20 * std::log10(1 + 1.645 * 0.05), 0.05);
}

// Driver levels within +/- 1 dB: a driver's own SPL moves by exactly the dB
// drawn, so its band is 0.9 dB each way at every frequency (uniform).
TEST(ToleranceAnalysis, DriverLevelsMoveByTheirDb) {
    TwoWay t;
    t.SetTolerances(0.0);
    TToleranceSettings s;
    s.Runs = 2000;
    s.DriverDb = 1.0;
    s.Curves = {{TToleranceCurveKind::Spl, 0, 0.0}};
    RecordingMessageSink messages;
    const TToleranceOutcome out = RunToleranceAnalysis(t.c.d, s, messages);
    ASSERT_TRUE(out.Ok) << out.Failure;
    const TToleranceBand& b = out.Bands[0];
    for (std::size_t k = 0; k < b.Frequency.size(); k += 50) {
        EXPECT_NEAR(b.P95[k] - b.Nominal[k], 0.9, 0.02);
        EXPECT_NEAR(b.P5[k] - b.Nominal[k], -0.9, 0.02);
        EXPECT_LE(b.Max[k] - b.Nominal[k], 1.0 + 1e-9);
        EXPECT_GE(b.Min[k] - b.Nominal[k], -1.0 - 1e-9);
    }
}

// On every example with 5 % parts and drivers within +/- 0.5 dB, the
// median of 2000 runs lies within 0.1 dB of the nominal summed response.
TEST(ToleranceAnalysis, MedianOfTheExamplesStaysOnTheNominalCurve) {
    const std::string folder = std::string(PELMO_SOURCE_DIR) + "/examples/";
    for (const char* name : {"TwoWay.bkt", "ThreeWay.bkt", "TwoWayDerivedPhase.bkt", "TwoWayBlocks.bkt"}) {
        SCOPED_TRACE(name);
        TempFolder temp;
        fs::copy_file(folder + name, temp.Path() + name);
        TDesign d;
        RecordingMessageSink messages;
        ASSERT_TRUE(OpenDesignFile(d, temp.Path() + name, messages));
        TToleranceSettings s;
        s.Runs = 2000;
        s.UnrecordedTolerance = 0.05;
        s.DriverDb = 0.5;
        const TToleranceOutcome out = RunToleranceAnalysis(d, s, messages);
        ASSERT_TRUE(out.Ok) << out.Failure;
        const TToleranceBand& b = out.Bands[0];
        double worst = 0, widest = 0;
        std::size_t at = 0;
        for (std::size_t k = 0; k < b.Frequency.size(); ++k) {
            if (std::fabs(b.P50[k] - b.Nominal[k]) > worst) {
                worst = std::fabs(b.P50[k] - b.Nominal[k]);
                at = k;
            }
            widest = std::max(widest, b.P95[k] - b.P5[k]);
        }
        EXPECT_LT(worst, 0.1) << "at " << b.Frequency[at] << " Hz";
        EXPECT_GT(widest, 0.5);  // the parts did move
    }
}

TEST(ToleranceAnalysis, CancelStopsTheRuns) {
    TwoWay t;
    t.SetTolerances(0.05);
    std::atomic<bool> cancel{true};
    TToleranceSettings s;
    RecordingMessageSink messages;
    const TToleranceOutcome out = RunToleranceAnalysis(t.c.d, s, messages, &cancel);
    EXPECT_FALSE(out.Ok);
    EXPECT_TRUE(out.Cancelled);
}

TEST(ToleranceAnalysis, BadRequestsFailWithAReason) {
    TwoWay t;
    RecordingMessageSink messages;
    TToleranceSettings s;
    s.Curves = {{TToleranceCurveKind::Spl, 5, 0.0}};
    TToleranceOutcome out = RunToleranceAnalysis(t.c.d, s, messages);
    EXPECT_FALSE(out.Ok);
    EXPECT_NE(out.Failure.find("no driver"), std::string::npos);
    s.Curves.clear();
    s.Runs = 0;
    out = RunToleranceAnalysis(t.c.d, s, messages);
    EXPECT_FALSE(out.Ok);
    TDesign empty;
    s.Runs = 10;
    out = RunToleranceAnalysis(empty, s, messages);
    EXPECT_FALSE(out.Ok);
    EXPECT_EQ(out.Failure, "the design could not be solved");
}
