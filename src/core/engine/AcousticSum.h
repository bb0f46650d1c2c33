#pragma once

#include "engine/SolveResult.h"

// The acoustic sum: each driver's electrical input turned into its acoustic
// output through its measured response, summed as complex pressures into the
// system response; and the curves of the SPL windows.

namespace pelmo {

struct TDesign;
struct TSolveContext;

// After a successful solve at grid index k (frequency f): every driver's
// share entry k and the system response entry k.
void SumDrivers(const TDesign& d, const TSolveContext& ctx, TSolveResult& result, int k, double f);

// After the sweep: every curve of every SPL window, smoothed as the curve
// asks (a copy is smoothed; the stored responses stay as the sum left them).
void SplCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TSolveContext& ctx);

}  // namespace pelmo
