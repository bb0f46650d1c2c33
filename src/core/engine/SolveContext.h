#pragma once

#include <memory>
#include <vector>

#include "engine/BatchReplay.h"
#include "engine/Complex.h"
#include "engine/DirectivityCache.h"
#include "engine/SolveResult.h"
#include "engine/SparseSolver.h"

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

    // Node voltages of the frequency being solved one at a time (unit
    // excitation, ReadNodeVoltages); index 0 is ground.
    std::vector<TComplex> V;
    TComplex NodeVoltage(int n) const {
        return (n > 0 && static_cast<std::size_t>(n) < V.size()) ? V[static_cast<std::size_t>(n)] : ComplexZero;
    }

    // Per driver, the terminals its drive voltage is taken across: swapped
    // when it is inverted, (0, 0) when it is muted.
    std::vector<int> NodeP;
    std::vector<int> NodeN;

    // What every part is solved with, taken once per solve.
    std::vector<TPartTerms> PartTerms;

    TStampPlan Stamps;
    // Admittance per stamp element at the frequency being solved one at a
    // time: the source, then the parts, then the drivers.
    std::vector<TComplex> ElementY;

    bool Running = false;

    // The sweep's threads, and per grid index what the lookback solve found:
    // whether it solved, and per driver its drive voltage in it.
    std::vector<std::unique_ptr<TSweepWorker>> Workers;
    std::vector<char> LookbackSolved;
    std::vector<TComplexArray> LookbackVoltage;

    // The drivers' responses toward the listening point and other
    // directions, kept from one solve to the next.
    TDirectivityCache Directivity;
};

}  // namespace pelmo
