#pragma once

#include <cstddef>
#include <vector>

#include "base/DataTypes.h"
#include "engine/SparseSolver.h"

// Several systems of one structure solved at once. A sweep solves the same
// circuit at hundreds of frequencies; after the solver has recorded the
// elimination of one of them, the others are stamped by the same calls and
// mostly take the same pivots. Here the recorded elimination runs on a few
// systems side by side, one in each lane, doing for every lane exactly the
// operations the solver's replay does: every lane whose decisions all come
// out as recorded has, bit for bit, the solution the solver would give. A
// lane whose decision differs is reported, and its system goes to the solver.

namespace pelmo {


class TBatchReplay {
public:
    static constexpr int Lanes = 4;

    // A complex value per lane.
    struct alignas(32) TLanes {
        double Re[Lanes];
        double Im[Lanes];
    };

    // Takes the elimination the solver recorded for the last system it
    // solved. False, and not ready, when it has none (no successful solve).
    bool Take(const TSparseSolver& solver);
    bool Ready() const { return ready_; }
    void Forget() { ready_ = false; }

    int Neq() const { return neq_; }
    // The stamping calls of the recorded system, in order: row and column
    // (Neq + 1 for a right-hand side).
    std::size_t CallCount() const { return calls_.size(); }
    int CallRow(std::size_t j) const { return calls_[j].Row; }
    int CallCol(std::size_t j) const { return calls_[j].Col; }

    // Where the value of each call comes from: call j carries sources[source[j]]
    // of Solve, negated where negate[j] is set (CallCount entries each).
    void SetSources(const std::vector<int>& source, const std::vector<char>& negate);

    // Solves the systems of the lanes in `lanes` (bit l for lane l), whose
    // stamping calls, in the recorded order, carried the values given by the
    // sources. Returns the lanes solved; their unknowns 1 ... Neq are in
    // x[1 ... Neq] (x holds Neq + 1 entries). The other lanes of x hold
    // nothing of use.
    unsigned Solve(const TLanes* sources, unsigned lanes, TLanes* x);

private:
    // The recording's own records, taken as they are.
    using Call = TSparseSolver::Call;
    using Target = TSparseSolver::Target;
    using Update = TSparseSolver::Update;
    using BackStep = TSparseSolver::BackStep;
    // A pivot of the recording and the entries that would have taken its
    // place had they been within 10 % of the row's largest: those whose
    // column had fewer entries, and those before it with as few.
    struct PivotStep {
        int EntriesBegin, EntriesEnd;  // the row's slots, for its largest square
        int PivotSlot;
        int BlockersBegin, BlockersEnd;
        int TargetsBegin, TargetsEnd;
    };

    bool ready_ = false;
    int neq_ = 0;
    std::vector<Call> calls_;
    std::vector<int> callSource_;
    std::vector<char> callNegate_;
    std::vector<int> rowBegin_, rowSlots_, rowRhs_;
    std::vector<int> colBegin_, colSlots_;
    std::vector<PivotStep> pivots_;
    std::vector<int> pivotEntries_;  // slots
    std::vector<int> blockers_;      // slots
    std::vector<Target> targets_;
    std::vector<Update> updates_;
    std::vector<BackStep> back_;
    std::vector<std::pair<int, int>> backEntries_;  // (slot, column)

    // Work: a value per slot, the scales and the solution, lane by lane.
    std::vector<TLanes> vals_;
    std::vector<TLanes> scales_;  // row scales, then column scales
    std::vector<TLanes> x_;
};

}  // namespace pelmo
