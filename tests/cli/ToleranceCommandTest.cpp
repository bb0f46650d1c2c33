// pelmo-cli tolerance: usage errors and failures are told apart, every line
// has a frequency and five figures in order, and a seed repeats exactly
// whatever the number of threads.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "TestSupport.h"
#include "values/NumberFormat.h"

using namespace pelmo;
using pelmo::test::CopyExample;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

namespace fs = std::filesystem;

std::vector<std::vector<double>> Rows(const std::string& out) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) {
            double v = 0;
            EXPECT_TRUE(TryParseReal(field, v)) << line;
            row.push_back(v);
        }
        rows.push_back(row);
    }
    return rows;
}

// PELMO_THREADS for the commands run while the object lives.
struct ThreadsVariable {
    explicit ThreadsVariable(const char* value) {
        if (value) {
            ::setenv("PELMO_THREADS", value, 1);
        } else {
            ::unsetenv("PELMO_THREADS");
        }
    }
    ~ThreadsVariable() { ::unsetenv("PELMO_THREADS"); }
};

}  // namespace

TEST(CliTolerance, UsageErrorsAndFailuresAreToldApart) {
    TempFolder tmp;
    const std::string design = CopyExample(tmp, "TwoWay.bkt");
    struct Case {
        std::vector<std::string> Args;
        int Exit;
        std::string ErrPart;
    };
    const Case cases[] = {
        {{}, 2, "usage"},
        {{design, design}, 2, "one DESIGN.bkt"},
        {{design, "--runs"}, 2, "--runs needs a value"},
        {{design, "--runs", "0"}, 2, "--runs"},
        {{design, "--runs", "ten"}, 2, "--runs"},
        {{design, "--runs", "100001"}, 2, "from 1 to 100000"},
        {{design, "--seed", "-1"}, 2, "--seed"},
        {{design, "--seed", "1.5"}, 2, "--seed"},
        {{design, "--curve", "phase"}, 2, "--curve"},
        {{design, "--distribution", "gauss"}, 2, "--distribution"},
        {{design, "--driver-db", "-1"}, 2, "--driver-db"},
        {{design, "--driver-db", "nan"}, 2, "--driver-db"},
        {{design, "--smoothing", "-0.5"}, 2, "--smoothing"},
        {{design, "--default-tolerance", "1.5"}, 2, "--default-tolerance"},
        {{design, "--curve", "impedance", "--driver", "S1"}, 2, "--driver goes with"},
        {{design, "--frobnicate", "1"}, 2, "unknown option"},
        {{tmp.Path() + "missing.bkt"}, 1, ""},
        {{design, "--driver", "S9"}, 1, "no driver \"S9\"; its drivers: S1 S2"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"tolerance"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const auto r = RunCli(args);
        SCOPED_TRACE(r.Err);
        EXPECT_EQ(r.ExitCode, c.Exit);
        EXPECT_NE(r.Err.find(c.ErrPart), std::string::npos);
        EXPECT_TRUE(r.Out.empty());
    }
}

TEST(CliTolerance, PrintsFrequencyAndFiveFiguresInOrder) {
    TempFolder tmp;
    const std::string design = CopyExample(tmp, "ThreeWay.bkt");
    struct Case {
        std::vector<std::string> Args;
        double Low, High;  // where the figures lie
    } cases[] = {
        {{"--runs", "100", "--default-tolerance", "0.05"}, 20, 120},
        {{"--runs", "100", "--default-tolerance", "0.1", "--curve", "impedance"}, 1, 1000},
        {{"--runs", "100", "--default-tolerance", "0.05", "--driver", "s2", "--distribution", "normal",
          "--driver-db", "1", "--smoothing", "0.1666"},
         -250, 120},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"tolerance", design};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const auto r = RunCli(args);
        SCOPED_TRACE(r.Err);
        ASSERT_EQ(r.ExitCode, 0);
        const auto rows = Rows(r.Out);
        ASSERT_EQ(rows.size(), 500u);
        double widest = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& row = rows[i];
            ASSERT_EQ(row.size(), 6u);
            if (i > 0) {
                EXPECT_GT(row[0], rows[i - 1][0]);
            }
            // min <= p5 <= p50 <= p95 <= max
            EXPECT_LE(row[4], row[1]);
            EXPECT_LE(row[1], row[2]);
            EXPECT_LE(row[2], row[3]);
            EXPECT_LE(row[3], row[5]);
            EXPECT_GE(row[4], c.Low);
            EXPECT_LE(row[5], c.High);
            widest = std::max(widest, row[3] - row[1]);
        }
        EXPECT_GT(widest, 0.1);
    }
}

// The examples record no tolerances: without --default-tolerance and driver
// levels fixed, every run is the design itself and the band has no width.
TEST(CliTolerance, NoTolerancesGiveTheNominalCurve) {
    TempFolder tmp;
    const std::string design = CopyExample(tmp, "TwoWay.bkt");
    const auto band = RunCli({"tolerance", design, "--runs", "20"});
    const auto nominal = RunCli({"curve", design, "spl", "System", "--smoothing", "0"});
    ASSERT_EQ(band.ExitCode, 0) << band.Err;
    ASSERT_EQ(nominal.ExitCode, 0) << nominal.Err;
    const auto rows = Rows(band.Out), curve = Rows(nominal.Out);
    ASSERT_EQ(rows.size(), curve.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0], curve[i][0]);
        for (int j = 1; j <= 5; ++j) EXPECT_EQ(rows[i][j], rows[i][1]);
        EXPECT_NEAR(rows[i][1], curve[i][1], 1e-8);
    }
}

TEST(CliTolerance, TheSameSeedGivesTheSameOutputWithAnyNumberOfThreads) {
    TempFolder tmp;
    const std::string design = CopyExample(tmp, "ThreeWay.bkt");
    const std::vector<std::string> args{"tolerance",       design,        "--runs", "300", "--seed", "99",
                                        "--default-tolerance", "0.1", "--driver-db", "1"};
    test::CommandResult byDefault, one, three;
    {
        ThreadsVariable v(nullptr);
        byDefault = RunCli(args);
    }
    {
        ThreadsVariable v("1");
        one = RunCli(args);
    }
    {
        ThreadsVariable v("3");
        three = RunCli(args);
    }
    ASSERT_EQ(byDefault.ExitCode, 0) << byDefault.Err;
    EXPECT_FALSE(byDefault.Out.empty());
    EXPECT_EQ(one.Out, byDefault.Out);
    EXPECT_EQ(three.Out, byDefault.Out);
    EXPECT_EQ(RunCli(args).Out, byDefault.Out);
    std::vector<std::string> otherSeed = args;
    otherSeed[5] = "100";
    EXPECT_NE(RunCli(otherSeed).Out, byDefault.Out);
}
