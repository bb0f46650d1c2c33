#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "driverdata/FFT.h"

using namespace pelmo;

namespace {

using Cx = std::complex<long double>;

// The transform of a few non-zero samples, summed directly in long double.
Cx DirectBin(const std::vector<std::pair<std::size_t, Cx>>& samples, std::size_t n, std::size_t k, int sign) {
    Cx sum = 0;
    for (const auto& [at, v] : samples) {
        const long double angle = sign * 2.0L * M_PIl * static_cast<long double>((at * k) % n) / n;
        sum += v * Cx(std::cos(angle), std::sin(angle));
    }
    return sum;
}

struct LengthCase {
    std::size_t n;
    int sign;  // +1 inverse kernel, -1 forward
};

class FFTAgainstDirectSum : public ::testing::TestWithParam<LengthCase> {};

TEST_P(FFTAgainstDirectSum, SparseSignalMatchesEveryBin) {
    const auto [n, sign] = GetParam();
    // A short signal embedded in the long array, plus a few far-away samples.
    const std::vector<std::pair<std::size_t, Cx>> samples{
        {0, {1.0L, 0.0L}},  {1, {0.5L, -0.25L}},    {2, {-0.75L, 0.125L}},     {3, {0.3L, 0.7L}},
        {7, {-1.5L, 0.0L}}, {n / 2, {0.2L, -0.4L}}, {n / 4 + 3, {0.0L, 1.0L}}, {n - 1, {-0.6L, -0.9L}}};
    DataArray re(n, 0.0), im(n, 0.0);
    for (const auto& [at, v] : samples) {
        re[at] = static_cast<double>(v.real());
        im[at] = static_cast<double>(v.imag());
    }
    if (sign > 0)
        InverseFFT(re, im);
    else
        ForwardFFT(re, im);
    double worst = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const Cx want = DirectBin(samples, n, k, sign);
        worst = std::max(worst, static_cast<double>(std::abs(Cx(re[k], im[k]) - want)));
    }
    EXPECT_LT(worst, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(BothLengthsBothKernels, FFTAgainstDirectSum,
                         ::testing::Values(LengthCase{ShortFftLength, +1}, LengthCase{ShortFftLength, -1},
                                           LengthCase{LongFftLength, +1}, LengthCase{LongFftLength, -1}));

TEST(FFT, DenseSignalRoundTripsAndMatchesSampledBins) {
    for (const std::size_t n : {ShortFftLength, LongFftLength}) {
        std::mt19937_64 rng(n);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        DataArray re(n), im(n);
        for (std::size_t i = 0; i < n; ++i) {
            re[i] = u(rng);
            im[i] = u(rng);
        }
        const DataArray re0 = re, im0 = im;
        ForwardFFT(re, im);
        // A few bins against the full direct sum (every bin would take too long).
        for (const std::size_t k : {std::size_t{0}, std::size_t{1}, std::size_t{5}, n / 4 - 1, n / 2, n - 3}) {
            Cx want = 0;
            for (std::size_t t = 0; t < n; ++t) {
                const long double angle = -2.0L * M_PIl * static_cast<long double>((t * k) % n) / n;
                want += Cx(re0[t], im0[t]) * Cx(std::cos(angle), std::sin(angle));
            }
            EXPECT_LT(std::abs(Cx(re[k], im[k]) - want), 1e-9L * std::sqrt(static_cast<long double>(n)))
                << n << " bin " << k;
        }
        InverseFFT(re, im);  // unscaled: n times the input
        double worst = 0;
        for (std::size_t i = 0; i < n; ++i)
            worst = std::max({worst, std::fabs(re[i] / n - re0[i]), std::fabs(im[i] / n - im0[i])});
        EXPECT_LT(worst, 1e-13) << n;
    }
}

TEST(FFT, OtherLengthsAndMismatchedPairsAreRefusedAndLeftUnchanged) {
    const struct {
        std::size_t re, im;
    } cases[] = {{0, 0},
                 {1024, 1024},
                 {LongFftLength - 1, LongFftLength - 1},
                 {2 * LongFftLength, 2 * LongFftLength},
                 {ShortFftLength * 2, ShortFftLength * 2},
                 {LongFftLength, ShortFftLength},
                 {ShortFftLength, 0}};
    for (const auto& c : cases) {
        DataArray re(c.re), im(c.im);
        for (std::size_t i = 0; i < re.size(); ++i) re[i] = static_cast<double>(i % 7);
        for (std::size_t i = 0; i < im.size(); ++i) im[i] = -static_cast<double>(i % 5);
        const DataArray re0 = re, im0 = im;
        EXPECT_THROW(InverseFFT(re, im), std::length_error);
        EXPECT_THROW(ForwardFFT(re, im), std::length_error);
        EXPECT_EQ(re, re0) << c.re << " " << c.im;
        EXPECT_EQ(im, im0) << c.re << " " << c.im;
    }
}

TEST(FFT, SineTablesHoldAQuarterPeriodPlusOne) {
    BuildSineTables();
    BuildSineTables();  // a second call changes nothing
    for (const std::size_t n : {ShortFftLength, LongFftLength}) {
        EXPECT_EQ(SineTableEntry(n, 0), 0.0);
        EXPECT_EQ(SineTableEntry(n, n / 4), 1.0);
        EXPECT_DOUBLE_EQ(SineTableEntry(n, n / 8), std::sqrt(0.5));
        EXPECT_NEAR(SineTableEntry(n, 3), std::sin(2 * M_PI * 3 / n), 1e-17);
        EXPECT_EQ(SineTableEntry(n, n / 4 + 1), 0.0);  // past the table
    }
    EXPECT_EQ(SineTableEntry(1024, 1), 0.0);
}

}  // namespace
