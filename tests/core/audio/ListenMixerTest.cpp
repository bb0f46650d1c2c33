// The player's signal path: bypass is the recording itself (delayed by the
// filter's latency), the design path is the filtered recording, and every
// change fades instead of clicking.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "audio/FilterFile.h"
#include "audio/ListenMixer.h"

using namespace pelmo;

namespace {

constexpr int Rate = 48000;
const std::size_t Latency = static_cast<std::size_t>(TListenMixer::LatencySeconds * Rate);
const std::size_t Fade = static_cast<std::size_t>(TListenMixer::FadeSeconds * Rate);

// Stereo noise on the 16-bit grid, as a 16-bit recording reads.
std::vector<double> Recording(std::size_t frames, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> code(-32768, 32767);
    std::vector<double> s(2 * frames);
    for (double& v : s) v = code(rng) / 32768.0;
    return s;
}

std::vector<double> Sine(std::size_t frames, double f, double amplitude) {
    std::vector<double> s(2 * frames);
    for (std::size_t i = 0; i < frames; ++i)
        s[2 * i] = s[2 * i + 1] = amplitude * std::sin(2 * M_PI * f * static_cast<double>(i) / Rate);
    return s;
}

// A filter of the mixer's latency: `gain` times a delta, plus a little echo.
TListenFilter Filter(double gain, double echo = 0.25) {
    TListenFilter f;
    f.SampleRate = Rate;
    f.Latency = Latency;
    f.Taps.assign(Latency + 3000, 0.0);
    f.Taps[Latency] = gain;
    f.Taps[Latency + 2500] = echo;
    return f;
}

struct Player {
    TListenMixer mixer;
    explicit Player(std::vector<double> samples)
        : mixer(std::make_unique<TMemorySource>(std::move(samples), 2, Rate)) {}
    std::vector<float> Render(std::size_t frames) {
        std::vector<float> out(2 * frames);
        // In uneven pieces, as an audio device asks.
        std::size_t done = 0;
        for (std::size_t piece = 317; done < frames; piece = piece * 7 % 1500 + 1) {
            const std::size_t got = mixer.Render(out.data() + 2 * done, std::min(piece, frames - done));
            done += got;
            if (got == 0) break;
        }
        out.resize(2 * done);
        return out;
    }
};

TEST(ListenMixer, BypassIsTheRecordingLateByTheLatencyBitForBit) {
    const std::vector<double> x = Recording(3 * TListenMixer::Block + 77);
    Player p(x);
    ASSERT_TRUE(p.mixer.SetFilter(TListenMixer::Prepare(Filter(-0.5))));
    p.mixer.SetBypass(true);
    p.mixer.Restart();
    const std::vector<float> out = p.Render(x.size() / 2 + Latency);
    ASSERT_EQ(out.size(), x.size() + 2 * Latency);
    for (std::size_t i = 0; i < 2 * Latency; ++i) ASSERT_EQ(out[i], 0.0f) << i;
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_EQ(out[i + 2 * Latency], static_cast<float>(x[i])) << i;
    EXPECT_EQ(p.mixer.ClippedSamples(), 0);
}

TEST(ListenMixer, DesignPathIsTheFilteredRecording) {
    const std::vector<double> x = Recording(5000);
    const TListenFilter f = Filter(0.5);
    const std::vector<double> want = FilterSamples(&f, 2, x);
    Player p(x);
    ASSERT_TRUE(p.mixer.SetFilter(TListenMixer::Prepare(f)));
    p.mixer.Restart();
    const std::vector<float> out = p.Render(5000 + Latency);
    for (std::size_t i = 0; i < want.size(); ++i) ASSERT_NEAR(out[i + 2 * Latency], want[i], 1e-6) << i;
}

// The largest step between neighbouring samples of the left channel in
// [from, to).
double LargestStep(const std::vector<float>& out, std::size_t from, std::size_t to) {
    double step = 0;
    for (std::size_t i = from + 1; i < to; ++i) step = std::max(step, std::fabs(double(out[2 * i]) - out[2 * i - 2]));
    return step;
}

TEST(ListenMixer, SwitchingLevelAndNewFiltersFadeWithoutAClick) {
    // A sine whose filtered version is inverted: switching at once would
    // jump by twice its amplitude.
    const double amplitude = 0.5, f = 440;
    const double sineStep = 2 * M_PI * f / Rate * amplitude;
    const struct {
        const char* what;
        void (*change)(TListenMixer&);
        double after;  // the output's gain once the change is done
    } cases[] = {
        {"to bypass", [](TListenMixer& m) { m.SetBypass(true); }, 1.0},
        {"level -12 dB", [](TListenMixer& m) { m.SetLevelDb(-12); }, -std::pow(10.0, -12.0 / 20)},
        {"a new filter", [](TListenMixer& m) { m.SetFilter(TListenMixer::Prepare(Filter(1.0, 0.0))); }, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Player p(Sine(48000, f, amplitude));
        ASSERT_TRUE(p.mixer.SetFilter(TListenMixer::Prepare(Filter(-1.0, 0.0))));
        p.mixer.Restart();
        std::vector<float> out = p.Render(10000);
        c.change(p.mixer);
        const std::vector<float> more = p.Render(10000);
        out.insert(out.end(), more.begin(), more.end());
        EXPECT_LT(LargestStep(out, Latency, 20000), sineStep * 1.1);
        // Done within a fade (or the block that takes a new filter in): from
        // there on the sine at its new gain.
        for (std::size_t i = 10000 + std::max(Fade, TListenMixer::Block) + TListenMixer::Block; i < 20000; ++i)
            ASSERT_NEAR(out[2 * i], c.after * amplitude * std::sin(2 * M_PI * f * double(i - Latency) / Rate), 1e-6)
                << i;
    }
}

TEST(ListenMixer, ANewFilterTakesOverWithTheRecordingsPast) {
    // The new filter's echo reaches 2500 samples back: right from the
    // block after the change, the output is the new filter's, as if it had
    // played all along.
    const std::vector<double> x = Recording(20000);
    const TListenFilter b = Filter(0.3, -0.6);
    const std::vector<double> want = FilterSamples(&b, 2, x);
    Player p(x);
    ASSERT_TRUE(p.mixer.SetFilter(TListenMixer::Prepare(Filter(1.0))));
    p.mixer.Restart();
    std::vector<float> out = p.Render(8 * TListenMixer::Block);
    ASSERT_TRUE(p.mixer.SetFilter(TListenMixer::Prepare(b)));
    const std::vector<float> more = p.Render(8 * TListenMixer::Block);
    out.insert(out.end(), more.begin(), more.end());
    for (std::size_t i = 9 * TListenMixer::Block; i < 16 * TListenMixer::Block; ++i)
        ASSERT_NEAR(out[2 * i], want[2 * (i - Latency)], 1e-6) << i;
}

TEST(ListenMixer, EndsAfterTheTailOrLoops) {
    const std::size_t frames = 2 * TListenMixer::Block + 100;
    const std::vector<double> x = Recording(frames);
    const TListenFilter f = Filter(1.0);
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop);
        Player p(x);
        ASSERT_TRUE(p.mixer.SetFilter(TListenMixer::Prepare(f)));
        p.mixer.SetBypass(true);
        p.mixer.SetLoop(loop);
        p.mixer.Restart();
        const std::vector<float> out = p.Render(4 * frames);
        if (loop) {
            // Round and round, without a gap.
            ASSERT_EQ(out.size(), 8 * frames);
            EXPECT_FALSE(p.mixer.Finished());
            for (std::size_t i = 2 * Latency; i < 8 * frames; ++i)
                ASSERT_EQ(out[i], static_cast<float>(x[(i - 2 * Latency) % (2 * frames)])) << i;
            EXPECT_EQ(p.mixer.Position(), static_cast<std::int64_t>((4 * frames - Latency) % frames));
        } else {
            // The recording, then the filter's tail, then no more.
            EXPECT_TRUE(p.mixer.Finished());
            EXPECT_GE(out.size(), 2 * (frames + f.Taps.size()));
            EXPECT_LT(out.size(), 2 * (frames + f.Taps.size() + 2 * TListenMixer::Block));
            EXPECT_EQ(p.mixer.Position(), static_cast<std::int64_t>(frames));
            EXPECT_EQ(p.mixer.Render(nullptr, 0), 0u);
            float dummy[2];
            EXPECT_EQ(p.mixer.Render(dummy, 1), 0u);
        }
    }
}

TEST(ListenMixer, RefusesAFilterItCannotPlay) {
    Player p(Recording(100));
    TListenFilter other = Filter(1.0);
    other.SampleRate = 44100;
    TListenFilter late = Filter(1.0);
    late.Latency += 1;
    TListenFilter longer = Filter(1.0);
    longer.Taps.resize(static_cast<std::size_t>(1.5 * Rate));
    for (const TListenFilter* f : {&other, &late, &longer}) EXPECT_FALSE(p.mixer.SetFilter(TListenMixer::Prepare(*f)));
    EXPECT_FALSE(p.mixer.HasFilter());
    EXPECT_TRUE(p.mixer.SetFilter(TListenMixer::Prepare(Filter(1.0))));
    EXPECT_TRUE(p.mixer.HasFilter());
    // Without a filter the design path is silent.
    EXPECT_TRUE(p.mixer.SetFilter({}));
    p.mixer.Restart();
    for (float v : p.Render(200)) ASSERT_EQ(v, 0.0f);
}

}  // namespace
