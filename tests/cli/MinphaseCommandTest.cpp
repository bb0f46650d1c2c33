#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "TestSupport.h"

using pelmo::test::RunCli;

namespace {

struct Point {
    double f, db, deg;
};

std::vector<Point> ParsePoints(const std::string& out) {
    std::vector<Point> points;
    std::istringstream in(out);
    Point p;
    while (in >> p.f >> p.db >> p.deg) points.push_back(p);
    return points;
}

// The point nearest f.
Point Near(const std::vector<Point>& points, double f) {
    Point best = points.front();
    for (const Point& p : points)
        if (std::fabs(std::log(p.f / f)) < std::fabs(std::log(best.f / f))) best = p;
    return best;
}

TEST(CliMinphase, PrintsTheDerivedResponseOnTheAnalysisGrid) {
    pelmo::test::TempFolder folder;
    const std::string frd = folder.Path() + "flat.frd";
    pelmo::test::WriteWholeFile(frd, "Freq dB deg\n10 70 45\n1000 70 45\n20000 70 45\n");

    const auto r = RunCli({"minphase", frd});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const auto points = ParsePoints(r.Out);
    ASSERT_EQ(points.size(), 500u);
    EXPECT_EQ(points.front().f, 10);
    EXPECT_EQ(points.back().f, 20000);
    // The load-default tails (100 Hz / 24 dB, 16 kHz / 42 dB); the measured
    // 45 degrees are not used.
    EXPECT_NEAR(Near(points, 200).deg, 72, 2);
    EXPECT_NEAR(Near(points, 1000).db, 70, 1e-6);
    EXPECT_NEAR(Near(points, 10000).deg, -142, 2);

    const auto inverted = ParsePoints(RunCli({"minphase", frd, "--invert", "--delay", "13.54328"}).Out);
    const auto moved = ParsePoints(RunCli({"minphase", "--low", "0", "--high", "0", frd}).Out);
    ASSERT_EQ(inverted.size(), 500u);
    ASSERT_EQ(moved.size(), 500u);
    // Ten printed digits: agreement to 1e-5 degrees.
    for (std::size_t k = 0; k < 500; ++k) {
        const double want = points[k].deg + 180 - 360 * points[k].f / 1000;
        EXPECT_NEAR(std::remainder(inverted[k].deg - want, 360), 0, 1e-5) << points[k].f;
    }
    EXPECT_NEAR(Near(moved, 50).db, 70, 1e-6);  // tails from 10 Hz and 20 kHz
}

TEST(CliMinphase, FailuresAndUsage) {
    pelmo::test::TempFolder folder;
    const std::string frd = folder.Path() + "flat.frd";
    pelmo::test::WriteWholeFile(frd, "10 70\n20000 70\n");
    const struct {
        std::vector<std::string> args;
        int exit;
        std::string errStart;
    } cases[] = {
        {{"minphase", frd, "--high", "2"}, 1, "error-phase restore aborted!\n"},
        {{"minphase", folder.Path() + "none.frd"},
         1,
         "File Load error: " + folder.Path() + "none.frd\nNo such file or directory\n"},
        {{"minphase"}, 2, "pelmo-cli minphase: no FRD file\n"},
        {{"minphase", frd, "--low"}, 2, "pelmo-cli minphase: --low needs a value\n"},
        {{"minphase", frd, "--delay", "1ms"}, 2, "pelmo-cli minphase: not a number: 1ms\n"},
        {{"minphase", frd, "--wobble"}, 2, "pelmo-cli minphase: unknown option --wobble\n"},
        {{"minphase", frd, frd}, 2, "pelmo-cli minphase: more than one file\n"},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.ExitCode, c.exit) << c.errStart;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err.substr(0, c.errStart.size()), c.errStart);
    }
}

}  // namespace
