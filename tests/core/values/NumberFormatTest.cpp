#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "values/NumberFormat.h"

using namespace pelmo;

namespace {

struct Case {
    double x;
    const char* expected;
};

TEST(NumberFormat, FileReals) {
    const Case cases[] = {
        {10, "10"},
        {1e-5, "1E-5"},
        {0.001, "0.001"},
        {0.0001, "0.0001"},
        {0.00012, "0.00012"},
        {std::sqrt(8.0), "2.82842712474619"},
        {-0.5, "-0.5"},
        {0, "0"},
        {-0.0, "0"},
        {1e-3 * 3, "0.003"},
        {4.7e-7, "4.7E-7"},
        {100000000000000.0, "100000000000000"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {-2.5e-12, "-2.5E-12"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {0.1 + 0.2, "0.3"},
        {123456.789, "123456.789"},
        {999999999999999.9, "1E15"},
        {16000, "16000"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFileReal(c.x), c.expected) << c.x;
}

TEST(NumberFormat, FixedDecimals) {
    struct FixedCase {
        double x;
        int n;
        const char* expected;
    } cases[] = {
        {4.7e-7 * 1e6, 3, "0.47"},
        {1.5e-3 * 1e3, 3, "1.5"},
        {1e-5 * 1e6, 3, "10"},
        {2.2, 3, "2.2"},
        {8, 4, "8"},
        {1500, 3, "1500"},
        {0.0004, 3, "0"},
        {0.0005, 3, "0.001"},
        {0.96, 0, "1"},
        {0.4, 0, "0"},
        {-1.25, 1, "-1.3"},  // halves away from zero
        {-0.0004, 3, "0"},
        {123456.789, 2, "123456.79"},
        {123456.789, 3, "123456.79"},  // only 8 significant digits
        {12.3456789, 5, "12.34568"},
        {99.9996, 3, "100"},
        {3.14159, 2, "3.14"},
        {-20.5, 2, "-20.5"},
        {0, 2, "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.x, c.n), c.expected) << c.x << " F" << c.n;
}

TEST(NumberFormat, Engineering) {
    const Case cases[] = {
        {1500, "1.5k"},
        {20000, "20k"},
        {100, "100"},
        {0.0025, "2.5m"},
        {999.96, "1k"},
        {0.99996, "1"},
        {4700, "4.7k"},
        {0.22, "220m"},
        {10, "10"},
        {2.828427, "2.828"},
        {-1500, "-1.5k"},
        {4.7e-7, "470n"},
        {1e-5, "10u"},
        {2.2e-12, "2.2p"},
        {3e-15, "3f"},
        {1e-15, "0"},
        {0, "0"},
        {1e6, "1M"},
        {2.5e9, "2.5G"},
        {999.96e9, "1001G"},  // no prefix above G: the loop grows the factor until 4 digits show 1001
        {std::numeric_limits<double>::quiet_NaN(), "0"},
        {std::numeric_limits<double>::infinity(), "0"},
        {123.456, "123.5"},
        {1234.6, "1.235k"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatE4(c.x), c.expected) << c.x;
}

TEST(NumberFormat, ParsesRealsOfFilesAndSettings) {
    struct ParseCase {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"10", true, 10},
        {"  2.5  ", true, 2.5},
        {"-0.5", true, -0.5},
        {"+3", true, 3},
        {"1E-5", true, 1e-5},
        {"1e3", true, 1000},
        {".5", true, 0.5},
        {"5.", true, 5},
        {"", false, 0},
        {"-", false, 0},
        {".", false, 0},
        {"1E", false, 0},
        {"1,5", false, 0},
        {"abc", false, 0},
        {"1 2", false, 0},
        {"inf", false, 0},
        {"nan", false, 0},
        {"1E400", false, 0},
        {"1E-400", true, 0},
        {"0x10", false, 0},
    };
    for (const auto& c : cases) {
        double v = -77;
        EXPECT_EQ(TryParseReal(c.text, v), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(v, c.value) << c.text;
        else EXPECT_EQ(v, -77) << c.text;
    }
}

TEST(NumberFormat, FileRealsRoundTrip) {
    const double values[] = {std::sqrt(2.0), 1e-300, 6.02e23, -123.456e-7, 0.1, 1.0 / 7};
    for (double x : values) {
        double back = 0;
        ASSERT_TRUE(TryParseReal(FormatFileReal(x), back));
        EXPECT_NEAR(back, x, std::fabs(x) * 1e-14);
    }
}

TEST(NumberFormat, ParsesIntegers) {
    int v = 0;
    EXPECT_TRUE(TryParseInt(" -12 ", v));
    EXPECT_EQ(v, -12);
    EXPECT_FALSE(TryParseInt("12.5", v));
    EXPECT_FALSE(TryParseInt("99999999999", v));
    EXPECT_FALSE(TryParseInt("", v));
}

}  // namespace
