#pragma once

// The acoustic sum: each driver's electrical input turned into its acoustic
// output through its measured response, summed as complex pressures into the
// system response; and the curves of the SPL windows.

namespace pelmo {

struct TDesign;
struct TGraphList;
struct TSolveContext;

// After a successful solve at grid index k (frequency f): every driver's
// Result entry k and the system response entry k.
void SumDrivers(TDesign& d, const TSolveContext& ctx, int k, double f);

// After the sweep: every curve of every SPL window, smoothed as the curve
// asks. Smoothing unwraps the stored phase of the driver or system data.
void SplCurves(TDesign& d, TGraphList& graphs, TSolveContext& ctx);

}  // namespace pelmo
