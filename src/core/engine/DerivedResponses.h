#pragma once

// Electrical curves from the solved node voltages (impedance, lookback
// impedance, filter response, voltage, current, power) and the group delay.

namespace pelmo {

struct TDesign;
struct TGraphList;
struct TSolveContext;

// After a successful solve at grid index k (frequency f): the points of every
// entry of the plotted-curve list whose window kind is electrical.
void CurvePoints(TDesign& d, TSolveContext& ctx, int k, double f);

// After the sweep: every curve of every group-delay window, in microseconds,
// from the driver's Result phase or the system phase.
void DelayCurves(TDesign& d, TGraphList& graphs, TSolveContext& ctx);

}  // namespace pelmo
