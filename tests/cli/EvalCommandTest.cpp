#include <gtest/gtest.h>

#include "TestSupport.h"

using pelmo::test::RunCli;

TEST(CliEval, PrintsValueOrMessage) {
    struct Case {
        std::vector<std::string> Args;
        int Exit;
        std::string Out;
        std::string Err;
    };
    const Case cases[] = {
        {{"eval", "2^3^2"}, 0, "64\n", ""},
        {{"eval", "1/3"}, 0, "0.333333333333333\n", ""},
        {{"eval", "R0*2", "r0=4.1"}, 0, "8.2\n", ""},
        {{"eval", "1/(2*PI*F*R)", "F=1000", "R=8"}, 0, "1.98943678864869E-5\n", ""},
        {{"eval", "1/0"}, 1, "", "Division by zero\n"},
        {{"eval", "2*--3"}, 1, "", "Syntax error in expression 2*--3\n"},
        {{"eval", "x", "1x=2"}, 1, "", "1x is not a valid variable name.\n"},
        {{"eval"}, 2, "", "usage: pelmo-cli eval EXPR [NAME=VALUE ...]\n"},
        {{"eval", "A", "A=abc"}, 2, "", "pelmo-cli eval: expected NAME=VALUE, got \"A=abc\"\n"},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.Args);
        EXPECT_EQ(r.ExitCode, c.Exit) << c.Args[1 % c.Args.size()];
        EXPECT_EQ(r.Out, c.Out);
        EXPECT_EQ(r.Err, c.Err);
    }
}
