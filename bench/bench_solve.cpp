// The solve on a three-way design of 30 parts and 3 drivers with
// measured-looking impedance and response data, as during wheel tuning:
// an SPL window (System and one 1/6-octave smoothed driver curve) and an
// impedance window (System and one lookback curve). Also the bare nodal
// sweep, and the same AC analysis (500 log-spaced points) in ngspice for
// comparison.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "driverdata/AnalysisGrid.h"
#include "engine/GraphRecord.h"
#include "engine/Netlist.h"
#include "engine/Sweep.h"
#include "model/Design.h"
#include "model/MessageSink.h"

using namespace pelmo;

namespace {

// Electrical model of a driver: Re + j w Le in series with the motional
// resonance (parallel Res, Lces, Cmes).
struct DriverModel {
    double Re, Le, Res, Lces, Cmes;
    TComplex Z(double f) const {
        const double w = 2 * M_PI * f;
        // Admittance of the motional branch.
        const double g = 1.0 / Res, b = w * Cmes - 1.0 / (w * Lces);
        const double den = g * g + b * b;
        return {Re + g / den, w * Le - b / den};
    }
};

const DriverModel Woofer{5.6, 1.1e-3, 38.0, 18e-3, 420e-6};
const DriverModel Mid{6.2, 0.35e-3, 22.0, 4.5e-3, 95e-6};
const DriverModel Tweeter{4.8, 0.06e-3, 9.0, 0.35e-3, 12e-6};

// A response in the shape of a driver's: band-limited, with a breakup ripple.
void SetResponse(TDriver& drv, const DataArray& grid, double low, double high, double db) {
    drv.Response.Re.resize(grid.size());
    drv.Response.Im.resize(grid.size());
    for (std::size_t k = 0; k < grid.size(); ++k) {
        const double f = grid[k];
        const double hp = std::pow(f / low, 2) / std::sqrt(1 + std::pow(f / low, 4));
        const double lp = 1 / std::sqrt(1 + std::pow(f / high, 4));
        const double ripple = 1 + 0.15 * std::sin(std::log(f) * 9);
        const double mag = std::pow(10.0, db / 20) * hp * lp * ripple;
        const double phase = M_PI - 2 * std::atan(f / low) - 2 * std::atan(f / high) * 0.7;
        drv.Response.Re[k] = mag * std::cos(phase);
        drv.Response.Im[k] = mag * std::sin(phase);
    }
}

TPoint At(int node) { return {4 + 5 * node, 3 + 2 * node}; }

struct ThreeWay {
    TDesign d;
    std::string spice;  // the same circuit for ngspice
    int next = 1;

    int Node() { return next++; }
    std::string N(int n) const { return n == 0 ? "0" : "n" + std::to_string(n); }

    void Part(std::uint8_t type, int a, int b, double value, double esr = 0) {
        const int refDes = NextPartRefDes(d, type);
        TPart& p = AppendPart(d);
        p.PartType = type;
        p.RefDes = refDes;
        p.Value = value;
        p.ESR = esr;
        p.State = psNormal;
        p.Terminal1 = At(a);
        p.Terminal2 = At(b);
        const std::string name = PartDesignator(p);
        const char* letter = type == ptResistor ? "R" : type == ptInductor ? "L" : "C";
        if (type == ptResistor || esr == 0) {
            spice += std::string(letter) + name + " " + N(a) + " " + N(b) + " " + std::to_string(value) + "\n";
        } else {
            spice += std::string(letter) + name + " " + N(a) + " x" + name + " " + std::to_string(value) + "\n";
            spice += "RE" + name + " x" + name + " " + N(b) + " " + std::to_string(esr) + "\n";
        }
    }
    void R(int a, int b, double v) { Part(ptResistor, a, b, v); }
    void L(int a, int b, double v) { Part(ptInductor, a, b, v, 0.2 + v * 150); }
    void C(int a, int b, double v) { Part(ptCapacitor, a, b, v, 0.03); }

    void Driver(int a, const DriverModel& m, double low, double high, double db) {
        const int refDes = NextDriverRefDes(d);
        TDriver& drv = AppendDriver(d);
        SetNewDriverDefaults(d, drv);
        drv.RefDes = refDes;
        drv.Terminal1 = At(a);
        drv.Terminal2 = At(0);
        drv.Admittance.Re.resize(d.Grid.size());
        drv.Admittance.Im.resize(d.Grid.size());
        for (std::size_t k = 0; k < d.Grid.size(); ++k) {
            const TComplex z = m.Z(d.Grid[k]);
            const double den = z.re * z.re + z.im * z.im;
            drv.Admittance.Re[k] = z.re / den;
            drv.Admittance.Im[k] = -z.im / den;
        }
        SetResponse(drv, d.Grid, low, high, db);
        const std::string s = "S" + std::to_string(refDes), x = N(a);
        spice += "RE" + s + " " + x + " a" + s + " " + std::to_string(m.Re) + "\n";
        spice += "LE" + s + " a" + s + " b" + s + " " + std::to_string(m.Le) + "\n";
        spice += "RM" + s + " b" + s + " 0 " + std::to_string(m.Res) + "\n";
        spice += "LM" + s + " b" + s + " 0 " + std::to_string(m.Lces) + "\n";
        spice += "CM" + s + " b" + s + " 0 " + std::to_string(m.Cmes) + "\n";
    }

    ThreeWay() {
        AppendGround(d).Position = At(0);
        d.Source.Terminal2 = At(0);
        const int in = Node();
        d.Source.Terminal1 = At(in);
        spice = "three-way\nVIN nsrc 0 DC 0 AC 1\nRSRC nsrc " + N(in) + " 0.001\n";

        // Woofer: fourth-order low-pass, notch and Zobel (9 parts).
        const int w1 = Node(), w2 = Node(), w3 = Node(), wz = Node(), wn1 = Node(), wn2 = Node();
        L(in, w1, 2.7e-3);
        C(w1, 0, 33e-6);
        L(w1, w2, 1.5e-3);
        C(w2, 0, 12e-6);
        R(w2, w3, 0.47);
        R(w3, wz, 6.8);
        C(wz, 0, 22e-6);
        R(w3, wn1, 3.3);
        L(wn1, wn2, 0.47e-3);
        C(wn2, 0, 47e-6);
        Driver(w3, Woofer, 35, 900, 88);

        // Mid: third-order band-pass, L-pad, Zobel (11 parts).
        const int m1 = Node(), m2 = Node(), m3 = Node(), m4 = Node(), m5 = Node(), mz = Node();
        C(in, m1, 39e-6);
        L(m1, 0, 1.8e-3);
        C(m1, m2, 27e-6);
        L(m2, m3, 0.56e-3);
        C(m3, 0, 8.2e-6);
        L(m3, m4, 0.33e-3);
        R(m4, m5, 2.2);
        R(m5, 0, 15);
        R(m5, mz, 6.8);
        C(mz, 0, 6.8e-6);
        Driver(m5, Mid, 300, 6000, 90);

        // Tweeter: fourth-order high-pass, L-pad, resonance trap (9 parts).
        const int t1 = Node(), t2 = Node(), t3 = Node(), t4 = Node(), tt1 = Node();
        C(in, t1, 6.8e-6);
        L(t1, 0, 0.39e-3);
        C(t1, t2, 8.2e-6);
        L(t2, 0, 0.68e-3);
        R(t2, t3, 3.9);
        R(t3, t4, 0.1);
        R(t4, tt1, 8.2);
        C(tt1, 0, 15e-6);
        R(t3, 0, 10);
        Driver(t4, Tweeter, 1800, 25000, 92);
        BuildNetlist(d);
    }
};

// The two windows of a tuning session.
struct Session {
    ThreeWay w;
    TGraphRecord spl{gkSPL};
    TGraphRecord z{gkImpedance};
    TGraphList graphs;
    TSolveContext ctx;
    SilentMessageSink silent;

    Session() {
        AddCurve(spl, w.d, "System", true).Smoothing = 0.0;
        AddCurve(spl, w.d, "S2", false).Smoothing = 1.0 / 6.0;
        AddCurve(z, w.d, "System", true);
        AddCurve(z, w.d, "S3 (lookback)", false).ShowPhase = true;
        graphs.Add(&spl);
        graphs.Add(&z);
    }
};

void BM_SolveItClick(benchmark::State& state) {
    Session s;
    std::size_t parts = s.w.d.Parts.size();
    for (auto _ : state) {
        // A tuning step changes a value before every solve.
        s.w.d.Parts[3]->Value = (state.iterations() % 2) ? 12e-6 : 12.5e-6;
        SolveItClick(s.w.d, s.graphs, s.ctx, s.silent);
        benchmark::DoNotOptimize(s.z.Curves[1].MagSeries.Y.data());
    }
    state.counters["parts"] = static_cast<double>(parts);
    state.counters["nodes"] = s.w.d.NodeCount - 1;
    state.counters["lookbackPoints"] = static_cast<double>(s.z.Curves[1].MagSeries.Count());
}
BENCHMARK(BM_SolveItClick)->Unit(benchmark::kMillisecond);

// 500 frequencies: admittances, stamping, solving, reading the voltages.
void BM_NodalSweep(benchmark::State& state) {
    ThreeWay w;
    TSolveContext ctx;
    PlanStamps(w.d, ctx);
    for (auto _ : state) {
        for (int k = 0; k < AnalysisPoints; ++k) {
            SetPartAdmittances(w.d, w.d.Grid[static_cast<std::size_t>(k)]);
            ctx.Solver.InitStruc(w.d.NodeCount - 1);
            StampEquations(w.d, ctx, k, 1.0);
            ctx.Solver.SolveSystem();
            ReadNodeVoltages(w.d, ctx);
            ctx.Solver.ReleaseSystem();
        }
        benchmark::DoNotOptimize(ctx.V.data());
    }
}
BENCHMARK(BM_NodalSweep)->Unit(benchmark::kMillisecond);

// ngspice: one run repeating the 500-point AC analysis `sweeps` times; the
// time of a run with no analysis (start-up, parsing) is taken off. Measured
// as the processor time of the ngspice process, as the benchmarks above
// report theirs, so that a busy machine does not distort the ratio.
struct RunTime {
    double wall = -1, cpu = -1;
};

double ChildrenCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

RunTime NgspiceRun(const std::string& circuit, int sweeps) {
    const std::string dir = "/tmp/pelmo-bench-ngspice-" + std::to_string(::getpid()) + "/";
    std::system(("mkdir -p " + dir).c_str());
    std::ofstream(dir + "c.cir") << circuit << ".control\n"
                                 << (sweeps > 0 ? "repeat " + std::to_string(sweeps) +
                                                      "\nac dec 151 10 20000\ndestroy all\nend\n"
                                                : "")
                                 << "quit\n.endc\n.end\n";
    const double c0 = ChildrenCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = std::system(("cd " + dir + " && exec ngspice -b c.cir > log.txt 2>&1").c_str());
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = ChildrenCpuSeconds();
    std::system(("rm -rf " + dir).c_str());
    if (rc != 0) return {};
    return {std::chrono::duration<double>(t1 - t0).count(), c1 - c0};
}

void BM_NgspiceAcSweep(benchmark::State& state) {
    ThreeWay w;
    constexpr int Sweeps = 100;
    double wall = 0;
    for (auto _ : state) {
        const RunTime base = NgspiceRun(w.spice, 0);
        const RunTime full = NgspiceRun(w.spice, Sweeps);
        if (base.cpu < 0 || full.cpu < 0) {
            state.SkipWithError("ngspice did not run");
            return;
        }
        state.SetIterationTime((full.cpu - base.cpu) / Sweeps);
        wall += (full.wall - base.wall) / Sweeps;
    }
    state.counters["wall_ms"] = 1000 * wall / static_cast<double>(state.iterations());
}
BENCHMARK(BM_NgspiceAcSweep)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
