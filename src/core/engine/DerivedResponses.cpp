#include "engine/DerivedResponses.h"

#include "base/Conversions.h"
#include "engine/Complex.h"
#include "engine/Smoothing.h"
#include "engine/SolveContext.h"
#include "engine/Sweep.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

namespace {

double DriverPhase(const TDesign& d, const TDriver& drv, double phase, double f) {
    phase = phase - 360.0 * f * (d.OverallDelay + drv.DelaySeconds);
    if (d.Source.Inverted) phase = phase + 180.0;
    if (drv.Inverted) phase = phase + 180.0;
    return WrapAngle(phase);
}

double PartPhase(const TDesign& d, double phase, double f) {
    if (d.Source.Inverted) phase = phase + 180.0;
    phase = phase - 360.0 * f * d.OverallDelay;
    return WrapAngle(phase);
}

using TPlotted = TSolveContext::TPlottedCurve;

// Where the points of one curve go.
struct TCurveOut {
    TCurvePoints& Points;
    bool ShowPhase;
    void Add(double f, double mag) { Points.Mag.Add(f, mag); }
    void AddPhase(double f, double phase) {
        if (ShowPhase) Points.Phase.Add(f, phase);
    }
};

// The impedance the network shows the driver: from the terminal voltage of
// the solve with every driver 1 % higher in impedance (v1) and of the normal
// solve (v), Zlb = Z (0.01 / (1.01 v / v1 - 1) - 1) is the Thevenin impedance.
void LookbackPoint(TPlotted& e, TCurveOut& out, TComplex v1, TComplex v, TComplex y, double f) {
    if (e.LookbackFailed) return;
    if (v.re == v1.re && v.im == v1.im) {
        e.LookbackFailed = true;
        return;
    }
    const TComplex z = CDiv(ComplexOne, y);
    const TComplex ratio = CSub(CDiv(CMul({1.01, 0.0}, v), v1), ComplexOne);
    const TComplex zlb = CMul(z, CSub(CDiv({0.01, 0.0}, ratio), ComplexOne));
    const TPolar p = CToPolar(zlb);
    out.Add(f, p.Mag);
    out.AddPhase(f, WrapAngle(p.Phase));
}

}  // namespace

void CurvePoints(const TDesign& d, TSolveContext& ctx, const TNodeVoltages& nodes, const TPolar& zin,
                 TSolveResult& result, int k, double f) {
    for (TPlotted& e : ctx.Plotted) {
        const TComplex v = CSub(nodes(e.NodeA), nodes(e.NodeB));
        const bool isDriver = e.Element >= 0 && IsDriverSubject(e.Subject);
        const bool isPart = e.Element >= 0 && e.Subject == TCurveSubject::Part;
        const auto element = static_cast<std::size_t>(e.Element);
        const TDriver* drv = isDriver ? d.Drivers[element].get() : nullptr;
        const TComplex y = drv ? DriverAdmittance(*drv, k) : isPart ? PartAdmittanceAt(ctx, element, f) : ComplexZero;
        auto adjusted = [&](double phase) { return drv ? DriverPhase(d, *drv, phase, f) : PartPhase(d, phase, f); };
        TCurveOut out{result.Windows[e.Window].Curves[e.Curve], e.ShowPhase};
        switch (e.Kind) {
            case TGraphKind::Voltage:
                if (!drv && !isPart) break;
                out.Add(f, CAbs(v) * ctx.PeakVolts);
                out.AddPhase(f, adjusted(CToPolar(v).Phase));
                break;
            case TGraphKind::Current: {
                if (!drv && !isPart) break;
                const TComplex i = CMul(v, y);
                out.Add(f, CAbs(i) * ctx.Vlevel);
                out.AddPhase(f, adjusted(CToPolar(i).Phase));
                break;
            }
            case TGraphKind::Impedance:
                if (drv) {
                    if (e.Subject == TCurveSubject::Lookback) {
                        LookbackPoint(e, out, ctx.LookbackVoltage[element], v, y, f);
                    } else {
                        const TPolar z = CToPolar(CDiv(ComplexOne, y));
                        out.Add(f, z.Mag);
                        out.AddPhase(f, z.Phase);
                    }
                } else if (!isPart) {
                    out.Add(f, zin.Mag);
                    out.AddPhase(f, zin.Phase);
                }
                break;
            case TGraphKind::Power:
                if (!drv && !isPart) break;
                out.Add(f, ctx.PowerScale * CSqrAbs(v) * y.re);
                break;
            case TGraphKind::Filter:
                if (!drv) break;
                out.Add(f, LinToDb(CAbs(v)));
                out.AddPhase(f, adjusted(CToPolar(v).Phase));
                break;
            default:
                break;  // acoustic and time curves are filled after the sweep
        }
    }
}

void DelayCurves(const TDesign& d, const TSolveRequest& request, TSolveResult& result, TSolveContext& ctx) {
    const DataArray& f = d.Grid;
    for (std::size_t w = 0; w < request.WindowCount; ++w) {
        const TWindowRequest& window = request.Windows[w];
        if (window.Kind != TGraphKind::GroupDelay) continue;
        for (std::size_t i = 0; i < window.Curves.size(); ++i) {
            const TCurveRequest& r = window.Curves[i];
            const bool driver = IsDriverSubject(r.Subject) && r.Element >= 0 &&
                                static_cast<std::size_t>(r.Element) < result.DriverPhase.size();
            const DataArray& source =
                driver ? result.DriverPhase[static_cast<std::size_t>(r.Element)] : result.SystemPhase;
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
            TChartCurve& out = result.Windows[w].Curves[i].Mag;
            for (std::size_t k = 0; k < n; ++k) out.Add(f[k], tau[k]);
        }
    }
}

}  // namespace pelmo
