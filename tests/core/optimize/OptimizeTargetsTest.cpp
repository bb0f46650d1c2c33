// Targets and the objective: filter shapes against their closed forms, target
// curves from points in any order and from files of any bytes, and the terms
// of the objective on circuits whose responses are known.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CircuitBuilder.h"
#include "TestSupport.h"
#include "model/AnalysisGrid.h"
#include "optimize/OptimizeObjective.h"
#include "optimize/OptimizeTargets.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;
using pelmo::test::RecordingMessageSink;

namespace {

TEST(FilterLevel, CornerAndSlopesFollowTheAlignment) {
    struct Case {
        TAlignment A;
        double AtCorner;       // dB
        double DecadeBeyond;   // dB ten times beyond the corner
    };
    const Case cases[] = {
        {TAlignment::LR2, -6.0206, -40.09}, {TAlignment::LR4, -6.0206, -80.00},
        {TAlignment::BW2, -3.0103, -40.00}, {TAlignment::BW3, -3.0103, -60.00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(AlignmentName(c.A));
        for (TPassKind pass : {TPassKind::LowPass, TPassKind::HighPass}) {
            EXPECT_NEAR(FilterLevelDb(c.A, pass, 2500, 2500), c.AtCorner, 1e-3);
            const double beyond = pass == TPassKind::LowPass ? 25000 : 250;
            const double within = pass == TPassKind::LowPass ? 250 : 25000;
            EXPECT_NEAR(FilterLevelDb(c.A, pass, beyond, 2500), c.DecadeBeyond, 0.05);
            EXPECT_NEAR(FilterLevelDb(c.A, pass, within, 2500), 0.0, 0.1);
        }
        EXPECT_EQ(ParseAlignment(AlignmentName(c.A)), c.A);
    }
    EXPECT_FALSE(ParseAlignment("lr3"));
    // A band-pass is the product of its two filters.
    TDriverTarget band;
    band.HighPass = TFilterShape{TAlignment::LR4, 500};
    band.LowPass = TFilterShape{TAlignment::BW2, 4000};
    EXPECT_DOUBLE_EQ(DriverTargetShapeDb(band, 500), FilterLevelDb(TAlignment::LR4, TPassKind::HighPass, 500, 500) +
                                                         FilterLevelDb(TAlignment::BW2, TPassKind::LowPass, 500, 4000));
}

TEST(TargetCurve, PointsInAnyOrderAreSortedAndOnlyTheirRangeIsCovered) {
    TDesign d;
    EnsureAnalysisGrid(d);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // Descending, a repeated frequency, junk points that must be left out.
    const DataArray freq{10000, 1000, 1000, -5, 0, 2000, nan, 100};
    const DataArray db{80, 90, 50, 0, 0, inf, 0, 100};
    TSumTarget t;
    ASSERT_TRUE(TargetCurveFromPoints(freq, db, d.Grid, t));
    for (std::size_t k = 0; k < d.Grid.size(); ++k) {
        const double f = d.Grid[k];
        EXPECT_EQ(t.CurveCovers[k] != 0, f >= 100 && f <= 10000) << f;
        if (!t.CurveCovers[k]) continue;
        // 100 dB at 100 Hz falling linearly over log f to 90 dB (the first
        // 1000 Hz point), then to 80 dB at 10 kHz.
        const double expected = f <= 1000 ? 100 - 10 * std::log10(f / 100) : 90 - 10 * std::log10(f / 1000);
        EXPECT_NEAR(t.CurveDb[k], expected, 1e-9) << f;
    }
    // One usable point, or none on the grid, is no curve.
    EXPECT_FALSE(TargetCurveFromPoints({1000, -1}, {80, 80}, d.Grid, t));
    EXPECT_FALSE(TargetCurveFromPoints({30000, 40000}, {80, 80}, d.Grid, t));
}

TEST(TargetCurve, FilesOfAnyBytesAreReadOrRefusedWithAMessage) {
    TDesign d;
    EnsureAnalysisGrid(d);
    pelmo::test::TempFolder folder;
    struct Case {
        std::string Bytes;
        bool Ok;
    };
    const Case cases[] = {
        {"* target\n100 80 0\n1000 80\n20000 74\n", true},
        {std::string("\0\xff\x01\n\x80", 5), false},
        {"100 80\n", false},                          // a single point
        {"100 1e999\n200 1e999\n", false},            // no finite level
        {"1000 80\n1000 81\n", false},                // the reader's repeated frequency
        {std::string(100000, '9') + "\n1 2\n", false},  // a line longer than a data line
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const std::string path = folder.Path() + "t" + std::to_string(n++) + ".frd";
        pelmo::test::WriteWholeFile(path, c.Bytes);
        RecordingMessageSink messages;
        TSumTarget t;
        EXPECT_EQ(ReadTargetCurve(path, d.Grid, t, messages), c.Ok);
        EXPECT_EQ(messages.Messages.empty(), c.Ok);
    }
}

// Source, one 8-ohm resistive driver with the default flat 70 dB response,
// optionally behind a series resistor.
struct FlatDriver {
    explicit FlatDriver(double series = 0) {
        c.Ground();
        if (series > 0) {
            c.R(1, 2, series);
            c.Driver(2, 0, 8);
        } else {
            c.Driver(1, 0, 8);
        }
        EnsureAnalysisGrid(c.d);
    }
    CircuitBuilder c;
};

TEST(Objective, TermsOfKnownResponses) {
    struct Case {
        const char* Name;
        double Series;  // ohms in front of the driver
        TObjectiveSettings Settings;
        double Response, Impedance;
    };
    auto flat = [](std::optional<double> level) {
        TObjectiveSettings s;
        s.Sum.LevelDb = level;
        return s;
    };
    TObjectiveSettings floor = flat(std::nullopt);
    floor.ImpedanceFloor = 16;  // the driver alone is 8 ohms: 6.02 dB below
    TObjectiveSettings highPass;
    highPass.Sum.Kind = TSumTargetKind::None;
    highPass.DriverTargets.push_back({0, TFilterShape{TAlignment::BW2, 1000}, std::nullopt, 70.0, 1.0});
    // A flat response against a high-pass: the error is the filter's level,
    // floored at -40 dB, over the band.
    double squares = 0;
    int points = 0;
    TDesign grid;
    EnsureAnalysisGrid(grid);
    for (double f : grid.Grid)
        if (f >= 200 && f <= 15000) {
            const double e = std::max(FilterLevelDb(TAlignment::BW2, TPassKind::HighPass, f, 1000), -40.0);
            squares += e * e;
            ++points;
        }
    const Case cases[] = {
        {"fitted level", 0, flat(std::nullopt), 0, 0},
        {"fixed level 2 dB above", 0, flat(72.0), 2, 0},
        {"-4.86 dB behind 6 ohms", 6, flat(70.0), 20 * std::log10(14.001 / 8), 0},
        {"impedance floor", 0, floor, 0, 20 * std::log10(16.0 / 8)},
        {"driver high-pass", 0, highPass, std::sqrt(squares / points), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FlatDriver design(c.Series);
        RecordingMessageSink messages;
        TObjective objective(design.c.d, c.Settings, {}, messages);
        const TObjectiveTerms t = objective.Evaluate({});
        ASSERT_TRUE(t.Solved);
        EXPECT_NEAR(t.ResponseRms, c.Response, 2e-3);
        EXPECT_NEAR(t.Impedance, c.Impedance, 1e-3);
        EXPECT_NEAR(t.Total, c.Response + c.Impedance, 3e-3);
        EXPECT_TRUE(messages.Messages.empty());
    }
}

TEST(Objective, ValuesOutsideTheirBoundsCostByTheSquareOfTheirDistance) {
    FlatDriver design(6);
    TOptimizeVariable r{TVariableKind::PartValue, 0, -1, "R1", 4, 8, true};
    RecordingMessageSink messages;
    TObjective objective(design.c.d, {}, {r}, messages);
    EXPECT_EQ(objective.Evaluate({6}).Bounds, 0.0);
    // One octave above the upper bound, half an octave below the lower.
    EXPECT_NEAR(objective.Evaluate({16}).Bounds, 10.0, 1e-9);
    EXPECT_NEAR(objective.Evaluate({2 * std::sqrt(2.0)}).Bounds, 2.5, 1e-9);
    // The design given stays as it was.
    EXPECT_EQ(design.c.d.Parts[0]->Value, 6);
}

TEST(Objective, PhaseTermMeasuresNeighboursAtTheirCrossover) {
    // Two resistive drivers with the default flat response, one behind a
    // first-order low-pass (L into 8 ohms), the other behind a first-order
    // high-pass (C into 8 ohms), both at 1 kHz: 90 degrees apart there.
    CircuitBuilder c;
    c.Ground();
    const double w = 2 * M_PI * 1000;
    c.L(1, 2, 8 / w);
    c.Driver(2, 0, 8);
    c.C(1, 3, 1 / (8 * w));
    c.Driver(3, 0, 8);
    EnsureAnalysisGrid(c.d);
    struct Case {
        const char* Name;
        bool Targets;
    };
    for (const Case& k : {Case{"crossing found", false}, Case{"from the driver targets", true}}) {
        SCOPED_TRACE(k.Name);
        TObjectiveSettings s;
        s.PhaseWeight = 1;
        if (k.Targets) {
            s.DriverTargets.push_back({0, std::nullopt, TFilterShape{TAlignment::LR2, 1000}, std::nullopt, 0.0});
            s.DriverTargets.push_back({1, TFilterShape{TAlignment::LR2, 1000}, std::nullopt, std::nullopt, 0.0});
        }
        RecordingMessageSink messages;
        TObjective objective(c.d, s, {}, messages);
        const TObjectiveTerms t = objective.Evaluate({});
        ASSERT_EQ(objective.Crossovers().size(), 1u);
        EXPECT_EQ(objective.Crossovers()[0].Lower, 0);
        EXPECT_EQ(objective.Crossovers()[0].Upper, 1);
        EXPECT_NEAR(objective.Crossovers()[0].Frequency, 1000, 20);
        EXPECT_NEAR(t.Phase, 90.0 / 30.0, 0.05);
    }
}

}  // namespace
