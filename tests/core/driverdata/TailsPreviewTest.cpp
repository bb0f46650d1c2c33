#include <gtest/gtest.h>

#include <cmath>

#include "driverdata/TailsPreview.h"

using namespace pelmo;

namespace {

// 100 Hz ... 10 kHz in octaves-ish steps with a level that rises by 1 dB per point.
struct Band {
    DataArray f{100, 200, 400, 800, 1600, 3200, 6400, 10000};
    DataArray db{80, 81, 82, 83, 84, 85, 86, 87};
};

TResponseTails Tails(double low, double high, double lowSlope = 12, double highSlope = 24) {
    TResponseTails t;
    t.LowFreq = low;
    t.HighFreq = high;
    t.LowSlope = lowSlope;
    t.HighSlope = highSlope;
    return t;
}

}  // namespace

TEST(TailsPreview, TailLinesStartInsideTheBand) {
    const Band b;
    const struct {
        double low, high;
        double lowF2, lowDb;   // lower tail: where it meets the band, on which level
        double highF1, highDb;  // upper tail
    } cases[] = {
        {300, 5000, 400, 81, 3200, 86},
        {100, 10000, 200, 80, 6400, 87},  // exactly on the first and last points
        {50, 20000, 200, 80, 6400, 87},   // outside the band: its edges
        {10000, 100, 10000, 86, 100, 81},  // beyond the far ends: clamped, never outside the data
        {20000, 50, 10000, 86, 100, 81},
    };
    for (const auto& c : cases) {
        const auto lo = LowerTailLine(b.f, b.db, Tails(c.low, c.high));
        const auto hi = UpperTailLine(b.f, b.db, Tails(c.low, c.high));
        ASSERT_TRUE(lo && hi);
        EXPECT_EQ(lo->F2, c.lowF2) << c.low;
        EXPECT_EQ(lo->Db2, c.lowDb) << c.low;
        EXPECT_EQ(hi->F1, c.highF1) << c.high;
        EXPECT_EQ(hi->Db1, c.highDb) << c.high;
    }
}

TEST(TailsPreview, TailsFallBySlopePerOctave) {
    const Band b;
    const auto lo = LowerTailLine(b.f, b.db, Tails(300, 5000, 12, 24));
    EXPECT_EQ(lo->F1, 5);
    EXPECT_NEAR(lo->Db1, 81 - 12 * std::log2(400.0 / 5.0), 1e-9);
    const auto hi = UpperTailLine(b.f, b.db, Tails(300, 5000, 12, 24));
    EXPECT_EQ(hi->F2, 200000);
    EXPECT_NEAR(hi->Db2, 86 - 24 * std::log2(200000.0 / 3200.0), 1e-9);
    // Too few points: no tails.
    EXPECT_FALSE(LowerTailLine({100}, {80}, Tails(50, 500)));
    EXPECT_FALSE(UpperTailLine({}, {}, Tails(50, 500)));
}

TEST(TailsPreview, PhaseWithInversionAndDelay) {
    const DataArray f{100, 1000, 13543.28};
    const DataArray derived{10, -170, 0};
    const DataArray plain = PreviewPhase(f, derived, false, 0);
    EXPECT_EQ(plain, derived);
    const DataArray inverted = PreviewPhase(f, derived, true, 0);
    EXPECT_NEAR(inverted[0], -170, 1e-12);
    EXPECT_NEAR(inverted[1], 10, 1e-12);
    // One inch at 13543.28 Hz is one whole period.
    const DataArray delayed = PreviewPhase(f, derived, false, 1);
    EXPECT_NEAR(delayed[2], 0, 1e-9);
    EXPECT_NEAR(delayed[0], 10 - 100 * 360 / 13543.28, 1e-9);
}

TEST(TailsPreview, VerticalCenter) {
    EXPECT_EQ(PreviewVerticalCenter({70, 87.4, 80}), 60);  // axis 30 ... 90 dB
    EXPECT_EQ(PreviewVerticalCenter({91}), 65);
    EXPECT_EQ(PreviewVerticalCenter({}), -325);
}
