// The 262144-point transforms run twice per derived driver load, the
// 16384-point one once per impulse or step curve and solve. FFTW (when it was
// found at configure time) gives a reference for the same transform.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "driverdata/Cepstrum.h"
#include "driverdata/FFT.h"

#ifdef PELMO_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

void Fill(pelmo::DataArray& re, pelmo::DataArray& im, std::size_t n) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    re.resize(n);
    im.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        re[i] = u(rng);
        im[i] = u(rng);
    }
}

void BM_InverseFFT(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    pelmo::BuildSineTables();
    pelmo::DataArray re0, im0;
    Fill(re0, im0, n);
    pelmo::DataArray re = re0, im = im0;
    for (auto _ : state) {
        state.PauseTiming();
        re = re0;
        im = im0;
        state.ResumeTiming();
        pelmo::InverseFFT(re, im);
        benchmark::DoNotOptimize(re.data());
    }
}
BENCHMARK(BM_InverseFFT)->Arg(pelmo::LongFftLength)->Arg(pelmo::ShortFftLength)->Unit(benchmark::kMillisecond);

void BM_ForwardFFT(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    pelmo::BuildSineTables();
    pelmo::DataArray re0, im0;
    Fill(re0, im0, n);
    pelmo::DataArray re = re0, im = im0;
    for (auto _ : state) {
        state.PauseTiming();
        re = re0;
        im = im0;
        state.ResumeTiming();
        pelmo::ForwardFFT(re, im);
        benchmark::DoNotOptimize(re.data());
    }
}
BENCHMARK(BM_ForwardFFT)->Arg(pelmo::LongFftLength)->Unit(benchmark::kMillisecond);

// Both transforms plus the log and the fold, on the 131073-bin working grid.
void BM_CepstralMinimumPhase(benchmark::State& state) {
    pelmo::BuildSineTables();
    pelmo::DataArray a0(pelmo::LongFftLength / 2 + 1);
    for (std::size_t k = 0; k < a0.size(); ++k) a0[k] = 1.0 / (1.0 + static_cast<double>(k) / 5000.0);
    pelmo::DataArray a, phase;
    for (auto _ : state) {
        state.PauseTiming();
        a = a0;
        state.ResumeTiming();
        pelmo::CepstralMinimumPhase(a, phase);
        benchmark::DoNotOptimize(phase.data());
    }
}
BENCHMARK(BM_CepstralMinimumPhase)->Unit(benchmark::kMillisecond);

#ifdef PELMO_HAVE_FFTW
// FFTW on interleaved data, in place, planned with FFTW_MEASURE.
void BM_FFTW_Interleaved(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    auto* data = fftw_alloc_complex(n);
    fftw_plan plan = fftw_plan_dft_1d(n, data, data, FFTW_BACKWARD, FFTW_MEASURE);
    pelmo::DataArray re0, im0;
    Fill(re0, im0, n);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < n; ++i) {
            data[i][0] = re0[i];
            data[i][1] = im0[i];
        }
        state.ResumeTiming();
        fftw_execute(plan);
        benchmark::DoNotOptimize(data);
    }
    fftw_destroy_plan(plan);
    fftw_free(data);
}
BENCHMARK(BM_FFTW_Interleaved)->Arg(pelmo::LongFftLength)->Arg(pelmo::ShortFftLength)->Unit(benchmark::kMillisecond);

// FFTW on separate real and imaginary arrays, the layout the program uses.
void BM_FFTW_Split(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    double* re = fftw_alloc_real(n);
    double* im = fftw_alloc_real(n);
    fftw_iodim dim{n, 1, 1};
    // A backward transform with split arrays: swap the roles of re and im.
    fftw_plan plan = fftw_plan_guru_split_dft(1, &dim, 0, nullptr, im, re, im, re, FFTW_MEASURE);
    pelmo::DataArray re0, im0;
    Fill(re0, im0, n);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(re0.begin(), re0.end(), re);
        std::copy(im0.begin(), im0.end(), im);
        state.ResumeTiming();
        fftw_execute(plan);
        benchmark::DoNotOptimize(re);
    }
    fftw_destroy_plan(plan);
    fftw_free(re);
    fftw_free(im);
}
BENCHMARK(BM_FFTW_Split)->Arg(pelmo::LongFftLength)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
