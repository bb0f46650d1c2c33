// The optimizer's costs: one evaluation of the objective on the three-way
// example (a real solve without graph curves) beside the solve of the graph
// windows a wheel step runs (SPL with the sum and every driver, impedance),
// and a whole search of 6 values from the two-way example with its
// crossover detuned. The evaluations of a run are reported as a counter.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/MessageSink.h"
#include "document/DocumentFlow.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"
#include "optimize/Optimizer.h"

using namespace pelmo;

namespace {

namespace fs = std::filesystem;

// An example opened from a copy in a temporary folder (opening writes the
// measurement files beside the design).
struct Example {
    explicit Example(const std::string& name) {
        char pattern[] = "/tmp/pelmo_bench_optimize_XXXXXX";
        folder = mkdtemp(pattern);
        const std::string path = folder + "/" + name;
        fs::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/" + name, path);
        if (!OpenDesignFile(d, path, silent)) std::abort();
    }
    ~Example() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string folder;
    SilentMessageSink silent;
    TDesign d;
};

std::vector<TOptimizeVariable> Parts(const TDesign& d, const std::vector<std::string>& names) {
    std::vector<TOptimizeVariable> vars;
    for (const std::string& n : names)
        if (auto v = FindOfferedVariable(d, n)) vars.push_back(*v);
    return vars;
}

void BM_ObjectiveEvaluationThreeWay(benchmark::State& state) {
    Example e("ThreeWay.bkt");
    std::vector<TOptimizeVariable> vars;
    for (const TOptimizeVariable& v : OfferedVariables(e.d))
        if (v.Kind == TVariableKind::PartValue) vars.push_back(v);
    TObjective objective(e.d, {}, vars, e.silent);
    std::vector<double> values = objective.StartValues();
    for (auto _ : state) {
        values[0] *= state.iterations() % 2 ? 1.01 : 1 / 1.01;
        benchmark::DoNotOptimize(objective.Evaluate(values).Total);
    }
    state.counters["variables"] = static_cast<double>(vars.size());
}
BENCHMARK(BM_ObjectiveEvaluationThreeWay)->Unit(benchmark::kMillisecond);

// For comparison: the solve of the graph windows after one wheel step.
void BM_GraphSolveThreeWay(benchmark::State& state) {
    Example e("ThreeWay.bkt");
    TGraphRecord spl(TGraphKind::SPL), z(TGraphKind::Impedance);
    for (const char* name : {"System", "S1", "S2", "S3"}) AddCurve(spl, e.d, name, true);
    AddCurve(z, e.d, "System", true);
    TGraphList graphs;
    graphs.Add(&spl);
    graphs.Add(&z);
    TGraphSolve solve;
    const double v = e.d.Parts[0]->Value;
    for (auto _ : state) {
        e.d.Parts[0]->Value = state.iterations() % 2 ? v * 1.01 : v;
        SolveGraphs(e.d, graphs, solve, e.silent);
        benchmark::DoNotOptimize(spl.Curves[0].MagSeries.Y.data());
    }
}
BENCHMARK(BM_GraphSolveThreeWay)->Unit(benchmark::kMillisecond);

// Six values of the two-way's crossover, detuned by factors from 0.6 to
// 1.6, brought back to a flat sum over 200 Hz to 15 kHz.
void BM_OptimizeRunTwoWaySix(benchmark::State& state) {
    Example e("TwoWay.bkt");
    const std::vector<TOptimizeVariable> start = Parts(e.d, {"L1", "C1", "C3", "L2", "R2", "R3"});
    const double detune[] = {1.6, 0.6, 1.3, 0.75, 1.45, 0.7};
    std::vector<TOptimizeVariable> vars = start;
    for (std::size_t i = 0; i < vars.size(); ++i) {
        const double value = VariableValue(e.d, vars[i]) * detune[i];
        SetVariableValue(e.d, vars[i], value);
        SetDefaultBounds(vars[i], value);
    }
    TOptimizeOutcome out;
    for (auto _ : state) {
        TObjective objective(e.d, {}, vars, e.silent);
        out = RunOptimizer(objective, {});
    }
    state.counters["evaluations"] = out.Evaluations;
    state.counters["start"] = out.Start.Total;
    state.counters["best"] = out.Best.Total;
}
BENCHMARK(BM_OptimizeRunTwoWaySix)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
