#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "base/Conversions.h"
#include "driverdata/FitCurve.h"

using namespace pelmo;

namespace {

TEST(FitCurve, ReproducesLinesAndPassesThroughThePoints) {
    const DataArray x{1, 2, 4, 8, 9};
    DataArray line(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) line[i] = 3 * x[i] - 1;
    for (double at : {0.0, 1.0, 1.5, 3.3, 7.9, 9.0, 12.0}) EXPECT_NEAR(FitPoint(x, line, at), 3 * at - 1, 1e-12) << at;
    const DataArray wiggle{0, 5, -2, 7, 7};
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_DOUBLE_EQ(FitPoint(x, wiggle, x[i]), wiggle[i]);
}

TEST(FitCurve, MonotoneDataGivesAMonotoneCurveWithoutOvershoot) {
    const DataArray x{0, 1, 2, 3, 4, 5};
    const DataArray y{0, 0, 0, 1, 1, 1};  // a step: a natural spline would overshoot
    double prev = -1;
    for (double at = 0; at <= 5; at += 0.01) {
        const double v = FitPoint(x, y, at);
        EXPECT_GE(v, -1e-12) << at;
        EXPECT_LE(v, 1 + 1e-12) << at;
        EXPECT_GE(v, prev - 1e-12) << at;
        prev = v;
    }
}

TEST(FitCurve, ExtrapolatesLinearlyFromTheEndSegments) {
    const DataArray x{10, 20, 40};
    const DataArray y{1, 3, 4};
    EXPECT_DOUBLE_EQ(FitPoint(x, y, 0), -1);  // slope 0.2 from the first segment
    EXPECT_DOUBLE_EQ(FitPoint(x, y, 60), 5);  // slope 0.05 from the last
}

TEST(FitCurve, RefusesTooFewPoints) {
    test::RecordingMessageSink sink;
    DataArray out{42};
    EXPECT_FALSE(FitCurve({1, 2, 3}, {1, 2, 3}, {1, 2}, out, sink));
    EXPECT_EQ(out, DataArray{42});
    EXPECT_FALSE(FitCurve({1}, {1}, {1, 2, 3}, out, sink));
    ASSERT_EQ(sink.Messages.size(), 2u);
    EXPECT_EQ(sink.Messages[0], "Math error during curve fitting!");
    EXPECT_TRUE(FitCurve({1, 2}, {1, 2}, {1, 1.5, 2}, out, sink));
    EXPECT_EQ(out.size(), 3u);
    EXPECT_DOUBLE_EQ(out[0], 1);  // the first point of a two-point curve
}

// The cubic Hermite polynomial on [x0, x1] with end slopes d0, d1, written in
// the usual basis: an independent check of the fitted formula.
double Hermite(double x0, double x1, double y0, double y1, double d0, double d1, double at) {
    const double h = x1 - x0, t = (at - x0) / h;
    const double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * y0 + (t3 - 2 * t2 + t) * h * d0 + (-2 * t3 + 3 * t2) * y1 + (t3 - t2) * h * d1;
}

TEST(FitCurve, UsesHarmonicMeanSlopesInsideAndTheEndRuleAtTheEnds) {
    const DataArray x{0, 1, 3, 4};
    const DataArray y{0, 2, 3, 7};
    // Interior slopes: harmonic means of the neighbouring secants.
    const double s1 = 2 / ((3.0 - 1) / 1 + (1.0 - 0) / 2);  // secants 0.5 and 2
    const double s2 = 2 / ((4.0 - 3) / 4 + (3.0 - 1) / 1);  // secants 0.5 and 4
    // End segments: 1.5 x secant - 0.5 x the slope at the other end.
    const double d0 = 1.5 * 2 - 0.5 * s1;
    const double d3 = 1.5 * 4 - 0.5 * s2;
    struct Case {
        double at, expected;
    };
    const Case cases[] = {
        {0.25, Hermite(0, 1, 0, 2, d0, s1, 0.25)},
        {0.5, Hermite(0, 1, 0, 2, d0, s1, 0.5)},
        {1.7, Hermite(1, 3, 2, 3, s1, s2, 1.7)},
        {2.9, Hermite(1, 3, 2, 3, s1, s2, 2.9)},
        {3.5, Hermite(3, 4, 3, 7, s2, d3, 3.5)},
        {-2, -4},  // the first secant, slope 2
        {5, 11},   // the last secant, slope 4
    };
    for (const Case& c : cases) EXPECT_NEAR(FitPoint(x, y, c.at), c.expected, 1e-12) << c.at;

    // A local extremum or a flat neighbour has slope 0.
    const DataArray peak{0, 2, 1, 3};
    EXPECT_NEAR(FitPoint(x, peak, 1.5), Hermite(1, 3, 2, 1, 0, 0, 1.5), 1e-12);
    const DataArray flat{0, 2, 2, 3};
    EXPECT_NEAR(FitPoint(x, flat, 2), 2, 1e-12);
    // Two points give the straight line.
    for (double at : {-1.0, 0.0, 0.3, 1.0, 4.0}) EXPECT_NEAR(FitPoint({0, 1}, {1, 3}, at), 1 + 2 * at, 1e-12) << at;
}

// FitCurve works the slopes of a segment out once for all points that fall
// into it in a row; every point must still be exactly what FitPoint gives,
// however the points jump between segments.
TEST(FitCurve, EveryPointIsExactlyTheSingleFit) {
    const DataArray x{1, 2, 4, 8, 9, 15};
    const DataArray y{0, 5, -2, 7, 7, 1};
    struct Case {
        const char* what;
        DataArray x, y, at;
    };
    const Case cases[] = {
        {"rising, many per segment", x, y, {0.5, 1, 1.2, 1.9, 2, 2.5, 3, 3.9, 4, 6, 8, 8.5, 9, 12, 15, 16}},
        {"back and forth", x, y, {8.5, 1.5, 8.6, 8.7, 3, 1.6, 14, 1.7, 1.8, 9, 2, 4}},
        {"falling", x, y, {15, 12, 9, 8.5, 8, 6, 4, 3, 2, 1.5, 1}},
        {"on the nodes", x, y, {1, 2, 4, 8, 9, 15, 9, 8, 2}},
        {"two points", {0, 1}, {1, 3}, {-1, 0, 0.3, 0.6, 1, 4}},
        {"three points", {0, 1, 3}, {0, 2, 3}, {0.2, 0.4, 1.5, 2.5, 0.6}},
        {"rising, skipping segments", x, y, {1.1, 1.2, 7.5, 7.6, 8, 14.9, 15}},
        {"data with a repeated x", {1, 2, 2, 4, 5}, {0, 1, 3, 2, 2}, {1.5, 2, 2.5, 3, 4.5}},
        {"data not in order", {1, 4, 2, 8, 9}, {0, 5, -2, 7, 7}, {1.5, 2.5, 3, 5, 8.5}},
        {"not a number", x, y, {1.5, std::nan(""), 2.5, 3}},
    };
    test::RecordingMessageSink sink;
    for (const Case& c : cases) {
        DataArray out;
        ASSERT_TRUE(FitCurve(c.x, c.y, c.at, out, sink)) << c.what;
        ASSERT_EQ(out.size(), c.at.size()) << c.what;
        for (std::size_t k = 0; k < c.at.size(); ++k) {
            const double single = FitPoint(c.x, c.y, c.at[k]);
            if (std::isnan(single))
                EXPECT_TRUE(std::isnan(out[k])) << c.what << " at " << c.at[k];
            else
                EXPECT_EQ(out[k], single) << c.what << " at " << c.at[k];
        }
    }
}

TEST(Conversions, ClampsAtTheirLimits) {
    struct Case {
        double db, lin;
    };
    const Case toLin[] = {{-400, 1e-20},
                          {-500, 1e-20},
                          {-380, 1e-19},
                          {250, std::pow(10.0, 12.5)},
                          {1e9, std::pow(10.0, 12.5)},
                          {-6, std::pow(10.0, -0.3)}};
    for (const Case& c : toLin) EXPECT_NEAR(DbToLin(c.db) / c.lin, 1, 1e-12) << c.db;
    const Case toDb[] = {{-500, 1e-25}, {500, 1e25}, {-2000000, 9.9e-26}, {2000000, 1.01e25}, {-2000000, 0}};
    for (const Case& c : toDb) EXPECT_NEAR(LinToDb(c.lin), c.db, 1e-9) << c.lin;
    DataArray re{-1, 0, 1e-30}, im{-1e-12, -2, 0};
    RectToPolar(re, im);
    EXPECT_NEAR(im[0], -180, 1e-9);
    EXPECT_NEAR(im[1], -90, 1e-12);
    EXPECT_EQ(re[2], -2000000);
}

TEST(Conversions, ClampsAndRoundTrips) {
    EXPECT_DOUBLE_EQ(DbToLin(0), 1);
    EXPECT_DOUBLE_EQ(DbToLin(20), 10);
    EXPECT_DOUBLE_EQ(DbToLin(-1000), 1e-20);  // -400 dB is 1e-20
    EXPECT_DOUBLE_EQ(DbToLin(300), DbToLin(250));
    EXPECT_DOUBLE_EQ(LinToDb(10), 20);
    EXPECT_DOUBLE_EQ(LinToDb(-10), 20);
    EXPECT_EQ(LinToDb(0), -2000000);
    EXPECT_EQ(LinToDb(1e26), 2000000);
    DataArray a{2, 1}, b{M_PI / 2, M_PI};
    PolarToRect(a, b);
    EXPECT_NEAR(a[0], 0, 1e-15);
    EXPECT_NEAR(b[0], 2, 1e-15);
    EXPECT_NEAR(a[1], -1, 1e-15);
    RectToPolar(a, b);
    EXPECT_NEAR(a[0], 20 * std::log10(2.0), 1e-12);
    EXPECT_NEAR(b[0], 90, 1e-12);
    EXPECT_NEAR(std::fabs(b[1]), 180, 1e-12);
}

}  // namespace
