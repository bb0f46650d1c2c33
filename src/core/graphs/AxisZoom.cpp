#include "graphs/AxisZoom.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pelmo {

namespace {

bool IsLabelled(double mantissa, bool oneTwoFive) {
    return mantissa == 1 || (oneTwoFive && (mantissa == 2 || mantissa == 5));
}

// Calls `visit(value, mantissa)` for every whole multiple 1 ... 9 of each
// power of ten from lo to hi (a small tolerance keeps the ends).
template <class Visit>
void EachDecadeMultiple(double lo, double hi, Visit visit) {
    if (!(lo > 0) || !(hi >= lo) || !std::isfinite(hi)) return;
    const double slack = 1e-9;
    for (int e = static_cast<int>(std::floor(std::log10(lo))); e <= static_cast<int>(std::ceil(std::log10(hi))); ++e) {
        const double decade = std::pow(10.0, e);
        for (int m = 1; m <= 9; ++m) {
            const double v = m * decade;
            if (v >= lo * (1 - slack) && v <= hi * (1 + slack)) visit(v, m);
        }
    }
}

}  // namespace

std::vector<double> LogAxisTicks(double lo, double hi, bool oneTwoFive) {
    std::vector<double> ticks;
    EachDecadeMultiple(lo, hi, [&](double v, int m) {
        if (IsLabelled(m, oneTwoFive)) ticks.push_back(v);
    });
    return ticks;
}

std::vector<double> LogAxisSubTicks(double lo, double hi, bool oneTwoFive) {
    std::vector<double> ticks;
    EachDecadeMultiple(lo, hi, [&](double v, int m) {
        if (!IsLabelled(m, oneTwoFive)) ticks.push_back(v);
    });
    return ticks;
}

std::string LogAxisTickLabel(double hz) {
    const bool kilo = std::fabs(hz) >= 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%.4g%s", kilo ? hz / 1000 : hz, kilo ? "k" : "");
    return text;
}

double NiceAxisStep(double span, int maxDivisions) {
    if (!(span > 0) || !std::isfinite(span)) return 1;
    const double rough = span / std::max(1, maxDivisions);
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * decade >= rough * (1 - 1e-9)) return m * decade;
    return 10 * decade;
}

TAxisLimits FitAxisLimits(double lo, double hi, int maxDivisions) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) return {-1, 1, 1};
    if (lo > hi) std::swap(lo, hi);
    if (hi - lo <= 1e-12 * std::max(1.0, std::fabs(hi))) {
        const double pad = lo != 0 ? 0.1 * std::fabs(lo) : 1;
        lo -= pad;
        hi += pad;
    }
    // A step that leaves room for the rounding outward.
    TAxisLimits a;
    for (int divisions = maxDivisions; divisions >= 1; --divisions) {
        a.Step = NiceAxisStep(hi - lo, divisions);
        // (a value on a step, 3.6 / 0.1 = 35.999..., counts as on it)
        a.Min = std::floor(lo / a.Step + 1e-9) * a.Step;
        a.Max = std::ceil(hi / a.Step - 1e-9) * a.Step;
        if (std::lround((a.Max - a.Min) / a.Step) <= maxDivisions) break;
    }
    return a;
}

void ZoomAxisRange(double& lo, double& hi, double at, double factor, bool log) {
    if (!(factor > 0)) return;
    if (log) {
        if (!(lo > 0 && hi > 0 && at > 0)) return;
        lo = at * std::pow(lo / at, factor);
        hi = at * std::pow(hi / at, factor);
    } else {
        lo = at + (lo - at) * factor;
        hi = at + (hi - at) * factor;
    }
}

void PanAxisRange(double& lo, double& hi, double from, double to, bool log) {
    if (log) {
        if (!(from > 0 && to > 0)) return;
        const double ratio = to / from;
        lo /= ratio;
        hi /= ratio;
    } else {
        lo -= to - from;
        hi -= to - from;
    }
}

}  // namespace pelmo
