#pragma once

#include "engine/SolveResult.h"

// The acoustic sum: each driver's electrical input turned into its acoustic
// output through its measured response, summed as complex pressures into the
// system response; and the curves of the SPL windows.

namespace pelmo {

struct TDesign;
struct TSolveContext;
struct TNodeVoltages;

// After a successful solve at grid index k (frequency f) with node voltages
// v: every driver's share entry k and the system response entry k (the
// arrays sized already). Writes nothing else, so frequencies may be summed
// side by side.
void SumDrivers(const TDesign& d, const TSolveContext& ctx, const TNodeVoltages& v, TSolveResult& result, int k,
                double f);

// After the sweep: every curve of every SPL window, smoothed as the curve
// asks (a copy is smoothed; the stored responses stay as the sum left them).
void SplCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TSolveContext& ctx);

}  // namespace pelmo
