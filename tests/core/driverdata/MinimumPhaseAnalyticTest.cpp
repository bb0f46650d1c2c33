// The derived phase of known minimum-phase filters (Linkwitz-Riley and
// Butterworth high- and low-passes) against their exact phase.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "driverdata/MinimumPhase.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/Elements.h"
#include "values/NumberFormat.h"

using namespace pelmo;

namespace {

using Cx = std::complex<double>;

// Second-order Butterworth section at fc; a Linkwitz-Riley 4th order is two.
Cx Butterworth2(double f, double fc, bool highPass) {
    const Cx s(0, f / fc);
    const Cx h = (highPass ? s * s : Cx(1)) / (s * s + std::sqrt(2.0) * s + 1.0);
    return h;
}

struct FilterCase {
    const char* name;
    double fc;
    bool highPass;
    int sections;  // 1: Butterworth 2nd order, 2: Linkwitz-Riley 4th order
    double lowF, highF, lowSlope, highSlope;
    // Largest error allowed at the table frequencies 20 ... 10000 Hz; the
    // band 200 Hz ... 2 kHz must stay within 4 degrees.
    double limits[9];
};

Cx Filter(const FilterCase& c, double f) {
    Cx h = Butterworth2(f, c.fc, c.highPass);
    return c.sections == 2 ? h * h : h;
}

constexpr double TableHz[9] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};

// Error (degrees) between the derived and the exact phase at f, interpolated
// linearly in log frequency between the grid points around f.
double ErrorAt(const DataArray& grid, const DataArray& errors, double f) {
    std::size_t k = 0;
    while (k + 2 < grid.size() && grid[k + 1] <= f) ++k;
    const double t = std::log(f / grid[k]) / std::log(grid[k + 1] / grid[k]);
    return errors[k] + t * (errors[k + 1] - errors[k]);
}

class AnalyticMinimumPhase : public ::testing::TestWithParam<FilterCase> {};

TEST_P(AnalyticMinimumPhase, DerivedPhaseFollowsTheFilter) {
    const FilterCase& c = GetParam();
    test::TempFolder folder;
    test::RecordingMessageSink sink;
    TDesign d;
    EnsureAnalysisGrid(d);

    // The filter's level at the analysis frequencies, as an FRD with no phase.
    std::string text;
    for (double f : d.Grid)
        text += FormatFileReal(f) + " " + FormatFileReal(20 * std::log10(std::abs(Filter(c, f)))) + "\n";
    const std::string path = folder.Path() + std::string(c.name) + ".frd";
    test::WriteWholeFile(path, text);

    TDriver drv;
    drv.Acoustic.HilbertPhase = true;
    drv.Acoustic.Tails.LowFreq = c.lowF;
    drv.Acoustic.Tails.HighFreq = c.highF;
    drv.Acoustic.Tails.LowSlope = c.lowSlope;
    drv.Acoustic.Tails.HighSlope = c.highSlope;
    ASSERT_TRUE(LoadMinimumPhaseResponse(d, drv, path, sink));
    ASSERT_TRUE(sink.Messages.empty());

    DataArray errors(d.Grid.size());
    for (std::size_t k = 0; k < d.Grid.size(); ++k) {
        const Cx derived(drv.Acoustic.Response.Re[k], drv.Acoustic.Response.Im[k]);
        errors[k] = std::arg(derived / Filter(c, d.Grid[k])) * 180 / M_PI;
        if (d.Grid[k] >= 200 && d.Grid[k] <= 2000) {
            EXPECT_LT(std::fabs(errors[k]), 4.0) << d.Grid[k];
        }
    }
    std::string row = std::string(c.name) + ":";
    for (int i = 0; i < 9; ++i) {
        const double e = ErrorAt(d.Grid, errors, TableHz[i]);
        EXPECT_LT(std::fabs(e), c.limits[i]) << TableHz[i];
        row += " " + FormatFixed(e, 2);
    }
    std::printf("phase error (deg) at 20 50 100 200 500 1k 2k 5k 10k Hz, %s\n", row.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Filters, AnalyticMinimumPhase,
    ::testing::Values(
        // High-passes at 100 Hz with a lower tail from 20 Hz at their own
        // slope; flat above, so the upper tail does not slope.
        FilterCase{"LR4_highpass_100Hz", 100, true, 2, 20, 0, 24, 0, {12, 5, 3, 2, 1, 1, 1, 1, 1}},
        FilterCase{"BW2_highpass_100Hz", 100, true, 1, 20, 0, 12, 0, {6, 3, 2, 1, 1, 1, 1, 1, 1}},
        // Low-passes at 2 kHz with an upper tail from 16 kHz; flat below.
        FilterCase{"LR4_lowpass_2kHz", 2000, false, 2, 0, 16000, 0, 24, {1, 1, 1, 1, 1, 2, 4, 9, 18}},
        FilterCase{"BW2_lowpass_2kHz", 2000, false, 1, 0, 16000, 0, 12, {1, 1, 1, 1, 1, 1, 2, 5, 9}}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

}  // namespace
