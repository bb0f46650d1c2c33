#include "engine/Sweep.h"

#include <cmath>

#include "base/Conversions.h"
#include "blocks/CircuitBlocks.h"
#include "engine/AcousticSum.h"
#include "engine/DerivedResponses.h"
#include "engine/GraphRecord.h"
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
void OutputTerminals(const TDriver& drv, int& a, int& b) {
    if (drv.Muted) {
        a = b = 0;
    } else if (drv.Inverted) {
        a = drv.Node2;
        b = drv.Node1;
    } else {
        a = drv.Node1;
        b = drv.Node2;
    }
}

// However the solve ends (an expression error of a circuit block ends it with
// an exception), the running flag is cleared and the plotted-curve list,
// which points into the windows' curves, emptied.
struct RunningGuard {
    RunningGuard(bool& flag, TDesign& d) : flag_(flag), d_(d) { flag_ = true; }
    ~RunningGuard() {
        flag_ = false;
        d_.Plotted.clear();
    }
    bool& flag_;
    TDesign& d_;
};
}  // namespace

namespace {
TComplex Admittance(int state, std::uint8_t type, double value, double esr, double omega) {
    if (state == psShorted) return {ShortedSiemens, 0.0};
    if (state == psOpen) return {OpenSiemens, 0.0};
    TComplex z;
    switch (type) {
        case ptInductor:
            z = {esr, omega * value};
            break;
        case ptCapacitor:
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

void SetPartAdmittances(TDesign& d, const TSolveContext& ctx, double f) {
    const double omega = TwoPi * f;
    for (std::size_t i = 0; i < d.Parts.size(); ++i) {
        const auto& t = ctx.PartTerms[i];
        d.Parts[i]->Admittance = Admittance(t.State, t.Type, t.Value, t.ESR, omega);
    }
}
}  // namespace

TComplex DriverAdmittance(const TDriver& drv, int k) {
    return k < 0 ? ComplexZero : drv.Admittance.At(static_cast<std::size_t>(k));
}

TComplex PartAdmittance(const TPart& p, double omega) {
    return Admittance(p.State, p.PartType, PartValue(p), PartESR(p), omega);
}

void SetPartAdmittances(TDesign& d, double f) {
    const double omega = TwoPi * f;
    for (auto& p : d.Parts) p->Admittance = PartAdmittance(*p, omega);
}

void PlanStamps(const TDesign& d, TSolveContext& ctx) {
    TStampPlan& plan = ctx.Stamps;
    plan.Clear();
    const TSource& s = d.Source;
    const int parts = static_cast<int>(d.Parts.size());
    auto add = [&plan](int row, int col, int element, bool negate) { plan.Add(row, col, element, negate); };
    // One row after the other, each with the source, the parts, the drivers:
    // the order in which the entries accumulate.
    for (int r = 1; r < d.NodeCount; ++r) {
        if (s.Node1 == r) {
            if (s.Node2 > 0) add(r, s.Node2, -1, true);
            add(r, r, -1, false);
        }
        if (s.Node2 == r) {
            if (s.Node1 > 0) add(r, s.Node1, -1, true);
            add(r, r, -1, false);
        }
        for (int i = 0; i < parts; ++i) {
            const TPart& p = *d.Parts[static_cast<std::size_t>(i)];
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
            const TDriver& drv = *d.Drivers[i];
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
    const double ys = 1.0 / s.InternalResistance;
    plan.RightSides.assign(d.NodeCount > 1 ? static_cast<std::size_t>(d.NodeCount - 1) : 0, ComplexZero);
    for (int r = 1; r < d.NodeCount; ++r) {
        if (s.Node1 == r)
            plan.RightSides[static_cast<std::size_t>(r - 1)] = {ys, 0.0};
        else if (s.Node2 == r)
            plan.RightSides[static_cast<std::size_t>(r - 1)] = {-ys, 0.0};
    }
}

bool StampEquations(const TDesign& d, TSolveContext& ctx, int k, double driverScale) {
    const double ys = 1.0 / d.Source.InternalResistance;
    const std::size_t parts = d.Parts.size();
    ctx.ElementY.resize(1 + parts + d.Drivers.size());
    ctx.ElementY[0] = {ys, 0.0};
    for (std::size_t i = 0; i < parts; ++i) ctx.ElementY[1 + i] = d.Parts[i]->Admittance;
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

void ReadNodeVoltages(const TDesign& d, TSolveContext& ctx) {
    const std::size_t n = d.NodeCount > 0 ? static_cast<std::size_t>(d.NodeCount) : 1;
    ctx.V.resize(n);
    ctx.V[0] = ComplexZero;
    for (std::size_t i = 1; i < n; ++i) ctx.V[i] = ctx.Solver.GetSolution(static_cast<int>(i));
}

void BuildPlottedList(TDesign& d, TGraphList& graphs) {
    d.Plotted.clear();
    for (std::size_t w = 0; w < graphs.Windows.size(); ++w) {
        TGraphRecord& g = *graphs.Windows[w];
        for (std::size_t c = 0; c < g.Curves.size(); ++c) {
            TSeriesDef& curve = g.Curves[c];
            TPlottedDrivers e;
            e.Kind = g.Kind;
            e.ShowPhase = curve.ShowPhase;
            e.Driver = curve.Driver;
            e.Part = curve.Part;
            e.MagSeries = &curve.MagSeries;
            e.PhaseSeries = &curve.PhaseSeries;
            e.Window = static_cast<int>(w);
            e.Curve = static_cast<int>(c);
            const std::string& name = curve.Name;
            e.WantsLookback = name.size() >= 9 && name.compare(name.size() - 9, 9, "lookback)") == 0;
            if (TDriver* drv = curve.Driver) {
                e.RefDes = drv->RefDes;
                if (!e.WantsLookback) e.DriverOnly = name.size() > DriverDesignator(*drv).size();
                OutputTerminals(*drv, e.NodeA, e.NodeB);
                if (e.WantsLookback) drv->Lookback = true;
            } else if (TPart* p = curve.Part) {
                e.RefDes = p->RefDes;
                e.NodeA = p->Node1;
                e.NodeB = p->Node2;
            }
            curve.DriverOnly = e.DriverOnly;
            d.Plotted.push_back(e);
        }
    }
}

namespace {

void LookbackSolve(TDesign& d, TSolveContext& ctx, int k) {
    TSparseSolver& solver = ctx.Solver;
    if (StampEquations(d, ctx, k, LookbackScale) && solver.SolveSystem()) {
        ReadNodeVoltages(d, ctx);
        for (TPlottedDrivers& e : d.Plotted) {
            if (!e.Driver || !e.Driver->Lookback) continue;
            const TComplex v = CSub(ctx.NodeVoltage(e.NodeA), ctx.NodeVoltage(e.NodeB));
            e.Driver->LookbackVoltage = v;
            if (std::fabs(v.re) < 1e-20 && std::fabs(v.im) < 1e-20) {
                e.Driver->Lookback = false;
                e.LookbackFailed = true;
            }
        }
        // Every lookback curve of a driver whose lookback voltage vanished
        // stops, not only the first one met.
        for (TPlottedDrivers& e : d.Plotted)
            if (e.WantsLookback && e.Driver && !e.Driver->Lookback) e.LookbackFailed = true;
    }
    solver.ReleaseSystem();
    solver.InitStruc(d.NodeCount - 1);
}

void InputImpedance(const TDesign& d, TSolveContext& ctx) {
    const TComplex vs = CSub(ctx.NodeVoltage(d.Source.Node1), ctx.NodeVoltage(d.Source.Node2));
    const TComplex across = CSub(ComplexOne, vs);
    if (CAbs(across) >= 1e-20) {
        ctx.Zin = CToPolar(CDiv(CMul({d.Source.InternalResistance, 0.0}, vs), across));
    } else {
        ctx.Zin = {across.re, across.im};
    }
}

void FrequencyStep(TDesign& d, TSolveContext& ctx, int k) {
    const double f = d.Grid[static_cast<std::size_t>(k)];
    SetPartAdmittances(d, ctx, f);
    TSparseSolver& solver = ctx.Solver;
    solver.InitStruc(d.NodeCount - 1);  // a failure here makes the stamping fail
    if (ctx.LookbackOn) LookbackSolve(d, ctx, k);
    if (StampEquations(d, ctx, k, 1.0) && solver.SolveSystem()) {
        ReadNodeVoltages(d, ctx);
        InputImpedance(d, ctx);
        SumDrivers(d, ctx, k, f);
        CurvePoints(d, ctx, k, f);
        ++ctx.SolvedFrequencies;
    }
    solver.ReleaseSystem();
}

}  // namespace

void SolveItClick(TDesign& d, TGraphList& graphs, TSolveContext& ctx, MessageSink& messages) {
    if ((d.Parts.empty() && d.Drivers.empty()) || d.BlockDesignMode) return;
    if (ctx.Running) return;  // asked for while the menus are rebuilt
    RunningGuard running(ctx.Running, d);
    EnsureAnalysisGrid(d);

    const double vrms = d.Source.Vrms;
    ctx.SourceDb = LinToDb(vrms);
    ctx.Vlevel = DbToLin(ctx.SourceDb);
    ctx.LevelRatio = vrms / std::sqrt(8.0);
    ctx.PeakVolts = ctx.Vlevel * 1.4142135624;
    ctx.PowerScale = DbToLin(2.0 * LinToDb(vrms));

    BuildNetlist(d);

    for (auto& drv : d.Drivers) {
        drv->ResultMag.clear();
        drv->ResultPhase.clear();
    }
    if (ctx.RebuildCurveMenus) ctx.RebuildCurveMenus();

    BuildPlottedList(d, graphs);
    ctx.LookbackOn = false;
    for (const auto& e : d.Plotted)
        if (e.WantsLookback) ctx.LookbackOn = true;

    ctx.NodeP.resize(d.Drivers.size());
    ctx.NodeN.resize(d.Drivers.size());
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        int p = 0, n = 0;
        OutputTerminals(*d.Drivers[i], p, n);
        ctx.NodeP[i] = p < 0 ? 0 : p;
        ctx.NodeN[i] = n < 0 ? 0 : n;
    }

    EvaluateBlocks(d, messages);

    for (TPlottedDrivers& e : d.Plotted) {
        e.MagSeries->Clear(AnalysisPoints);
        e.PhaseSeries->Clear(AnalysisPoints);
    }
    d.SystemMag.assign(AnalysisPoints, 0.0);
    d.SystemPhase.assign(AnalysisPoints, 0.0);

    PlanStamps(d, ctx);
    TakePartTerms(d, ctx);
    ctx.SolvedFrequencies = 0;
    for (int k = 0; k < AnalysisPoints; ++k) FrequencyStep(d, ctx, k);
    if (ctx.SolvedFrequencies == 0) {
        // Nothing was solved: no system response either, so that no curve
        // shows made-up values.
        d.SystemMag.clear();
        d.SystemPhase.clear();
    }

    SquareWaveCurves(d, graphs, ctx.TimeWork);
    DelayCurves(d, graphs, ctx);
    SplCurves(d, graphs, ctx);
    ImpulseStepCurves(d, graphs, ctx.TimeWork, messages);

    d.Plotted.clear();
}

}  // namespace pelmo
