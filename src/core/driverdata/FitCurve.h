#pragma once

#include "base/DataTypes.h"

namespace pelmo {

class MessageSink;

// Monotone piecewise-cubic Hermite curve through (x[i], y[i]) (x strictly
// increasing), extended linearly outside the data.
double FitPoint(const DataArray& x, const DataArray& y, double at);

// Evaluates the curve at every xNew[k] into yNew. With fewer than 3 entries in
// xNew, or fewer than 2 data points, shows "Math error during curve fitting!",
// leaves yNew as it was and returns false.
bool FitCurve(const DataArray& x, const DataArray& y, const DataArray& xNew, DataArray& yNew, MessageSink& messages);

inline constexpr const char* CurveFitErrorText = "Math error during curve fitting!";

}  // namespace pelmo
