// pelmo-cli optimize: usage errors and failures are told apart, a search
// writes a design with the new values it prints, and snapped values are on
// the parts' series.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "TestSupport.h"
#include "document/DocumentFlow.h"
#include "model/Design.h"
#include "values/ESeries.h"
#include "values/NumberFormat.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::CopyExample;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

namespace fs = std::filesystem;

TEST(CliOptimize, UsageErrorsAndFailuresAreToldApart) {
    TempFolder tmp;
    const std::string design = CopyExample(tmp, "TwoWay.bkt");
    const std::string out = tmp.Path() + "out.bkt";
    WriteWholeFile(tmp.Path() + "junk.frd", std::string("\x01\xfe\n\0\0", 5));
    struct Case {
        std::vector<std::string> Args;
        int Exit;
        std::string ErrPart;
    };
    const Case cases[] = {
        {{}, 2, "usage"},
        {{design, "--out", out}, 2, "--vary"},
        {{design, "--vary", "C1"}, 2, "--out"},
        {{design, "--vary", "C1", "--out", out, "--band", "5000:200"}, 2, "--band"},
        {{design, "--vary", "C1", "--out", out, "--band", "\xff\x80:"}, 2, "--band"},
        {{design, "--vary", "C1", "--out", out, "--max-evals", "0"}, 2, "--max-evals"},
        {{design, "--vary", "C1", "--out", out, "--driver-target", "S1:lr4-lp"}, 2, "--driver-target"},
        {{design, "--vary", "C1", "--out", out, "--driver-target", "S1:lr4-lp:nan"}, 2, "--driver-target"},
        {{design, "--vary", "C1", "--out", out, "--bounds", "L1:1e-3:2e-3"}, 2, "--bounds names L1"},
        {{design, "--vary", "C1", "--out", out, "--bounds", "C1:2e-5:1e-5"}, 2, "--bounds"},
        {{design, "--vary", "C1,c1", "--out", out}, 2, "twice"},
        {{design, "--vary", "C1", "--out", out, "--frobnicate", "1"}, 2, "unknown option"},
        {{design, "--vary", "C1", "--out", out, "--target", "none"}, 2, "--driver-target"},
        {{tmp.Path() + "missing.bkt", "--vary", "C1", "--out", out}, 1, ""},
        {{design, "--vary", "Q9", "--out", out}, 1, "offers: L1 C1 R1"},
        {{design, "--vary", "C1", "--out", out, "--target", tmp.Path() + "junk.frd"}, 1, "junk"},  // refused by the reader or as without usable points
        {{design, "--vary", "C1", "--out", out, "--driver-target", "S9:lr4-lp:2000"}, 1, "no driver \"S9\""},
        {{design, "--vary", "C1", "--out", out, "--driver-target", "S1:lr3-lp:2000"}, 1, "unknown driver target"},
        {{design, "--vary", "C1", "--out", out, "--driver-target", "S1:lr4-lp:2000", "--driver-target",
          "S1:bw2-lp:2500"},
         1, "two low-pass"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"optimize"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const auto r = RunCli(args);
        SCOPED_TRACE(r.Err);
        EXPECT_EQ(r.ExitCode, c.Exit);
        EXPECT_NE(r.Err.find(c.ErrPart), std::string::npos);
        EXPECT_EQ(r.Out, "");
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST(CliOptimize, WritesTheValuesItPrints) {
    TempFolder tmp;
    const std::string design = CopyExample(tmp, "TwoWay.bkt");
    const std::string out = tmp.Path() + "out.bkt";
    // The woofer's low-pass and the tweeter's high-pass moved to LR4 shapes
    // at 2 kHz, snapped to the parts' series (E24: their step mode is 5 %).
    const auto r = RunCli({"optimize", design, "--vary", "L1,C1,C3,L2", "--target", "none", "--driver-target",
                           "S1:lr4-lp:2000", "--driver-target", "S2:lr4-hp:2000:85", "--band", "300:12000",
                           "--snap", "--max-evals", "400", "--out", out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    std::istringstream lines(r.Out);
    std::string line;
    std::map<std::string, std::vector<std::string>> fields;
    while (std::getline(lines, line)) {
        std::istringstream f(line);
        std::string key, cell;
        std::getline(f, key, '\t');
        while (std::getline(f, cell, '\t')) fields[key].push_back(cell);
    }
    double before = 0, after = 0;
    ASSERT_TRUE(TryParseReal(fields["objective before"].at(0), before));
    ASSERT_TRUE(TryParseReal(fields["objective after"].at(0), after));
    EXPECT_LT(after, before);

    TDesign d;
    RecordingMessageSink sink;
    ASSERT_TRUE(OpenDesignFile(d, out, sink));
    for (const char* name : {"L1", "C1", "C3", "L2"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(fields[name].size(), 3u);
        double printed = 0;
        ASSERT_TRUE(TryParseReal(fields[name][1], printed));
        const TPart* part = nullptr;
        for (const auto& p : d.Parts)
            if (PartDesignator(*p) == name) part = p.get();
        ASSERT_NE(part, nullptr);
        EXPECT_NEAR(part->Value / printed, 1.0, 1e-5);  // printed with 6 digits
        EXPECT_EQ(RoundToESeries(part->Value, esE24), part->Value);
    }
}

}  // namespace
