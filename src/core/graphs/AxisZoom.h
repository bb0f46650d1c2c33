#pragma once

#include <string>
#include <vector>

// Axis arithmetic for looking at curves: the labelled frequencies of a log
// axis (1, 2, 5 per decade where they fit), steps and limits that fit a
// range of values, and zooming and panning around a point. Values of a log
// axis are frequencies (> 0); a linear axis takes any finite values.

namespace pelmo {

// The labelled ticks of a log frequency axis from lo to hi: 1, 2 and 5 times
// each power of ten, or only the powers of ten when `oneTwoFive` is false.
std::vector<double> LogAxisTicks(double lo, double hi, bool oneTwoFive);
// The unlabelled ticks: every whole multiple 2 ... 9 of each power of ten
// from lo to hi that is not a labelled tick.
std::vector<double> LogAxisSubTicks(double lo, double hi, bool oneTwoFive);
// "20", "500", "1k", "20k", "1.5k", "0.5": at most 4 significant digits.
std::string LogAxisTickLabel(double hz);

// The step 1, 2 or 5 times a power of ten that divides `span` into at most
// `maxDivisions` (at least one division).
double NiceAxisStep(double span, int maxDivisions);

// Limits on multiples of a nice step that hold every value from lo to hi.
// A span of zero (a flat curve) is opened by 10 % of the value around it,
// or to -1 ... 1 around zero.
struct TAxisLimits {
    double Min = 0;
    double Max = 0;
    double Step = 0;
};
TAxisLimits FitAxisLimits(double lo, double hi, int maxDivisions = 10);

// The range lo ... hi zoomed by `factor` (below 1: in) around the value
// `at`, which keeps its place on the axis; on a log axis in ratios.
void ZoomAxisRange(double& lo, double& hi, double at, double factor, bool log);
// The range moved so that the value `from` comes where `to` was (a drag);
// on a log axis in ratios.
void PanAxisRange(double& lo, double& hi, double from, double to, bool log);

}  // namespace pelmo
