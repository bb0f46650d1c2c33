#include <gtest/gtest.h>

#include <cmath>

#include "AcousticsTestSupport.h"
#include "acoustics/PreferenceScore.h"

namespace pelmo {
namespace {

DataArray Curve(const DataArray& f, double (*level)(double)) {
    DataArray c;
    for (double x : f) c.push_back(level(x));
    return c;
}

TEST(PreferenceScore, NarrowBandDeviation) {
    const DataArray f = test::AnalysisGrid();
    struct Case {
        const char* what;
        double (*level)(double);
        double nbd;
    };
    const Case cases[] = {
        {"flat", [](double) { return 85.0; }, 0.0},
        {"a tilt is no deviation within a band, only its slope", [](double x) { return 90 - 3 * std::log2(x); }, -1},
        // alternate +-1 dB about any mean: the deviation is 1 in every band
        // that holds an even number of points, near 1 in the others
        {"a fine ripple of +-1 dB",
         [](double x) { return 80.0 + (std::lround(std::log(x / 10) / std::log(2000.0) * 499) % 2 ? 1 : -1); }, 1.0},
        // out of 100 Hz ... 12 kHz it does not count
        {"a step at 50 Hz", [](double x) { return x < 50 ? 60.0 : 85.0; }, 0.0},
        {"a step at 15 kHz", [](double x) { return x > 15000 ? 60.0 : 85.0; }, 0.0},
    };
    for (const Case& c : cases) {
        const double nbd = NarrowBandDeviation(f, Curve(f, c.level));
        // A slope of 3 dB/octave spans 1.5 dB in a half-octave band: the mean
        // absolute deviation is a quarter of that.
        const double expected = c.nbd >= 0 ? c.nbd : 3 * 0.5 / 4;
        EXPECT_NEAR(nbd, expected, 0.02) << c.what;
    }
}

TEST(PreferenceScore, SmoothnessIsTheFitOfAStraightLine) {
    const DataArray f = test::AnalysisGrid();
    EXPECT_NEAR(SmoothnessR2(f, Curve(f, [](double x) { return 90 - 1.5 * std::log2(x); })), 1.0, 1e-12);
    EXPECT_EQ(SmoothnessR2(f, Curve(f, [](double) { return 85.0; })), 0.0);
    // A line with a ripple: r^2 below 1 by the ripple's share of the variance.
    const double r2 =
        SmoothnessR2(f, Curve(f, [](double x) { return 90 - 2 * std::log2(x) + 2 * std::sin(5 * std::log2(x)); }));
    EXPECT_GT(r2, 0.5);
    EXPECT_LT(r2, 0.99);
}

// The power 5 dB below a flat window and rolled off by a second-order
// high-pass at 40 Hz: it reaches 6 dB below the window where the roll-off
// is 1 dB, at 40 / (10^0.1 - 1)^(1/4) = 56.07 Hz.
TEST(PreferenceScore, LowFrequencyExtensionAndTheScore) {
    const DataArray f = test::AnalysisGrid();
    const DataArray lw = Curve(f, [](double) { return 85.0; });
    const DataArray sp = Curve(f, [](double x) { return 80.0 - 10 * std::log10(1 + std::pow(40 / x, 4)); });
    const double lfx = LowFrequencyExtensionHz(f, lw, sp);
    const double edge = 40 / std::pow(std::pow(10.0, 0.1) - 1, 0.25);
    EXPECT_LE(lfx, edge);
    EXPECT_GT(lfx * std::exp(std::log(2000.0) / 499), edge);  // the grid point just below
    // A dip below the threshold above it is found first, going down.
    DataArray dip = sp;
    for (std::size_t k = 0; k < f.size(); ++k)
        if (f[k] > 150 && f[k] < 170) dip[k] = 70;
    EXPECT_GT(LowFrequencyExtensionHz(f, lw, dip), 150);
    // Nothing falls that far: the lowest frequency.
    EXPECT_EQ(LowFrequencyExtensionHz(f, lw, lw), f[0]);

    const DataArray pir = Curve(f, [](double x) { return 90 - 1.5 * std::log2(x); });
    const TPreferenceScore s = PreferenceScore(f, lw, lw, sp, pir);
    EXPECT_EQ(s.NbdOn, 0.0);
    EXPECT_NEAR(s.SmPir, 1.0, 1e-12);
    EXPECT_NEAR(s.Lfx, std::log10(lfx), 1e-12);
    EXPECT_NEAR(s.Score, 12.69 - 2.99 * s.NbdPir - 4.31 * std::log10(lfx) + 2.32, 1e-12);
}

}  // namespace
}  // namespace pelmo
