#include "engine/DerivedResponses.h"

#include "base/Conversions.h"
#include "engine/Complex.h"
#include "engine/GraphRecord.h"
#include "engine/Smoothing.h"
#include "engine/SolveContext.h"
#include "engine/Sweep.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

namespace {

double DriverPhase(const TDesign& d, const TDriver& drv, double phase, double f) {
    phase = phase - 360.0 * f * (d.OverallDelay + drv.Delay);
    if (d.Source.Inverted) phase = phase + 180.0;
    if (drv.Inverted) phase = phase + 180.0;
    return WrapAngle(phase);
}

double PartPhase(const TDesign& d, double phase, double f) {
    if (d.Source.Inverted) phase = phase + 180.0;
    phase = phase - 360.0 * f * d.OverallDelay;
    return WrapAngle(phase);
}

void Add(TPlottedDrivers& e, double f, double mag) { e.MagSeries->Add(f, mag); }
void AddPhase(TPlottedDrivers& e, double f, double phase) {
    if (e.ShowPhase) e.PhaseSeries->Add(f, phase);
}

// The impedance the network shows the driver: from the terminal voltage of
// the solve with every driver 1 % higher in impedance (v1) and of the normal
// solve (v), Zlb = Z (0.01 / (1.01 v / v1 - 1) - 1) is the Thevenin impedance.
void LookbackPoint(TPlottedDrivers& e, TComplex v, TComplex y, double f) {
    if (e.LookbackFailed) return;
    const TComplex v1 = e.Driver->LookbackVoltage;
    if (v.re == v1.re && v.im == v1.im) {
        e.LookbackFailed = true;
        return;
    }
    const TComplex z = CDiv(ComplexOne, y);
    const TComplex ratio = CSub(CDiv(CMul({1.01, 0.0}, v), v1), ComplexOne);
    const TComplex zlb = CMul(z, CSub(CDiv({0.01, 0.0}, ratio), ComplexOne));
    const TPolar p = CToPolar(zlb);
    Add(e, f, p.Mag);
    AddPhase(e, f, WrapAngle(p.Phase));
}

}  // namespace

void CurvePoints(TDesign& d, TSolveContext& ctx, int k, double f) {
    for (TPlottedDrivers& e : d.Plotted) {
        if (e.Part) {
            e.NodeA = e.Part->Node1;
            e.NodeB = e.Part->Node2;
        }
        const TComplex v = CSub(ctx.NodeVoltage(e.NodeA), ctx.NodeVoltage(e.NodeB));
        TDriver* drv = e.Driver;
        TPart* part = e.Part;
        const TComplex y = drv ? DriverAdmittance(*drv, k) : part ? part->Admittance : ComplexZero;
        auto adjusted = [&](double phase) { return drv ? DriverPhase(d, *drv, phase, f) : PartPhase(d, phase, f); };
        switch (e.Kind) {
            case gkVoltage:
                if (!drv && !part) break;
                Add(e, f, CAbs(v) * ctx.PeakVolts);
                AddPhase(e, f, adjusted(CToPolar(v).Phase));
                break;
            case gkCurrent: {
                if (!drv && !part) break;
                const TComplex i = CMul(v, y);
                Add(e, f, CAbs(i) * ctx.Vlevel);
                AddPhase(e, f, adjusted(CToPolar(i).Phase));
                break;
            }
            case gkImpedance:
                if (drv) {
                    if (e.WantsLookback) {
                        LookbackPoint(e, v, y, f);
                    } else {
                        const TPolar z = CToPolar(CDiv(ComplexOne, y));
                        Add(e, f, z.Mag);
                        AddPhase(e, f, z.Phase);
                    }
                } else if (!part) {
                    Add(e, f, ctx.Zin.Mag);
                    AddPhase(e, f, ctx.Zin.Phase);
                }
                break;
            case gkPower:
                if (!drv && !part) break;
                Add(e, f, ctx.PowerScale * CSqrAbs(v) * y.re);
                break;
            case gkFilter:
                if (!drv) break;
                Add(e, f, LinToDb(CAbs(v)));
                AddPhase(e, f, adjusted(CToPolar(v).Phase));
                break;
            default:
                break;  // acoustic and time curves are filled after the sweep
        }
    }
}

void DelayCurves(TDesign& d, TGraphList& graphs, TSolveContext& ctx) {
    const DataArray& f = d.Grid;
    for (TGraphRecord* g : graphs.Windows) {
        if (g->Kind != gkGroupDelay) continue;
        for (TSeriesDef& c : g->Curves) {
            const DataArray& source = c.Driver ? c.Driver->ResultPhase : d.SystemPhase;
            const std::size_t n = f.size();
            if (source.size() < n || n < 3) continue;
            DataArray& phi = ctx.WorkPhase;
            phi.assign(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(n));
            UnwrapPhase(phi);
            SmoothOctave(phi, 1.0 / 6.0, d.OctavesPerStep);
            DataArray& tau = ctx.WorkDelay;
            tau.assign(n, 0.0);
            for (std::size_t k = 1; k + 1 < n; ++k) {
                const double t = -(phi[k + 1] - phi[k - 1]) / (f[k + 1] - f[k - 1]);
                tau[k] = 1000000.0 * t / 360.0;
            }
            tau[0] = tau[1];
            tau[n - 1] = tau[n - 2];
            SmoothOctave(tau, 1.0 / 6.0, d.OctavesPerStep);
            for (std::size_t k = 0; k < n; ++k) c.MagSeries.Add(f[k], tau[k]);
        }
    }
}

}  // namespace pelmo
