// The time responses run at the end of every solve, so every wheel step of
// tuning pays for them: one 16384-point transform per impulse or step curve,
// 401 samples of an 11-term sum per square-wave curve.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>

#include "base/MessageSink.h"
#include "driverdata/FFT.h"
#include "engine/Sweep.h"
#include "engine/TimeResponse.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/Elements.h"

namespace {

// A design after a solve: a two-way-like system response with a delay.
struct Solved {
    pelmo::TDesign d;
    pelmo::TGraphList graphs;
    pelmo::TGraphRecord window;
    pelmo::TSolveResult result;
    std::array<pelmo::TCurveWork, 2> work;

    explicit Solved(pelmo::TGraphKind kind) : window(kind) {
        pelmo::EnsureAnalysisGrid(d);
        result.Grid = d.Grid;
        result.OctavesPerStep = d.OctavesPerStep;
        for (double f : d.Grid) {
            const double x = f / 60.0, y = f / 12000.0;
            result.System.Mag.push_back(3000.0 * x * x / std::sqrt(1 + x * x * x * x) / std::sqrt(1 + y * y * y * y));
            result.System.Phase.push_back(std::remainder(180.0 - 2 * std::atan(x) * 57.3 - 360.0 * f * 0.00012, 360.0));
        }
        window.Curves.emplace_back();
        window.Curves.back().Name = "System";
        graphs.Add(&window);
    }
    // The curves of every window filled from the result.
    void Fill(pelmo::MessageSink& messages) { pelmo::FillCurves(d, result, graphs, work, messages); }
    const pelmo::TChartCurve& Points(std::size_t i) const { return graphs.Windows[i]->Curves[0].MagSeries; }
};

void BM_ImpulseStepCurves(benchmark::State& state) {
    pelmo::BuildSineTables();
    Solved s(state.range(0) == 0 ? pelmo::TGraphKind::Impulse : pelmo::TGraphKind::Step);
    pelmo::SilentMessageSink messages;
    for (auto _ : state) {
        s.Fill(messages);
        benchmark::DoNotOptimize(s.Points(0).Y.data());
    }
}
BENCHMARK(BM_ImpulseStepCurves)->Arg(0)->Arg(1)->ArgName("step")->Unit(benchmark::kMillisecond);

// An impulse and a step window, both with the System curve: one transform
// serves both.
void BM_ImpulseAndStepWindows(benchmark::State& state) {
    pelmo::BuildSineTables();
    Solved s(pelmo::TGraphKind::Impulse);
    pelmo::TGraphRecord step(pelmo::TGraphKind::Step);
    step.Curves.emplace_back();
    step.Curves.back().Name = "System";
    s.graphs.Add(&step);
    pelmo::SilentMessageSink messages;
    for (auto _ : state) {
        s.Fill(messages);
        benchmark::DoNotOptimize(s.Points(1).Y.data());
    }
}
BENCHMARK(BM_ImpulseAndStepWindows)->Unit(benchmark::kMillisecond);

void BM_SquareWaveCurves(benchmark::State& state) {
    Solved s(pelmo::TGraphKind::SquareWave);
    s.window.TestFrequency = 400;
    pelmo::SilentMessageSink messages;
    for (auto _ : state) {
        s.Fill(messages);
        benchmark::DoNotOptimize(s.Points(0).Y.data());
    }
}
BENCHMARK(BM_SquareWaveCurves)->Unit(benchmark::kMicrosecond);

}  // namespace
