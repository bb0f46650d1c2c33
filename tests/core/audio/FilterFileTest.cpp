// Recordings through a filter in blocks: the same samples as one long
// convolution, as long as the input and lined up with it; unfiltered, the
// very samples of the input.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "TestSupport.h"
#include "audio/FilterFile.h"
#include "audio/ListenFilter.h"
#include "model/AnalysisGrid.h"

using namespace pelmo;
using pelmo::test::TempFolder;

namespace {

std::vector<double> Noise(std::size_t n, unsigned seed, double scale = 1.0) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-scale, scale);
    std::vector<double> v(n);
    for (double& x : v) x = u(rng);
    return v;
}

// y[n] = sum taps[j] x[n + latency - j], per channel.
std::vector<double> Direct(const TListenFilter& f, int channels, const std::vector<double>& x) {
    const auto ch = static_cast<std::size_t>(channels);
    const auto frames = static_cast<std::ptrdiff_t>(x.size() / ch);
    std::vector<double> y(x.size(), 0.0);
    for (std::size_t c = 0; c < ch; ++c)
        for (std::ptrdiff_t n = 0; n < frames; ++n) {
            double s = 0;
            for (std::size_t j = 0; j < f.Taps.size(); ++j) {
                const std::ptrdiff_t i = n + static_cast<std::ptrdiff_t>(f.Latency) - static_cast<std::ptrdiff_t>(j);
                if (i >= 0 && i < frames) s += f.Taps[j] * x[static_cast<std::size_t>(i) * ch + c];
            }
            y[static_cast<std::size_t>(n) * ch + c] = s;
        }
    return y;
}

TEST(StreamFilter, BlocksGiveTheSameSamplesAsOneConvolution) {
    const struct {
        std::size_t taps, latency, block, frames;
        int channels;
    } cases[] = {
        {300, 37, 64, 1000, 2},      // many partitions, a partial last block
        {5, 0, 1024, 100, 1},        // shorter than one block
        {2000, 1500, 256, 5000, 1},  // latency over several blocks
        {1, 0, 128, 128, 3},         // a single tap, exactly one block
        {700, 699, 512, 3000, 2},    // latency at the filter's last tap
        {1024, 10, 0, 4000, 1},      // block chosen from the length
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.taps << " taps, latency " << c.latency << ", block " << c.block);
        TListenFilter f;
        f.SampleRate = 48000;
        f.Taps = Noise(c.taps, 3);
        f.Latency = c.latency;
        const std::vector<double> x = Noise(c.frames * static_cast<std::size_t>(c.channels), 5);
        const std::vector<double> y = FilterSamples(&f, c.channels, x, c.block);
        const std::vector<double> want = Direct(f, c.channels, x);
        ASSERT_EQ(y.size(), want.size());
        double worst = 0;
        for (std::size_t i = 0; i < y.size(); ++i) worst = std::max(worst, std::fabs(y[i] - want[i]));
        EXPECT_LT(worst, 1e-11);
    }
}

// Raw integer samples of a file, as libsndfile reads them.
std::vector<int> RawSamples(const std::string& path, SF_INFO& info) {
    info = {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path;
    if (!f) return {};
    std::vector<int> v(static_cast<std::size_t>(info.frames * info.channels));
    sf_read_int(f, v.data(), static_cast<sf_count_t>(v.size()));
    sf_close(f);
    return v;
}

void WriteRaw(const std::string& path, int format, int channels, const std::vector<int>& samples) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_write_int(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
}

TEST(ListenToFile, UnfilteredIsBitTransparent) {
    TempFolder tmp;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> any(INT32_MIN, INT32_MAX);
    const struct {
        const char *in, *out;
        int format, bits;
    } cases[] = {{"a.wav", "a-out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16},
                 {"b.flac", "b-out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 24},
                 {"c.wav", "c-out.flac", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16},
                 {"d.wav", "d-out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        // Every code, the extremes included; libsndfile hands integers of
        // any depth over left-aligned in 32 bits.
        std::vector<int> samples(2 * 30011);
        for (int& s : samples) s = any(rng) & static_cast<int>(0xFFFFFFFFu << (32 - c.bits));
        samples[0] = INT32_MIN;
        samples[1] = static_cast<int>(0x7FFFFFFFu << (32 - c.bits) >> (32 - c.bits) << (32 - c.bits));
        WriteRaw(tmp.Path() + c.in, c.format, 2, samples);
        TListenFileReport report;
        std::string error;
        ASSERT_TRUE(ListenToFile(tmp.Path() + c.in, tmp.Path() + c.out, nullptr, {}, report, error)) << error;
        EXPECT_EQ(report.ClippedSamples, 0);
        EXPECT_TRUE(report.Filter.Taps.empty());
        SF_INFO info;
        EXPECT_EQ(RawSamples(tmp.Path() + c.out, info), samples);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, c.format & SF_FORMAT_SUBMASK);
    }
}

// A response with a narrow peak of +12 dB at 1 kHz over a flat level.
TListenResponse PeakResponse() {
    TListenResponse r;
    MakeLogGrid(r.Freq);
    for (double f : r.Freq) {
        const double octaves = std::log2(f / 1000.0);
        r.Mag.push_back(1000.0 * std::pow(10.0, 12.0 * std::exp(-octaves * octaves / 0.01) / 20));
        r.Phase.push_back(0.0);
    }
    return r;
}

TEST(ListenToFile, ThroughAFilterAsLongAsTheInputAndClippedAtFullScale) {
    TempFolder tmp;
    const std::size_t frames = 44100;
    std::vector<int> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = static_cast<int>(
                         std::lround(0.5 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / 44100) * 32767.0)) *
                     65536;
    WriteRaw(tmp.Path() + "tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, samples);
    const TListenResponse r = PeakResponse();
    TListenFileReport report;
    std::string error;
    ASSERT_TRUE(ListenToFile(tmp.Path() + "tone.wav", tmp.Path() + "tone-out.wav", &r, {}, report, error)) << error;
    EXPECT_EQ(report.Input.Frames, static_cast<std::int64_t>(frames));
    EXPECT_EQ(report.Filter.SampleRate, 44100);
    // +12 dB on a tone at half scale: about twice full scale, clipped.
    EXPECT_GT(report.ClippedSamples, 1000);
    EXPECT_NEAR(report.Peak, 0.5 * std::pow(10.0, 12.0 / 20) * 1000 / report.Filter.ReferenceLevel, 0.1);
    SF_INFO info;
    const std::vector<int> out = RawSamples(tmp.Path() + "tone-out.wav", info);
    ASSERT_EQ(out.size(), frames);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    // Clipped, not wrapped: the sign follows the tone (away from its zero
    // crossings and the filter's start).
    for (std::size_t i = 4410; i < frames - 4410; ++i) {
        if (std::abs(samples[i]) > 8000 * 65536) {
            ASSERT_EQ(out[i] > 0, samples[i] > 0) << i;
        }
    }
}

TEST(ListenToFile, RefusesWhatItCannotDo) {
    TempFolder tmp;
    const std::string dir = tmp.Path();
    WriteRaw(dir + "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, std::vector<int>(1000, 1 << 20));
    const TListenResponse peak = PeakResponse();
    TListenResponse silent = peak;
    std::fill(silent.Mag.begin(), silent.Mag.end(), 0.0);
    const struct {
        std::string in, out;
        const TListenResponse* r;
        const char* says;
    } cases[] = {
        {dir + "in.wav", dir + "in.wav", &peak, "cannot replace the recording"},
        {dir + "in.wav", dir + "./in.wav", nullptr, "cannot replace the recording"},
        {dir + "in.wav", dir + "out.mp3", &peak, "must be .wav, .flac or .ogg"},
        {dir + "none.wav", dir + "out.wav", &peak, "does not exist"},
        {dir + "in.wav", dir + "out.wav", &silent, "its summed response is silent"},
    };
    for (const auto& c : cases) {
        TListenFileReport report;
        std::string error;
        EXPECT_FALSE(ListenToFile(c.in, c.out, c.r, {}, report, error)) << c.out;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(dir + "out.wav"));
    }
    EXPECT_TRUE(std::filesystem::exists(dir + "in.wav"));
}

}  // namespace
