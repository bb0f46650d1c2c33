#include "CircuitBuilder.h"

#include "base/MessageSink.h"
#include "graphs/GraphKinds.h"
#include "model/AnalysisGrid.h"

namespace pelmo::test {

CircuitBuilder::CircuitBuilder() {
    d.Source.Terminal1 = At(1);
    d.Source.Terminal2 = At(0);
}

CircuitBuilder& CircuitBuilder::Source(int plus, int minus) {
    d.Source.Terminal1 = At(plus);
    d.Source.Terminal2 = At(minus);
    return *this;
}

CircuitBuilder& CircuitBuilder::Ground(int node) {
    AppendGround(d).Position = At(node);
    return *this;
}

TPart& CircuitBuilder::Part(TPartType type, int a, int b, double value, double esr) {
    const int refDes = NextPartRefDes(d, type);
    TPart& p = AppendPart(d);
    p.PartType = type;
    p.RefDes = refDes;
    p.Value = value;
    p.ESR = esr;
    p.State = TPartState::Normal;
    p.Terminal1 = At(a);
    p.Terminal2 = At(b);
    return p;
}

TPart& CircuitBuilder::R(int a, int b, double ohms) { return Part(TPartType::Resistor, a, b, ohms, 0.0); }
TPart& CircuitBuilder::L(int a, int b, double henry, double esr) { return Part(TPartType::Inductor, a, b, henry, esr); }
TPart& CircuitBuilder::C(int a, int b, double farad, double esr) {
    return Part(TPartType::Capacitor, a, b, farad, esr);
}

TDriver& CircuitBuilder::Driver(int a, int b, double ohms) {
    const int refDes = NextDriverRefDes(d);
    TDriver& drv = AppendDriver(d);
    SetNewDriverDefaults(d, drv);
    drv.RefDes = refDes;
    drv.Terminal1 = At(a);
    drv.Terminal2 = At(b);
    SetResistiveImpedance(drv, ohms);
    return drv;
}

TWire& CircuitBuilder::Wire(TPoint a, TPoint b) {
    TWire& w = AppendWire(d);
    w.End1 = a;
    w.End2 = b;
    return w;
}

void SetResistiveImpedance(TDriver& drv, double ohms) { drv.Admittance.assign(AnalysisPoints, {1.0 / ohms, 0.0}); }

SingleCurve::SingleCurve(TDesign& d, TGraphKind kind, const std::string& name, double smoothing) : D(d), Record(kind) {
    Record.AutoSystemCurve = false;
    TSeriesDef& c = AddCurve(Record, d, name, true);
    c.ShowPhase = KindHasPhase(kind);
    c.Smoothing = smoothing;
    Graphs.Add(&Record);
}

void SingleCurve::Solve() {
    SilentMessageSink silent;
    SolveGraphs(D, Graphs, Solved, silent);
}

void DriverBehind(CircuitBuilder& c, double seriesOhms) {
    c.Ground();
    if (seriesOhms > 0) {
        c.R(1, 2, seriesOhms);
        c.Driver(2, 0, 8);
    } else {
        c.Driver(1, 0, 8);
    }
}

}  // namespace pelmo::test
