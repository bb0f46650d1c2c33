#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "TestSupport.h"
#include "driverdata/MeasurementFile.h"

using pelmo::test::ReadWholeFile;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

std::vector<std::string> Args(const std::string& out, std::vector<std::string> extra = {}) {
    std::vector<std::string> a = {"driver-model", "--re", "5.6",   "--le", "0.5",  "--fs", "38",    "--qms", "3.5",
                                  "--qes",        "0.45", "--vas", "25",   "--sd", "132",  "--out", out};
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
}

TEST(CliDriverModel, WritesModelledFilesThatReadBack) {
    TempFolder folder;
    const std::string base = folder.Path() + "woofer";
    const auto r = RunCli(Args(base + ".frd", {"--breakup", "4500,2", "--baffle", "0.23", "--delay", "12"}));
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_NE(r.Out.find("sensitivity\t88.34 dB SPL at 2.83 V / 1 m"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("baffle step\t500 Hz"), std::string::npos) << r.Out;

    pelmo::SilentMessageSink quiet;
    pelmo::DataArray f, v, ph;
    // "--out woofer.frd" names the pair woofer.frd / woofer.zma.
    ASSERT_TRUE(pelmo::ReadMeasurementFile(base + ".frd", f, v, ph, quiet));
    ASSERT_EQ(f.size(), 902u);
    EXPECT_EQ(f.front(), 10);
    EXPECT_EQ(f.back(), 40000);
    ASSERT_TRUE(pelmo::ReadMeasurementFile(base + ".zma", f, v, ph, quiet));
    double peak = 0, peakF = 0;
    for (std::size_t k = 0; k < f.size() && f[k] < 1000; ++k)  // the inductance rises above
        if (v[k] > peak) peak = v[k], peakF = f[k];
    EXPECT_NEAR(peakF, 38, 0.5);
    EXPECT_NEAR(peak, 5.6 * (1 + 3.5 / 0.45), 0.5);
    const std::string zma = pelmo::test::ReadWholeFile(base + ".zma");
    EXPECT_EQ(zma.rfind("* Modelled driver impedance, not a measurement", 0), 0u);
    EXPECT_NE(zma.find("\r\n"), std::string::npos);
}

TEST(CliDriverModel, DiameterGridAndMagnitudeOnlyOptions) {
    TempFolder folder;
    auto a = Args(folder.Path() + "t", {"--from", "100", "--to", "1000", "--per-decade", "10", "--magnitude-only"});
    a.erase(a.begin() + 13, a.begin() + 15);  // no --sd
    a.insert(a.end(), {"--diameter", "12.96"});
    const auto r = RunCli(a);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    pelmo::SilentMessageSink quiet;
    pelmo::DataArray f, v, ph;
    ASSERT_TRUE(pelmo::ReadMeasurementFile(folder.Path() + "t.frd", f, v, ph, quiet));
    EXPECT_EQ(f.size(), 11u);
    for (double p : ph) EXPECT_EQ(p, 0);  // two columns
    EXPECT_NE(ReadWholeFile(folder.Path() + "t.frd").find("\n100\t86.4079\r\n"), std::string::npos);
    // 12.96 cm gives 131.9 cm2 instead of 132: a slightly lighter cone.
    EXPECT_NE(r.Out.find("Mms\t17.05 g"), std::string::npos) << r.Out;
}

TEST(CliDriverModel, RefusesBadInput) {
    TempFolder folder;
    const std::string out = folder.Path() + "bad";
    struct Case {
        std::vector<std::string> args;
        int exit;
        const char* says;
    } cases[] = {
        {Args(out, {"--qes", "0"}), 1, "Qes must be a number greater than 0 (it is 0)."},
        {Args(out, {"--vas", "-3"}), 1, "Vas must be a number greater than 0"},
        {Args(out, {"--breakup", "3000,0"}), 1, "resonance Q must be"},
        {Args(out, {"--le-exp", "1.5"}), 1, "exponent must be above 0 and at most 1"},
        {{"driver-model", "--re", "6", "--le", "0.5", "--fs", "38", "--qms", "3", "--qes", "0.4", "--vas", "20",
          "--diameter", "-13", "--out", out},
         1,
         "diameter must be a number greater than 0"},
        {{"driver-model", "--re", "6", "--out", out}, 2, "missing --le"},
        {Args(out, {"--diameter", "13"}), 2, "either --sd or --diameter"},
        {Args(out, {"--breakup", "3000"}), 2, "--breakup needs HZ,Q"},
        {Args(out, {"--fs", "x"}), 2, "not a number"},
        {Args(out, {"--colour", "red"}), 2, "unknown option"},
        {Args(out, {"--baffle"}), 2, "--baffle needs a value"},
    };
    for (const Case& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.ExitCode, c.exit) << c.says << "\n" << r.Err;
        EXPECT_NE(r.Err.find(c.says), std::string::npos) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(out + ".frd")) << c.says;
    }
}

TEST(CliDriverModel, BoxesGiveTheirTuningFilesAndExcursion) {
    TempFolder folder;
    // Sealed: fc = 38 Hz * sqrt(1 + 25/20) = 57 Hz, Qtc = 1.5 Qts. A 120 g
    // radiator on 0.5 mm/N resonates (and notches the response) at 20.55 Hz.
    struct Case {
        std::vector<std::string> extra;
        std::vector<const char*> prints;
        const char* header;
        const char* excursion;
    } cases[] = {
        {{"--box", "sealed:20"},
         {"fc\t57 Hz\nQtc\t0.5981\n"},
         "* in a sealed box of 20 l, no losses: fc 57 Hz, Qtc 0.5981",
         nullptr},
        {{"--box", "vented:40:30", "--port", "7", "--power", "10", "--xmax", "6"},
         {"fb\t30 Hz\nport length\t", "within Xmax\tup to ", "peak port air velocity\t"},
         "* in a vented box of 40 l tuned to 30 Hz, Ql 7; port 38.48 cm2, ",
         "* at 10 W into Re (7.483 V RMS), peak values; Xmax 6 mm\r\n* Freq [Hz]  Cone excursion [mm]  Port air "
         "velocity [m/s]"},
        {{"--box", "pr:40:120:0.5:350:7:0", "--power", "10"},
         {"radiator notch\t20.55 Hz", "peak radiator excursion\t"},
         "with a passive radiator: Mmp 120 g, Cmp 0.5 mm/N, Sp 350 cm2, no loss",
         "Cone excursion [mm]  Radiator excursion [mm]"},
    };
    for (const Case& c : cases) {
        const std::string base = folder.Path() + c.extra[1].substr(0, 2);
        const auto r = RunCli(Args(base, c.extra));
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        for (const char* says : c.prints) EXPECT_NE(r.Out.find(says), std::string::npos) << says << "\n" << r.Out;
        for (const char* ext : {".frd", ".zma"})
            EXPECT_NE(ReadWholeFile(base + ext).find(c.header), std::string::npos) << c.header;
        if (c.excursion) {
            EXPECT_NE(ReadWholeFile(base + "-excursion.txt").find(c.excursion), std::string::npos) << c.excursion;
        }
    }
    // The sealed box's file: Qtc below the mass-controlled band's 88.34 dB
    // at fc (the file's first point from 57 Hz).
    pelmo::SilentMessageSink quiet;
    pelmo::DataArray f, v, ph;
    ASSERT_TRUE(pelmo::ReadMeasurementFile(folder.Path() + "se.frd", f, v, ph, quiet));
    EXPECT_NEAR(v[std::lower_bound(f.begin(), f.end(), 57.0) - f.begin()] - 88.34, 20 * std::log10(0.5981), 0.1);
}

TEST(CliDriverModel, RefusesBadBoxes) {
    TempFolder folder;
    const std::string out = folder.Path() + "bad";
    struct Case {
        std::vector<std::string> extra;
        int exit;
        const char* says;
    } cases[] = {
        {{"--box", "cube:20"}, 2, "--box needs sealed:..., vented:... or pr:..."},
        {{"--box", "vented:40"}, 2, "--box vented takes 2 to 4 fields"},
        {{"--box", "pr:40:100:0.5"}, 2, "--box pr takes 4 to 6 fields"},
        {{"--box", "sealed:x"}, 2, "not a number in --box sealed:x"},
        {{"--box", "sealed:20", "--port", "5"}, 2, "--port needs a vented --box"},
        {{"--power", "0"}, 2, "--power needs watts"},
        {{"--box", "sealed:0"}, 1, "box volume must be a number greater than 0"},
        {{"--box", "vented:100:200", "--port", "2"}, 1, "cannot tune 100 l to 200 Hz"},
    };
    for (const Case& c : cases) {
        const auto r = RunCli(Args(out, c.extra));
        EXPECT_EQ(r.ExitCode, c.exit) << c.says << "\n" << r.Err;
        EXPECT_NE(r.Err.find(c.says), std::string::npos) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(out + ".frd")) << c.says;
    }
}

}  // namespace
