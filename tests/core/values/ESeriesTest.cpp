#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "values/ESeries.h"

using pelmo::RoundToESeries;
using pelmo::TESeries;

namespace {

TEST(ESeries, RoundsToTheNearestMemberOnALogScale) {
    struct Case {
        double X;
        TESeries Series;
        double Expected;
    };
    const Case cases[] = {
        {4.0, pelmo::esE12, 3.9},        {4.4, pelmo::esE12, 4.7},
        {9.5, pelmo::esE12, 10},         {1, pelmo::esE12, 1},
        {0.5, pelmo::esE12, 0.47},       {0.8333333333333334, pelmo::esE12, 0.82},
        {0.0047, pelmo::esE12, 0.0047},  {47000, pelmo::esE12, 47000},
        {8, pelmo::esE48, 7.87},         {8.2, pelmo::esE48, 8.25},
        {10, pelmo::esE48, 10},          {1.04, pelmo::esE48, 1.05},
        {4.6e-6, pelmo::esE48, 4.64e-6}, {9.8, pelmo::esE48, 10},
        {2.0, pelmo::esE6, 2.2},         {1.2, pelmo::esE6, 1.0},
        {1.3, pelmo::esE6, 1.5},         {2.9, pelmo::esE24, 3.0},
        {9.6, pelmo::esE24, 10},         {-5, pelmo::esE12, -4.7},  // the sign is kept
        {0, pelmo::esE12, 1e-301},                                  // clamped extremes
        {1e-26, pelmo::esE12, 1e-299},   {1e26, pelmo::esE48, 1e299},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RoundToESeries(c.X, c.Series), c.Expected) << c.X << " in E" << c.Series;
}

TEST(ESeries, EveryMemberIsAFixedPointInEveryDecade) {
    const std::vector<std::pair<TESeries, std::vector<int>>> series = {
        {pelmo::esE6, {100, 150, 220, 330, 470, 680}},
        {pelmo::esE12, {100, 120, 150, 180, 220, 270, 330, 390, 470, 560, 680, 820}},
        {pelmo::esE24, {100, 110, 120, 130, 150, 160, 180, 200, 220, 240, 270, 300,
                        330, 360, 390, 430, 470, 510, 560, 620, 680, 750, 820, 910}},
        {pelmo::esE48, {100, 105, 110, 115, 121, 127, 133, 140, 147, 154, 162, 169, 178, 187, 196, 205,
                        215, 226, 237, 249, 261, 274, 287, 301, 316, 332, 348, 365, 383, 402, 422, 442,
                        464, 487, 511, 536, 562, 590, 619, 649, 681, 715, 750, 787, 825, 866, 909, 953}},
    };
    for (const auto& [s, members] : series) {
        for (int decade = -12; decade <= 9; ++decade) {
            for (int m : members) {
                // The decimal value, correctly rounded: what a user would type.
                const double v = std::stod(std::to_string(m) + "e" + std::to_string(decade - 2));
                EXPECT_EQ(RoundToESeries(v, s), v) << v;
            }
        }
    }
}

TEST(ESeries, IsMonotoneAndStaysWithinHalfAStep) {
    for (const TESeries s : {pelmo::esE6, pelmo::esE12, pelmo::esE24, pelmo::esE48}) {
        const int n = 6 << s;  // 6, 12, 24, 48 members
        // Largest ratio between neighbours in the IEC tables is below 10^(1.5/n).
        const double halfStep = std::pow(10.0, 0.75 / n);
        double previous = 0;
        for (double x = 1e-9; x < 1e8; x *= 1.0007) {
            const double r = RoundToESeries(x, s);
            EXPECT_GE(r, previous) << x;
            EXPECT_LE(r / x, halfStep) << x;
            EXPECT_GE(r / x, 1 / halfStep) << x;
            previous = r;
        }
    }
}

}  // namespace
