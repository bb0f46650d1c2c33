#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>

#include "TestSupport.h"
#include "acoustics/BaffleDiffraction.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MeasurementFile.h"
#include "model/AnalysisGrid.h"
#include "model/Elements.h"

using pelmo::test::ReadWholeFile;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

constexpr double Pi = std::numbers::pi;

TEST(CliBaffle, CircleWritesAnAcousticEffectThatADriverLoads) {
    TempFolder folder;
    const std::string path = folder.Path() + "circle.frd";
    const auto r = RunCli({"baffle", "--circle", "400", "--out", path});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    // 1 - 1/2 e^(-jka) with a = 0.2 m: nearly -6.02 dB at 10 Hz, a dip of
    // -6.02 dB at c/a, a peak of +3.52 dB near c/2a.
    EXPECT_NE(r.Out.find("first\t-6.01 dB at 10 Hz\nlowest\t-6.02 dB at 1721.7 Hz\nhighest\t3.52 dB at 854.41 Hz"),
              std::string::npos)
        << r.Out;
    EXPECT_EQ(ReadWholeFile(path).rfind("* ACOUSTIC EFFECT (0dB nominal FRD)", 0), 0u);

    // Read as a driver's acoustic effect, the factor on the analysis grid is
    // 1 - 1/2 e^(-jka), a = 0.2 m.
    pelmo::test::RecordingMessageSink messages;
    pelmo::TDriver drv;
    ASSERT_TRUE(pelmo::LoadAcousticEffect(drv, path, messages)) << messages.Messages.size();
    pelmo::DataArray grid;
    pelmo::MakeLogGrid(grid);
    ASSERT_EQ(drv.Acoustic.AcousticEffect.Re.size(), grid.size());
    for (std::size_t k = 0; k < grid.size(); ++k) {
        const std::complex<double> loaded(drv.Acoustic.AcousticEffect.Re[k], drv.Acoustic.AcousticEffect.Im[k]);
        const std::complex<double> expected = 1.0 - 0.5 * std::polar(1.0, -2 * Pi * grid[k] / 344 * 0.2);
        EXPECT_NEAR(std::abs(loaded / expected), 1, 2e-5) << grid[k];
        EXPECT_NEAR(std::arg(loaded / expected), 0, 2e-5) << grid[k];
    }
}

TEST(CliBaffle, RectangleOptionsReachTheModel) {
    TempFolder folder;
    const std::string base = folder.Path() + "rect";
    const auto r =
        RunCli({"baffle", "--width", "250",         "--height",     "400",  "--x",     "-40",        "--y", "90",
                "--dia",  "25",      "--roundover", "10",           "--at", "h30v-10", "--distance", "2",   "--from",
                "100",    "--to",    "10000",       "--per-decade", "20",   "--out",   base});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string text = ReadWholeFile(base + ".frd");
    for (const char* says :
         {"250 mm wide, 400 mm high, edge roundover 10 mm",
          "-40 mm right of and 90 mm above the baffle's centre, piston 25 mm", "heard at H 30 V -10 deg, 2 m away"})
        EXPECT_NE(text.find(says), std::string::npos) << says << "\n" << text;

    pelmo::SilentMessageSink quiet;
    pelmo::DataArray f, level, phase;
    ASSERT_TRUE(pelmo::ReadMeasurementFile(base + ".frd", f, level, phase, quiet));
    ASSERT_EQ(f.size(), 41u);
    // The same model from the core: the command puts the design's origin at
    // the driver, so that the distance counts from there.
    pelmo::TBaffle moved;
    moved.WidthIn = 250 / 25.4;
    moved.HeightIn = 400 / 25.4;
    moved.RoundoverIn = 10 / 25.4;
    moved.CentreXIn = 40 / 25.4;
    moved.CentreYIn = -90 / 25.4;
    const pelmo::TBaffleSource source{0, 0, 25 / 25.4};
    const auto expected = pelmo::BaffleFactor(moved, source, {30, -10, 2}, f);
    for (std::size_t k = 0; k < f.size(); ++k) {
        EXPECT_NEAR(level[k], 20 * std::log10(std::abs(expected[k])), 1e-4) << f[k];
        EXPECT_NEAR(phase[k], std::arg(expected[k]) * 180 / Pi, 1e-3) << f[k];
    }
}

TEST(CliBaffle, RefusesBadInput) {
    TempFolder folder;
    const std::string out = folder.Path() + "bad.frd";
    struct Case {
        std::vector<std::string> args;
        int exit;
        const char* says;
    } cases[] = {
        {{"baffle", "--width", "200", "--height", "300", "--x", "120", "--out", out}, 1, "must lie inside the baffle"},
        {{"baffle", "--circle", "200", "--dia", "210", "--out", out}, 1, "reaches over the edge"},
        {{"baffle", "--width", "200", "--circle", "300", "--out", out}, 2, "either --width and --height or --circle"},
        {{"baffle", "--width", "200", "--out", out}, 2, "needs --width and --height"},
        {{"baffle", "--circle", "300"}, 2, "missing --out"},
        {{"baffle", "--circle", "300", "--at", "X30", "--out", out}, 2, "--at needs a direction"},
        {{"baffle", "--circle", "300", "--at", "H30H10", "--out", out}, 2, "--at needs a direction"},
        {{"baffle", "--circle", "300", "--distance", "-1", "--out", out}, 2, "--distance must not be negative"},
        {{"baffle", "--circle", "300", "--from", "100", "--out", out}, 2, "0 < --from < --to"},
        {{"baffle", "--circle", "300", "--colour", "red", "--out", out}, 2, "unknown option"},
        {{"baffle", "--circle", "300", "--out"}, 2, "--out needs a value"},
    };
    for (const Case& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.ExitCode, c.exit) << c.says << "\n" << r.Err;
        EXPECT_NE(r.Err.find(c.says), std::string::npos) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.says;
    }
}

}  // namespace
