// Listening through the design: the filter is rebuilt on every solve while
// a value is tuned (its budget is the 100 ms within which the player should
// take the new one), and a recording is filtered as fast as it can be read
// (a minute of 48 kHz stereo should take well under a second).
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "ThreeWayDesign.h"
#include "audio/AudioFile.h"
#include "audio/FilterFile.h"
#include "audio/ListenFilter.h"
#include "audio/ListenMixer.h"
#include "base/MessageSink.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"

namespace {

using namespace pelmo;

// The summed response of the three-way benchmark design.
const TListenResponse& Response() {
    static const TListenResponse r = [] {
        bench::ThreeWayDesign design;
        TGraphList graphs;
        TGraphSolve solve;
        SilentMessageSink messages;
        SolveGraphs(design.d, graphs, solve, messages);
        TListenResponse out;
        std::string error;
        if (!SystemResponse(design.d, solve.Result, out, error)) std::fprintf(stderr, "%s\n", error.c_str());
        return out;
    }();
    return r;
}

std::vector<double> Noise(std::size_t n) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-0.3, 0.3);
    std::vector<double> v(n);
    for (double& x : v) x = u(rng);
    return v;
}

// What the player does after every solve: the filter at the recording's
// rate, made ready for the mixer.
void BM_RebuildForPlayer(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    std::size_t taps = 0;
    for (auto _ : state) {
        TListenFilter f;
        std::string error;
        BuildListenFilter(Response(), TListenMixer::FilterOptions(rate, false), f, error);
        const TMixerFilter m = TListenMixer::Prepare(f);
        taps = f.Taps.size();
        benchmark::DoNotOptimize(m.Partitions.get());
    }
    state.counters["taps"] = static_cast<double>(taps);
}
BENCHMARK(BM_RebuildForPlayer)->Arg(44100)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);

// A wheel notch as the player sees it: a part's value changes, the design
// is solved (an SPL window with the system curve), and the filter is built
// from the new summed response and made ready for the mixer. The mixer
// takes it at its next block and fades it in; the audio device's buffer
// ahead of the speaker comes on top (see the Listen window).
void BM_NotchToPlayerFilter(benchmark::State& state) {
    bench::ThreeWayDesign design;
    TGraphRecord spl{TGraphKind::SPL};
    AddCurve(spl, design.d, "System", true);
    TGraphList graphs;
    graphs.Add(&spl);
    TGraphSolve solve;
    SilentMessageSink messages;
    TPart& tuned = *design.d.Parts[3];
    const double base = tuned.Value;
    int step = 0;
    for (auto _ : state) {
        tuned.Value = base * (1.0 + 0.01 * (step++ % 20));
        SolveGraphs(design.d, graphs, solve, messages);
        TListenResponse r;
        TListenFilter f;
        std::string error;
        if (!SystemResponse(design.d, solve.Result, r, error) ||
            !BuildListenFilter(r, TListenMixer::FilterOptions(48000, false), f, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const TMixerFilter m = TListenMixer::Prepare(f);
        benchmark::DoNotOptimize(m.Partitions.get());
    }
}
BENCHMARK(BM_NotchToPlayerFilter)->Unit(benchmark::kMillisecond);

// A minute of 48 kHz stereo through the filter, in memory.
void BM_FilterMinuteStereo(benchmark::State& state) {
    TListenFilter f;
    std::string error;
    TListenFilterOptions o;
    o.SampleRate = 48000;
    BuildListenFilter(Response(), o, f, error);
    const std::vector<double> x = Noise(2 * 60 * 48000);
    for (auto _ : state) {
        const std::vector<double> y = FilterSamples(&f, 2, x);
        benchmark::DoNotOptimize(y.data());
    }
    state.counters["taps"] = static_cast<double>(f.Taps.size());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 60 * 48000);
}
BENCHMARK(BM_FilterMinuteStereo)->Unit(benchmark::kMillisecond);

// The same from a 16-bit WAV file to another, as `pelmo-cli listen` does
// it (reading, filter design, filtering, writing).
void BM_ListenToFileMinuteStereo(benchmark::State& state) {
    const std::string dir = std::filesystem::temp_directory_path() / "pelmo-bench-audio";
    std::filesystem::create_directories(dir);
    const std::string in = dir + "/in.wav", out = dir + "/out.wav";
    {
        const std::vector<double> x = Noise(2 * 60 * 48000);
        TAudioWriter w;
        std::string error;
        w.Create(in, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, error);
        w.Write(x.data(), x.size() / 2, error);
        w.Close(error);
    }
    for (auto _ : state) {
        TListenFileReport report;
        std::string error;
        if (!ListenToFile(in, out, &Response(), {}, report, error)) state.SkipWithError(error.c_str());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ListenToFileMinuteStereo)->Unit(benchmark::kMillisecond);

// The player's share of a second of 48 kHz stereo.
void BM_PlayerSecond(benchmark::State& state) {
    TListenFilter f;
    std::string error;
    BuildListenFilter(Response(), TListenMixer::FilterOptions(48000, false), f, error);
    TListenMixer mixer(std::make_unique<TMemorySource>(Noise(2 * 48000), 2, 48000));
    mixer.SetFilter(TListenMixer::Prepare(f));
    mixer.SetLoop(true);
    mixer.Restart();
    std::vector<float> out(2 * 48000);
    for (auto _ : state) {
        mixer.Render(out.data(), 48000);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_PlayerSecond)->Unit(benchmark::kMillisecond);

}  // namespace
