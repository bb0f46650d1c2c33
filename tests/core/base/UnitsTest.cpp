#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/Units.h"

using namespace pelmo;

// Each conversion against a figure known from outside the program, and back.
TEST(Units, ConversionsMeetKnownFiguresAndInvertEachOther) {
    const struct {
        const char* what;
        double (*to)(double);
        double (*back)(double);
        double from, expected;
    } cases[] = {
        {"an inch in metres", InchesToMetres, MetresToInches, 1.0, 0.0254},
        {"a 6.5 inch cone in metres", InchesToMetres, MetresToInches, 6.5, 0.1651},
        {"half a turn in radians", DegreesToRadians, RadiansToDegrees, 180.0, std::numbers::pi},
        {"a right angle back in degrees", RadiansToDegrees, DegreesToRadians, std::numbers::pi / 2, 90.0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.to(c.from), c.expected, 1e-12 * c.expected) << c.what;
        EXPECT_NEAR(c.back(c.to(c.from)), c.from, 1e-12 * c.from) << c.what;
    }
    // The delays' old figure is the same speed within a thousandth of a percent.
    EXPECT_NEAR(SpeedOfSoundInches, MetresToInches(SpeedOfSoundMetres), 0.03);
}

// A delay in each unit the dialogs offer: a known figure, and back.
TEST(Units, DelayInEachUnit) {
    const struct {
        TDelayUnit unit;
        double seconds, shown;
    } cases[] = {
        {TDelayUnit::Microseconds, 73.84e-6, 73.84},
        {TDelayUnit::Millimetres, 1e-3, 344.0},  // a millisecond of sound is 344 mm
        {TDelayUnit::Millimetres, -2.5e-3 / 344, -2.5},
        {TDelayUnit::Inches, 1 / 344.0, 344 * 39.37 / 344.0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(DelayInUnit(c.seconds, c.unit), c.shown, 1e-12 * std::fabs(c.shown)) << int(c.unit);
        EXPECT_NEAR(DelaySecondsFrom(c.shown, c.unit), c.seconds, 1e-12 * std::fabs(c.seconds)) << int(c.unit);
    }
    EXPECT_EQ(DelayInUnit(DelayInSeconds(2.5), TDelayUnit::Inches), DelayInInches(DelayInSeconds(2.5)));
}
