#include "engine/Sweep.h"

#include <algorithm>
#include <cmath>

#include "base/Conversions.h"
#include "base/WorkerPool.h"
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

TComplex PartAdmittanceAt(const TSolveContext& ctx, std::size_t part, double f) {
    const auto& t = ctx.PartTerms[part];
    return Admittance(t.State, t.Type, t.Value, t.ESR, TwoPi * f);
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

void InputImpedance(const TDesign& d, const TNetlist& net, const TNodeVoltages& v, TPolar& zin) {
    const TComplex vs = CSub(v(net.Source.Node1), v(net.Source.Node2));
    const TComplex across = CSub(ComplexOne, vs);
    if (CAbs(across) >= 1e-20) {
        zin = CToPolar(CDiv(CMul({d.Source.InternalResistance, 0.0}, vs), across));
    } else {
        zin = {across.re, across.im};
    }
}

// ---------------------------------------------------------------------------
// The sweep: the grid split into one run of frequencies per thread; each
// thread solves its frequencies a few at a time through the batch, and alone
// through its own solver where the batch cannot take one. What a frequency
// gives depends on that frequency alone, so the split changes nothing.

using TLanes = TBatchReplay::TLanes;
constexpr int Lanes = TBatchReplay::Lanes;

inline bool IsZero(TComplex v) { return v.re == 0.0 && v.im == 0.0; }

using VD = double __attribute__((vector_size(sizeof(double) * Lanes)));
using VL = long long __attribute__((vector_size(sizeof(double) * Lanes)));
inline VD& Re(TLanes& a) { return *reinterpret_cast<VD*>(a.Re); }
inline VD& Im(TLanes& a) { return *reinterpret_cast<VD*>(a.Im); }

// GCC builds a copy for processors with 256-bit vectors beside the default
// one and picks at load time (the same arithmetic, lane by lane); clang (the
// sanitizer build) gets the default only.
#if defined(__GNUC__) && !defined(__clang__)
#define PELMO_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#else
#define PELMO_AVX2_CLONE
#endif

// The admittances of the source and of every part at grid indices k ...
// k + Lanes - 1 (the last index repeated past the grid), lane by lane into
// the batch's sources: Admittance above, term by term, for every lane.
PELMO_AVX2_CLONE void PartLanes(const TDesign& d, const TSolveContext& ctx, int k, TLanes* y) {
    VD omega;
    for (int l = 0; l < Lanes; ++l)
        omega[l] = TwoPi * d.Grid[static_cast<std::size_t>(std::min(k + l, AnalysisPoints - 1))];
    Re(y[0]) = VD{} + 1.0 / d.Source.InternalResistance;
    Im(y[0]) = VD{};
    for (std::size_t i = 0; i < ctx.PartTerms.size(); ++i) {
        const auto& t = ctx.PartTerms[i];
        TLanes& out = y[1 + i];
        if (t.State == TPartState::Shorted || t.State == TPartState::Open) {
            Re(out) = VD{} + (t.State == TPartState::Shorted ? ShortedSiemens : OpenSiemens);
            Im(out) = VD{};
            continue;
        }
        VD zre, zim;
        switch (t.Type) {
            case TPartType::Inductor:
                zre = VD{} + t.ESR;
                zim = omega * t.Value;
                break;
            case TPartType::Capacitor:
                zre = VD{} + t.ESR;
                zim = -1.0 / (omega * t.Value);
                break;
            default:
                zre = VD{} + t.Value;
                zim = VD{};
                break;
        }
        const VL zero = (zre == 0.0) & (zim == 0.0);
        const VD e = 1.0 / (zre * zre + zim * zim);
        VD yre = e * (zre * 1.0 + zim * 0.0);
        VD yim = e * (zre * 0.0 - zim * 1.0);
        // x - x is 0 for a finite x, NaN for an infinite or NaN one.
        const VL finite = ((yre - yre) == 0.0) & ((yim - yim) == 0.0);
        yre = finite ? yre : VD{} + OpenSiemens;
        yim = finite ? yim : VD{};
        Re(out) = zero ? VD{} + ShortedSiemens : yre;
        Im(out) = zero ? VD{} : yim;
    }
}

// The drivers' admittances at grid indices k ... k + Lanes - 1, multiplied by
// driverScale.
void DriverLanes(const TDesign& d, int k, double driverScale, TLanes* y) {
    const std::size_t parts = d.Parts.size();
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        TLanes& out = y[1 + parts + i];
        for (int l = 0; l < Lanes; ++l) {
            TComplex v = DriverAdmittance(*d.Drivers[i], std::min(k + l, AnalysisPoints - 1));
            if (driverScale != 1.0) v = {v.re * driverScale, v.im * driverScale};
            out.Re[l] = v.re;
            out.Im[l] = v.im;
        }
    }
}

// Which element (or right-hand side) each call of the batch's recording
// stamps, from the plan and the values of the system the solver recorded;
// false when they do not match.
bool MapPlanToCalls(const TStampPlan& plan, std::size_t elements, TSweepWorker& w) {
    const TBatchReplay& b = w.Batch;
    const int n = b.Neq();
    w.CallSource.clear();
    w.CallNegate.clear();
    w.ElementZero.assign(elements, -1);
    for (std::size_t i = 0; i < plan.Rows.size(); ++i) {
        const auto e = static_cast<std::size_t>(plan.Elements[i] + 1);
        const bool zero = IsZero(w.Values[i]);
        w.ElementZero[e] = zero ? 1 : 0;
        if (zero) continue;
        const std::size_t j = w.CallSource.size();
        if (j >= b.CallCount() || b.CallRow(j) != plan.Rows[i] || b.CallCol(j) != plan.Cols[i]) return false;
        w.CallSource.push_back(static_cast<int>(e));
        w.CallNegate.push_back(plan.Negate[i]);
    }
    for (int r = 1; r <= n; ++r) {
        const std::size_t j = w.CallSource.size();
        if (j >= b.CallCount() || b.CallRow(j) != r || b.CallCol(j) != n + 1) return false;
        w.CallSource.push_back(static_cast<int>(elements) + r - 1);
        w.CallNegate.push_back(0);
    }
    if (w.CallSource.size() != b.CallCount()) return false;
    w.Batch.SetSources(w.CallSource, w.CallNegate);
    w.Sources.resize(std::max(w.Sources.size(), elements + static_cast<std::size_t>(n)));
    w.X.resize(static_cast<std::size_t>(n) + 1);
    for (int r = 1; r <= n; ++r) {
        TLanes& rhs = w.Sources[elements + static_cast<std::size_t>(r - 1)];
        for (int l = 0; l < Lanes; ++l) {
            rhs.Re[l] = plan.RightSides[static_cast<std::size_t>(r - 1)].re;
            rhs.Im[l] = plan.RightSides[static_cast<std::size_t>(r - 1)].im;
        }
    }
    return w.Batch.Ready();
}

// One system through the worker's solver, as the solver is used everywhere
// else: init, stamp, solve, read, release; the admittances of lane l of the
// sources. The node voltages go to v (nodes entries). A full solve leaves a
// fresh recording, which the batch takes.
bool SolveAlone(const TSolveContext& ctx, TSweepWorker& w, std::size_t elements, int l, int nodes, TComplex* v) {
    const TStampPlan& plan = ctx.Stamps;
    w.Y.resize(elements);
    for (std::size_t e = 0; e < elements; ++e) w.Y[e] = {w.Sources[e].Re[l], w.Sources[e].Im[l]};
    for (std::size_t i = 0; i < plan.Rows.size(); ++i) {
        const TComplex e = w.Y[static_cast<std::size_t>(plan.Elements[i] + 1)];
        w.Values[i] = plan.Negate[i] ? CNeg(e) : e;
    }
    TSparseSolver& solver = w.Solver;
    solver.InitStruc(nodes - 1);  // a failure here makes the stamping fail
    const bool ok = solver.AddMatrixElements(plan.Rows.data(), plan.Cols.data(), w.Values.data(), plan.Rows.size()) &&
                    solver.AddRightSides(plan.RightSides.data()) && solver.SolveSystem();
    if (ok) {
        v[0] = ComplexZero;
        for (int i = 1; i < nodes; ++i) v[i] = solver.GetSolution(i);
        if ((!w.Batch.Ready() || !solver.LastSolveReplayed()) &&
            !(w.Batch.Take(solver) && MapPlanToCalls(plan, elements, w)))
            w.Batch.Forget();
    }
    solver.ReleaseSystem();
    return ok;
}

// The systems of the first `count` lanes of the sources: the node voltages
// of lane l to v + l * nodes, ok[l] whether it solved.
void SolveLanes(const TSolveContext& ctx, TSweepWorker& w, std::size_t elements, int count, int nodes, TComplex* v,
                char* ok) {
    const auto at = [&](int l) { return v + static_cast<std::size_t>(l) * static_cast<std::size_t>(nodes); };
    unsigned wanted = (1u << count) - 1;
    if (!w.Batch.Ready()) {
        ok[0] = SolveAlone(ctx, w, elements, 0, nodes, at(0));
        wanted &= ~1u;
    }
    unsigned solved = 0;
    if (w.Batch.Ready() && wanted) {
        // A lane goes to the batch when the solver would see the same calls:
        // the same stamps exactly zero as in the recorded system.
        unsigned fits = wanted;
        for (std::size_t e = 0; e < elements; ++e) {
            if (w.ElementZero[e] < 0) continue;
            const TLanes& y = w.Sources[e];
            for (int l = 0; l < count; ++l)
                if ((y.Re[l] == 0.0 && y.Im[l] == 0.0) != (w.ElementZero[e] == 1)) fits &= ~(1u << l);
        }
        solved = w.Batch.Solve(w.Sources.data(), fits, w.X.data());
        for (int l = 0; l < count; ++l) {
            if (!(solved & (1u << l))) continue;
            TComplex* out = at(l);
            out[0] = ComplexZero;
            for (int i = 1; i < nodes; ++i)
                out[i] = {w.X[static_cast<std::size_t>(i)].Re[l], w.X[static_cast<std::size_t>(i)].Im[l]};
            ok[l] = 1;
        }
    }
    for (int l = 0; l < count; ++l) {
        if (!(wanted & (1u << l)) || (solved & (1u << l))) continue;
        ok[l] = SolveAlone(ctx, w, elements, l, nodes, at(l));
    }
}

struct TSweepJob {
    const TDesign* Design;
    TSolveContext* Context;
    TSolveResult* Result;
    bool NodalOnly;  // the node voltages alone: no lookback, input impedance or sum
};

// Grid indices [k0, k1): the lookback solve where asked for, the normal
// solve, the input impedance and the acoustic sum of every frequency.
void SweepRange(const TDesign& d, TSolveContext& ctx, TSweepWorker& w, TSolveResult& result, int k0, int k1,
                bool nodalOnly) {
    const TNetlist& net = result.Netlist;
    const int nodes = ctx.SweepNodes;
    const std::size_t elements = 1 + d.Parts.size() + d.Drivers.size();
    const std::size_t drivers = d.Drivers.size();
    // The batch starts from this solve's first system: the circuit may have
    // changed since the last.
    w.Batch.Forget();
    w.Sources.resize(elements + static_cast<std::size_t>(std::max(0, nodes - 1)));
    w.Values.resize(ctx.Stamps.Rows.size());
    std::vector<TComplex>& lookbackV = w.LookbackV;
    lookbackV.resize(static_cast<std::size_t>(nodes) * Lanes);
    for (int k = k0; k < k1; k += Lanes) {
        const int count = std::min(Lanes, k1 - k);
        PartLanes(d, ctx, k, w.Sources.data());
        if (ctx.LookbackOn && !nodalOnly) {
            DriverLanes(d, k, LookbackScale, w.Sources.data());
            char* ok = ctx.LookbackSolved.data() + k;
            SolveLanes(ctx, w, elements, count, nodes, lookbackV.data(), ok);
            for (int l = 0; l < count; ++l) {
                if (!ok[l]) continue;
                const TNodeVoltages v{lookbackV.data() + static_cast<std::size_t>(l * nodes),
                                      static_cast<std::size_t>(nodes)};
                for (std::size_t i = 0; i < drivers; ++i) {
                    int a = 0, b = 0;
                    OutputTerminals(*d.Drivers[i], net.Drivers[i], a, b);
                    ctx.LookbackDriverV[static_cast<std::size_t>(k + l) * drivers + i] = CSub(v(a), v(b));
                }
            }
        }
        DriverLanes(d, k, 1.0, w.Sources.data());
        char* ok = ctx.Solved.data() + k;
        SolveLanes(ctx, w, elements, count, nodes,
                   ctx.Voltages.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(nodes), ok);
        for (int l = 0; l < count && !nodalOnly; ++l) {
            if (!ok[l]) continue;
            const TNodeVoltages v = ctx.VoltagesAt(k + l);
            InputImpedance(d, net, v, ctx.InputZ[static_cast<std::size_t>(k + l)]);
            SumDrivers(d, ctx, v, result, k + l, d.Grid[static_cast<std::size_t>(k + l)]);
        }
    }
}

void SweepPart(void* job, int part, int parts) {
    const TSweepJob& j = *static_cast<const TSweepJob*>(job);
    TSolveContext& ctx = *j.Context;
    const int k0 = AnalysisPoints * part / parts, k1 = AnalysisPoints * (part + 1) / parts;
    SweepRange(*j.Design, ctx, *ctx.Workers[static_cast<std::size_t>(part)], *j.Result, k0, k1, j.NodalOnly);
}

// After the sweep, in grid order: the lookback voltages (a driver whose
// lookback voltage vanished stops its lookback curves) and the points of
// the electrical curves.
void CollectCurvePoints(const TDesign& d, TSolveContext& ctx, TSolveResult& result) {
    const std::size_t drivers = d.Drivers.size();
    for (int k = 0; k < AnalysisPoints; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        if (ctx.LookbackOn && ctx.LookbackSolved[kk]) {
            for (std::size_t i = 0; i < drivers; ++i) {
                if (!ctx.DriverLookback[i]) continue;
                const TComplex v = ctx.LookbackDriverV[kk * drivers + i];
                ctx.LookbackVoltage[i] = v;
                if (std::fabs(v.re) < 1e-20 && std::fabs(v.im) < 1e-20) ctx.DriverLookback[i] = 0;
            }
            for (auto& e : ctx.Plotted)
                if (e.Subject == TCurveSubject::Lookback && e.Element >= 0 &&
                    !ctx.DriverLookback[static_cast<std::size_t>(e.Element)])
                    e.LookbackFailed = true;
        }
        if (ctx.Solved[kk]) CurvePoints(d, ctx, ctx.VoltagesAt(k), ctx.InputZ[kk], result, k, d.Grid[kk]);
    }
}

struct TAfterSweepJob {
    const TDesign* Design;
    const TSolveRequest* Request;
    TSolveResult* Result;
    TSolveContext* Context;
    MessageSink* Messages;
};

void AfterSweepPart(void* job, int part, int parts) {
    const TAfterSweepJob& j = *static_cast<const TAfterSweepJob*>(job);
    const TDesign& d = *j.Design;
    if (part == (parts > 1 ? 1 : 0)) {
        SquareWaveCurves(d, *j.Request, *j.Result, j.Context->TimeWork);
        DelayCurves(d, *j.Request, *j.Result, *j.Context);
        SplCurves(d, *j.Request, *j.Result, *j.Context);
    }
    if (part == 0) ImpulseStepCurves(d, *j.Request, *j.Result, j.Context->TimeWork, *j.Messages);
}

void SizeSweep(const TDesign& d, const TNetlist& net, TSolveContext& ctx, int parts) {
    while (ctx.Workers.size() < static_cast<std::size_t>(parts))
        ctx.Workers.push_back(std::make_unique<TSweepWorker>());
    ctx.SweepNodes = std::max(1, net.NodeCount);
    const auto points = static_cast<std::size_t>(AnalysisPoints);
    ctx.Solved.assign(points, 0);
    ctx.LookbackSolved.assign(points, 0);
    ctx.Voltages.resize(points * static_cast<std::size_t>(ctx.SweepNodes));
    ctx.InputZ.resize(points);
    ctx.LookbackDriverV.resize(points * d.Drivers.size());
}

}  // namespace

void SolveNodeVoltages(const TDesign& d, const TNetlist& net, TSolveContext& ctx) {
    PlanStamps(d, net, ctx);
    TakePartTerms(d, ctx);
    TWorkerPool& pool = TWorkerPool::Shared();
    SizeSweep(d, net, ctx, pool.Parts());
    TSolveResult unused;
    TSweepJob job{&d, &ctx, &unused, true};
    pool.Run(SweepPart, &job);
}

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
    // Every driver's share has room for the whole grid; it stays empty when
    // no frequency solves.
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        result.DriverMag[i].assign(AnalysisPoints, 0.0);
        result.DriverPhase[i].assign(AnalysisPoints, 0.0);
    }
    TWorkerPool& pool = TWorkerPool::Shared();
    SizeSweep(d, net, ctx, pool.Parts());
    TSweepJob job{&d, &ctx, &result, false};
    pool.Run(SweepPart, &job);
    result.SolvedFrequencies = 0;
    for (char solved : ctx.Solved) result.SolvedFrequencies += solved ? 1 : 0;
    CollectCurvePoints(d, ctx, result);
    if (result.SolvedFrequencies == 0) {
        // Nothing was solved: no system response either, so that no curve
        // shows made-up values.
        result.SystemMag.clear();
        result.SystemPhase.clear();
        for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
            result.DriverMag[i].clear();
            result.DriverPhase[i].clear();
        }
    }

    // The curves made after the sweep read the sweep's results and write
    // their own windows' points only: the impulse and step responses (which
    // may show a message) on this thread, the others beside them.
    TAfterSweepJob after{&d, &request, &result, &ctx, &messages};
    pool.Run(AfterSweepPart, &after);
    result.Solved = true;
}

}  // namespace pelmo
