#include "acoustics/Piston.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "acoustics/DriverGeometry.h"

namespace pelmo {

namespace {

// Below it the power series, above it the asymptotic expansion, whose
// smallest term at 16 is about 1e-13.
constexpr double SeriesLimit = 16.0;

// 1 / ((m + 1)(m + 2)) for the series' term ratio.
constexpr std::array<long double, 64> SeriesRatios = [] {
    std::array<long double, 64> r{};
    for (std::size_t m = 0; m < r.size(); ++m)
        r[m] = 1.0L / (static_cast<long double>(m + 1) * static_cast<long double>(m + 2));
    return r;
}();

// 2 J1(x)/x = sum over m of (-1)^m (x/2)^(2m) / (m! (m+1)!). The terms grow
// to some 10^4 before they fall, so the sum is kept in extended precision
// to lose no more than double's last digits to their cancellation.
double PistonSeries(double x) {
    const long double q = 0.25L * x * x;
    long double term = 1.0L;
    long double sum = 1.0L;
    for (std::size_t m = 0; m < SeriesRatios.size(); ++m) {
        term *= -q * SeriesRatios[m];
        sum += term;
        if (std::fabs(term) < 1e-20L * std::fabs(sum) + 1e-300L) break;
    }
    return static_cast<double>(sum);
}

// Hankel's expansion for large x > 0: J1(x) = sqrt(2/(pi x)) (P cos w - Q sin w),
// w = x - 3 pi/4, with P and Q the even and odd terms of
// a_k / x^k, a_k = a_(k-1) (4 - (2k-1)^2) / (8k), alternating in sign pairwise.
double BesselJ1Large(double x) {
    double p = 1.0;
    double q = 0.0;
    double term = 1.0;
    double last = 1.0;
    for (int k = 1; k < 60; ++k) {
        const double odd = 2.0 * k - 1.0;
        term *= (4.0 - odd * odd) / (8.0 * k * x);
        const double size = std::fabs(term);
        if (size > last) break;  // past the smallest term the series diverges
        last = size;
        // Terms k = 1, 2, 3, 4, ... go to Q+, P-, Q-, P+, ... ; the sign of
        // a_k itself is carried by `term`.
        switch (k % 4) {
            case 1:
                q += term;
                break;
            case 2:
                p -= term;
                break;
            case 3:
                q -= term;
                break;
            default:
                p += term;
                break;
        }
        if (size < 1e-17) break;
    }
    const double w = x - 0.75 * M_PI;
    return std::sqrt(2.0 / (M_PI * x)) * (p * std::cos(w) - q * std::sin(w));
}

}  // namespace

double BesselJ1(double x) {
    const double a = std::fabs(x);
    const double j = a < SeriesLimit ? 0.5 * a * PistonSeries(a) : BesselJ1Large(a);
    return x < 0 ? -j : j;
}

double PistonFactor(double x) {
    const double a = std::fabs(x);
    if (a < SeriesLimit) return PistonSeries(a);
    return 2.0 * BesselJ1Large(a) / a;
}

double PistonFactorAt(double diaIn, double freqHz, double thetaDeg) {
    if (!(diaIn > 0.0)) return 1.0;
    // A hair's breadth beyond 90 degrees still counts as grazing: directions
    // computed from coordinates land a rounding error either side of it.
    if (thetaDeg > 90.0 + 1e-9) return PistonBehindFactor;
    const double ka = 2.0 * M_PI * freqHz / SpeedOfSoundMps * (0.5 * diaIn * MetresPerInch);
    return PistonFactor(ka * std::sin(std::min(thetaDeg, 90.0) * M_PI / 180.0));
}

void PistonFactors(double diaIn, double thetaDeg, const DataArray& grid, double* out) {
    const std::size_t n = grid.size();
    if (!(diaIn > 0.0)) {
        for (std::size_t k = 0; k < n; ++k) out[k] = 1.0;
        return;
    }
    if (thetaDeg > 90.0 + 1e-9) {
        for (std::size_t k = 0; k < n; ++k) out[k] = PistonBehindFactor;
        return;
    }
    const double perHz = 2.0 * M_PI / SpeedOfSoundMps * (0.5 * diaIn * MetresPerInch) *
                         std::sin(std::min(thetaDeg, 90.0) * M_PI / 180.0);
    for (std::size_t k = 0; k < n; ++k) out[k] = PistonFactor(perHz * grid[k]);
}

}  // namespace pelmo
