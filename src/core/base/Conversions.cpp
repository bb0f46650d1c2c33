#include "base/Conversions.h"

#include <algorithm>
#include <cmath>

namespace pelmo {

namespace {
// The levels DbToLin takes: -400 ... 250 dB (NaN counts as 250).
double ClampDb(double db) { return db < -400.0 ? -400.0 : std::min(250.0, db); }
}  // namespace

double DbToLin(double db) {
    const double r = std::pow(10.0, ClampDb(db) / 20.0);
    return r < 1e-20 ? 1e-20 : r;
}

double DbToLn(double db) { return ClampDb(db) * (M_LN10 / 20.0); }

double LinToDb(double a) {
    const double m = std::fabs(a);
    double l;
    if (m < 1e-25)
        l = -100000.0;
    else if (m > 1e25)
        l = 100000.0;
    else
        l = std::log10(m);
    return 20.0 * l;
}

void PolarToRect(DataArray& mag, DataArray& phase) {
    const std::size_t n = std::min(mag.size(), phase.size());
    for (std::size_t k = 0; k < n; ++k) {
        const double m = mag[k], p = phase[k];
        mag[k] = m * std::cos(p);
        phase[k] = m * std::sin(p);
    }
}

void RectToPolar(DataArray& re, DataArray& im) {
    const std::size_t n = std::min(re.size(), im.size());
    for (std::size_t k = 0; k < n; ++k) {
        const double a = re[k], b = im[k];
        re[k] = LinToDb(std::sqrt(a * a + b * b));
        im[k] = std::atan2(b, a) * 180.0 / M_PI;
    }
}

namespace {
// Whole numbers below this are exact, and so are their sums and products
// below twice it.
constexpr double ExactWhole = 4503599627370496.0;  // 2^52

// fmod(n, period) for a whole n >= 0: where the period is whole as well,
// the remainder is n less a whole number of periods, worked out exactly in
// whole numbers (the quotient may come out one off; the remainder is then
// moved back into range), which is what fmod gives, for less work.
double WholeRemainder(double n, double period) {
    if (!(n < ExactWhole && period >= 1.0 && period < ExactWhole && period == std::floor(period)))
        return std::fmod(n, period);
    if (n < period) return n;
    double m = n - std::floor(n / period) * period;
    if (m < 0.0)
        m += period;
    else if (m >= period)
        m -= period;
    return m;
}
}  // namespace

double WrapAngle(double x, double limit) {
    if (!std::isfinite(x)) return 0.0;
    const double a = std::fabs(x);
    const double n = std::nearbyint(a);
    double r = WholeRemainder(n, 2.0 * limit) + (a - n);
    if (r > limit) r -= 2.0 * limit;
    return x < 0.0 ? -r : r;
}

void UnwrapPhase(DataArray& p) {
    for (std::size_t i = 1; i < p.size(); ++i) {
        const double d = p[i - 1] - p[i];
        // Only sane phase data is unwrapped (a turn at a time).
        if (!std::isfinite(d) || std::fabs(d) > 1e7) continue;
        if (d > 180.0) {
            while (p[i - 1] - p[i] > 180.0) p[i] += 360.0;
        } else if (d < -180.0) {
            while (p[i - 1] - p[i] < -180.0) p[i] -= 360.0;
        }
    }
}

void WrapPhase(DataArray& p) {
    for (double& v : p) v = WrapAngle(v);
}

}  // namespace pelmo
