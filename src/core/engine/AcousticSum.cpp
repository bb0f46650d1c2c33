#include "engine/AcousticSum.h"

#include <algorithm>

#include "base/Conversions.h"
#include "engine/Complex.h"
#include "engine/Smoothing.h"
#include "engine/SolveContext.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

void SumDrivers(const TDesign& d, const TSolveContext& ctx, const TNodeVoltages& v, TSolveResult& result, int k,
                double f) {
    const auto i = static_cast<std::size_t>(k);
    TComplex sum = ComplexZero;
    for (std::size_t n = 0; n < d.Drivers.size(); ++n) {
        const TDriver& drv = *d.Drivers[n];
        DataArray& resultMag = result.DriverMag[n];
        DataArray& resultPhase = result.DriverPhase[n];
        const TComplex vd = CSub(v(ctx.NodeP[n]), v(ctx.NodeN[n]));
        TComplex p = CMul(vd, drv.Acoustic.Response.At(i));
        if (!drv.Acoustic.AcousticEffect.empty()) p = CMul(p, drv.Acoustic.AcousticEffect.At(i));
        p = CMul(p, {drv.Gain * ctx.LevelRatio, 0.0});
        TPolar r = CToPolar(p);
        r.Phase = r.Phase - 360.0 * f * (d.OverallDelay + drv.DelaySeconds);
        if (d.Source.Inverted) r.Phase = r.Phase + 180.0;
        r.Phase = WrapAngle(r.Phase);
        if (i < resultMag.size() && i < resultPhase.size()) {
            resultMag[i] = r.Mag;
            resultPhase[i] = r.Phase;
        }
        sum = CAdd(sum, CFromPolar(r.Mag, r.Phase));
    }
    const TPolar s = CToPolar(sum);
    if (i < result.SystemMag.size()) {
        result.SystemMag[i] = s.Mag;
        result.SystemPhase[i] = s.Phase;
    }
}

namespace {

// Points of one curve from magnitude and phase data on the grid.
void PlotMagPhase(TCurvePoints& c, bool showPhase, const DataArray& grid, const DataArray& mag,
                  const DataArray& phase) {
    const std::size_t n = std::min({grid.size(), mag.size(), phase.size()});
    for (std::size_t k = 0; k < n; ++k) {
        c.Mag.Add(grid[k], LinToDb(mag[k]));
        if (showPhase) c.Phase.Add(grid[k], phase[k]);
    }
}

void PlotResult(TCurvePoints& c, const TCurveRequest& r, const TDesign& d, const DataArray& mag, const DataArray& phase,
                TSolveContext& ctx) {
    if (mag.empty() || phase.empty()) return;
    const double s = r.Smoothing;
    // The stored phase stays as the sum left it: the time responses that
    // follow read it too, whatever SPL curves there are.
    ctx.WorkMag = mag;
    ctx.WorkPhase = phase;
    if (s > 100.0) {
        UnwrapPhase(ctx.WorkPhase);
        SmoothAuditory(ctx.WorkMag, d.Grid, ctx.WorkAuditory);
        SmoothAuditory(ctx.WorkPhase, d.Grid, ctx.WorkAuditory);
    } else if (s >= 0.01) {
        UnwrapPhase(ctx.WorkPhase);
        SmoothOctave(ctx.WorkMag, s, d.OctavesPerStep);
        SmoothOctave(ctx.WorkPhase, s, d.OctavesPerStep);
    }
    // The phase axis spans only one turn.
    WrapPhase(ctx.WorkPhase);
    PlotMagPhase(c, r.ShowPhase, d.Grid, ctx.WorkMag, ctx.WorkPhase);
}

}  // namespace

void SplCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TSolveContext& ctx) {
    for (std::size_t w = 0; w < request.WindowCount; ++w) {
        const TWindowRequest& window = request.Windows[w];
        if (window.Kind != TGraphKind::SPL) continue;
        for (std::size_t i = 0; i < window.Curves.size(); ++i) {
            const TCurveRequest& r = window.Curves[i];
            TCurvePoints& c = result.Windows[w].Curves[i];
            if (r.Subject == TCurveSubject::Part) continue;
            if (IsDriverSubject(r.Subject)) {
                if (r.Element < 0 || static_cast<std::size_t>(r.Element) >= d.Drivers.size()) continue;
                const auto n = static_cast<std::size_t>(r.Element);
                const TDriver& drv = *d.Drivers[n];
                if (r.Subject == TCurveSubject::DriverOnly) {
                    const std::size_t count =
                        std::min({d.Grid.size(), drv.Acoustic.Response.Re.size(), drv.Acoustic.Response.Im.size()});
                    for (std::size_t k = 0; k < count; ++k) {
                        const TPolar p = CToPolar(drv.Acoustic.Response.At(k));
                        c.Mag.Add(d.Grid[k], LinToDb(p.Mag));
                        if (r.ShowPhase) c.Phase.Add(d.Grid[k], p.Phase);
                    }
                } else {
                    PlotResult(c, r, d, result.DriverMag[n], result.DriverPhase[n], ctx);
                }
                continue;
            }
            PlotResult(c, r, d, result.SystemMag, result.SystemPhase, ctx);
        }
    }
}

}  // namespace pelmo
