#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "AcousticsTestSupport.h"
#include "acoustics/Cta2034.h"
#include "acoustics/Directivity.h"
#include "acoustics/ListeningPoint.h"
#include "acoustics/Piston.h"

namespace pelmo {
namespace {

// Against the standard library's Bessel function, on both sides of the
// switch from the series to the asymptotic expansion and at the zeros.
TEST(Piston, BesselJ1MatchesTheLibrary) {
    const double xs[] = {0.0,  1e-8,     1e-3, 0.5,  1.0,  3.8317059702, 5.0,  7.0155866698, 10.0,  13.3236919363,
                         15.9, 15.99999, 16.0, 16.1, 20.0, 37.5,         60.0, 100.0,        333.3, 1000.0};
    for (double x : xs) {
        EXPECT_NEAR(BesselJ1(x), std::cyl_bessel_j(1.0, x), 1e-11) << x;
        EXPECT_NEAR(BesselJ1(-x), -std::cyl_bessel_j(1.0, x), 1e-11) << x;
        if (x > 0) {
            EXPECT_NEAR(PistonFactor(x), 2 * std::cyl_bessel_j(1.0, x) / x, 1e-11) << x;
        }
    }
    EXPECT_EQ(PistonFactor(0.0), 1.0);
}

TEST(Piston, FrontGrazingBehindAndPointSource) {
    const double dia = 10.0;  // inches
    const double f = 3000.0;
    const double ka = 2 * M_PI * f / 344.0 * 0.5 * dia * 0.0254;
    struct Case {
        const char* what;
        double diaIn, thetaDeg, expected;
    };
    const Case cases[] = {
        {"on axis exactly 1", dia, 0.0, 1.0},
        {"at 45 degrees", dia, 45.0, 2 * std::cyl_bessel_j(1.0, ka * std::sin(M_PI / 4)) / (ka * std::sin(M_PI / 4))},
        {"grazing incidence still radiates", dia, 90.0, 2 * std::cyl_bessel_j(1.0, ka) / ka},
        {"behind the baffle: -100 dB", dia, 90.5, 1e-5},
        {"straight behind: -100 dB", dia, 180.0, 1e-5},
        {"a point source radiates everywhere", 0.0, 135.0, 1.0},
        {"a point source in front", 0.0, 60.0, 1.0},
    };
    for (const Case& c : cases) EXPECT_NEAR(PistonFactorAt(c.diaIn, f, c.thetaDeg), c.expected, 1e-12) << c.what;
}

// A 10 in piston without any measurement, heard at H 30 among the spinorama
// positions: its on-axis response times 2 J1(x)/x, x = k a sin 30.
TEST(Piston, TenInchPistonAtH30FollowsTheBesselFormula) {
    const DataArray grid = test::AnalysisGrid();
    TComplexArray onAxis;
    for (double f : grid) {
        const std::complex<double> z = std::polar(2.0, -f / 5000.0);
        onAxis.Re.push_back(z.real());
        onAxis.Im.push_back(z.imag());
    }
    const double dia = 10.0;
    const TDriverDirectivity piston(grid, onAxis, dia, true);
    const std::size_t nf = grid.size();
    std::vector<double> re(70 * nf), im(70 * nf);
    ResponsesAtDirections(piston, TDriverGeometry{0, 0, 0, 0, 0, dia}, CtaDirections().data(), 70, 1.0, re.data(),
                          im.data());
    for (TPlane plane : {TPlane::Horizontal, TPlane::Vertical}) {
        for (int angle : {30, -30}) {
            const auto n = static_cast<std::size_t>(CtaPositionIndex(plane, angle));
            int compared = 0;
            for (std::size_t k = 0; k < nf; ++k) {
                const double x = 2 * M_PI * grid[k] / 344.0 * (0.5 * dia * 0.0254) * 0.5;
                const double expected = 2 * std::cyl_bessel_j(1.0, x) / x;
                if (std::fabs(expected) < 1e-3) continue;  // a null
                const double got = std::abs(std::complex<double>(re[n * nf + k], im[n * nf + k])) / 2.0;
                ASSERT_NEAR(20 * std::log10(got), 20 * std::log10(std::fabs(expected)), 0.01) << grid[k];
                // The phase flips in the odd side lobes.
                const double phase = std::arg(std::complex<double>(re[n * nf + k], im[n * nf + k])) + grid[k] / 5000.0;
                EXPECT_NEAR(std::cos(phase), expected > 0 ? 1.0 : -1.0, 1e-6) << grid[k];
                ++compared;
            }
            EXPECT_GT(compared, 450);
        }
    }
}

}  // namespace
}  // namespace pelmo
