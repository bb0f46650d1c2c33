// The solve on a three-way design of 30 parts and 3 drivers with
// measured-looking impedance and response data, as during wheel tuning:
// an SPL window (System and one 1/6-octave smoothed driver curve) and an
// impedance window (System and one lookback curve). Also the bare nodal
// sweep, and the same AC analysis (500 log-spaced points) in ngspice for
// comparison.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ThreeWayDesign.h"
#include "base/MessageSink.h"
#include "engine/Netlist.h"
#include "engine/Sweep.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

using namespace pelmo;

namespace {

using ThreeWay = bench::ThreeWayDesign;

// The two windows of a tuning session.
struct Session {
    ThreeWay w;
    TGraphRecord spl{TGraphKind::SPL};
    TGraphRecord z{TGraphKind::Impedance};
    TGraphList graphs;
    TGraphSolve solve;
    SilentMessageSink silent;

    Session() {
        AddCurve(spl, w.d, "System", true).Smoothing = 0.0;
        AddCurve(spl, w.d, "S2", false).Smoothing = 1.0 / 6.0;
        AddCurve(z, w.d, "System", true);
        AddCurve(z, w.d, "S3 (lookback)", false).ShowPhase = true;
        graphs.Add(&spl);
        graphs.Add(&z);
    }
};

void BM_SolveItClick(benchmark::State& state) {
    Session s;
    std::size_t parts = s.w.d.Parts.size();
    for (auto _ : state) {
        // A tuning step changes a value before every solve.
        s.w.d.Parts[3]->Value = (state.iterations() % 2) ? 12e-6 : 12.5e-6;
        SolveGraphs(s.w.d, s.graphs, s.solve, s.silent);
        benchmark::DoNotOptimize(s.z.Curves[1].MagSeries.Y.data());
    }
    state.counters["parts"] = static_cast<double>(parts);
    state.counters["nodes"] = s.w.Net.NodeCount - 1;
    state.counters["lookbackPoints"] = static_cast<double>(s.z.Curves[1].MagSeries.Count());
}
// The processor time of every thread: the solve shares its work with the
// worker pool's helpers.
BENCHMARK(BM_SolveItClick)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// 500 frequencies: admittances, stamping, solving, reading the voltages.
void BM_NodalSweep(benchmark::State& state) {
    ThreeWay w;
    TSolveContext ctx;
    PlanStamps(w.d, w.Net, ctx);
    for (auto _ : state) {
        for (int k = 0; k < AnalysisPoints; ++k) {
            SetPartAdmittances(w.d, ctx, w.d.Grid[static_cast<std::size_t>(k)]);
            ctx.Solver.InitStruc(w.Net.NodeCount - 1);
            StampEquations(w.d, ctx, k, 1.0);
            ctx.Solver.SolveSystem();
            ReadNodeVoltages(ctx, w.Net.NodeCount);
            ctx.Solver.ReleaseSystem();
        }
        benchmark::DoNotOptimize(ctx.V.data());
    }
}
BENCHMARK(BM_NodalSweep)->Unit(benchmark::kMillisecond);

// The same 500 frequencies as the solve sweeps them: several at a time
// through the recorded elimination, spread over the worker pool. Wall time
// (the pool's helpers work while this thread waits) and the processor time
// of every thread, which a busy machine does not inflate.
void BM_NodalSweepSolve(benchmark::State& state) {
    ThreeWay w;
    TSolveContext ctx;
    TSolveResult result;
    SolveNodeVoltages(w.d, w.Net, ctx, result);
    for (auto _ : state) {
        SolveNodeVoltages(w.d, w.Net, ctx, result);
        benchmark::DoNotOptimize(result.NodeVoltages.data());
    }
}
BENCHMARK(BM_NodalSweepSolve)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// ngspice: one run repeating the 500-point AC analysis `sweeps` times; the
// time of a run with no analysis (start-up, parsing) is taken off. Measured
// as the processor time of the ngspice process, as the benchmarks above
// report theirs, so that a busy machine does not distort the ratio.
struct RunTime {
    double wall = -1, cpu = -1;
};

double ChildrenCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

RunTime NgspiceRun(const std::string& circuit, int sweeps) {
    const std::string dir = "/tmp/pelmo-bench-ngspice-" + std::to_string(::getpid()) + "/";
    std::system(("mkdir -p " + dir).c_str());
    std::ofstream(dir + "c.cir") << circuit << ".control\n"
                                 << (sweeps > 0 ? "repeat " + std::to_string(sweeps) +
                                                      "\nac dec 151 10 20000\ndestroy all\nend\n"
                                                : "")
                                 << "quit\n.endc\n.end\n";
    const double c0 = ChildrenCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = std::system(("cd " + dir + " && exec ngspice -b c.cir > log.txt 2>&1").c_str());
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = ChildrenCpuSeconds();
    std::system(("rm -rf " + dir).c_str());
    if (rc != 0) return {};
    return {std::chrono::duration<double>(t1 - t0).count(), c1 - c0};
}

void BM_NgspiceAcSweep(benchmark::State& state) {
    ThreeWay w;
    constexpr int Sweeps = 100;
    double wall = 0;
    for (auto _ : state) {
        const RunTime base = NgspiceRun(w.spice, 0);
        const RunTime full = NgspiceRun(w.spice, Sweeps);
        if (base.cpu < 0 || full.cpu < 0) {
            state.SkipWithError("ngspice did not run");
            return;
        }
        state.SetIterationTime((full.cpu - base.cpu) / Sweeps);
        wall += (full.wall - base.wall) / Sweeps;
    }
    state.counters["wall_ms"] = 1000 * wall / static_cast<double>(state.iterations());
}
BENCHMARK(BM_NgspiceAcSweep)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
