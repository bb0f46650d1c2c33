// The solve heard from where the drivers sit, on the two-way example as while
// tuning: a notch (a part's value changed, the design solved, an SPL window's
// System curve filled) on axis as always, then with the driver positions
// used, then with the spinorama and with the sound power at 5 degrees worked
// out after it; and what a change of a driver's place or response costs
// before the next notch (its responses toward the listening point and the 70
// positions made again).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/MessageSink.h"
#include "document/DocumentFlow.h"
#include "engine/DirectionalSum.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"

using namespace pelmo;

namespace {

namespace fs = std::filesystem;

struct TwoWay {
    std::string folder;
    TDesign d;
    TGraphRecord spl{TGraphKind::SPL};
    TGraphList graphs;
    TGraphSolve solve;
    SilentMessageSink silent;
    TDirectionalWork work;
    bool ok = false;

    explicit TwoWay(bool positions) {
        folder = (fs::temp_directory_path() / ("pelmo-bench-directivity-" + std::to_string(::getpid()))).string();
        fs::create_directories(folder);
        const std::string path = folder + "/TwoWay.bkt";
        fs::copy_file(PELMO_SOURCE_DIR "/examples/TwoWay.bkt", path, fs::copy_options::overwrite_existing);
        if (!OpenDesignFile(d, path, silent) || d.Drivers.size() != 2 || d.Parts.empty()) return;
        // The woofer below the origin, the tweeter above it.
        d.Drivers[0]->Acoustic.YOffsetInches = -3.5;
        d.Drivers[0]->Acoustic.DiameterInches = 5.2;
        d.Drivers[1]->Acoustic.YOffsetInches = 3.0;
        d.Drivers[1]->Acoustic.DiameterInches = 1.0;
        WriteListeningSetup({2.0, 15.0, 5.0, positions}, d.Settings);
        AddCurve(spl, d, "System", true).Smoothing = 0.0;
        graphs.Add(&spl);
        SolveGraphs(d, graphs, solve, silent);
        ok = true;
    }
    ~TwoWay() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    // A tuning step changes a value before every solve.
    long notches = 0;
    void Notch() {
        d.Parts[0]->Value *= (++notches % 2) ? 1.01 : 1 / 1.01;
        SolveGraphs(d, graphs, solve, silent);
    }
};

void BM_NotchOnAxis(benchmark::State& state) {
    TwoWay w(false);
    if (!w.ok) return state.SkipWithError("the two-way example did not open");
    for (auto _ : state) {
        w.Notch();
        benchmark::DoNotOptimize(w.spl.Curves[0].MagSeries.Y.data());
    }
}
BENCHMARK(BM_NotchOnAxis)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_NotchDriverPositions(benchmark::State& state) {
    TwoWay w(true);
    if (!w.ok) return state.SkipWithError("the two-way example did not open");
    for (auto _ : state) {
        w.Notch();
        benchmark::DoNotOptimize(w.spl.Curves[0].MagSeries.Y.data());
    }
    state.counters["made"] = static_cast<double>(w.solve.Context.Directivity.Counts().Responses);
}
BENCHMARK(BM_NotchDriverPositions)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_NotchWithSpinorama(benchmark::State& state) {
    TwoWay w(true);
    if (!w.ok) return state.SkipWithError("the two-way example did not open");
    TSpinorama s;
    for (auto _ : state) {
        w.Notch();
        SpinoramaOf(w.d, w.solve.Result, w.solve.Context.Directivity, 2.0, -1, w.work, w.silent, s);
        benchmark::DoNotOptimize(s.PredictedInRoom.data());
    }
}
BENCHMARK(BM_NotchWithSpinorama)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_NotchWithPowerAt5Degrees(benchmark::State& state) {
    TwoWay w(true);
    if (!w.ok) return state.SkipWithError("the two-way example did not open");
    TPowerAndDi p;
    for (auto _ : state) {
        w.Notch();
        PowerAndDiOf(w.d, w.solve.Result, w.solve.Context.Directivity, TPowerWeighting::Sectors, 5.0, 2.0, -1, w.work,
                     w.silent, p);
        benchmark::DoNotOptimize(p.DiDb.data());
    }
}
BENCHMARK(BM_NotchWithPowerAt5Degrees)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// The spinorama alone, from a solve that does not change.
void BM_SpinoramaPerNotch(benchmark::State& state) {
    TwoWay w(true);
    if (!w.ok) return state.SkipWithError("the two-way example did not open");
    TSpinorama s;
    for (auto _ : state) {
        SpinoramaOf(w.d, w.solve.Result, w.solve.Context.Directivity, 2.0, -1, w.work, w.silent, s);
        benchmark::DoNotOptimize(s.PredictedInRoom.data());
    }
}
BENCHMARK(BM_SpinoramaPerNotch)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// The tweeter moved (or its response changed): its responses toward the
// listening point and the 70 positions made again; the woofer's are kept.
void RebuildAfter(benchmark::State& state, bool response) {
    TwoWay w(true);
    if (!w.ok) return state.SkipWithError("the two-way example did not open");
    TDirectivityCache& cache = w.solve.Context.Directivity;
    const auto& cta = CtaDirections();
    const std::vector<TVec3> directions(cta.begin(), cta.end());
    const TListeningSetup setup = ReadListeningSetup(w.d.Settings);
    TDriverAcoustics& tweeter = w.d.Drivers[1]->Acoustic;
    long changes = 0;
    for (auto _ : state) {
        const bool odd = ++changes % 2;
        if (response)
            tweeter.Response.Re[250] *= odd ? 1.001 : 1 / 1.001;
        else
            tweeter.YOffsetInches = odd ? 3.1 : 3.0;
        benchmark::DoNotOptimize(cache.AtListeningPoint(w.d, w.solve.Result.Grid, setup, w.silent).data());
        benchmark::DoNotOptimize(&cache.AtDirections(w.d, w.solve.Result.Grid, directions, 2.0, w.silent));
    }
    state.counters["made"] = static_cast<double>(cache.Counts().Responses);
}
void BM_RebuildAfterGeometryChange(benchmark::State& state) { RebuildAfter(state, false); }
void BM_RebuildAfterResponseChange(benchmark::State& state) { RebuildAfter(state, true); }
BENCHMARK(BM_RebuildAfterGeometryChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RebuildAfterResponseChange)->Unit(benchmark::kMicrosecond);

}  // namespace
