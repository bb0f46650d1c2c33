#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "driverdata/Cepstrum.h"
#include "driverdata/FFT.h"

using namespace pelmo;

namespace {

using Cx = std::complex<double>;

// A minimum-phase transfer function with its zeros and poles inside the unit
// circle, evaluated at e^(i w) with the forward-transform sign convention.
Cx MinimumPhaseSystem(double w) {
    const Cx z1 = std::exp(Cx(0, -w));  // z^-1
    const Cx zero = Cx(1, 0) - 0.6 * z1;
    const Cx pole = Cx(1, 0) - 2.0 * 0.8 * std::cos(0.3) * z1 + 0.64 * z1 * z1;  // r = 0.8 at +-0.3 rad
    return 2.5 * zero / pole;
}

TEST(CepstralMinimumPhase, RecoversThePhaseOfAMinimumPhaseSystem) {
    // The working grid (131073 bins of a 262144-point spectrum) and, as a
    // check that nothing depends on that length, a 16384-point one.
    for (const std::size_t bins : {LongFftLength / 2 + 1, ShortFftLength / 2 + 1}) {
        const std::size_t n = 2 * (bins - 1);
        DataArray a(bins), phase;
        for (std::size_t k = 0; k < bins; ++k) a[k] = std::abs(MinimumPhaseSystem(2 * M_PI * k / n));
        const DataArray a0 = a;
        CepstralMinimumPhase(a, phase);
        ASSERT_EQ(phase.size(), n);
        ASSERT_EQ(a.size(), bins);
        double worstPhase = 0, worstLog = 0;
        for (std::size_t k = 1; k < bins; ++k) {
            const Cx h = MinimumPhaseSystem(2 * M_PI * k / n);
            worstPhase = std::max(worstPhase, std::fabs(phase[k] - std::arg(h)));
            worstLog = std::max(worstLog, std::fabs(a[k] - std::log(a0[k])));
        }
        // The 0 Hz bin borrows bin 1's amplitude, which costs a little
        // accuracy, less on the longer transform.
        const double tolerance = bins > ShortFftLength ? 1e-8 : 1e-6;
        EXPECT_LT(worstPhase, tolerance) << bins;
        EXPECT_LT(worstLog, tolerance) << bins;
    }
}

TEST(CepstralMinimumPhase, LowRollOffLeadsAndHighRollOffLags) {
    const std::size_t bins = LongFftLength / 2 + 1;
    DataArray a(bins), phase;
    // A band-pass-like amplitude: rising toward bin 1000, falling above 20000.
    for (std::size_t k = 0; k < bins; ++k) {
        const double f = static_cast<double>(k);
        a[k] = (f / 1000) / std::sqrt(1 + (f / 1000) * (f / 1000)) / std::sqrt(1 + (f / 20000) * (f / 20000));
    }
    CepstralMinimumPhase(a, phase);
    EXPECT_GT(phase[200], 0.5);
    EXPECT_LT(phase[40000], -0.5);
}

TEST(CepstralMinimumPhase, ZeroAmplitudesAndTinyInputsDoNotBreakIt) {
    DataArray a(LongFftLength / 2 + 1, 1.0), phase;
    a[0] = 0;  // the 0 Hz bin takes bin 1's value
    CepstralMinimumPhase(a, phase);
    for (std::size_t k = 0; k <= LongFftLength / 2; ++k) ASSERT_NEAR(phase[k], 0, 1e-12) << k;

    DataArray one{3.0};
    CepstralMinimumPhase(one, phase);
    EXPECT_EQ(phase, DataArray{0.0});
    EXPECT_EQ(one, DataArray{3.0});
}

TEST(UnwrapRadians, TakesOutWholeTurnsInBothDirections) {
    const double pi = M_PI, t = 2 * M_PI;
    const struct {
        DataArray in, out;
    } cases[] = {
        {{}, {}},
        {{1.0}, {1.0}},
        {{3.0, -3.0}, {3.0, -3.0 + t}},                      // a fall of more than pi goes up a turn
        {{-3.0, 3.0}, {-3.0, 3.0 - t}},                      // a rise of more than pi goes down a turn
        {{0.0, 3 * t + 0.1}, {0.0, 0.1}},                    // several turns at once
        {{0.0, pi}, {0.0, pi}},                              // exactly pi stays
        {{0.0, -2.0, -4.0, -6.0}, {0.0, -2.0, -4.0, -6.0}},  // smooth steps stay
        {{3.1, -3.1, 3.0}, {3.1, -3.1 + t, 3.0}},            // each entry follows the corrected one before it
    };
    for (const auto& c : cases) {
        DataArray p = c.in;
        UnwrapRadians(p);
        ASSERT_EQ(p.size(), c.out.size());
        for (std::size_t i = 0; i < p.size(); ++i) EXPECT_NEAR(p[i], c.out[i], 1e-12) << i;
    }
}

TEST(UnwrapRadians, ExtremeValuesEndQuickly) {
    DataArray p{0.0, 1e300, std::nan(""), 1.0, INFINITY, 2.0, 1e17, 1e17 + 1e6};
    UnwrapRadians(p);
    EXPECT_LE(std::fabs(p[1]), 1e300);
    EXPECT_EQ(p[3], 1.0);  // after a NaN nothing is compared
    EXPECT_TRUE(std::isfinite(p[7]));
}

}  // namespace
