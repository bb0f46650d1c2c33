#include <gtest/gtest.h>

#include <cmath>

#include "graphs/AxisZoom.h"

namespace pelmo {
namespace {

TEST(AxisZoom, LogTicksAndLabels) {
    EXPECT_EQ(LogAxisTicks(10, 20000, true),
              (std::vector<double>{10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000}));
    EXPECT_EQ(LogAxisTicks(10, 20000, false), (std::vector<double>{10, 100, 1000, 10000}));
    EXPECT_EQ(LogAxisTicks(150, 900, true), (std::vector<double>{200, 500}));
    EXPECT_EQ(LogAxisSubTicks(10, 100, true), (std::vector<double>{30, 40, 60, 70, 80, 90}));
    EXPECT_EQ(LogAxisSubTicks(10, 100, false).size(), 8u);
    EXPECT_TRUE(LogAxisTicks(0, 100, true).empty());
    EXPECT_TRUE(LogAxisTicks(100, 10, true).empty());
    const std::pair<double, const char*> labels[] = {{20, "20"},   {500, "500"},         {1000, "1k"},
                                                     {2000, "2k"}, {20000, "20k"},       {1500, "1.5k"},
                                                     {0.5, "0.5"}, {2806.1551, "2.806k"}};
    for (const auto& [hz, text] : labels) EXPECT_EQ(LogAxisTickLabel(hz), text);
}

TEST(AxisZoom, FittedLimitsHoldTheValuesOnNiceSteps) {
    struct Case {
        double lo, hi;
        TAxisLimits want;
    } cases[] = {
        {0.0, 0.83, {0, 0.9, 0.1}},  // a voltage curve near zero
        {62.4, 93.1, {60, 95, 5}},   // an SPL curve
        {-3.2, 0.004, {-3.5, 0.5, 0.5}},
        {4, 4, {3.6, 4.4, 0.1}},  // a flat curve opens by 10 %
        {0, 0, {-1, 1, 0.2}},     // a flat curve at zero
        {7.1, 2.2, {2, 8, 1}},    // either order
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << " ... " << c.hi);
        const TAxisLimits a = FitAxisLimits(c.lo, c.hi, 10);
        EXPECT_NEAR(a.Min, c.want.Min, 1e-9);
        EXPECT_NEAR(a.Max, c.want.Max, 1e-9);
        EXPECT_NEAR(a.Step, c.want.Step, 1e-12);
        EXPECT_LE(std::lround((a.Max - a.Min) / a.Step), 10);
    }
}

TEST(AxisZoom, ZoomKeepsThePointerValueInPlaceAndPanMovesByTheDrag) {
    double lo = 20, hi = 20000;
    ZoomAxisRange(lo, hi, 200, 0.5, true);  // half the decades around 200 Hz
    EXPECT_NEAR(std::log10(hi / lo), 1.5, 1e-12);
    EXPECT_NEAR(std::log10(200 / lo) / std::log10(hi / lo), 1.0 / 3.0, 1e-12);
    PanAxisRange(lo, hi, 400, 200, true);  // dragged from 400 Hz to 200 Hz
    EXPECT_NEAR(lo, 2 * 20 * std::sqrt(10.0), 1e-9);
    double a = 0, b = 10;
    ZoomAxisRange(a, b, 8, 2, false);
    EXPECT_DOUBLE_EQ(a, -8);
    EXPECT_DOUBLE_EQ(b, 12);
    PanAxisRange(a, b, 3, 1, false);
    EXPECT_DOUBLE_EQ(a, -6);
    EXPECT_DOUBLE_EQ(b, 14);
}

}  // namespace
}  // namespace pelmo
