#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "TestSupport.h"
#include "files/DesignFile.h"
#include "model/Design.h"
#include "model/Elements.h"

using namespace pelmo;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

// A driver (default data: 8 ohms, flat 70 dB) straight across the source,
// 0.5 ms behind the microphone.
std::string DriverDesign(const TempFolder& tmp) {
    TDesign d;
    const TPoint t1 = d.Source.Terminal1, t2 = d.Source.Terminal2;
    AddGround(d, t2);
    TDriver& drv = AddDriver(d, {t1.X + 6, t1.Y + 1});
    drv.DelaySeconds = 0.0005;
    AddWire(d, t1, drv.Terminal1);
    AddWire(d, drv.Terminal2, {drv.Terminal2.X, t2.Y});
    AddWire(d, {drv.Terminal2.X, t2.Y}, t2);
    test::RecordingMessageSink sink;
    const std::string path = tmp.Path() + "driver.bkt";
    EXPECT_TRUE(WriteDesign(d, path, sink));
    return path;
}

struct Points {
    std::vector<double> x, y;
    double MaxAbs() const {
        double m = 0;
        for (double v : y) m = std::max(m, std::fabs(v));
        return m;
    }
    double XAtPeak() const {
        std::size_t best = 0;
        for (std::size_t i = 0; i < y.size(); ++i)
            if (std::fabs(y[i]) > std::fabs(y[best])) best = i;
        return x[best];
    }
};

Points RunCurve(const std::vector<std::string>& args) {
    const auto r = RunCli(args);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    Points p;
    std::istringstream in(r.Out);
    double x, y;
    while (in >> x >> y) {
        p.x.push_back(x);
        p.y.push_back(y);
    }
    return p;
}

TEST(CliTimeCurves, WithoutAScaleLikeANewWindow) {
    TempFolder tmp;
    const std::string design = DriverDesign(tmp);
    // The automatic scale puts the largest value near 27 (impulse, step) or
    // 60 (square wave).
    const struct {
        const char* kind;
        std::size_t count;
        double first, last, peak;
    } cases[] = {{"impulse", 16384, -290.0 / 192, 16093.0 / 192, 27},
                 {"step", 288 + 5761, -1.5, 30, 27},
                 {"squarewave", 401, -200, 200, 60}};
    for (const auto& c : cases) {
        const Points p = RunCurve({"curve", design, c.kind, "System"});
        ASSERT_EQ(p.x.size(), c.count) << c.kind;
        EXPECT_NEAR(p.x.front(), c.first, 1e-8) << c.kind;
        EXPECT_NEAR(p.x.back(), c.last, 1e-8) << c.kind;
        EXPECT_NEAR(p.MaxAbs(), c.peak, 0.01) << c.kind;
    }
    // The driver's 0.5 ms delay: the impulse peaks 96 samples late.
    EXPECT_NEAR(RunCurve({"curve", design, "impulse", "System"}).XAtPeak(), 0.5, 1e-8);
}

TEST(CliTimeCurves, ScaleAndTestFrequency) {
    TempFolder tmp;
    const std::string design = DriverDesign(tmp);
    for (const char* kind : {"impulse", "step", "squarewave"}) {
        const Points one = RunCurve({"curve", design, kind, "S1", "--scale", "1000"});
        const Points two = RunCurve({"curve", design, kind, "S1", "--scale", "2000"});
        ASSERT_EQ(one.y.size(), two.y.size());
        for (std::size_t i = 0; i < one.y.size(); ++i) ASSERT_NEAR(two.y[i], 2 * one.y[i], 1e-8 * two.MaxAbs()) << kind;
    }
    // At 5 kHz only 5 and 15 kHz are summed: a quarter period in, the wave
    // is (1 - 1/3) of the fundamental's amplitude, against about pi/4 at 1 kHz.
    const Points at1k = RunCurve({"curve", design, "squarewave", "System", "--scale", "200000"});
    const Points at5k =
        RunCurve({"curve", design, "squarewave", "System", "--scale", "200000", "--test-frequency", "5000"});
    const double fundamental = at5k.y[250] / (1 - 1.0 / 3);
    EXPECT_NEAR(at1k.y[250] / fundamental, M_PI / 4, 0.03);
    EXPECT_NEAR(at5k.y[150], -at5k.y[250], 1e-6 * fundamental);  // centred on t = 0
}

}  // namespace
