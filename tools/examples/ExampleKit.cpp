#include "ExampleKit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MinimumPhase.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "values/ESeries.h"
#include "values/NumberFormat.h"

namespace pelmo::examples {

namespace {

// Fails the generator on any message: the examples must load and solve
// without one.
class StrictSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { throw std::runtime_error("message: " + text); }
    Answer Ask(const std::string& question, bool) override { throw std::runtime_error("question: " + question); }
};

}  // namespace

TPart& Sheet::H(TPartType partType, double value, int x, int y) {
    TPart& p = AddPart(d_, partType, {x, y}, true);
    p.Value = value;
    p.BoundValue = value;
    if (partType == TPartType::Inductor) p.ESR = p.BoundESR = CoilResistance(value);
    return p;
}

TPart& Sheet::V(TPartType partType, double value, int x, int y) {
    TPart& p = H(partType, value, x, y);
    SetPartOrientation(d_, p, false);
    return p;
}

void Sheet::W(TPoint a, TPoint b) {
    if (a.X != b.X && a.Y != b.Y) throw std::logic_error("a wire must be straight");
    AddWire(d_, a, b);
}

void Sheet::Path(std::initializer_list<TPoint> points) {
    const TPoint* prev = nullptr;
    for (const TPoint& p : points) {
        if (prev) W(*prev, p);
        prev = &p;
    }
}

void Sheet::G(TPoint p) { AddGround(d_, p); }

void Sheet::GroundDriver(const TDriver& drv) {
    const TPoint at{drv.Terminal2.X - 3, drv.Terminal2.Y};
    W(drv.Terminal2, at);
    G(at);
}

void Sheet::GroundSource() {
    const TPoint at{d_.Source.Terminal2.X + 1, d_.Source.Terminal2.Y};
    W(d_.Source.Terminal2, at);
    G(at);
}

TDriver& Sheet::Driver(int x, int y) { return AddDriver(d_, {x, y}); }

void Sheet::Text(int x, int y, const std::string& text, int size) {
    TSheetText& t = AddText(d_, {x, y}, text);
    t.Size = size;
    UpdateTextRect(d_, t);
}

void Sheet::Source(int x, int y) { SetSourcePosition(d_, d_.Source, {x, y}); }

double CoilResistance(double henries) { return 0.08 + 0.3 * henries * 1e3; }

void LoadModelledDriver(TDesign& d, TDriver& drv, const std::string& base, bool derivedPhase) {
    StrictSink strict;
    const std::string frd = base + ".frd", zma = base + ".zma";
    if (derivedPhase) {
        if (!LoadMinimumPhaseResponse(d, drv, frd, strict)) throw std::runtime_error("cannot load " + frd);
    } else if (!LoadDriverResponse(d, drv, frd, strict)) {
        throw std::runtime_error("cannot load " + frd);
    }
    if (!LoadDriverImpedance(d, drv, zma, strict)) throw std::runtime_error("cannot load " + zma);
    drv.Acoustic.FRDFile = frd;
    drv.ZMAFile = zma;
}

std::vector<double> SystemSplDb(TDesign& d) {
    StrictSink strict;
    TGraphList none;
    TGraphSolve solve;
    SolveGraphs(d, none, solve, strict);
    std::vector<double> db;
    for (double m : solve.Result.System.Mag) db.push_back(LinToDb(m));
    return db;
}

Flatness MeasureFlatness(TDesign& d, double lowHz, double highHz) {
    StrictSink strict;
    TGraphRecord impedance(TGraphKind::Impedance);
    TSeriesDef& curve = AddCurve(impedance, d, "System", true);
    TGraphList graphs;
    graphs.Add(&impedance);
    TGraphSolve solve;
    SolveGraphs(d, graphs, solve, strict);
    const DataArray& system = solve.Result.System.Mag;
    Flatness f{0, 0, lowHz, highHz, 1e9, 0};
    double lo = 1e9, hi = -1e9;
    for (std::size_t k = 0; k < system.size(); ++k) {
        if (d.Grid[k] < lowHz || d.Grid[k] > highHz) continue;
        const double db = LinToDb(system[k]);
        lo = std::min(lo, db);
        hi = std::max(hi, db);
    }
    f.Spread = hi - lo;
    f.Mid = (hi + lo) / 2;
    const TChartCurve& z = curve.MagSeries;
    for (std::size_t i = 0; i < z.Count(); ++i)
        if (z.X[i] >= 20 && z.X[i] <= 20000 && z.Y[i] < f.MinOhms) f.MinOhms = z.Y[i], f.MinOhmsHz = z.X[i];
    return f;
}

double Cost(const Flatness& f) { return f.Spread + 3 * std::max(0.0, LowestAllowedOhms - f.MinOhms); }

namespace {

void SetValue(Knob& k, double v) {
    if (k.Var) {
        *k.Var = v;
        return;
    }
    TPart& p = *k.Part;
    p.Value = p.BoundValue = v;
    if (p.PartType == TPartType::Inductor) p.ESR = p.BoundESR = CoilResistance(v);
}

// Neighbouring E24 values: one step down or up.
double E24Step(double v, int direction) {
    const double r = RoundToESeries(v, esE24);
    for (double f = 1.01; f < 1.5; f += 0.01) {
        const double n = RoundToESeries(direction > 0 ? r * f : r / f, esE24);
        if (n != r) return n;
    }
    return r;
}

}  // namespace

namespace {

double Descend(TDesign& d, std::vector<Knob>& knobs, double lowHz, double highHz, double best) {
    for (double ratio : {1.25, 1.1, 1.04, 1.015}) {
        for (bool improved = true; improved;) {
            improved = false;
            for (Knob& k : knobs) {
                for (double r : {ratio, 1 / ratio}) {
                    const double old = k.Get(), v = old * r;
                    if (v < k.Min || v > k.Max) continue;
                    SetValue(k, v);
                    const double s = Cost(MeasureFlatness(d, lowHz, highHz));
                    if (s < best - 1e-4) {
                        best = s;
                        improved = true;
                    } else {
                        SetValue(k, old);
                    }
                }
            }
        }
    }
    return best;
}

}  // namespace

void Tune(TDesign& d, std::vector<Knob> knobs, double lowHz, double highHz) {
    double best = Cost(MeasureFlatness(d, lowHz, highHz));
    std::printf("  tuning from cost %.2f dB\n", best);
    best = Descend(d, knobs, lowHz, highHz, best);
    // Restarts from random neighbours of the best point (fixed seed, so a run
    // can be repeated).
    std::uint32_t seed = 12345;
    auto uniform = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0;
    };
    for (int restart = 0; restart < 40; ++restart) {
        std::vector<double> saved;
        for (Knob& k : knobs) saved.push_back(k.Get());
        for (Knob& k : knobs) SetValue(k, std::clamp(k.Get() * std::pow(1.6, 2 * uniform() - 1), k.Min, k.Max));
        const double s = Descend(d, knobs, lowHz, highHz, Cost(MeasureFlatness(d, lowHz, highHz)));
        if (s < best - 1e-4) {
            best = s;
            std::printf("  restart %d: cost %.2f dB\n", restart, best);
        } else {
            for (std::size_t i = 0; i < knobs.size(); ++i) SetValue(knobs[i], saved[i]);
        }
    }
    std::printf("  continuous: cost %.2f dB\n", best);
    for (Knob& k : knobs) {
        double v = RoundToESeries(k.Get(), esE24);
        if (v > k.Max) v = E24Step(v, -1);
        if (v < k.Min) v = E24Step(v, 1);
        SetValue(k, v);
    }
    best = Cost(MeasureFlatness(d, lowHz, highHz));
    for (bool improved = true; improved;) {
        improved = false;
        for (Knob& k : knobs) {
            for (int dir : {1, -1}) {
                const double old = k.Get(), v = E24Step(old, dir);
                if (v < k.Min || v > k.Max) continue;
                SetValue(k, v);
                const double s = Cost(MeasureFlatness(d, lowHz, highHz));
                if (s < best - 1e-4) {
                    best = s;
                    improved = true;
                } else {
                    SetValue(k, old);
                }
            }
        }
    }
    std::printf("  E24: cost %.2f dB\n", best);
    PrintParts(d);
}

void PrintParts(const TDesign& d) {
    for (const auto& p : d.Parts)
        std::printf("    %s = %s\n", PartDesignator(*p).c_str(), FormatE4(PartValue(*p)).c_str());
    for (const auto& b : d.Blocks)
        for (int v = 0; v < BlockVarCount; ++v)
            if (!b->VarName[v].empty())
                std::printf("    %s.%s = %s\n", b->Title.c_str(), b->VarName[v].c_str(),
                            FormatE4(b->VarValue[v]).c_str());
}

}  // namespace pelmo::examples
