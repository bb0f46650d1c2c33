#pragma once

#include <string>
#include <vector>

#include "model/DataTypes.h"

// Sparse complex linear solver for the nodal equations. The system is handed
// over entry by entry, checked for structure, equilibrated by rows and
// columns, and eliminated in a fill-reducing order (fewest entries per row,
// then fewest per column among the entries within 10 % of the row's largest).
//
// One instance serves the whole program. Its memory (entry pool, row lists,
// work arrays) is kept from one system to the next, so that after the first
// few systems solving allocates nothing.

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

    bool SolveSystem();

    // The solution for unknown i; zero for i <= 0 (ground), for an unknown
    // outside the system and before a successful solve.
    TComplex GetSolution(int i) const {
        return (solved_ && i > 0 && i <= neq_) ? x_[static_cast<std::size_t>(i)] : TComplex{};
    }

    // Valid in every state; afterwards InitStruc may be called again.
    void ReleaseSystem();

    TSolveError GetSolveError() const;
    int ErrorCode() const { return errCode_; }

    bool Initialized() const { return initialized_; }
    bool Solved() const { return solved_; }
    int Neq() const { return neq_; }

private:
    struct Entry {
        int Next;
        int Col;
        TComplex Val;
    };

    bool Fail(int code, const char* message, int d1 = 0, int d2 = 0);
    bool AddEntry(int row, int col, TComplex value);
    int TakeEntry();  // -1 when the pool cannot grow
    void GiveBack(int e);
    bool EnsureFree(int count);

    bool initialized_ = false;
    bool solved_ = false;
    bool lastValid_ = false;  // row-last links are kept only while filling
    int neq_ = 0;

    const char* errMessage_ = "";
    int errCode_ = 0;
    int errD1 = 0;
    int errD2 = 0;

    std::vector<Entry> pool_;
    int poolUsed_ = 0;  // entries handed out from the end of the pool
    int freeHead_ = -1;  // entries given back during elimination
    int freeCount_ = 0;

    std::vector<int> first_;
    std::vector<int> last_;
    std::vector<int> rowCount_;
    std::vector<int> colCount_;
    std::vector<int> activeNext_;
    std::vector<int> pivotRow_;
    std::vector<int> pivotCol_;
    std::vector<double> colScale_;
    std::vector<double> mags_;
    std::vector<TComplex> x_;
};

}  // namespace pelmo
