#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "TestSupport.h"

using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

namespace fs = std::filesystem;

// Every shipped example opens with info and gives points for every curve
// kind without a message (run on copies, so the source tree gets no support
// folders).
TEST(CliExamples, InfoAndEveryCurveKindWorkOnEveryExample) {
    const fs::path examples = fs::path(PELMO_SOURCE_DIR) / "examples";
    int designs = 0;
    for (const auto& entry : fs::directory_iterator(examples)) {
        if (entry.path().extension() != ".bkt") continue;
        ++designs;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        TempFolder folder;
        const std::string design = folder.Path() + name;
        fs::copy_file(entry.path(), design);

        auto r = RunCli({"info", design});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Err, "");
        EXPECT_NE(r.Out.find("NodeCount"), std::string::npos);

        // Every example has a resistor R1 and a driver S1.
        const struct {
            const char* kind;
            const char* curve;
        } curves[] = {{"spl", "System"},        {"spl", "S1 (driver only)"},
                      {"impedance", "System"},  {"impedance", "S1 (lookback)"},
                      {"filter", "S1"},         {"voltage", "R1"},
                      {"current", "R1"},        {"power", "R1"},
                      {"groupdelay", "System"}, {"impulse", "System"},
                      {"step", "System"},       {"squarewave", "System"}};
        for (const auto& c : curves) {
            r = RunCli({"curve", design, c.kind, c.curve});
            EXPECT_EQ(r.ExitCode, 0) << c.kind << " " << c.curve << ": " << r.Err;
            EXPECT_EQ(r.Err, "") << c.kind << " " << c.curve;
            EXPECT_GT(std::count(r.Out.begin(), r.Out.end(), '\n'), 100) << c.kind << " " << c.curve;
        }
    }
    EXPECT_GE(designs, 4);
}

}  // namespace
