#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "driverdata/Conversions.h"
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
