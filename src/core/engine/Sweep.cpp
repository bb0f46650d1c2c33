#include "engine/Sweep.h"

#include <algorithm>
#include <cmath>

#include "base/Conversions.h"
#include "base/WorkerPool.h"
#include "blocks/CircuitBlocks.h"
#include "engine/AcousticSum.h"
#include "engine/DerivedResponses.h"
#include "engine/Netlist.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"

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

// Every part's terms as the design holds them.
void TakePartTerms(const TDesign& d, std::vector<TPartTerms>& terms) {
    terms.resize(d.Parts.size());
    for (std::size_t i = 0; i < d.Parts.size(); ++i) {
        const TPart& p = *d.Parts[i];
        terms[i] = {p.State, p.PartType, PartValue(p), PartESR(p)};
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

TComplex PartAdmittanceAt(const TPartTerms& t, double f) {
    return Admittance(t.State, t.Type, t.Value, t.ESR, TwoPi * f);
}

void SetPartAdmittances(const TDesign& d, TSolveContext& ctx, double f) {
    if (ctx.PartTerms.size() != d.Parts.size()) TakePartTerms(d, ctx.PartTerms);
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
    TakePartTerms(d, ctx.PartTerms);
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

// The input impedance from the node voltages of a solved frequency: the
// source resistance times the source's terminal voltage over the voltage
// across the resistance (where that vanishes, its raw parts).
void InputImpedance(const TDesign& d, const TNetlist& net, const TNodeVoltages& v, double& mag, double& phase) {
    const TComplex vs = CSub(v(net.Source.Node1), v(net.Source.Node2));
    const TComplex across = CSub(ComplexOne, vs);
    if (CAbs(across) >= 1e-20) {
        const TPolar zin = CToPolar(CDiv(CMul({d.Source.InternalResistance, 0.0}, vs), across));
        mag = zin.Mag;
        phase = zin.Phase;
    } else {
        mag = across.re;
        phase = across.im;
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
PELMO_AVX2_CLONE void PartLanes(const TDesign& d, const TSolveResult& r, int k, TLanes* y) {
    VD omega;
    for (int l = 0; l < Lanes; ++l)
        omega[l] = TwoPi * r.Grid[static_cast<std::size_t>(std::min(k + l, AnalysisPoints - 1))];
    Re(y[0]) = VD{} + 1.0 / d.Source.InternalResistance;
    Im(y[0]) = VD{};
    for (std::size_t i = 0; i < r.Parts.size(); ++i) {
        const TPartTerms& t = r.Parts[i];
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
    bool Lookback;   // the second solve of every frequency, for the lookback impedance
    bool NodalOnly;  // the node voltages alone: no input impedance, drivers or sum
    // Per driver its response toward the listening point when the driver
    // positions are used; nullptr for the on-axis responses.
    const std::vector<TComplexArray>* AtPoint;
};

// Grid indices [k0, k1): the lookback solve where asked for, the normal
// solve, the input impedance, the drivers' voltages and contributions and
// their sum. What a frequency gives depends on that frequency alone.
void SweepRange(const TDesign& d, TSolveContext& ctx, TSweepWorker& w, TSolveResult& result, int k0, int k1,
                bool lookback, bool nodalOnly, const std::vector<TComplexArray>* atPoint) {
    const TNetlist& net = result.Netlist;
    const int nodes = result.NodesPerFrequency;
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
        PartLanes(d, result, k, w.Sources.data());
        if (lookback) {
            DriverLanes(d, k, LookbackScale, w.Sources.data());
            char* ok = ctx.LookbackSolved.data() + k;
            SolveLanes(ctx, w, elements, count, nodes, lookbackV.data(), ok);
            for (int l = 0; l < count; ++l) {
                if (!ok[l]) continue;
                const TNodeVoltages v{lookbackV.data() + static_cast<std::size_t>(l * nodes),
                                      static_cast<std::size_t>(nodes)};
                const auto kk = static_cast<std::size_t>(k + l);
                for (std::size_t i = 0; i < drivers; ++i) {
                    const TComplex vd = CSub(v(ctx.NodeP[i]), v(ctx.NodeN[i]));
                    ctx.LookbackVoltage[i].Re[kk] = vd.re;
                    ctx.LookbackVoltage[i].Im[kk] = vd.im;
                }
            }
        }
        DriverLanes(d, k, 1.0, w.Sources.data());
        char* ok = result.FrequencySolved.data() + k;
        SolveLanes(ctx, w, elements, count, nodes,
                   result.NodeVoltages.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(nodes), ok);
        for (int l = 0; l < count && !nodalOnly; ++l) {
            if (!ok[l]) continue;
            const auto kk = static_cast<std::size_t>(k + l);
            const TNodeVoltages v = result.VoltagesAt(k + l);
            InputImpedance(d, net, v, result.InputImpedance.Mag[kk], result.InputImpedance.Phase[kk]);
            for (std::size_t i = 0; i < drivers; ++i) {
                const TComplex vd = CSub(v(ctx.NodeP[i]), v(ctx.NodeN[i]));
                result.DriverVoltage[i].Re[kk] = vd.re;
                result.DriverVoltage[i].Im[kk] = vd.im;
            }
        }
    }
    if (nodalOnly) return;
    const auto from = static_cast<std::size_t>(k0), to = static_cast<std::size_t>(k1);
    for (std::size_t i = 0; i < drivers; ++i) {
        const TDriver& drv = *d.Drivers[i];
        const TComplexArray& response = atPoint ? (*atPoint)[i] : drv.Acoustic.Response;
        DriverPressure(drv, response, result.DriverVoltage[i], result.Levels.LevelRatio, result.FrequencySolved, from,
                       to, result.DriverPressure[i]);
        OnAxisContribution(result.DriverPressure[i], result.Grid, d.OverallDelay + drv.DelaySeconds, d.Source.Inverted,
                           result.FrequencySolved, from, to, result.DriverContribution[i]);
    }
    SumContributions(result.DriverContribution, from, to, result.System);
}

void SweepPart(void* job, int part, int parts) {
    const TSweepJob& j = *static_cast<const TSweepJob*>(job);
    TSolveContext& ctx = *j.Context;
    const int k0 = AnalysisPoints * part / parts, k1 = AnalysisPoints * (part + 1) / parts;
    SweepRange(*j.Design, ctx, *ctx.Workers[static_cast<std::size_t>(part)], *j.Result, k0, k1, j.Lookback, j.NodalOnly,
               j.AtPoint);
}

// The analysis grid of the design, or a fresh one when it has none.
void TakeGrid(const TDesign& d, TSolveResult& result) {
    if (d.Grid.size() == static_cast<std::size_t>(AnalysisPoints)) {
        result.Grid.assign(d.Grid.begin(), d.Grid.end());
        result.OctavesPerStep = d.OctavesPerStep;
    } else {
        result.OctavesPerStep = MakeLogGrid(result.Grid);
    }
}

// The drive terminals of every driver: none when it is muted, swapped when
// it is inverted; a terminal without a node reads 0 V.
void TakeDriveTerminals(const TDesign& d, const TNetlist& net, TSolveContext& ctx) {
    ctx.NodeP.resize(d.Drivers.size());
    ctx.NodeN.resize(d.Drivers.size());
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        int p = 0, n = 0;
        OutputTerminals(*d.Drivers[i], net.Drivers[i], p, n);
        ctx.NodeP[i] = p < 0 ? 0 : p;
        ctx.NodeN[i] = n < 0 ? 0 : n;
    }
}

// The threads' workers and the node voltages' room.
void SizeSweep(const TNetlist& net, TSolveContext& ctx, TSolveResult& result, int parts) {
    while (ctx.Workers.size() < static_cast<std::size_t>(parts))
        ctx.Workers.push_back(std::make_unique<TSweepWorker>());
    result.NodesPerFrequency = std::max(1, net.NodeCount);
    const auto points = static_cast<std::size_t>(AnalysisPoints);
    result.FrequencySolved.assign(points, 0);
    result.NodeVoltages.resize(points * static_cast<std::size_t>(result.NodesPerFrequency));
}

// The circuit blocks' values into the result, and every part's terms with
// them: a block member is solved with what its block's expressions give.
void EvaluateBlockValuesInto(const TDesign& d, TSolveResult& result, MessageSink& messages) {
    // Block by block: after an error the blocks up to it are there.
    result.Blocks.clear();
    for (const auto& block : d.Blocks) {
        result.Blocks.emplace_back();
        EvaluateBlockValues(*block, BlockEvaluator(), messages, result.Blocks.back());
    }
}

void TakeBlockMemberTerms(const TDesign& d, TSolveResult& result) {
    for (std::size_t b = 0; b < d.Blocks.size(); ++b) {
        const TCircuitBlock& block = *d.Blocks[b];
        const TBlockValues& values = result.Blocks[b];
        for (std::size_t m = 0; m < values.Members.size() && m < block.Parts.size(); ++m) {
            const TPart* member = block.Parts[m];
            for (std::size_t i = 0; i < d.Parts.size(); ++i) {
                if (d.Parts[i].get() != member) continue;
                result.Parts[i].Value = values.Members[m].ValueOf(*member);
                result.Parts[i].ESR = values.Members[m].ESROf(*member);
                break;
            }
        }
    }
}

}  // namespace

void SolveNodeVoltages(const TDesign& d, const TNetlist& net, TSolveContext& ctx, TSolveResult& result) {
    PlanStamps(d, net, ctx);
    TakeGrid(d, result);
    TakePartTerms(d, result.Parts);
    TWorkerPool& pool = TWorkerPool::Shared();
    SizeSweep(net, ctx, result, pool.Parts());
    TSweepJob job{&d, &ctx, &result, false, true, nullptr};
    pool.Run(SweepPart, &job);
}

void SolveCircuit(const TDesign& d, const TSolveOptions& options, TSolveContext& ctx, TSolveResult& result,
                  MessageSink& messages) {
    result.Solved = false;
    if (d.BlockDesignMode || ctx.Running) return;
    RunningGuard running(ctx.Running);
    const std::size_t drivers = d.Drivers.size();
    const auto points = static_cast<std::size_t>(AnalysisPoints);
    if (d.Parts.empty() && d.Drivers.empty()) {
        // Nothing to solve: no frequency solved, no response.
        BuildNetlist(d, result.Netlist);
        TakeGrid(d, result);
        result.Parts.clear();
        result.Blocks.clear();
        result.FrequencySolved.assign(points, 0);
        result.SolvedFrequencies = 0;
        result.NodeVoltages.clear();
        result.NodesPerFrequency = 0;
        result.InputImpedance.assign(points, 0.0, 0.0);
        result.DriverVoltage.clear();
        result.DriverPressure.clear();
        result.DriverContribution.clear();
        result.System.clear();
        result.Lookback.clear();
        result.Solved = true;
        return;
    }
    // First, so that an expression that cannot be evaluated ends the solve
    // before anything else of the result changed.
    EvaluateBlockValuesInto(d, result, messages);

    TakeGrid(d, result);
    const double vrms = d.Source.Vrms;
    TSourceLevels& levels = result.Levels;
    levels.Vlevel = DbToLin(LinToDb(vrms));
    levels.LevelRatio = vrms / std::sqrt(8.0);
    levels.PeakVolts = levels.Vlevel * 1.4142135624;
    levels.PowerScale = DbToLin(2.0 * LinToDb(vrms));

    TNetlist& net = result.Netlist;
    BuildNetlist(d, net);
    TakeDriveTerminals(d, net, ctx);
    TakePartTerms(d, result.Parts);
    TakeBlockMemberTerms(d, result);

    // Every array has room for the whole grid; a frequency that does not
    // solve leaves its zeros.
    result.InputImpedance.assign(points, 0.0, 0.0);
    result.DriverVoltage.resize(drivers);
    result.DriverPressure.resize(drivers);
    result.DriverContribution.resize(drivers);
    for (std::size_t i = 0; i < drivers; ++i) {
        result.DriverVoltage[i].assign(points, ComplexZero);
        result.DriverPressure[i].assign(points, ComplexZero);
        result.DriverContribution[i].assign(points, 0.0, 0.0);
    }
    result.System.assign(points, 0.0, 0.0);
    if (options.Lookback) {
        ctx.LookbackSolved.assign(points, 0);
        ctx.LookbackVoltage.resize(drivers);
        for (TComplexArray& v : ctx.LookbackVoltage) v.assign(points, ComplexZero);
    }

    // With the driver positions used, each driver is heard from where it
    // sits: its response toward the listening point, worked out here (on
    // this thread, once until the driver or the setup changes) and only
    // read by the sweep.
    const TListeningSetup setup = ReadListeningSetup(d.Settings);
    const std::vector<TComplexArray>* atPoint =
        setup.UseDriverPositions ? &ctx.Directivity.AtListeningPoint(d, result.Grid, setup, messages) : nullptr;

    PlanStamps(d, net, ctx);
    TWorkerPool& pool = TWorkerPool::Shared();
    SizeSweep(net, ctx, result, pool.Parts());
    TSweepJob job{&d, &ctx, &result, options.Lookback, false, atPoint};
    pool.Run(SweepPart, &job);

    result.SolvedFrequencies = 0;
    for (char solved : result.FrequencySolved) result.SolvedFrequencies += solved ? 1 : 0;
    result.Lookback.resize(options.Lookback ? drivers : 0);
    for (std::size_t i = 0; i < result.Lookback.size(); ++i)
        LookbackImpedance(*d.Drivers[i], result.DriverVoltage[i], result.FrequencySolved, ctx.LookbackVoltage[i],
                          ctx.LookbackSolved, result.Lookback[i]);
    if (result.SolvedFrequencies == 0) {
        // Nothing was solved: no response either, so that nothing shows
        // made-up values.
        result.System.clear();
        for (TMagPhase& c : result.DriverContribution) c.clear();
    }
    result.Solved = true;
}

}  // namespace pelmo
