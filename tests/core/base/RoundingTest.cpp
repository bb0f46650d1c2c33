#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/Rounding.h"

using namespace pelmo;

// Numbers from files reach the integer helpers unchecked: beyond an int they
// stop at its ends, NaN gives 0, and inside they round as always.
TEST(Rounding, IntegersOfAnyDouble) {
    constexpr int imax = std::numeric_limits<int>::max(), imin = std::numeric_limits<int>::min();
    constexpr std::int64_t lmax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t lmin = std::numeric_limits<std::int64_t>::min();
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const struct {
        double x;
        int round, trunc, floor;
        std::int64_t round64;
    } cases[] = {
        {2.5, 2, 2, 2, 2},
        {3.5, 4, 3, 3, 4},
        {-2.5, -2, -2, -3, -2},
        {-0.4, 0, 0, -1, 0},
        {2147483646.6, imax, 2147483646, 2147483646, 2147483647},
        {2147483647.4, imax, imax, imax, 2147483647},
        {2147483648.0, imax, imax, imax, 2147483648},
        {-2147483648.9, imin, imin, imin, -2147483649},
        {1e308, imax, imax, imax, lmax},
        {-1e308, imin, imin, imin, lmin},
        {9223372036854775807.0, imax, imax, imax, lmax},  // 2^63 as a double
        {inf, imax, imax, imax, lmax},
        {-inf, imin, imin, imin, lmin},
        {nan, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundToInt(c.x), c.round) << c.x;
        EXPECT_EQ(TruncToInt(c.x), c.trunc) << c.x;
        EXPECT_EQ(FloorToInt(c.x), c.floor) << c.x;
        EXPECT_EQ(RoundToInt64(c.x), c.round64) << c.x;
    }
}
