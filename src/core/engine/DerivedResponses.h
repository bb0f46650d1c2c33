#pragma once

#include "engine/SolveResult.h"

// Electrical curves from the solved node voltages (impedance, lookback
// impedance, filter response, voltage, current, power) and the group delay.

namespace pelmo {

struct TDesign;
struct TSolveContext;
struct TNodeVoltages;
struct TPolar;

// After a successful solve at grid index k (frequency f) with node voltages v
// and input impedance zin: the points of every curve of the running solve
// whose window kind is electrical. Frequencies go in grid order: a lookback
// curve stops at the first frequency it cannot show.
void CurvePoints(const TDesign& d, TSolveContext& ctx, const TNodeVoltages& v, const TPolar& zin, TSolveResult& result,
                 int k, double f);

// After the sweep: every curve of every group-delay window, in microseconds,
// from its driver's share of the sum or from the system response.
void DelayCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TSolveContext& ctx);

}  // namespace pelmo
