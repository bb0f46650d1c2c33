#pragma once

#include <string>

#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"

namespace pelmo::test {

// Builds designs in code. Abstract node k of a circuit sits at its own grid
// point; element terminals are put straight onto those points, so elements
// on the same abstract node touch. Node 0 carries a ground symbol once
// Ground() is called.
class CircuitBuilder {
public:
    CircuitBuilder();

    static TPoint At(int node) { return {4 + 5 * node, 3 + 2 * node}; }

    TDesign& Design() { return d; }

    CircuitBuilder& Source(int plus, int minus);
    CircuitBuilder& Ground(int node = 0);
    TPart& R(int a, int b, double ohms);
    TPart& L(int a, int b, double henry, double esr = 0.0);
    TPart& C(int a, int b, double farad, double esr = 0.0);
    // A driver with a constant resistive impedance and the default flat
    // 70 dB response.
    TDriver& Driver(int a, int b, double ohms);
    TWire& Wire(TPoint a, TPoint b);

    TDesign d;

private:
    TPart& Part(TPartType type, int a, int b, double value, double esr);
};

// Driver S1 (8 ohm, flat 70 dB) at node 1, or behind a series resistor R1
// from node 1 when seriesOhms is positive; node 0 grounded.
void DriverBehind(CircuitBuilder& c, double seriesOhms);

// A resistive driver's admittance on the whole grid.
void SetResistiveImpedance(TDriver& drv, double ohms);

// One window of kind with the named curve (phase shown where the kind has a
// phase axis), solved once.
struct SingleCurve {
    SingleCurve(TDesign& d, TGraphKind kind, const std::string& name, double smoothing = 0.0);
    void Solve();
    const TSeriesDef& Curve() const { return Record.Curves.at(0); }

    TDesign& D;
    TGraphRecord Record;
    TGraphList Graphs;
    TGraphSolve Solved;
    const TSolveResult& Result() const { return Solved.Result; }
};

}  // namespace pelmo::test
