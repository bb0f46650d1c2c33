#pragma once

#include "engine/SolveResult.h"

// Electrical curves from the solved node voltages (impedance, lookback
// impedance, filter response, voltage, current, power) and the group delay.

namespace pelmo {

struct TDesign;
struct TSolveContext;

// After a successful solve at grid index k (frequency f): the points of every
// curve of the running solve whose window kind is electrical.
void CurvePoints(const TDesign& d, TSolveContext& ctx, TSolveResult& result, int k, double f);

// After the sweep: every curve of every group-delay window, in microseconds,
// from its driver's share of the sum or from the system response.
void DelayCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TSolveContext& ctx);

}  // namespace pelmo
