#include <gtest/gtest.h>

#include "PelmoVersion.h"
#include "TestSupport.h"

using pelmo::test::RunCli;

TEST(Cli, UsageVersionAndUnknownCommands) {
    const auto none = RunCli({});
    EXPECT_EQ(none.ExitCode, 2);
    for (const char* cmd : {"info", "curve", "roundtrip", "eval", "minphase"})
        EXPECT_NE(none.Err.find(cmd), std::string::npos) << cmd;

    const auto version = RunCli({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, std::string("pelmo-cli ") + PELMO_VERSION + "\n");

    const auto unknown = RunCli({"frobnicate"});
    EXPECT_EQ(unknown.ExitCode, 2);
    EXPECT_NE(unknown.Err.find("unknown command"), std::string::npos);
}
