#pragma once

#include <string>
#include <vector>

#include "base/DataTypes.h"

// Sparse complex linear solver for the nodal equations. The system is handed
// over entry by entry, checked for structure, equilibrated by rows and
// columns, and eliminated in a fill-reducing order (fewest entries per row,
// then fewest per column among the entries within 10 % of the row's largest).
//
// One instance serves the whole program. Its memory (entry pool, row lists,
// work arrays) is kept from one system to the next, so that after the first
// few systems solving allocates nothing.
//
// Speed: a sweep solves the same circuit at hundreds of frequencies, so
// consecutive systems are stamped by the same sequence of calls and take the
// same pivots. The solver records the calls of a system and the operations of
// its elimination; a following system stamped by the same calls is then
// solved by replaying those operations on its values, checking on the way
// every decision that depends on values (zero rows and columns, each pivot
// column under the 10 % rule). Where a decision would differ, the system is
// solved again from its stamps by the full algorithm. Either way the results
// are the same, operation for operation.

namespace pelmo {

struct TSolveError {
    std::string Message;
    int Code = 0;
    int Detail1 = 0;
    int Detail2 = 0;
};

class TSparseSolver {
public:
    static constexpr int MaxEquations = 45000;

    // Starts a system of neq equations. Fails when the previous system was not
    // released (2), neq > 45000 (3) or neq < 1 (4).
    bool InitStruc(int neq);

    // Adds value at (row, col); entries at the same place accumulate. An exact
    // zero is ignored (and succeeds).
    bool AddMatrixElement(int row, int col, TComplex value);

    // Adds to the right-hand side of row (zeros are stored too).
    bool AddRightSide(int row, TComplex value);

    // The same as AddMatrixElement(rows[i], cols[i], values[i]) for i = 0 ..
    // count-1 in order, stopping at the first failure; and AddRightSide(r,
    // values[r-1]) for every row r = 1 .. Neq. For stamping a whole system at
    // a time without a call per entry.
    bool AddMatrixElements(const int* rows, const int* cols, const TComplex* values, std::size_t count);
    bool AddRightSides(const TComplex* values);

    bool SolveSystem();

    // The solution for unknown i; zero for i <= 0 (ground), for an unknown
    // outside the system and before a successful solve.
    TComplex GetSolution(int i) const {
        return (solved_ && i > 0 && i <= neq_) ? x_[static_cast<std::size_t>(i)] : TComplex{};
    }

    // Valid in every state; afterwards InitStruc may be called again.
    void ReleaseSystem();

    TSolveError GetSolveError() const;

    bool Initialized() const { return initialized_; }
    bool Solved() const { return solved_; }
    int Neq() const { return neq_; }

    // How the last successful solve went: by replaying the recorded
    // elimination (true) or by the full algorithm.
    bool LastSolveReplayed() const { return lastReplayed_; }

private:
    struct Entry {
        int Next;
        int Col;
        int Slot;  // index of the value in vals_
    };
    // One stamping call that stored something.
    struct Call {
        int Row;
        int Col;
        int Slot;
        bool First;  // created the entry (otherwise added to it)
    };
    struct PivotStep {
        int EntriesBegin, EntriesEnd;  // the pivot row's (slot, column count) when it was chosen
        int PivotSlot;
        int TargetsBegin, TargetsEnd;
    };
    struct Target {
        int FactorSlot;  // the row's entry in the pivot column
        int UpdatesBegin, UpdatesEnd;
    };
    struct Update {
        int Dst;
        int Src;
        bool Fill;
    };
    struct BackStep {
        int Col;
        int PivotSlot;
        int RhsSlot;
        int Begin, End;  // the row's other matrix entries (slot, column)
    };

    bool Fail(int code, const char* message, int d1 = 0, int d2 = 0);
    bool Stamp(int row, int col, TComplex value);
    // Stores a call that follows the recording; false when it does not.
    bool Follow(int row, int col, TComplex value) {
        if (callIndex_ >= calls_.size()) return false;
        const Call& c = calls_[callIndex_];
        if (c.Row != row || c.Col != col) return false;
        callVals_[callIndex_] = value;
        TComplex& v = vals_[static_cast<std::size_t>(c.Slot)];
        v = c.First ? value : TComplex{v.re + value.re, v.im + value.im};
        ++callIndex_;
        return true;
    }
    bool AddEntry(int row, int col, TComplex value);
    int TakeEntry();  // -1 when the pool cannot grow
    void GiveBack(int e);
    bool EnsureFree(int count);
    int NewSlot();
    void ResetLists();
    void Materialize(std::size_t calls);
    // The elimination from the stamped entries, recorded for replays, in
    // its phases; each false after Fail.
    bool FullSolve();
    bool CheckStructure();
    bool EquilibrateRows();
    bool EquilibrateColumns();
    bool EliminateSingletons(int& eliminated);
    bool Eliminate(int& eliminated);
    // Row r loses its entry in pivot column pc (hit tells whether it had one)
    // and takes factor times the pivot row pr away.
    bool EliminateFromRow(int r, int pr, int pc, TComplex pivot, int eliminated, bool& hit);
    void RecordBackSubstitution();
    Entry& At(int e) { return pool_[static_cast<std::size_t>(e)]; }
    TComplex& Val(int e) { return vals_[static_cast<std::size_t>(pool_[static_cast<std::size_t>(e)].Slot)]; }
    bool Replay();
    void BackSubstitute();

    bool initialized_ = false;
    bool solved_ = false;
    bool lastValid_ = false;  // row-last links are kept only while filling
    bool lastReplayed_ = false;
    int neq_ = 0;

    const char* errMessage_ = "";
    int errCode_ = 0;
    int errD1 = 0;
    int errD2 = 0;

    std::vector<Entry> pool_;
    int poolUsed_ = 0;   // entries handed out from the end of the pool
    int freeHead_ = -1;  // entries given back during elimination
    int freeCount_ = 0;
    std::vector<TComplex> vals_;
    int slotCount_ = 0;

    std::vector<int> first_;
    std::vector<int> last_;
    std::vector<int> rowCount_;
    std::vector<int> colCount_;
    std::vector<int> activeNext_;
    std::vector<int> pivotRow_;
    std::vector<int> pivotCol_;
    std::vector<double> colScale_;
    std::vector<double> sq_;
    std::vector<TComplex> x_;

    // The calls of the current system (while it follows the recording, the
    // recorded calls of the previous one) and their values.
    std::vector<Call> calls_;
    std::vector<TComplex> callVals_;
    std::vector<Call> replayCalls_;
    std::vector<TComplex> replayVals_;
    std::size_t callIndex_ = 0;
    bool following_ = false;  // the current system matches the recorded calls so far
    bool recorded_ = false;   // calls_ hold a complete earlier system of recordedNeq_
    int recordedNeq_ = 0;

    // The recorded elimination.
    bool tapeValid_ = false;
    std::vector<int> tRowBegin_;  // per row: its matrix slots in tRowSlots_
    std::vector<int> tRowSlots_;
    std::vector<int> tRowRhs_;
    std::vector<int> tColBegin_;  // per column: its slots in tColSlots_
    std::vector<int> tColSlots_;
    std::vector<PivotStep> tPivots_;
    std::vector<std::pair<int, int>> tPivotEntries_;
    std::vector<Target> tTargets_;
    std::vector<Update> tUpdates_;
    std::vector<BackStep> tBack_;
    std::vector<std::pair<int, int>> tBackEntries_;
};

}  // namespace pelmo
