#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/Design.h"

using namespace pelmo;

namespace {

// A stored text and what each typed read makes of it (F: the fallback).
TEST(DesignSettings, TypedReadsTakeOnlyWholeValuesOfTheirType) {
    constexpr double F = -99.5;
    constexpr int N = -99;
    const struct {
        const char* text;
        double real;
        int integer;
        int flag;  // -1: the fallback
    } cases[] = {
        {"2.5", 2.5, N, -1},
        {"-12", -12.0, -12, -1},
        {"1e-3", 1e-3, N, -1},
        {"T", F, N, 1},
        {"F", F, N, 0},
        {"t", F, N, -1},
        {"", F, N, -1},
        {"3x", F, N, -1},
        {"2,5", F, N, -1},
        {"1e400", F, N, -1},
        {"inf", F, N, -1},
        {"nan", F, N, -1},
        {"4294967296", 4294967296.0, N, -1},
        {"  9  ", 9.0, 9, -1},
    };
    for (const auto& c : cases) {
        TDesignSettings s;
        ASSERT_TRUE(s.Set("k", c.text)) << c.text;
        EXPECT_EQ(s.Real("k", F), c.real) << c.text;
        EXPECT_EQ(s.Int("k", N), c.integer) << c.text;
        EXPECT_EQ(s.Bool("k", true), c.flag == -1 || c.flag == 1) << c.text;
        EXPECT_EQ(s.Bool("k", false), c.flag == 1) << c.text;
    }
    TDesignSettings s;
    for (double v : {0.1, 1.0 / 3.0, -2.5e-300, 1e300, 0.0}) {
        ASSERT_TRUE(s.SetReal("x", v));
        EXPECT_EQ(s.Real("x", F), v) << s.Text("x", "");  // bit for bit
    }
    EXPECT_FALSE(s.SetReal("x", std::numeric_limits<double>::infinity()));
    EXPECT_EQ(s.Real("x", F), 0.0);
    EXPECT_EQ(s.Real("none", F), F);
}

// Keys a line cannot hold are refused, values cleaned as they would read back;
// a key set again keeps its place.
TEST(DesignSettings, KeysAndValuesStayAsALineHoldsThem) {
    TDesignSettings s;
    for (const char* bad : {"", "   ", "a=b", "a\nb", "a\rb"}) EXPECT_FALSE(s.Set(bad, "1")) << bad;
    EXPECT_TRUE(s.empty());
    s.Set("b", "1");
    ASSERT_TRUE(s.Set("  listen.distance\t", " a\r\nb = c "));
    s.Set("b", "4");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s.Entries()[0], (TDesignSettings::TEntry{"b", "4"}));
    EXPECT_EQ(s.Entries()[1], (TDesignSettings::TEntry{"listen.distance", "a  b = c"}));
    EXPECT_TRUE(s.Remove("b"));
    EXPECT_FALSE(s.Has("b"));

    // A new design has none of the old one's settings.
    TDesign d;
    d.Settings = s;
    NewDesign(d);
    EXPECT_TRUE(d.Settings.empty());
}

}  // namespace
