#pragma once

#include <vector>

#include "base/DataTypes.h"
#include "blocks/CircuitBlocks.h"
#include "engine/Complex.h"
#include "engine/Netlist.h"
#include "model/Elements.h"

// What a solve gives: plain arrays on the analysis grid, indexed by node,
// part or driver as the design numbers them. The solve reads the design and
// writes nothing but its result; what is shown of it (graph curves, their
// units and scales) is made from the result by whoever shows it.

namespace pelmo {

// What a solve is asked for beyond the plain responses.
struct TSolveOptions {
    // The second solve at every frequency, with every driver's impedance
    // raised by 1 %, from which the impedance the network shows each driver
    // follows (TSolveResult::Lookback). It doubles the work.
    bool Lookback = false;
};

// The source's levels: the equations are solved for 1 V (unit excitation)
// and every absolute figure is scaled by these.
struct TSourceLevels {
    double Vlevel = 0.0;      // rms volts, through dB and back
    double LevelRatio = 0.0;  // Vrms relative to the 2.83 V of the FRD data
    double PeakVolts = 0.0;   // the source's peak voltage
    double PowerScale = 0.0;  // Vrms squared
};

// Magnitude (linear) and phase (degrees) on the analysis grid.
struct TMagPhase {
    DataArray Mag;
    DataArray Phase;
    bool empty() const { return Mag.empty(); }
    std::size_t size() const { return Mag.size(); }
    void clear() {
        Mag.clear();
        Phase.clear();
    }
    void assign(std::size_t n, double mag, double phase) {
        Mag.assign(n, mag);
        Phase.assign(n, phase);
    }
};

// What a part was solved with: its state and type, and its value and ESR
// (a bound part's bound values; a circuit block member's as its block's
// expressions give them in this solve).
struct TPartTerms {
    TPartState State = TPartState::Normal;
    TPartType Type = TPartType::Resistor;
    double Value = 0.0;
    double ESR = 0.0;
};

// The admittance of a part with these terms at frequency f: shorted 1e6 S,
// open 1e-4 S, otherwise 1/Z of its value and ESR. A part whose impedance is
// exactly zero counts as shorted; one whose impedance is infinite (a
// capacitor of 0 F) as open.
TComplex PartAdmittanceAt(const TPartTerms& t, double f);

// The node voltages of one solved frequency (unit excitation); node 0, and
// any node outside the system, reads as 0 V.
struct TNodeVoltages {
    const TComplex* V = nullptr;
    std::size_t Count = 0;
    TComplex operator()(int n) const {
        return (n > 0 && static_cast<std::size_t>(n) < Count) ? V[static_cast<std::size_t>(n)] : ComplexZero;
    }
};

// The impedance the network shows a driver, with the driver itself taken
// out, at every grid frequency where it could be told.
struct TLookback {
    TComplexArray Impedance;
    std::vector<char> Known;  // per grid index: Impedance holds a value
    // The network stopped showing it: from the frequency where the driver's
    // voltage vanished in the second solve, or did not change at all, on.
    bool Stopped = false;
};

struct TSolveResult {
    // False when the solve did nothing (circuit-block design mode); the rest
    // then stays as the last solve left it.
    bool Solved = false;
    TNetlist Netlist;
    // The analysis frequencies (Hz) and their spacing.
    DataArray Grid;
    double OctavesPerStep = 0.0;
    TSourceLevels Levels;

    // Per grid index: whether its equations could be solved. A frequency
    // that could not gives nothing: its entries below stay 0.
    std::vector<char> FrequencySolved;
    int SolvedFrequencies = 0;

    // The node voltages (unit excitation), NodesPerFrequency entries per grid
    // index: node n at k at k * NodesPerFrequency + n; entry 0 is ground.
    std::vector<TComplex> NodeVoltages;
    int NodesPerFrequency = 0;
    TNodeVoltages VoltagesAt(int k) const {
        const auto n = static_cast<std::size_t>(NodesPerFrequency);
        return {NodeVoltages.data() + static_cast<std::size_t>(k) * n, n};
    }

    // The input impedance the source sees: magnitude (ohms) and phase
    // (degrees). Where no current flows out of the source its magnitude and
    // phase hold the vanishing real and imaginary parts of the voltage across
    // the source resistance instead.
    TMagPhase InputImpedance;

    // Per part (by index in the design): what it was solved with. Its
    // voltage, admittance and current at a grid index follow.
    std::vector<TPartTerms> Parts;
    TComplex PartVoltage(std::size_t part, int k) const {
        const TElementNodes& n = Netlist.Parts[part];
        const TNodeVoltages v = VoltagesAt(k);
        return CSub(v(n.Node1), v(n.Node2));
    }
    TComplex PartAdmittance(std::size_t part, int k) const {
        return PartAdmittanceAt(Parts[part], Grid[static_cast<std::size_t>(k)]);
    }
    TComplex PartCurrent(std::size_t part, int k) const { return CMul(PartVoltage(part, k), PartAdmittance(part, k)); }

    // Per driver (by index in the design), per grid index:
    // the voltage that drives it, across its terminals in the sense it is
    // driven: reversed when it is inverted, none when it is muted;
    std::vector<TComplexArray> DriverVoltage;
    // the pressure it radiates toward the listening point, at the source's
    // level: its drive voltage times its response, acoustic effect and gain
    // (its on-axis response; with the driver positions used, its response
    // toward the point from where it sits, distance and path delay included);
    std::vector<TComplexArray> DriverPressure;
    // and what it adds to the sum at the listening position: magnitude and
    // phase with its delays, wrapped into +-180 degrees (AcousticSum.h).
    std::vector<TMagPhase> DriverContribution;
    // The summed acoustic response.
    TMagPhase System;
    // The drivers' contributions and the sum are empty when no frequency
    // could be solved.

    // Per driver, when asked for (TSolveOptions::Lookback); else empty.
    std::vector<TLookback> Lookback;

    // The circuit blocks' values this solve used, by block: ApplyBlockValues
    // writes them into the design, where the sheet shows them.
    std::vector<TBlockValues> Blocks;
};

}  // namespace pelmo
