#include "engine/Sweep.h"

#include <cmath>

#include "base/Conversions.h"
#include "blocks/CircuitBlocks.h"
#include "engine/AcousticSum.h"
#include "engine/DerivedResponses.h"
#include "engine/Netlist.h"
#include "engine/TimeResponse.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

namespace {
constexpr double TwoPi = 6.283185307179586;
constexpr double ShortedSiemens = 1000000.0;
constexpr double OpenSiemens = 0.0001;
// Raising every driver's impedance by 1 % for the lookback solve.
constexpr double LookbackScale = 0.990099009900990099;

// The nodes a driver's output is taken across: none when it is muted,
// swapped when it is inverted.
void OutputTerminals(const TDriver& drv, const TElementNodes& n, int& a, int& b) {
    if (drv.Muted) {
        a = b = 0;
    } else if (drv.Inverted) {
        a = n.Node2;
        b = n.Node1;
    } else {
        a = n.Node1;
        b = n.Node2;
    }
}

// However the solve ends (an expression error of a circuit block ends it with
// an exception), the running flag is cleared.
struct RunningGuard {
    explicit RunningGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningGuard() { flag_ = false; }
    bool& flag_;
};

TComplex Admittance(TPartState state, TPartType type, double value, double esr, double omega) {
    if (state == TPartState::Shorted) return {ShortedSiemens, 0.0};
    if (state == TPartState::Open) return {OpenSiemens, 0.0};
    TComplex z;
    switch (type) {
        case TPartType::Inductor:
            z = {esr, omega * value};
            break;
        case TPartType::Capacitor:
            z = {esr, -1.0 / (omega * value)};
            break;
        default:
            z = {value, 0.0};
            break;
    }
    if (z.re == 0.0 && z.im == 0.0) return {ShortedSiemens, 0.0};
    const TComplex y = CDiv(ComplexOne, z);
    if (!std::isfinite(y.re) || !std::isfinite(y.im)) return {OpenSiemens, 0.0};
    return y;
}

void TakePartTerms(const TDesign& d, TSolveContext& ctx) {
    ctx.PartTerms.resize(d.Parts.size());
    for (std::size_t i = 0; i < d.Parts.size(); ++i) {
        const TPart& p = *d.Parts[i];
        ctx.PartTerms[i] = {p.State, p.PartType, PartValue(p), PartESR(p)};
    }
}

void SizeElementAdmittances(const TDesign& d, TSolveContext& ctx) {
    ctx.ElementY.resize(1 + d.Parts.size() + d.Drivers.size());
}
}  // namespace

TComplex DriverAdmittance(const TDriver& drv, int k) {
    return k < 0 ? ComplexZero : drv.Admittance.At(static_cast<std::size_t>(k));
}

TComplex PartAdmittance(const TPart& p, double omega) {
    return Admittance(p.State, p.PartType, PartValue(p), PartESR(p), omega);
}

void SetPartAdmittances(const TDesign& d, TSolveContext& ctx, double f) {
    if (ctx.PartTerms.size() != d.Parts.size()) TakePartTerms(d, ctx);
    SizeElementAdmittances(d, ctx);
    const double omega = TwoPi * f;
    for (std::size_t i = 0; i < d.Parts.size(); ++i) {
        const auto& t = ctx.PartTerms[i];
        ctx.ElementY[1 + i] = Admittance(t.State, t.Type, t.Value, t.ESR, omega);
    }
}

void PlanStamps(const TDesign& d, const TNetlist& net, TSolveContext& ctx) {
    TStampPlan& plan = ctx.Stamps;
    plan.Clear();
    const TElementNodes& s = net.Source;
    const int parts = static_cast<int>(d.Parts.size());
    auto add = [&plan](int row, int col, int element, bool negate) { plan.Add(row, col, element, negate); };
    // One row after the other, each with the source, the parts, the drivers:
    // the order in which the entries accumulate.
    for (int r = 1; r < net.NodeCount; ++r) {
        if (s.Node1 == r) {
            if (s.Node2 > 0) add(r, s.Node2, -1, true);
            add(r, r, -1, false);
        }
        if (s.Node2 == r) {
            if (s.Node1 > 0) add(r, s.Node1, -1, true);
            add(r, r, -1, false);
        }
        for (int i = 0; i < parts; ++i) {
            const TElementNodes& p = net.Parts[static_cast<std::size_t>(i)];
            if (p.Node1 == p.Node2) continue;
            if (p.Node1 == r) {
                if (p.Node2 > 0) add(r, p.Node2, i, true);
                add(r, r, i, false);
            } else if (p.Node2 == r) {
                if (p.Node1 > 0) add(r, p.Node1, i, true);
                add(r, r, i, false);
            }
        }
        for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
            const TElementNodes& drv = net.Drivers[i];
            const int e = parts + static_cast<int>(i);
            if (drv.Node1 == r) {
                if (drv.Node2 > 0) add(r, drv.Node2, e, true);
                add(r, r, e, false);
            } else if (drv.Node2 == r) {
                if (drv.Node1 > 0) add(r, drv.Node1, e, true);
                add(r, r, e, false);
            }
        }
    }
    plan.Values.resize(plan.Rows.size());
    // The source as a current into Node1 and out of Node2.
    const double ys = 1.0 / d.Source.InternalResistance;
    plan.RightSides.assign(net.NodeCount > 1 ? static_cast<std::size_t>(net.NodeCount - 1) : 0, ComplexZero);
    for (int r = 1; r < net.NodeCount; ++r) {
        if (s.Node1 == r)
            plan.RightSides[static_cast<std::size_t>(r - 1)] = {ys, 0.0};
        else if (s.Node2 == r)
            plan.RightSides[static_cast<std::size_t>(r - 1)] = {-ys, 0.0};
    }
    SizeElementAdmittances(d, ctx);
}

bool StampEquations(const TDesign& d, TSolveContext& ctx, int k, double driverScale) {
    const double ys = 1.0 / d.Source.InternalResistance;
    const std::size_t parts = d.Parts.size();
    ctx.ElementY[0] = {ys, 0.0};
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        TComplex y = DriverAdmittance(*d.Drivers[i], k);
        if (driverScale != 1.0) y = {y.re * driverScale, y.im * driverScale};
        ctx.ElementY[1 + parts + i] = y;
    }
    TStampPlan& plan = ctx.Stamps;
    for (std::size_t i = 0; i < plan.Rows.size(); ++i) {
        const TComplex y = ctx.ElementY[static_cast<std::size_t>(plan.Elements[i] + 1)];
        plan.Values[i] = plan.Negate[i] ? CNeg(y) : y;
    }
    TSparseSolver& solver = ctx.Solver;
    return solver.AddMatrixElements(plan.Rows.data(), plan.Cols.data(), plan.Values.data(), plan.Rows.size()) &&
           solver.AddRightSides(plan.RightSides.data());
}

void ReadNodeVoltages(TSolveContext& ctx, int nodeCount) {
    const std::size_t n = nodeCount > 0 ? static_cast<std::size_t>(nodeCount) : 1;
    ctx.V.resize(n);
    ctx.V[0] = ComplexZero;
    for (std::size_t i = 1; i < n; ++i) ctx.V[i] = ctx.Solver.GetSolution(static_cast<int>(i));
}

namespace {

bool ValidIndex(int i, std::size_t n) { return i >= 0 && static_cast<std::size_t>(i) < n; }

// The curves of the request with their nodes, and which drivers the lookback
// solve must measure.
void PlanCurves(const TDesign& d, const TNetlist& net, const TSolveRequest& request, TSolveContext& ctx) {
    ctx.Plotted.clear();
    ctx.DriverLookback.assign(d.Drivers.size(), 0);
    ctx.LookbackVoltage.resize(d.Drivers.size());
    ctx.LookbackOn = false;
    for (std::size_t w = 0; w < request.WindowCount; ++w) {
        const TWindowRequest& window = request.Windows[w];
        for (std::size_t c = 0; c < window.Curves.size(); ++c) {
            const TCurveRequest& curve = window.Curves[c];
            TSolveContext::TPlottedCurve e;
            e.Kind = window.Kind;
            e.Subject = curve.Subject;
            e.ShowPhase = curve.ShowPhase;
            e.Window = w;
            e.Curve = c;
            if (IsDriverSubject(curve.Subject) && ValidIndex(curve.Element, d.Drivers.size())) {
                const auto i = static_cast<std::size_t>(curve.Element);
                e.Element = curve.Element;
                OutputTerminals(*d.Drivers[i], net.Drivers[i], e.NodeA, e.NodeB);
                if (curve.Subject == TCurveSubject::Lookback) {
                    ctx.DriverLookback[i] = 1;
                    ctx.LookbackOn = true;
                }
            } else if (curve.Subject == TCurveSubject::Part && ValidIndex(curve.Element, d.Parts.size())) {
                e.Element = curve.Element;
                e.NodeA = net.Parts[static_cast<std::size_t>(curve.Element)].Node1;
                e.NodeB = net.Parts[static_cast<std::size_t>(curve.Element)].Node2;
            }
            ctx.Plotted.push_back(e);
        }
    }
}

void LookbackSolve(const TDesign& d, const TNetlist& net, TSolveContext& ctx, int k) {
    TSparseSolver& solver = ctx.Solver;
    if (StampEquations(d, ctx, k, LookbackScale) && solver.SolveSystem()) {
        ReadNodeVoltages(ctx, net.NodeCount);
        for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
            if (!ctx.DriverLookback[i]) continue;
            int a = 0, b = 0;
            OutputTerminals(*d.Drivers[i], net.Drivers[i], a, b);
            const TComplex v = CSub(ctx.NodeVoltage(a), ctx.NodeVoltage(b));
            ctx.LookbackVoltage[i] = v;
            // A vanished lookback voltage stops every lookback curve of the driver.
            if (std::fabs(v.re) < 1e-20 && std::fabs(v.im) < 1e-20) ctx.DriverLookback[i] = 0;
        }
        for (auto& e : ctx.Plotted)
            if (e.Subject == TCurveSubject::Lookback && e.Element >= 0 &&
                !ctx.DriverLookback[static_cast<std::size_t>(e.Element)])
                e.LookbackFailed = true;
    }
    solver.ReleaseSystem();
    solver.InitStruc(net.NodeCount - 1);
}

void InputImpedance(const TDesign& d, const TNetlist& net, TSolveContext& ctx) {
    const TComplex vs = CSub(ctx.NodeVoltage(net.Source.Node1), ctx.NodeVoltage(net.Source.Node2));
    const TComplex across = CSub(ComplexOne, vs);
    if (CAbs(across) >= 1e-20) {
        ctx.Zin = CToPolar(CDiv(CMul({d.Source.InternalResistance, 0.0}, vs), across));
    } else {
        ctx.Zin = {across.re, across.im};
    }
}

void FrequencyStep(const TDesign& d, TSolveContext& ctx, TSolveResult& result, int k) {
    const TNetlist& net = result.Netlist;
    const double f = d.Grid[static_cast<std::size_t>(k)];
    SetPartAdmittances(d, ctx, f);
    TSparseSolver& solver = ctx.Solver;
    solver.InitStruc(net.NodeCount - 1);  // a failure here makes the stamping fail
    if (ctx.LookbackOn) LookbackSolve(d, net, ctx, k);
    if (StampEquations(d, ctx, k, 1.0) && solver.SolveSystem()) {
        ReadNodeVoltages(ctx, net.NodeCount);
        InputImpedance(d, net, ctx);
        SumDrivers(d, ctx, result, k, f);
        CurvePoints(d, ctx, result, k, f);
        ++result.SolvedFrequencies;
    }
    solver.ReleaseSystem();
}

}  // namespace

void ResetCurvePoints(const TSolveRequest& request, TSolveResult& result) {
    result.Windows.resize(request.WindowCount);
    for (std::size_t w = 0; w < request.WindowCount; ++w) {
        const TWindowRequest& in = request.Windows[w];
        TWindowPoints& out = result.Windows[w];
        out.ResponseScale = in.ResponseScale;
        out.AutoScalePending = in.AutoScalePending;
        out.Curves.resize(in.Curves.size());
        for (TCurvePoints& c : out.Curves) {
            c.Mag.Clear(AnalysisPoints);
            c.Phase.Clear(AnalysisPoints);
        }
    }
}

void SolveCircuit(TDesign& d, const TSolveRequest& request, TSolveContext& ctx, TSolveResult& result,
                  MessageSink& messages) {
    result.Solved = false;
    if (d.BlockDesignMode || ctx.Running) return;
    if (d.Parts.empty() && d.Drivers.empty()) {
        // Nothing to solve: every curve is empty, never the last design's.
        BuildNetlist(d, result.Netlist);
        result.SolvedFrequencies = 0;
        result.DriverMag.clear();
        result.DriverPhase.clear();
        result.SystemMag.clear();
        result.SystemPhase.clear();
        ResetCurvePoints(request, result);
        result.Solved = true;
        return;
    }
    RunningGuard running(ctx.Running);
    EnsureAnalysisGrid(d);

    const double vrms = d.Source.Vrms;
    ctx.SourceDb = LinToDb(vrms);
    ctx.Vlevel = DbToLin(ctx.SourceDb);
    ctx.LevelRatio = vrms / std::sqrt(8.0);
    ctx.PeakVolts = ctx.Vlevel * 1.4142135624;
    ctx.PowerScale = DbToLin(2.0 * LinToDb(vrms));

    TNetlist& net = result.Netlist;
    BuildNetlist(d, net);

    result.DriverMag.resize(d.Drivers.size());
    result.DriverPhase.resize(d.Drivers.size());
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        result.DriverMag[i].clear();
        result.DriverPhase[i].clear();
    }

    PlanCurves(d, net, request, ctx);

    ctx.NodeP.resize(d.Drivers.size());
    ctx.NodeN.resize(d.Drivers.size());
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        int p = 0, n = 0;
        OutputTerminals(*d.Drivers[i], net.Drivers[i], p, n);
        ctx.NodeP[i] = p < 0 ? 0 : p;
        ctx.NodeN[i] = n < 0 ? 0 : n;
    }

    EvaluateBlocks(d, messages);

    ResetCurvePoints(request, result);
    result.SystemMag.assign(AnalysisPoints, 0.0);
    result.SystemPhase.assign(AnalysisPoints, 0.0);

    PlanStamps(d, net, ctx);
    TakePartTerms(d, ctx);
    result.SolvedFrequencies = 0;
    for (int k = 0; k < AnalysisPoints; ++k) FrequencyStep(d, ctx, result, k);
    if (result.SolvedFrequencies == 0) {
        // Nothing was solved: no system response either, so that no curve
        // shows made-up values.
        result.SystemMag.clear();
        result.SystemPhase.clear();
    }

    SquareWaveCurves(d, request, result, ctx.TimeWork);
    DelayCurves(d, request, result, ctx);
    SplCurves(d, request, result, ctx);
    ImpulseStepCurves(d, request, result, ctx.TimeWork, messages);
    result.Solved = true;
}

}  // namespace pelmo
