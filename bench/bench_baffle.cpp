// Baffle diffraction and boxes. One driver's diffraction at every position of
// a spinorama (70 directions: the horizontal and the vertical circle in 10
// degree steps) on the analysis grid must take at most 20 ms; a box's
// response on the grid well under a millisecond.
#include <benchmark/benchmark.h>

#include <complex>
#include <vector>

#include "acoustics/BaffleDiffraction.h"
#include "acoustics/Enclosure.h"
#include "model/AnalysisGrid.h"

namespace {

std::vector<pelmo::TBaffleListener> Spinorama() {
    std::vector<pelmo::TBaffleListener> at;
    for (int a = -170; a <= 180; a += 10) at.push_back({static_cast<double>(a), 0, 0});
    for (int a = -170; a <= 180; a += 10)
        if (a != 0 && a != 180) at.push_back({0, static_cast<double>(a), 0});
    return at;
}

pelmo::DataArray Grid() {
    pelmo::DataArray g;
    pelmo::MakeLogGrid(g);
    return g;
}

// A 25 mm dome 120 mm below the top of a 250 x 400 mm baffle, a little off
// centre, with a 10 mm roundover.
void BM_BaffleSpinorama(benchmark::State& state) {
    pelmo::TBaffle baffle;
    baffle.WidthIn = 250 / 25.4;
    baffle.HeightIn = 400 / 25.4;
    baffle.RoundoverIn = 10 / 25.4;
    const pelmo::TBaffleSource dome{-15 / 25.4, 80 / 25.4, state.range(0) / 25.4};
    const pelmo::DataArray grid = Grid();
    const auto directions = Spinorama();
    std::vector<std::complex<double>> factor;
    for (auto _ : state) {
        const pelmo::TBaffleDiffraction model(baffle, dome, grid);
        for (const auto& l : directions) {
            model.Factor(l, factor);
            benchmark::DoNotOptimize(factor.data());
        }
    }
    state.counters["directions"] = static_cast<double>(directions.size());
    state.counters["elements"] = static_cast<double>(pelmo::TBaffleDiffraction(baffle, dome, grid).ElementCount());
}
BENCHMARK(BM_BaffleSpinorama)->Arg(0)->Arg(25)->Unit(benchmark::kMillisecond);

pelmo::TDriverModelParams Woofer() {
    pelmo::TDriverModelParams p;
    p.Re = 5.6;
    p.Le = 0.55e-3;
    p.LeExponent = 0.72;
    p.Fs = 38;
    p.Qms = 3.4;
    p.Qes = 0.42;
    p.Vas = 24e-3;
    p.Sd = 133e-4;
    p.Resonances = {{5200, 2.5}};
    return p;
}

void BM_BoxResponse(benchmark::State& state) {
    pelmo::TEnclosure box;
    box.Kind = static_cast<pelmo::EnclosureKind>(state.range(0));
    box.Vb = 20e-3;
    box.Fb = 40;
    box.Ql = 7;
    box.Radiator = {0.08, 0.6e-3, 250e-4, 8};
    const pelmo::DataArray grid = Grid();
    const pelmo::TDriverModelParams p = Woofer();
    for (auto _ : state) {
        const pelmo::TDriverModelData d = pelmo::EvaluateEnclosure(p, box, grid);
        benchmark::DoNotOptimize(d.SplDb.data());
    }
}
BENCHMARK(BM_BoxResponse)
    ->Arg(static_cast<int>(pelmo::EnclosureKind::Sealed))
    ->Arg(static_cast<int>(pelmo::EnclosureKind::Vented))
    ->Arg(static_cast<int>(pelmo::EnclosureKind::PassiveRadiator))
    ->Unit(benchmark::kMicrosecond);

}  // namespace
