#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "AcousticsTestSupport.h"
#include "acoustics/Directivity.h"
#include "acoustics/Piston.h"

namespace pelmo {
namespace {

constexpr TPlane H = TPlane::Horizontal;
constexpr TPlane V = TPlane::Vertical;

struct Answer {
    TComplexArray r;
    double Db(std::size_t k) const { return 20 * std::log10(std::hypot(r.Re[k], r.Im[k])); }
    double Rad(std::size_t k) const { return std::atan2(r.Im[k], r.Re[k]); }
};

Answer At(const TDriverDirectivity& d, TVec3 local) {
    Answer a;
    a.r.Re.resize(d.Grid().size());
    a.r.Im.resize(d.Grid().size());
    d.ResponseAt(local, a.r.Re.data(), a.r.Im.data());
    return a;
}
Answer At(const TDriverDirectivity& d, TPlane p, double angle) { return At(d, PlaneDirection(p, angle)); }

TEST(Directivity, MeasuredAnglesAreTheirFilesAndAnglesBetweenLieBetween) {
    const DataArray grid = test::AnalysisGrid();
    const TComplexArray on = test::DelayedResponse(grid, 0, 0.0);
    const std::vector<TMeasuredAngle> set = {
        {H, 30, test::DelayedResponse(grid, -3, 0.05)},
        {H, 60, test::DelayedResponse(grid, -10, 0.12)},
        {V, 20, test::DelayedResponse(grid, -2, 0.02)},
        {V, -20, test::DelayedResponse(grid, -4, 0.03)},
    };
    const TDriverDirectivity d(grid, on, 6.5, true, set);
    // At a measured angle: that response, bit for bit (also through the
    // mirror of a one-sided plane and at a rounding error off the angle).
    EXPECT_TRUE(test::SameBits(At(d, H, 30).r, set[0].Response));
    EXPECT_TRUE(test::SameBits(At(d, H, -30).r, set[0].Response));
    EXPECT_TRUE(test::SameBits(At(d, ListeningDirection(60 + 1e-9, 0)).r, set[1].Response));
    EXPECT_TRUE(test::SameBits(At(d, V, -20).r, set[3].Response));
    EXPECT_TRUE(test::SameBits(At(d, H, 0).r, on));

    struct Between {
        TPlane plane;
        double angle;
        const TComplexArray* lo;
        const TComplexArray* hi;
        double t;
    };
    const Between between[] = {
        {H, 45, &set[0].Response, &set[1].Response, 0.5},
        {H, -40, &set[0].Response, &set[1].Response, 1.0 / 3},
        {H, 10, &on, &set[0].Response, 1.0 / 3},
        {V, -5, &set[3].Response, &on, 0.75},
        {V, 10, &on, &set[2].Response, 0.5},
    };
    for (const Between& b : between) {
        const Answer a = At(d, b.plane, b.angle);
        for (std::size_t k = 0; k < grid.size(); k += 7) {
            const double lo = 20 * std::log10(std::abs(std::complex<double>(b.lo->Re[k], b.lo->Im[k])));
            const double hi = 20 * std::log10(std::abs(std::complex<double>(b.hi->Re[k], b.hi->Im[k])));
            ASSERT_NEAR(a.Db(k), lo + b.t * (hi - lo), 1e-9) << b.angle << " " << grid[k];
            ASSERT_GE(a.Db(k), std::min(lo, hi) - 1e-9);
            ASSERT_LE(a.Db(k), std::max(lo, hi) + 1e-9);
            // The phase goes the shorter way round from the lower angle's.
            const double plo = std::arg(std::complex<double>(b.lo->Re[k], b.lo->Im[k]));
            const double phi = std::arg(std::complex<double>(b.hi->Re[k], b.hi->Im[k]));
            const double step = std::remainder(phi - plo, 2 * M_PI);
            ASSERT_NEAR(std::remainder(a.Rad(k) - (plo + b.t * step), 2 * M_PI), 0.0, 1e-9);
        }
    }
    EXPECT_EQ(d.Source(H), TPlaneSource::Measured);
    EXPECT_EQ(d.Source(V), TPlaneSource::Measured);
    EXPECT_TRUE(d.Symmetric(H));
    EXPECT_FALSE(d.Symmetric(V));
}

// Beyond the last measured angle, or without a set, the on-axis response
// times the piston; a round driver measured in one plane lends it to the
// other, a rectangular one does not.
TEST(Directivity, BeyondTheSetThePistonAndBorrowedPlanes) {
    const DataArray grid = test::AnalysisGrid();
    const TComplexArray on = test::DelayedResponse(grid, 1, 0.01);
    const std::vector<TMeasuredAngle> set = {{H, 30, test::DelayedResponse(grid, -3, 0.05)},
                                             {H, 60, test::DelayedResponse(grid, -10, 0.1)}};
    struct Case {
        const char* what;
        bool round;
        TPlane plane;
        double angle;
        bool fromSet;  // else on-axis x piston
    };
    const Case cases[] = {
        {"past the last horizontal angle", true, H, 70, false},
        {"past it on the mirrored side", true, H, -120, false},
        {"a round driver's vertical plane borrows the horizontal", true, V, 30, true},
        {"a rectangular driver's vertical plane is the piston's", false, V, 30, false},
        {"behind the baffle", true, V, 135, false},
    };
    const double dia = 6.5;
    for (const Case& c : cases) {
        const TDriverDirectivity d(grid, on, dia, c.round, set);
        const Answer a = At(d, c.plane, c.angle);
        if (c.fromSet) {
            EXPECT_TRUE(test::SameBits(a.r, set[0].Response)) << c.what;
            continue;
        }
        for (std::size_t k = 0; k < grid.size(); ++k) {
            const double p = PistonFactorAt(dia, grid[k], std::fabs(c.angle));
            ASSERT_NEAR(a.r.Re[k], on.Re[k] * p, 1e-9) << c.what;
            ASSERT_NEAR(a.r.Im[k], on.Im[k] * p, 1e-9) << c.what;
        }
    }
    EXPECT_EQ(TDriverDirectivity(grid, on, dia, true, set).Source(V), TPlaneSource::Borrowed);
    EXPECT_EQ(TDriverDirectivity(grid, on, dia, false, set).Source(V), TPlaneSource::Piston);
    EXPECT_EQ(TDriverDirectivity(grid, on, dia, true).Source(H), TPlaneSource::Piston);
}

// A set measured all round (both sides, through 180) has no "beyond": from
// 170 on through 180 to -170.
TEST(Directivity, AllRoundSetWrapsThroughTheBack) {
    const DataArray grid = test::AnalysisGrid();
    const TComplexArray on = test::DelayedResponse(grid, 0, 0);
    std::vector<TMeasuredAngle> set;
    for (int a = -170; a <= 180; a += 10)
        if (a != 0) set.push_back({H, double(a), test::DelayedResponse(grid, -0.1 * std::abs(a), 0.001 * a)});
    const TDriverDirectivity d(grid, on, 6.5, true, set);
    EXPECT_FALSE(d.Symmetric(H));
    const Answer behind = At(d, H, -175);  // halfway between 180 (-18 dB) and -170 (-17 dB)
    for (std::size_t k = 0; k < grid.size(); k += 50) EXPECT_NEAR(behind.Db(k), -17.5, 1e-9);
    EXPECT_TRUE(test::SameBits(At(d, H, -180).r, set.back().Response));
}

// Off both planes the two planes' values at the same angle from the axis are
// blended by cos^2 and sin^2 of the azimuth.
TEST(Directivity, OffPlaneDirectionsBlendThePlanes) {
    const DataArray grid = test::AnalysisGrid();
    const TComplexArray on = test::DelayedResponse(grid, 0, 0);
    const std::vector<TMeasuredAngle> set = {{H, 40, test::DelayedResponse(grid, -2, 0)},
                                             {V, 40, test::DelayedResponse(grid, -8, 0)}};
    const TDriverDirectivity d(grid, on, 6.5, true, set);
    const double theta = 40 * M_PI / 180;
    struct Case {
        double azimuthDeg, db;
    };
    const Case cases[] = {
        {0, -2}, {45, -5}, {90, -8}, {60, -2 * 0.25 - 8 * 0.75}, {180, -2}, {-120, -2 * 0.25 - 8 * 0.75}};
    for (const Case& c : cases) {
        const double az = c.azimuthDeg * M_PI / 180;
        const TVec3 local{std::sin(theta) * std::cos(az), std::sin(theta) * std::sin(az), std::cos(theta)};
        const Answer a = At(d, local);
        for (std::size_t k = 0; k < grid.size(); k += 50) EXPECT_NEAR(a.Db(k), c.db, 1e-9) << c.azimuthDeg;
    }
}

}  // namespace
}  // namespace pelmo
