#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "AcousticsTestSupport.h"
#include "acoustics/Cta2034.h"
#include "acoustics/Directivity.h"
#include "acoustics/ListeningPoint.h"

namespace pelmo {
namespace {

// Where a listening point lies seen from a driver: distance, angle from its
// axis and side, for offsets and tilts in each direction.
TEST(ListeningPoint, DistancesAndAnglesFollowOffsetsAndTilts) {
    struct Case {
        const char* what;
        TDriverGeometry g;
        TListeningPoint p;
        double distanceM, thetaDeg;
        int sideX, sideY;  // sign of the direction's x and y in the driver's frame
    };
    const Case cases[] = {
        {"H 90 is straight right", {}, {1, 90, 0}, 1, 90, 1, 0},
        {"V 100 is over the top, behind", {}, {1, 0, 100}, 1, 100, 0, 1},
        {"turned 30 right: on axis at H 30", {0, 0, 0, 30, 0}, {1, 30, 0}, 1, 0, 0, 0},
        {"turned 30 right: H 0 lies to its left", {0, 0, 0, 30, 0}, {1, 0, 0}, 1, 30, -1, 0},
        {"tilted 20 up: V 0 lies below its axis", {0, 0, 0, 0, 20}, {1, 0, 0}, 1, 20, 0, -1},
        {"turned and tilted: on axis along (30, 20)", {0, 0, 0, 30, 20}, {1, 30, 20}, 1, 0, 0, 0},
        {"10 in toward the listener", {0, 0, 10}, {1, 0, 0}, 1 - 0.254, 0, 0, 0},
        {"10 in right, heard at H 90 from 2 m", {10, 0, 0}, {2, 90, 0}, 2 - 0.254, 90, 1, 0},
        {"10 in up, heard on axis from 3 m", {0, 10, 0}, {3, 0, 0}, std::hypot(3.0, 0.254), 4.8395, 0, -1},
    };
    auto sign = [](double x) { return std::fabs(x) < 1e-12 ? 0 : (x > 0 ? 1 : -1); };
    for (const Case& c : cases) {
        const TDriverPath path = DriverPath(c.g, ListeningPointM(c.p), c.p.DistanceM);
        EXPECT_NEAR(path.DistanceM, c.distanceM, 1e-12) << c.what;
        EXPECT_NEAR(path.Scale, 1.0 / c.distanceM, 1e-12) << c.what;
        EXPECT_NEAR(path.DelayS, (c.distanceM - c.p.DistanceM) / 344.0, 1e-15) << c.what;  // nearer is earlier
        EXPECT_NEAR(AngleFromAxisDeg(path.Local), c.thetaDeg, 1e-3) << c.what;
        EXPECT_EQ(sign(path.Local.x), c.sideX) << c.what;
        EXPECT_EQ(sign(path.Local.y), c.sideY) << c.what;
    }
    // A quarter wavelength further (8.6 cm at 1 kHz) lags 90 degrees.
    double re = 0, im = 0;
    PathFactors(DriverPath({0, 0, -0.086 / 0.0254}, {0, 0, 1}, 1.0), DataArray{1000.0}, &re, &im);
    EXPECT_NEAR(std::atan2(im, re), -M_PI / 2, 1e-12);
    // Whole quarter turns are exact, so the planes stay exactly apart.
    EXPECT_EQ(ListeningDirection(90, 0).z, 0.0);
    EXPECT_EQ(ListeningDirection(180, 0).x, 0.0);
}

// With every offset 0, heard at 1 m on axis, a driver sounds exactly as its
// response says, whatever its directivity.
TEST(ListeningPoint, OnAxisAtOneMetreIsTheResponseBitForBit) {
    const DataArray grid = test::AnalysisGrid();
    const TComplexArray response = test::DelayedResponse(grid, 60, 0.3);
    const TMeasuredAngle at30{TPlane::Horizontal, 30.0, test::DelayedResponse(grid, 57, 0.35)};
    const TDriverDirectivity directivities[] = {
        TDriverDirectivity(grid, response, 0.0, true),
        TDriverDirectivity(grid, response, 10.0, true),
        TDriverDirectivity(grid, response, 6.5, true, {at30}),
    };
    for (const TDriverDirectivity& dir : directivities) {
        TComplexArray out;
        ResponseAtPoint(dir, TDriverGeometry{0, 0, 0, 0, 0, 10.0}, TListeningPoint{}, out);
        EXPECT_TRUE(test::SameBits(out, response));
    }
}

// Two point sources 20 cm apart vertically, driven alike, heard at 10 m in
// the vertical plane: the sum is |sum of (1 m / d_i) exp(-jk(d_i - R))| with
// d_i from the law of cosines.
TEST(ListeningPoint, TwoPointSourcesFollowTheClosedFormInTheVerticalPlane) {
    const DataArray grid = test::AnalysisGrid();
    TComplexArray flat;
    flat.assign(grid.size(), {1.0, 0.0});
    const TDriverDirectivity point(grid, flat, 0.0, true);
    const double s = 0.1, R = 10.0;
    const TDriverGeometry upper{0, s / 0.0254, 0}, lower{0, -s / 0.0254, 0};
    const std::size_t nf = grid.size();
    const auto& dirs = CtaDirections();
    std::vector<double> re(70 * nf), im(70 * nf), sumRe(70 * nf, 0.0), sumIm(70 * nf, 0.0);
    // Both with the same drive, a quarter turn, which the sum keeps.
    const DataArray driveRe(nf, 0.0), driveIm(nf, 1.0);
    for (const TDriverGeometry& g : {upper, lower}) {
        ResponsesAtDirections(point, g, dirs.data(), 70, R, re.data(), im.data());
        AddDriverAtPositions(re.data(), im.data(), driveRe.data(), driveIm.data(), 70, nf, sumRe.data(), sumIm.data());
    }
    int compared = 0;
    for (int v = -170; v <= 180; v += 10) {
        const int n = CtaPositionIndex(TPlane::Vertical, v);
        ASSERT_GE(n, 0);
        const double sv = std::sin(v * M_PI / 180.0);
        const double d1 = std::sqrt(R * R + s * s - 2 * R * s * sv);
        const double d2 = std::sqrt(R * R + s * s + 2 * R * s * sv);
        for (std::size_t k = 0; k < nf; ++k) {
            const double kw = 2 * M_PI * grid[k] / 344.0;
            const std::complex<double> expected =
                std::polar(1.0 / d1, -kw * (d1 - R)) + std::polar(1.0 / d2, -kw * (d2 - R));
            if (std::abs(expected) < 1e-3 * (1.0 / d1 + 1.0 / d2)) continue;  // a null
            const std::size_t i = static_cast<std::size_t>(n) * nf + k;
            const std::complex<double> got(sumRe[i], sumIm[i]);
            ASSERT_NEAR(20 * std::log10(std::abs(got)), 20 * std::log10(std::abs(expected)), 0.01)
                << "V " << v << " " << grid[k];
            ASSERT_NEAR(std::arg(got / (std::complex<double>(0, 1) * expected)), 0.0, 1e-6);
            ++compared;
        }
    }
    EXPECT_GT(compared, 17000);
}

}  // namespace
}  // namespace pelmo
