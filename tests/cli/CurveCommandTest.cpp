#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "TestSupport.h"
#include "files/DesignFile.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

// The source on ground, a 6 ohm resistor from its first terminal to a driver
// (default data: 8 ohms, flat 70 dB), the driver wired back to ground; a
// capacitor alone on the sheet.
std::string SeriesDesign(const TempFolder& tmp) {
    TDesign d;
    const TPoint t1 = d.Source.Terminal1, t2 = d.Source.Terminal2;  // (121, 62), (121, 66)
    AddGround(d, t2);
    TPart& r = AddPart(d, TPartType::Resistor, {t1.X + 3, t1.Y}, true);  // (121, 62) - (127, 62)
    r.Value = 6;
    TDriver& drv = AddDriver(d, {r.Terminal2.X + 1, r.Terminal2.Y + 1});  // (127, 62) - (127, 64)
    AddWire(d, drv.Terminal2, {drv.Terminal2.X, t2.Y});
    AddWire(d, {drv.Terminal2.X, t2.Y}, t2);
    AddPart(d, TPartType::Capacitor, {60, 20}, true);
    RecordingMessageSink sink;
    const std::string path = tmp.Path() + "series.bkt";
    EXPECT_TRUE(WriteDesign(d, path, sink));
    return path;
}

struct Point {
    double x, y, phase;
    int fields;
};

std::vector<Point> Points(const std::string& out) {
    std::vector<Point> points;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        Point p{0, 0, 0, 0};
        std::istringstream f(line);
        if (f >> p.x) ++p.fields;
        if (f >> p.y) ++p.fields;
        if (f >> p.phase) ++p.fields;
        points.push_back(p);
    }
    return points;
}

}  // namespace

TEST(CliCurve, InfoGivesTheNetlist) {
    TempFolder tmp;
    const auto r = RunCli({"info", SeriesDesign(tmp)});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "source 1 0\nR1 1 2\nC1 -1 -1\nS1 2 0\nNodeCount 3\n");
}

TEST(CliCurve, CurvesOfEveryElectricalKind) {
    TempFolder tmp;
    const std::string design = SeriesDesign(tmp);
    struct Case {
        std::vector<std::string> args;
        double y, phase;
        int fields;
    };
    const double v = 8.0 / 14.001;
    const std::vector<Case> cases = {
        {{"impedance", "System"}, 14.0, 0.0, 3},
        {{"impedance", "s1 (LOOKBACK)"}, 6.001, 0.0, 3},
        {{"impedance", "S1 (driver only)"}, 8.0, 0.0, 3},
        {{"filter", "S1"}, 20 * std::log10(v), 0.0, 3},
        {{"voltage", "R1"}, 6.0 / 14.001 * std::sqrt(8.0) * 1.4142135624, 0.0, 3},
        {{"current", "S1"}, v / 8 * std::sqrt(8.0), 0.0, 3},
        {{"power", "S1"}, 8.0 * v * v / 8, 0, 2},
        {{"spl", "System", "--smoothing", "0"}, 70 + 20 * std::log10(v), 0.0, 3},
        {{"spl", "S1 (driver only)"}, 70, 0.0, 3},
        {{"groupdelay", "System"}, 0.0, 0, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"curve", design};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const auto r = RunCli(args);
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        const auto points = Points(r.Out);
        ASSERT_EQ(points.size(), 500u);
        EXPECT_NEAR(points.front().x, 10, 1e-9);
        EXPECT_NEAR(points.back().x, 20000, 1e-9);
        for (const Point& p : points) {
            ASSERT_EQ(p.fields, c.fields);
            EXPECT_NEAR(p.y, c.y, 1e-6 * std::max(1.0, std::fabs(c.y)));
            if (c.fields == 3) {
                EXPECT_NEAR(p.phase, c.phase, 1e-6);
            }
        }
    }
}

TEST(CliCurve, DigitsAndFailures) {
    TempFolder tmp;
    const std::string design = SeriesDesign(tmp);
    const auto four = RunCli({"curve", design, "impedance", "System", "--digits", "4"});
    EXPECT_EQ(four.ExitCode, 0);
    EXPECT_EQ(four.Out.substr(0, four.Out.find('\n')), "10\t14\t0");

    const auto unknownCurve = RunCli({"curve", design, "spl", "R1"});
    EXPECT_EQ(unknownCurve.ExitCode, 1);
    EXPECT_NE(unknownCurve.Err.find("\"S1 (driver only)\""), std::string::npos) << unknownCurve.Err;
    // A circuit block whose member expression cannot be evaluated.
    {
        TDesign d;
        TCircuitBlock& block = AppendBlock(d);
        block.Title = "broken";
        TPart& r = AddPart(d, TPartType::Resistor, {124, 62}, true);
        r.Subckt = 0;
        r.Equation1 = "1/(";
        AddDriver(d, {128, 63});
        RebuildBlockMembers(d);
        RecordingMessageSink sink;
        ASSERT_TRUE(WriteDesign(d, tmp.Path() + "broken.bkt", sink));
        const auto broken = RunCli({"curve", tmp.Path() + "broken.bkt", "spl", "System"});
        EXPECT_EQ(broken.ExitCode, 1);
        EXPECT_NE(broken.Err, "");
        EXPECT_EQ(broken.Out, "");
    }
    const auto missing = RunCli({"curve", tmp.Path() + "none.bkt", "spl", "System"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Err, "FileOpen failed\n" + tmp.Path() + "none.bkt: No such file or directory\n");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"curve", design, "spl"},
             {"curve", design, "loudness", "System"},
             {"curve", design, "spl", "System", "--digits", "0"},
             {"curve", design, "spl", "System", "--smoothing"},
             {"curve", design, "spl", "System", "--colour", "4"},
         })
        EXPECT_EQ(RunCli(bad).ExitCode, 2) << bad.back();
}
