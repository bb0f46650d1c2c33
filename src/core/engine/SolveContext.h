#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/DataTypes.h"
#include "engine/BatchReplay.h"
#include "engine/Complex.h"
#include "engine/SolveResult.h"
#include "engine/SparseSolver.h"
#include "engine/TimeResponse.h"
#include "model/Elements.h"

// Everything the solve keeps between runs: the solver with its entry pool and
// the work arrays, so that after the first run a solve allocates nothing. It
// lives as long as the main window (the command-line tool makes one per run).

namespace pelmo {

// The stamps of the nodal matrix, in the order the rows are stamped (each row
// with the source, the parts, the drivers): the order in which entries
// accumulate. Built once per solve from the node numbers; per frequency only
// the values change.
struct TStampPlan {
    std::vector<int> Rows;
    std::vector<int> Cols;
    std::vector<int> Elements;  // -1 the source, 0 .. parts-1 a part, then the drivers
    std::vector<char> Negate;
    std::vector<TComplex> Values;      // of the frequency being stamped
    std::vector<TComplex> RightSides;  // per row 1 .. NodeCount-1
    void Clear() {
        Rows.clear();
        Cols.clear();
        Elements.clear();
        Negate.clear();
    }
    void Add(int row, int col, int element, bool negate) {
        Rows.push_back(row);
        Cols.push_back(col);
        Elements.push_back(element);
        Negate.push_back(negate);
    }
};

// The node voltages of one solved frequency (unit excitation); node 0, and
// any node outside the system, reads as 0 V.
struct TNodeVoltages {
    const TComplex* V = nullptr;
    std::size_t Count = 0;
    TComplex operator()(int n) const {
        return (n > 0 && static_cast<std::size_t>(n) < Count) ? V[static_cast<std::size_t>(n)] : ComplexZero;
    }
};

// What one thread of the sweep works with: its own solver for the
// frequencies the batch does not take, the batch, and their buffers.
struct TSweepWorker {
    static constexpr int Lanes = TBatchReplay::Lanes;
    TSparseSolver Solver;
    TBatchReplay Batch;
    // Where each call of the batch's recording takes its value from, and per
    // stamp element whether it was exactly zero in the recorded system (-1
    // for an element that stamps nothing): a zero the solver skips.
    std::vector<int> CallSource;
    std::vector<char> CallNegate;
    std::vector<signed char> ElementZero;
    std::vector<TComplex> Y;       // admittance per stamp element, lane after lane
    std::vector<TComplex> Values;  // the plan's values for the solver
    // Per lane: the stamp elements' admittances, then the right-hand sides.
    std::vector<TBatchReplay::TLanes> Sources;
    std::vector<TBatchReplay::TLanes> X;
    std::vector<TComplex> LookbackV;  // the lookback solve's node voltages, lane after lane
};

struct TSolveContext {
    TSparseSolver Solver;

    // Source levels of the running solve.
    double Vlevel = 0.0;      // rms volts, through dB and back
    double LevelRatio = 0.0;  // Vrms relative to the 2.83 V of the FRD data
    double PeakVolts = 0.0;
    double PowerScale = 0.0;  // Vrms squared
    double SourceDb = 0.0;
    bool LookbackOn = false;

    // Node voltages of the frequency being solved (unit excitation); index 0
    // is ground.
    std::vector<TComplex> V;
    TComplex NodeVoltage(int n) const {
        return (n > 0 && static_cast<std::size_t>(n) < V.size()) ? V[static_cast<std::size_t>(n)] : ComplexZero;
    }

    // Summation terminals of every driver (0, 0 when muted).
    std::vector<int> NodeP;
    std::vector<int> NodeN;

    // Per part, what its admittance depends on, taken once per solve.
    struct TPartTerms {
        TPartState State = TPartState::Normal;
        TPartType Type = TPartType::Resistor;
        double Value = 0.0;
        double ESR = 0.0;
    };
    std::vector<TPartTerms> PartTerms;

    TStampPlan Stamps;
    // Admittance per stamp element at the frequency being solved: the source,
    // then the parts, then the drivers.
    std::vector<TComplex> ElementY;

    // The curves of the running solve, in window and curve order.
    struct TPlottedCurve {
        TGraphKind Kind = TGraphKind::SPL;
        TCurveSubject Subject = TCurveSubject::System;
        int Element = -1;  // a valid driver or part index, else -1
        bool ShowPhase = false;
        int NodeA = 0;  // nodes measured; swapped for an inverted driver, 0 for a muted one
        int NodeB = 0;
        bool LookbackFailed = false;  // no more lookback points
        std::size_t Window = 0;
        std::size_t Curve = 0;
    };
    std::vector<TPlottedCurve> Plotted;

    // Per driver: whether a lookback curve still asks for it, and its
    // terminal voltage in the lookback solve of this frequency.
    std::vector<char> DriverLookback;
    std::vector<TComplex> LookbackVoltage;

    int SolvedFrequencies = 0;
    bool Running = false;

    // The sweep's threads and what they found at each grid frequency: whether
    // it solved, its node voltages (NodeCount per frequency), the input
    // impedance (magnitude in ohms and phase in degrees; when the source
    // current vanishes, the raw parts of the voltage across the source
    // resistance instead); the same for the lookback solve, with each driver's
    // terminal voltage.
    std::vector<std::unique_ptr<TSweepWorker>> Workers;
    std::vector<char> Solved;
    std::vector<TComplex> Voltages;
    std::vector<TPolar> InputZ;
    std::vector<char> LookbackSolved;
    std::vector<TComplex> LookbackDriverV;
    int SweepNodes = 0;
    TNodeVoltages VoltagesAt(int k) const {
        const std::size_t n = static_cast<std::size_t>(SweepNodes);
        return {Voltages.data() + static_cast<std::size_t>(k) * n, n};
    }

    // Smoothing and delay work arrays.
    DataArray WorkMag;
    DataArray WorkPhase;
    DataArray WorkDelay;
    DataArray WorkAuditory;

    TTimeResponseWork TimeWork;
};

}  // namespace pelmo
