// pelmo-cli listen: a recording through an example design into WAV, FLAC or
// Ogg; unfiltered with --bypass; the delay kept with --keep-delay; clear
// messages for what it cannot do.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>

#include "TestSupport.h"
#include "audio/AudioFile.h"
#include "audio/FilterFile.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"

using namespace pelmo;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

struct ListenFiles {
    TempFolder tmp;
    std::string design, in;
    std::vector<double> samples;  // stereo, on the 16-bit grid

    ListenFiles() {
        design = tmp.Path() + "TwoWay.bkt";
        std::filesystem::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/TwoWay.bkt", design);
        in = tmp.Path() + "in.wav";
        const std::size_t frames = 30000;
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / 48000;
            samples.push_back(std::round(0.3 * std::sin(2 * M_PI * 1000 * t) * 32768) / 32768);
            samples.push_back(std::round(0.3 * std::sin(2 * M_PI * 6000 * t) * 32768) / 32768);
        }
        TAudioWriter w;
        std::string error;
        EXPECT_TRUE(w.Create(in, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, error) &&
                    w.Write(samples.data(), frames, error) && w.Close(error))
            << error;
    }
};

std::vector<double> ReadAll(const std::string& path, TAudioInfo& info) {
    TAudioReader r;
    std::string error;
    EXPECT_TRUE(r.Open(path, error)) << error;
    info = r.Info();
    std::vector<double> s(static_cast<std::size_t>(info.Frames * info.Channels));
    r.Read(s.data(), static_cast<std::size_t>(info.Frames));
    return s;
}

TEST(CliListen, WritesTheFormatItsExtensionNames) {
    ListenFiles s;
    // What the core makes of the same design and recording, in-process.
    SilentMessageSink quiet;
    TSession session(quiet);
    ASSERT_TRUE(OpenDesignFile(session.Design(), s.design, session.Messages()));
    ASSERT_TRUE(session.Solve());
    TListenResponse response;
    std::string error;
    ASSERT_TRUE(SystemResponse(session.Design(), session.GraphSolve().Result, response, error)) << error;
    TListenFileReport report;
    ASSERT_TRUE(ListenToFile(s.in, s.tmp.Path() + "core.wav", &response, {}, report, error)) << error;
    TAudioInfo info;
    const std::vector<double> core = ReadAll(s.tmp.Path() + "core.wav", info);

    const struct {
        const char* out;
        int format;
    } cases[] = {{"out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                 {"out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                 {"out.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const std::string out = s.tmp.Path() + c.out;
        const auto r = RunCli({"listen", s.design, s.in, out});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Err, "");
        EXPECT_NE(r.Out.find("in.wav: 48000 Hz, 2 channels, 0:00.6, WAV 16-bit\n"), std::string::npos) << r.Out;
        EXPECT_NE(r.Out.find("through the design: "), std::string::npos) << r.Out;
        EXPECT_NE(r.Out.find("taken out"), std::string::npos) << r.Out;
        const std::vector<double> got = ReadAll(out, info);
        EXPECT_EQ(info.Format, c.format);
        EXPECT_EQ(info.Frames, 30000);
        ASSERT_EQ(got.size(), core.size());
        // Lossless files hold the core's samples; Vorbis the same sound.
        double err = 0, sig = 0;
        for (std::size_t i = 0; i < got.size(); ++i) {
            err += (got[i] - core[i]) * (got[i] - core[i]);
            sig += core[i] * core[i];
        }
        if (c.format == (SF_FORMAT_OGG | SF_FORMAT_VORBIS))
            EXPECT_LT(10 * std::log10(err / sig), -30);
        else
            EXPECT_EQ(err, 0.0);
    }
}

TEST(CliListen, BypassAndKeepDelay) {
    ListenFiles s;
    // Unfiltered: the very samples.
    auto r = RunCli({"listen", s.design, s.in, s.tmp.Path() + "bypass.wav", "--bypass"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("unfiltered"), std::string::npos) << r.Out;
    TAudioInfo info;
    EXPECT_EQ(ReadAll(s.tmp.Path() + "bypass.wav", info), s.samples);

    // Keeping the delay moves the output later by the delay otherwise taken
    // out: whole samples, the same otherwise.
    r = RunCli({"listen", s.design, s.in, s.tmp.Path() + "taken.wav"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto from = r.Out.find("delay of ");
    ASSERT_NE(from, std::string::npos) << r.Out;
    const std::string delay = r.Out.substr(from + 9, 5);
    const double ms = std::stod(delay);
    const auto shift = static_cast<std::size_t>(std::lround(ms * 48));
    EXPECT_GE(shift, 1u);
    r = RunCli({"listen", "--keep-delay", s.design, s.in, s.tmp.Path() + "kept.wav"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("delay kept, main arrival at " + delay), std::string::npos) << r.Out;
    const std::vector<double> taken = ReadAll(s.tmp.Path() + "taken.wav", info);
    const std::vector<double> kept = ReadAll(s.tmp.Path() + "kept.wav", info);
    double worst = 0;
    for (std::size_t i = 2 * 2000; i + 2 * shift < taken.size(); ++i)
        worst = std::max(worst, std::fabs(kept[i + 2 * shift] - taken[i]));
    EXPECT_LE(worst, 2.0 / 32768);  // 16-bit rounding
}

TEST(CliListen, FailuresSayWhy) {
    ListenFiles s;
    const std::string dir = s.tmp.Path();
    test::WriteWholeFile(dir + "text.wav", "not audio at all\n");
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* says;
    } cases[] = {
        {{"listen", s.design, dir + "text.wav", dir + "o.wav"}, 1, "Cannot read the audio file"},
        {{"listen", s.design, dir + "none.wav", dir + "o.wav"}, 1, "does not exist"},
        {{"listen", s.design, s.in, dir + "o.mp3"}, 1, "must be .wav, .flac or .ogg"},
        {{"listen", s.design, s.in, s.in}, 1, "cannot replace the recording"},
        {{"listen", dir + "none.bkt", s.in, dir + "o.wav"}, 1, ""},
        {{"listen", s.design, s.in}, 2, "needs DESIGN.bkt, IN and OUT"},
        {{"listen", s.design, s.in, dir + "o.wav", "--loud"}, 2, "unknown option --loud"},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.ExitCode, c.exit) << c.args.back() << ": " << r.Err;
        EXPECT_NE(r.Err.find(c.says), std::string::npos) << r.Err;
        EXPECT_FALSE(r.Err.empty());
        EXPECT_FALSE(std::filesystem::exists(dir + "o.wav"));
    }
}

}  // namespace
