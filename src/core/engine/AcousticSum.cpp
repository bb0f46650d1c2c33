#include "engine/AcousticSum.h"

#include "base/Conversions.h"
#include "engine/Complex.h"
#include "engine/GraphRecord.h"
#include "engine/Smoothing.h"
#include "engine/SolveContext.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

void SumDrivers(TDesign& d, const TSolveContext& ctx, int k, double f) {
    const auto i = static_cast<std::size_t>(k);
    TComplex sum = ComplexZero;
    for (std::size_t n = 0; n < d.Drivers.size(); ++n) {
        TDriver& drv = *d.Drivers[n];
        const TComplex vd = CSub(ctx.NodeVoltage(ctx.NodeP[n]), ctx.NodeVoltage(ctx.NodeN[n]));
        TComplex p = CMul(vd, drv.Response.At(i));
        if (!drv.AcousticEffect.empty()) p = CMul(p, drv.AcousticEffect.At(i));
        p = CMul(p, {drv.Gain * ctx.LevelRatio, 0.0});
        TPolar r = CToPolar(p);
        r.Phase = r.Phase - 360.0 * f * (d.OverallDelay + drv.Delay);
        if (d.Source.Inverted) r.Phase = r.Phase + 180.0;
        r.Phase = WrapAngle(r.Phase);
        if (drv.ResultMag.empty()) drv.ResultMag.assign(AnalysisPoints, 0.0);
        if (drv.ResultPhase.empty()) drv.ResultPhase.assign(AnalysisPoints, 0.0);
        if (i < drv.ResultMag.size()) {
            drv.ResultMag[i] = r.Mag;
            drv.ResultPhase[i] = r.Phase;
        }
        sum = CAdd(sum, CFromPolar(r.Mag, r.Phase));
    }
    const TPolar s = CToPolar(sum);
    if (i < d.SystemMag.size()) {
        d.SystemMag[i] = s.Mag;
        d.SystemPhase[i] = s.Phase;
    }
}

namespace {

// Points of one curve from magnitude and phase data on the grid.
void PlotMagPhase(TSeriesDef& c, const DataArray& grid, const DataArray& mag, const DataArray& phase) {
    const std::size_t n = std::min({grid.size(), mag.size(), phase.size()});
    for (std::size_t k = 0; k < n; ++k) {
        c.MagSeries.Add(grid[k], LinToDb(mag[k]));
        if (c.ShowPhase) c.PhaseSeries.Add(grid[k], phase[k]);
    }
}

void PlotResult(TSeriesDef& c, const TDesign& d, const DataArray& mag, const DataArray& phase, TSolveContext& ctx) {
    if (mag.empty() || phase.empty()) return;
    const double s = c.Smoothing;
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
    PlotMagPhase(c, d.Grid, ctx.WorkMag, ctx.WorkPhase);
}

}  // namespace

void SplCurves(TDesign& d, TGraphList& graphs, TSolveContext& ctx) {
    for (TGraphRecord* g : graphs.Windows) {
        if (g->Kind != gkSPL) continue;
        for (TSeriesDef& c : g->Curves) {
            if (c.Part) continue;
            if (TDriver* drv = c.Driver) {
                if (c.DriverOnly) {
                    const std::size_t n = std::min({d.Grid.size(), drv->Response.Re.size(), drv->Response.Im.size()});
                    for (std::size_t k = 0; k < n; ++k) {
                        const TPolar r = CToPolar(drv->Response.At(k));
                        c.MagSeries.Add(d.Grid[k], LinToDb(r.Mag));
                        if (c.ShowPhase) c.PhaseSeries.Add(d.Grid[k], r.Phase);
                    }
                } else {
                    PlotResult(c, d, drv->ResultMag, drv->ResultPhase, ctx);
                }
                continue;
            }
            PlotResult(c, d, d.SystemMag, d.SystemPhase, ctx);
        }
    }
}

}  // namespace pelmo
