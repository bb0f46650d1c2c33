#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "graphs/ExcessPhase.h"
#include "model/AnalysisGrid.h"

namespace pelmo {
namespace {

// Minimum-phase filters, alone or delayed: the excess phase is the delay's
// -360 f t and nothing of the filter; a second-order all-pass keeps all of
// its phase as excess.
TEST(ExcessPhase, LeavesTheDelayAndTakesAwayTheMinimumPhase) {
    DataArray grid;
    MakeLogGrid(grid);
    using C = std::complex<double>;
    const double pi = std::acos(-1.0);
    struct Case {
        const char* name;
        double delayMs;
        C (*filter)(double f);
        bool allPass;
    } cases[] = {
        {"low-pass, 0.5 ms", 0.5, [](double f) { return 1.0 / C(1, f / 2000); }, false},
        {"high-pass, none", 0, [](double f) { return C(0, f / 80) / C(1, f / 80); }, false},
        {"band-pass, 0.2 ms", 0.2, [](double f) { return C(0, f / 300) / (C(1, f / 300) * C(1, f / 5000)); }, false},
        {"all-pass at 1 kHz", 0,
         [](double f) {
             const C s(0, f / 1000);
             return (1.0 - s * 1.4142 + s * s) / (1.0 + s * 1.4142 + s * s);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataArray mag(grid.size()), phase(grid.size()), work;
        std::vector<double> want(grid.size());
        for (std::size_t k = 0; k < grid.size(); ++k) {
            const double f = grid[k];
            const C h = c.filter(f) * std::exp(C(0, -2 * pi * f * c.delayMs / 1000));
            mag[k] = std::abs(h);
            phase[k] = std::arg(h) * 180 / pi;
            want[k] = -360 * f * c.delayMs / 1000;
            if (c.allPass) want[k] = std::arg(c.filter(f)) * 180 / pi;
        }
        ASSERT_TRUE(ToExcessPhase(grid, mag, phase, work));
        for (std::size_t k = 0; k < grid.size(); ++k) {
            // The band's ends depend on how the level goes on beyond it.
            if (grid[k] < 50 || grid[k] > 5000) continue;
            double d = phase[k] - want[k];
            d -= 360 * std::round(d / 360);
            ASSERT_NEAR(d, 0, 5.0) << grid[k] << " Hz";
        }
    }
    DataArray mag{1, 1}, phase{0, 0}, work;
    EXPECT_FALSE(ToExcessPhase({100, 200}, mag, phase, work));
}

}  // namespace
}  // namespace pelmo
