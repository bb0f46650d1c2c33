// Audio files: what is written reads back (exactly where the encoding is
// lossless), and files the listening tools cannot take are refused with a
// message that says why.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>

#include "TestSupport.h"
#include "audio/AudioFile.h"

using namespace pelmo;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

// A stereo test signal on the grid of `bits` (0: any value): a sine on the
// left, noise on the right, peaks near full scale.
std::vector<double> TestSignal(std::size_t frames, int bits) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-0.9, 0.9);
    std::vector<double> s(2 * frames);
    const double q = bits ? std::ldexp(1.0, bits - 1) : 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        s[2 * i] = 0.9 * std::sin(2 * M_PI * 997 * static_cast<double>(i) / 48000);
        s[2 * i + 1] = noise(rng);
        if (q > 0)
            for (int c = 0; c < 2; ++c) s[2 * i + c] = std::round(s[2 * i + c] * q) / q;
    }
    return s;
}

bool WriteFile(const std::string& path, int rate, int channels, int format, const std::vector<double>& s,
               std::string& error) {
    TAudioWriter w;
    return w.Create(path, rate, channels, format, error) &&
           w.Write(s.data(), s.size() / static_cast<std::size_t>(channels), error) && w.Close(error);
}

// A file written by libsndfile itself, bypassing the writer's checks.
void RawFile(const std::string& path, int rate, int channels, std::size_t frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<short> zeros(frames * static_cast<std::size_t>(channels), 100);
    sf_writef_short(f, zeros.data(), static_cast<sf_count_t>(frames));
    sf_close(f);
}

TEST(AudioFile, WavFlacAndOggRoundTrips) {
    TempFolder tmp;
    const struct {
        const char* name;
        int sourceFormat;
        int bits;        // the signal's grid; 0 for lossy
        int wantFormat;  // what the file holds
        const char* described;
    } cases[] = {
        {"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "WAV 16-bit"},
        {"b.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 24, SF_FORMAT_WAV | SF_FORMAT_PCM_24, "WAV 24-bit"},
        {"c.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 24, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "WAV 32-bit float"},
        {"d.flac", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "FLAC 16-bit"},
        {"e.flac", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 24, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "FLAC 24-bit"},
        {"f.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 24, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "FLAC 24-bit"},
        {"g.wav", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 24, SF_FORMAT_WAV | SF_FORMAT_PCM_24, "WAV 24-bit"},
        {"h.ogg", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, SF_FORMAT_OGG | SF_FORMAT_VORBIS, "Ogg Vorbis"},
    };
    const std::size_t frames = 48000 + 123;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<double> s = TestSignal(frames, c.bits);
        const std::string path = tmp.Path() + c.name;
        std::string error;
        ASSERT_TRUE(WriteFile(path, 48000, 2, c.sourceFormat, s, error)) << error;

        TAudioReader r;
        ASSERT_TRUE(r.Open(path, error)) << error;
        EXPECT_EQ(r.Info().SampleRate, 48000);
        EXPECT_EQ(r.Info().Channels, 2);
        EXPECT_EQ(r.Info().Frames, static_cast<std::int64_t>(frames));
        EXPECT_EQ(r.Info().Format, c.wantFormat);
        EXPECT_EQ(r.Info().Describe(), std::string("48000 Hz, 2 channels, 0:01.0, ") + c.described);
        std::vector<double> back(s.size() + 10);
        ASSERT_EQ(r.Read(back.data(), frames + 5), frames);
        EXPECT_FALSE(r.Failed());
        back.resize(s.size());
        if (c.bits) {
            EXPECT_EQ(back, s);  // lossless: every sample
        } else {
            // Vorbis: the same sound, not the same samples.
            double err = 0, sig = 0;
            for (std::size_t i = 0; i < s.size(); i += 2) {
                err += (back[i] - s[i]) * (back[i] - s[i]);
                sig += s[i] * s[i];
            }
            EXPECT_LT(10 * std::log10(err / sig), -30);
        }
        // Rewinding plays it from the start again.
        ASSERT_TRUE(r.Rewind());
        std::vector<double> again(2 * 100);
        ASSERT_EQ(r.Read(again.data(), 100), 100u);
        EXPECT_TRUE(std::equal(again.begin(), again.end(), back.begin()));
    }
}

TEST(AudioFile, RoundedToTheNearestCodeClippedNotWrappedAndCounted) {
    TempFolder tmp;
    const std::vector<double> s{0.5, 1.0, -1.0, 1.7, -2.5, 32767.0 / 32768, 100.7 / 32768, -100.3 / 32768};
    std::string error;
    TAudioWriter w;
    ASSERT_TRUE(w.Create(tmp.Path() + "clip.wav", 44100, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, error)) << error;
    ASSERT_TRUE(w.Write(s.data(), s.size(), error));
    EXPECT_EQ(w.ClippedSamples(), 3);  // 1.0 is one code beyond what 16 bits hold
    EXPECT_DOUBLE_EQ(w.Peak(), 2.5);
    ASSERT_TRUE(w.Close(error));
    SF_INFO info{};
    SNDFILE* f = sf_open((tmp.Path() + "clip.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    short raw[8];
    ASSERT_EQ(sf_read_short(f, raw, 8), 8);
    sf_close(f);
    EXPECT_EQ(std::vector<short>(raw, raw + 8),
              (std::vector<short>{16384, 32767, -32768, 32767, -32768, 32767, 101, -100}));
}

TEST(AudioFile, RefusedWithAReason) {
    TempFolder tmp;
    const std::string dir = tmp.Path();
    WriteWholeFile(dir + "text.wav", "This is not a recording, just some text.\n");
    WriteWholeFile(dir + "empty.flac", "");
    RawFile(dir + "good.wav", 48000, 2, 1000);
    WriteWholeFile(dir + "header.wav", test::ReadWholeFile(dir + "good.wav").substr(0, 20));
    RawFile(dir + "nothing.wav", 48000, 2, 0);
    RawFile(dir + "slow.wav", 4000, 1, 1000);
    RawFile(dir + "fast.wav", 384000, 1, 1000);
    RawFile(dir + "many.wav", 48000, 12, 100);
    std::filesystem::create_directory(dir + "folder.wav");
    const struct {
        const char* name;
        const char* says;
    } cases[] = {
        {"missing.wav", "does not exist"},
        {"text.wav", "Cannot read the audio file \"" /* + path */},
        {"empty.flac", "Cannot read the audio file"},
        {"header.wav", "Cannot read the audio file"},
        {"nothing.wav", "holds no samples"},
        {"slow.wav", "has a sample rate of 4000 Hz; listening takes 8000 to 192000 Hz"},
        {"fast.wav", "has a sample rate of 384000 Hz"},
        {"many.wav", "has 12 channels; listening takes 1 to 8"},
        {"folder.wav", "is a folder, not an audio file"},
    };
    for (const auto& c : cases) {
        TAudioReader r;
        std::string error;
        EXPECT_FALSE(r.Open(dir + c.name, error)) << c.name;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.name), std::string::npos) << c.name << ": " << error;
        EXPECT_FALSE(r.IsOpen());
    }

    // Writing: the extension chooses the container.
    TAudioWriter w;
    std::string error;
    for (const char* name : {"out.mp3", "out", "out.wav.txt"}) {
        EXPECT_FALSE(w.Create(dir + name, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, error)) << name;
        EXPECT_NE(error.find("must be .wav, .flac or .ogg"), std::string::npos) << error;
    }
    EXPECT_FALSE(w.Create(dir + "no/such/folder/out.wav", 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, error));
    EXPECT_NE(error.find("Cannot write the audio file"), std::string::npos) << error;
}

TEST(AudioFile, ADamagedFileFailsWhereTheDamageIs) {
    // A FLAC stream with its middle overwritten: the reader stops there and
    // says so, rather than handing out noise as music.
    TempFolder tmp;
    const std::string path = tmp.Path() + "damaged.flac";
    std::string error;
    ASSERT_TRUE(WriteFile(path, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, TestSignal(200000, 16), error));
    std::string bytes = test::ReadWholeFile(path);
    for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 4000; ++i) bytes[i] = static_cast<char>(i * 77);
    WriteWholeFile(path, bytes);
    TAudioReader r;
    ASSERT_TRUE(r.Open(path, error)) << error;
    std::vector<double> buf(2 * 4096);
    std::size_t total = 0, n;
    while ((n = r.Read(buf.data(), 4096)) > 0) total += n;
    EXPECT_LT(total, 200000u);
    EXPECT_TRUE(r.Failed());
    EXPECT_NE(r.FailureText().find("to its end"), std::string::npos) << r.FailureText();
}

}  // namespace

// Floating-point files hold what no recording should: NaN and infinities
// read as silence, huge values are held at LargestSample, the rest as stored.
TEST(AudioFile, FloatSamplesBeyondReasonReadAsSilenceOrHeld) {
    TempFolder tmp;
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> stored{0.25, std::nan(""), inf, -inf, 1e30, -1e300, -1.5, 9999.0};
    const std::vector<double> expected{0.25, 0.0, 0.0, 0.0, LargestSample, -LargestSample, -1.5, 9999.0};
    for (int encoding : {SF_FORMAT_DOUBLE, SF_FORMAT_FLOAT}) {
        SCOPED_TRACE(encoding);
        const std::string path = tmp.Path() + "odd.wav";
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | encoding;
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
        sf_command(f, SFC_SET_CLIPPING, nullptr, SF_FALSE);
        sf_writef_double(f, stored.data(), static_cast<sf_count_t>(stored.size() / 2));
        sf_close(f);

        TAudioReader r;
        std::string error;
        ASSERT_TRUE(r.Open(path, error)) << error;
        std::vector<double> back(stored.size(), -7.0);
        ASSERT_EQ(r.Read(back.data(), back.size() / 2), back.size() / 2);
        for (std::size_t i = 0; i < back.size(); ++i) {
            // Single precision holds 1e30 but not 1e300 (infinite there).
            const double want = encoding == SF_FORMAT_FLOAT && i == 5 ? 0.0 : expected[i];
            EXPECT_EQ(back[i], want) << i;
        }
    }
}
