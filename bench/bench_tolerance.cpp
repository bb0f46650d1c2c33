// The tolerance analysis: 1000 Monte Carlo runs of the three-way (the design
// of 30 parts and 3 drivers built in code, tests/support ThreeWayDesign, and
// the shipped example) with every part within 5 % and the drivers within
// +/- 0.5 dB, collecting the summed SPL; once more with the impedance as well.
// The runs spread over the program's worker pool: run the program with
// PELMO_THREADS=1 for one core and PELMO_THREADS=2 for two (the "threads"
// counter says which). Target: at most 1 s for 1000 runs. For comparison in
// the same run: one solve of the same copy with the same curve, as a run
// solves it (1000 of them are the analysis without its overhead).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "ThreeWayDesign.h"
#include "base/MessageSink.h"
#include "base/WorkerPool.h"
#include "document/DocumentFlow.h"
#include "engine/Sweep.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "optimize/SolveCopy.h"
#include "tolerance/ToleranceAnalysis.h"

using namespace pelmo;

namespace {

namespace fs = std::filesystem;

void Run(benchmark::State& state, const TDesign& d, bool impedance) {
    TToleranceSettings s;
    s.Runs = 1000;
    s.DriverDb = 0.5;
    s.UnrecordedTolerance = 0.05;
    s.Curves = {{TToleranceCurveKind::Spl, -1, 0.0}};
    if (impedance) s.Curves.push_back({TToleranceCurveKind::Impedance, -1, 0.0});
    SilentMessageSink silent;
    TToleranceOutcome out;
    for (auto _ : state) {
        out = RunToleranceAnalysis(d, s, silent);
        if (!out.Ok) state.SkipWithError(out.Failure.c_str());
        benchmark::DoNotOptimize(out.Bands.data());
    }
    state.counters["threads"] = TWorkerPool::Shared().Parts();
    state.counters["runs"] = out.Runs;
    state.counters["runs_per_s"] =
        benchmark::Counter(static_cast<double>(s.Runs), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SingleSolveThreeWayBuilt(benchmark::State& state) {
    bench::ThreeWayDesign t;
    TDesign d;
    CopySolveDesign(t.d, d);
    EnsureAnalysisGrid(d);
    // An SPL window with the System curve, unsmoothed.
    TGraphRecord spl(TGraphKind::SPL);
    spl.Curves.emplace_back().Smoothing = 0.0;
    TSolveContext ctx;
    TSolveResult result;
    TCurveWork work;
    SilentMessageSink silent;
    const double v = d.Parts[0]->Value;
    for (auto _ : state) {
        d.Parts[0]->Value = state.iterations() % 2 ? v * 1.01 : v;
        SolveCircuit(d, TSolveOptions{}, ctx, result, silent);
        FillCurve({d, result, work, silent}, spl, 0);
        benchmark::DoNotOptimize(spl.Curves[0].MagSeries.Y.data());
    }
    state.counters["threads"] = TWorkerPool::Shared().Parts();
}
BENCHMARK(BM_SingleSolveThreeWayBuilt)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ToleranceThreeWayBuilt1000(benchmark::State& state) {
    bench::ThreeWayDesign t;
    Run(state, t.d, false);
}
BENCHMARK(BM_ToleranceThreeWayBuilt1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_ToleranceThreeWayBuilt1000WithImpedance(benchmark::State& state) {
    bench::ThreeWayDesign t;
    Run(state, t.d, true);
}
BENCHMARK(BM_ToleranceThreeWayBuilt1000WithImpedance)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The shipped example, opened from a copy in a temporary folder (opening
// writes the measurement files beside the design).
void BM_ToleranceThreeWayExample1000(benchmark::State& state) {
    char pattern[] = "/tmp/pelmo_bench_tolerance_XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string path = folder + "/ThreeWay.bkt";
    fs::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/ThreeWay.bkt", path);
    TDesign d;
    SilentMessageSink silent;
    if (!OpenDesignFile(d, path, silent)) std::abort();
    Run(state, d, false);
    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(BM_ToleranceThreeWayExample1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
