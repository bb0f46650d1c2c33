// The search: it finds textbook filter values from a driver target, brings
// detuned examples back to a flat sum, keeps to the bounds, snaps to the
// series, and stops when asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "CircuitBuilder.h"
#include "TestSupport.h"
#include "document/DocumentFlow.h"
#include "model/AnalysisGrid.h"
#include "model/StepModes.h"
#include "optimize/Optimizer.h"
#include "values/ESeries.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;

namespace {

namespace fs = std::filesystem;

std::vector<TOptimizeVariable> AllParts(const TDesign& d) {
    std::vector<TOptimizeVariable> out;
    for (const TOptimizeVariable& v : OfferedVariables(d))
        if (v.Kind == TVariableKind::PartValue) out.push_back(v);
    return out;
}

// A fourth-order ladder (series L, shunt C, series L, shunt C) into an 8-ohm
// resistive driver with a flat response: Linkwitz-Riley at 2.5 kHz with
// L1 = 0.3 R/f, C1 = 0.2533/(R f), L2 = 0.15 R/f, C2 = 0.05627/(R f) (the
// normalized ladder 1.8856, 1.5910, 0.9428, 0.3536 scaled by R / 2 pi f).
struct LadderLowPass {
    static constexpr double R = 8, F = 2500;
    static constexpr double W = 2 * M_PI * F;
    const double Textbook[4] = {1.8856181 * R / W, 1.5909903 / (R * W), 0.9428090 * R / W, 0.3535534 / (R * W)};
    LadderLowPass() {
        c.Ground();
        c.L(1, 2, Textbook[0] * 1.4);
        c.C(2, 0, Textbook[1] * 0.7);
        c.L(2, 3, Textbook[2] * 0.75);
        c.C(3, 0, Textbook[3] * 1.3);
        c.Driver(3, 0, R);
        EnsureAnalysisGrid(c.d);
    }
    CircuitBuilder c;
};

TEST(Optimizer, LinkwitzRileyDriverTargetRecoversTheTextbookLadder) {
    LadderLowPass ladder;
    TObjectiveSettings s;
    s.Sum.Kind = TSumTargetKind::None;
    s.DriverTargets.push_back({0, std::nullopt, TFilterShape{TAlignment::LR4, LadderLowPass::F}, 70.0, 1.0});
    RecordingMessageSink messages;
    TObjective objective(ladder.c.d, s, AllParts(ladder.c.d), messages);
    const TOptimizeOutcome out = RunOptimizer(objective, {});
    ASSERT_TRUE(out.Failure.empty()) << out.Failure;
    EXPECT_GT(out.Start.Total, 1.0);
    EXPECT_LT(out.Best.Total, 0.01);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(out.BestValues[i] / ladder.Textbook[i], 1.0, 0.01) << i;
    EXPECT_TRUE(messages.Messages.empty());
}

TEST(Optimizer, KeepsToTheBoundsAndSnapsToTheSeries) {
    LadderLowPass ladder;
    TObjectiveSettings s;
    s.Sum.Kind = TSumTargetKind::None;
    s.DriverTargets.push_back({0, std::nullopt, TFilterShape{TAlignment::LR4, LadderLowPass::F}, 70.0, 1.0});
    std::vector<TOptimizeVariable> vars = AllParts(ladder.c.d);
    // L1's best value lies above its bounds; C1 steps along E6, the others
    // along their own E24 (step mode 1).
    vars[0].Lower = ladder.Textbook[0] * 0.5;
    vars[0].Upper = ladder.Textbook[0] * 0.8;
    ladder.c.d.Parts[1]->StepMode = smmPC20;
    ladder.c.d.Parts[2]->StepMode = smmPC5;
    ladder.c.d.Parts[3]->StepMode = smmPC5;
    ladder.c.d.Parts[0]->StepMode = smmPC5;
    for (bool snap : {false, true}) {
        SCOPED_TRACE(snap ? "snapped" : "continuous");
        RecordingMessageSink messages;
        TObjective objective(ladder.c.d, s, vars, messages);
        TOptimizeSettings settings;
        settings.Snap = snap;
        const TOptimizeOutcome out = RunOptimizer(objective, settings);
        ASSERT_TRUE(out.Failure.empty()) << out.Failure;
        EXPECT_EQ(out.Snapped, snap);
        for (std::size_t i = 0; i < vars.size(); ++i) {
            EXPECT_GE(out.BestValues[i], vars[i].Lower) << i;
            EXPECT_LE(out.BestValues[i], vars[i].Upper) << i;
        }
        // Against the wall it cannot pass.
        EXPECT_NEAR(out.BestValues[0] / vars[0].Upper, 1.0, snap ? 0.1 : 1e-3);
        if (snap) {
            const TESeries series[] = {esE24, esE6, esE24, esE24};
            for (std::size_t i = 0; i < vars.size(); ++i)
                EXPECT_EQ(RoundToESeries(out.BestValues[i], series[i]), out.BestValues[i]) << i;
            EXPECT_EQ(out.Best.Bounds, 0.0);
        }
    }
}

TEST(Optimizer, StopsWhenAskedAndLeavesTheDesignAlone) {
    LadderLowPass ladder;
    TObjectiveSettings s;
    s.Sum.Kind = TSumTargetKind::None;
    s.DriverTargets.push_back({0, std::nullopt, TFilterShape{TAlignment::LR4, LadderLowPass::F}, 70.0, 1.0});
    RecordingMessageSink messages;
    TObjective objective(ladder.c.d, s, AllParts(ladder.c.d), messages);
    int calls = 0;
    double lastBest = 1e300;
    TOptimizeSettings settings;
    settings.Snap = true;
    const TOptimizeOutcome out = RunOptimizer(objective, settings, [&](const TOptimizeProgress& p) {
        EXPECT_LE(p.BestObjective, lastBest);
        lastBest = p.BestObjective;
        return ++calls < 25;
    });
    EXPECT_TRUE(out.Cancelled);
    EXPECT_FALSE(out.Snapped);
    EXPECT_EQ(calls, 25);
    EXPECT_EQ(out.Evaluations, 26);  // the start, then the search
    EXPECT_EQ(out.Best.Total, lastBest);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ladder.c.d.Parts[static_cast<std::size_t>(i)]->Value, out.StartValues[i]);
}

// Largest deviation of the summed response from its mean over 200 Hz to 15 kHz.
double SumSpread(TObjective& objective, const std::vector<double>& values) {
    objective.Evaluate(values);
    const TSolveResult& r = objective.LastResult();
    const DataArray& grid = objective.Design().Grid;
    double lo = 1e300, hi = -1e300;
    for (std::size_t k = 0; k < grid.size(); ++k)
        if (grid[k] >= 200 && grid[k] <= 15000) {
            lo = std::min(lo, LevelDb(r.System.Mag[k]));
            hi = std::max(hi, LevelDb(r.System.Mag[k]));
        }
    return (hi - lo) / 2;
}

TEST(Optimizer, DetunedExamplesComeBackFlat) {
    const std::string folder = std::string(PELMO_SOURCE_DIR) + "/examples/";
    const double detune[] = {1.6, 0.6, 1.45, 0.7, 1.3, 0.75, 1.5, 0.65, 1.15, 0.85};
    for (const char* name : {"TwoWay.bkt", "ThreeWay.bkt", "TwoWayDerivedPhase.bkt", "TwoWayBlocks.bkt"}) {
        SCOPED_TRACE(name);
        TempFolder temp;
        fs::copy_file(folder + name, temp.Path() + name);
        TDesign d;
        RecordingMessageSink messages;
        ASSERT_TRUE(OpenDesignFile(d, temp.Path() + name, messages));
        // Every part of the crossover, or the blocks' variables in the design
        // made of blocks, multiplied by factors from 0.6 to 1.6.
        std::vector<TOptimizeVariable> vars;
        for (const TOptimizeVariable& v : OfferedVariables(d))
            if (v.Kind == TVariableKind::PartValue || v.Kind == TVariableKind::BlockVariable) vars.push_back(v);
        ASSERT_GE(vars.size(), 4u);
        for (std::size_t i = 0; i < vars.size(); ++i) {
            const double value = VariableValue(d, vars[i]) * detune[i % std::size(detune)];
            SetVariableValue(d, vars[i], value);
            SetDefaultBounds(vars[i], value);
        }
        TObjectiveSettings s;
        TObjective objective(d, s, vars, messages);
        const TOptimizeOutcome out = RunOptimizer(objective, {});
        ASSERT_TRUE(out.Failure.empty()) << out.Failure;
        EXPECT_GT(SumSpread(objective, out.StartValues), 1.5);
        EXPECT_LE(SumSpread(objective, out.BestValues), 1.0);
        EXPECT_TRUE(messages.Messages.empty());
    }
}

}  // namespace
