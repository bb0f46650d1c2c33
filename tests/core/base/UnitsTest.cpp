#include <gtest/gtest.h>

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
