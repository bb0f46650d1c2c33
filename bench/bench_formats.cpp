// Number formatting runs for every label and every exported point.
#include <benchmark/benchmark.h>

#include "values/NumberFormat.h"

static void BM_FormatFileReal(benchmark::State& state) {
    double x = 2.82842712474619;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pelmo::FormatFileReal(x));
        x *= 1.0001;
    }
}
BENCHMARK(BM_FormatFileReal);

static void BM_FormatE4(benchmark::State& state) {
    double x = 4.7e-7;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pelmo::FormatE4(x));
        x *= 1.0001;
    }
}
BENCHMARK(BM_FormatE4);
