#include "values/ESeries.h"

#include <cmath>
#include <cstddef>
#include <span>

namespace pelmo {

namespace {

// Series members within a decade, in hundredths.
constexpr int E6[] = {100, 150, 220, 330, 470, 680};
constexpr int E12[] = {100, 120, 150, 180, 220, 270, 330, 390, 470, 560, 680, 820};
constexpr int E24[] = {100, 110, 120, 130, 150, 160, 180, 200, 220, 240, 270, 300,
                       330, 360, 390, 430, 470, 510, 560, 620, 680, 750, 820, 910};
constexpr int E48[] = {100, 105, 110, 115, 121, 127, 133, 140, 147, 154, 162, 169, 178, 187, 196, 205,
                       215, 226, 237, 249, 261, 274, 287, 301, 316, 332, 348, 365, 383, 402, 422, 442,
                       464, 487, 511, 536, 562, 590, 619, 649, 681, 715, 750, 787, 825, 866, 909, 953};

std::span<const int> Members(TESeries s) {
    switch (s) {
        case esE6:
            return E6;
        case esE12:
            return E12;
        case esE24:
            return E24;
        default:
            return E48;
    }
}

// n x 10^e, correctly rounded while the power of ten is exact (|e| <= 22).
double Scale10(double n, int e) {
    if (e >= 0) return n * std::pow(10.0, e);
    return n / std::pow(10.0, -e);
}

}  // namespace

double RoundToESeries(double x, TESeries series) {
    if (!std::isfinite(x)) return x;
    const double a = std::fabs(x);

    // Decade exponent: the whole part of log10|x|, cut toward zero, with the
    // clamped extremes pinned to 1e300 or 1e-300.
    int k;
    if (a < 1e-25)
        k = -300;
    else if (a > 1e25)
        k = 300;
    else
        k = static_cast<int>(std::trunc(std::log10(a)));
    double q = Scale10(a, -k);
    if (q < 1) {
        q *= 10;
        --k;
    }

    const std::span<const int> c = Members(series);
    const std::size_t n = c.size();
    auto member = [&](std::size_t i) { return i < n ? c[i] / 100.0 : 10.0; };
    int chosen = 1000;  // ten: above the last member's interval
    if (q < std::sqrt(member(0) * member(1))) {
        chosen = c[0];
    } else {
        for (std::size_t i = 1; i < n; ++i) {
            const double lo = std::sqrt(member(i - 1) * member(i));
            const double hi = std::sqrt(member(i) * member(i + 1));
            if (q >= lo && q <= hi) {
                chosen = c[i];
                break;
            }
        }
    }
    const double r = Scale10(chosen, k - 2);
    return x < 0 ? -r : r;
}

}  // namespace pelmo
