// The sound field: the spinorama from the 70 summed complex responses (what
// every tuning step will pay once the spinorama window is open), a driver's
// responses at the 70 positions (once per change of its geometry or data),
// as a piston and with a measured set, and the sound power at 5 degrees.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "acoustics/Cta2034.h"
#include "acoustics/Directivity.h"
#include "acoustics/ListeningPoint.h"
#include "acoustics/PreferenceScore.h"
#include "acoustics/SoundPower.h"
#include "model/AnalysisGrid.h"

namespace {

using namespace pelmo;

DataArray Grid() {
    DataArray g;
    MakeLogGrid(g);
    return g;
}

TComplexArray OnAxis(const DataArray& grid, double db, double delayMs) {
    TComplexArray r;
    for (double f : grid) {
        const std::complex<double> z =
            std::polar(std::pow(10.0, db / 20) * (1 + 0.2 * std::sin(f / 700)), -2 * M_PI * f * delayMs * 1e-3);
        r.Re.push_back(z.real());
        r.Im.push_back(z.imag());
    }
    return r;
}

// Two drivers' 70 responses summed: what the sweep hands over.
void BM_SpinoramaFrom70x500(benchmark::State& state) {
    const DataArray grid = Grid();
    const std::size_t nf = grid.size();
    const TDriverDirectivity woofer(grid, OnAxis(grid, 90, 0.1), 6.5, true);
    const TDriverDirectivity tweeter(grid, OnAxis(grid, 88, 0.0), 1.0, true);
    std::vector<double> re(70 * nf), im(70 * nf), re2(70 * nf), im2(70 * nf);
    ResponsesAtDirections(woofer, {0, -4, 0, 0, 0, 6.5}, CtaDirections().data(), 70, 2.0, re.data(), im.data());
    ResponsesAtDirections(tweeter, {0, 3, 0, 0, 0, 1.0}, CtaDirections().data(), 70, 2.0, re2.data(), im2.data());
    for (std::size_t i = 0; i < re.size(); ++i) re[i] += re2[i], im[i] += im2[i];
    TSpinorama s;
    for (auto _ : state) {
        ComputeSpinorama(re.data(), im.data(), nf, 2.0, s);
        benchmark::DoNotOptimize(s.PredictedInRoom.data());
    }
}
BENCHMARK(BM_SpinoramaFrom70x500)->Unit(benchmark::kMicrosecond);

// One tuning step with the spinorama open: three drivers' 70 responses, each
// times its drive, summed, then the curves.
void BM_NotchThreeDriversSpinorama(benchmark::State& state) {
    const DataArray grid = Grid();
    const std::size_t nf = grid.size();
    std::vector<std::vector<double>> re(3, std::vector<double>(70 * nf)), im = re;
    const double dia[] = {6.5, 3.0, 1.0};
    for (std::size_t d = 0; d < 3; ++d) {
        const TDriverDirectivity dir(grid, OnAxis(grid, 88, 0.1 * d), dia[d], true);
        ResponsesAtDirections(dir, {0, 4.0 * d, 0, 0, 0, dia[d]}, CtaDirections().data(), 70, 2.0, re[d].data(),
                              im[d].data());
    }
    std::vector<double> driveRe(nf, 0.7), driveIm(nf, -0.2), sumRe(70 * nf), sumIm(70 * nf);
    TSpinorama s;
    for (auto _ : state) {
        std::fill(sumRe.begin(), sumRe.end(), 0.0);
        std::fill(sumIm.begin(), sumIm.end(), 0.0);
        for (std::size_t d = 0; d < 3; ++d)
            AddDriverAtPositions(re[d].data(), im[d].data(), driveRe.data(), driveIm.data(), 70, nf, sumRe.data(),
                                 sumIm.data());
        ComputeSpinorama(sumRe.data(), sumIm.data(), nf, 2.0, s);
        benchmark::DoNotOptimize(s.PredictedInRoom.data());
    }
}
BENCHMARK(BM_NotchThreeDriversSpinorama)->Unit(benchmark::kMicrosecond);

// The same plus the preference score from its curves.
void BM_SpinoramaAndScore(benchmark::State& state) {
    const DataArray grid = Grid();
    const std::size_t nf = grid.size();
    const TDriverDirectivity woofer(grid, OnAxis(grid, 90, 0.1), 6.5, true);
    std::vector<double> re(70 * nf), im(70 * nf);
    ResponsesAtDirections(woofer, {0, 0, 0, 0, 0, 6.5}, CtaDirections().data(), 70, 2.0, re.data(), im.data());
    TSpinorama s;
    for (auto _ : state) {
        ComputeSpinorama(re.data(), im.data(), nf, 2.0, s);
        const TPreferenceScore p = PreferenceScore(grid, s.On, s.ListeningWindow, s.SoundPower, s.PredictedInRoom);
        benchmark::DoNotOptimize(p.Score);
    }
}
BENCHMARK(BM_SpinoramaAndScore)->Unit(benchmark::kMicrosecond);

// A driver without a set, offset from the origin: piston and paths.
void BM_Piston70Responses(benchmark::State& state) {
    const DataArray grid = Grid();
    const std::size_t nf = grid.size();
    const TDriverDirectivity piston(grid, OnAxis(grid, 90, 0.1), 10.0, true);
    std::vector<double> re(70 * nf), im(70 * nf);
    for (auto _ : state) {
        ResponsesAtDirections(piston, {0, -4, 0.5, 0, 0, 10.0}, CtaDirections().data(), 70, 2.0, re.data(), im.data());
        benchmark::DoNotOptimize(re.data());
    }
}
BENCHMARK(BM_Piston70Responses)->Unit(benchmark::kMicrosecond);

// A driver with a horizontal set every 10 degrees to 90 (the vertical plane
// borrowed), tilted so that no position falls on a measured angle.
void BM_MeasuredSet70Responses(benchmark::State& state) {
    const DataArray grid = Grid();
    const std::size_t nf = grid.size();
    std::vector<TMeasuredAngle> set;
    for (int a = 10; a <= 90; a += 10)
        set.push_back({TPlane::Horizontal, double(a), OnAxis(grid, 90 - a / 6.0, 0.1 + a * 1e-4)});
    const TDriverDirectivity measured(grid, OnAxis(grid, 90, 0.1), 6.5, true, set);
    std::vector<double> re(70 * nf), im(70 * nf);
    for (auto _ : state) {
        ResponsesAtDirections(measured, {0, 0, 0, 5, 3, 6.5}, CtaDirections().data(), 70, 2.0, re.data(), im.data());
        benchmark::DoNotOptimize(re.data());
    }
}
BENCHMARK(BM_MeasuredSet70Responses)->Unit(benchmark::kMicrosecond);

// Sound power and DI from both planes every 5 degrees (142 positions).
void BM_PowerAndDiAt5Degrees(benchmark::State& state) {
    const DataArray grid = Grid();
    const std::size_t nf = grid.size();
    const TDriverDirectivity piston(grid, OnAxis(grid, 90, 0.1), 10.0, true);
    const std::vector<TVec3> dirs = PlaneDirections(5);
    std::vector<double> re(dirs.size() * nf), im(dirs.size() * nf);
    ResponsesAtDirections(piston, {}, dirs.data(), dirs.size(), 2.0, re.data(), im.data());
    TPowerAndDi out;
    for (auto _ : state) {
        PowerAndDi(re.data(), im.data(), nf, 5, 2.0, out);
        benchmark::DoNotOptimize(out.DiDb.data());
    }
}
BENCHMARK(BM_PowerAndDiAt5Degrees)->Unit(benchmark::kMicrosecond);

}  // namespace
