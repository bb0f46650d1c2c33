// A derived driver load: the FRD read and fit, the tails on 131073 bins, two
// 262144-point transforms and the fits back onto the analysis grid. It runs
// for every derived driver when a design is read, and the tails dialog runs
// the level-based variant on every change of a tail setting.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "base/MessageSink.h"
#include "driverdata/FFT.h"
#include "driverdata/MinimumPhase.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/Elements.h"

namespace {

// A woofer-like level: a 2nd-order roll-off at 50 Hz, a break-up bump near
// 3 kHz and a roll-off above, at 1/48-octave points from 10 Hz to 40 kHz.
double Level(double f) {
    const double x = f / 50.0;
    const double low = 40.0 * std::log10(x * x / std::sqrt((1 - x * x) * (1 - x * x) + 2 * x * x));
    const double bump = 4.0 * std::exp(-std::pow(std::log2(f / 3000.0) * 3.0, 2));
    const double high = -10.0 * std::log10(1 + std::pow(f / 5000.0, 4));
    return 87.0 + low + bump + high;
}

std::string WriteFrd() {
    const auto path = std::filesystem::temp_directory_path() / "pelmo_bench_minphase.frd";
    std::ofstream out(path);
    out << "* synthetic woofer\n";
    for (double f = 10; f <= 40000; f *= std::exp2(1.0 / 48)) out << f << '\t' << Level(f) << "\t0\n";
    return path.string();
}

void BM_LoadMinimumPhaseResponse(benchmark::State& state) {
    pelmo::BuildSineTables();
    const std::string path = WriteFrd();
    pelmo::SilentMessageSink messages;
    pelmo::TDesign d;
    pelmo::EnsureAnalysisGrid(d);
    pelmo::TDriver drv;
    drv.Acoustic.HilbertPhase = true;
    drv.Acoustic.Tails.LowFreq = 30;
    drv.Acoustic.Tails.HighFreq = 16000;
    drv.Acoustic.Tails.LowSlope = 12;
    drv.Acoustic.Tails.HighSlope = 24;
    drv.Acoustic.Tails.DelayInches = 1.5;
    for (auto _ : state) {
        if (!pelmo::LoadMinimumPhaseResponse(d, drv, path, messages)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(drv.Acoustic.Response.Re.data());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadMinimumPhaseResponse)->Unit(benchmark::kMillisecond);

// The preview of the tails dialog: levels on the analysis grid.
void BM_MinimumPhaseOfLevels(benchmark::State& state) {
    pelmo::BuildSineTables();
    pelmo::SilentMessageSink messages;
    pelmo::DataArray grid, levels, phase;
    pelmo::MakeLogGrid(grid);
    for (double f : grid) levels.push_back(Level(f));
    for (auto _ : state) {
        pelmo::MinimumPhaseOfLevels(levels, phase, grid, 30, 16000, 12, 24, messages);
        benchmark::DoNotOptimize(phase.data());
    }
}
BENCHMARK(BM_MinimumPhaseOfLevels)->Unit(benchmark::kMillisecond);

}  // namespace
