#include "engine/SparseSolver.h"

#include <climits>
#include <cmath>
#include <new>
#include <stdexcept>

#include "engine/Complex.h"

namespace pelmo {

namespace {
// The pool grows by this many entries at a time.
constexpr int PoolBlock = 2730;

template <class T>
bool Resize(std::vector<T>& v, std::size_t n) {
    try {
        v.resize(n);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

inline std::size_t U(int i) { return static_cast<std::size_t>(i); }

inline double Sq(TComplex a) { return a.re * a.re + a.im * a.im; }

// Whether the magnitude sqrt(s) is at least t. Decided from the squares where
// they are clearly apart; the root is taken only near the boundary, so the
// answer is always the one the rounded magnitude gives.
inline bool MagAtLeast(double s, double t) {
    const double tt = t * t;
    if (tt > 1e-280 && tt < 1e280) {
        if (s > tt * (1.0 + 1e-9)) return true;
        if (s < tt * (1.0 - 1e-9)) return false;
    }
    return std::sqrt(s) >= t;
}
}  // namespace

// The largest magnitude of a set of entries is the root of their largest
// square (the rounded root is monotonic), so one root per set is enough.

bool TSparseSolver::Fail(int code, const char* message, int d1, int d2) {
    errCode_ = code;
    errMessage_ = message;
    errD1 = d1;
    errD2 = d2;
    return false;
}

TSolveError TSparseSolver::GetSolveError() const { return {errMessage_, errCode_, errD1, errD2}; }

void TSparseSolver::ResetLists() {
    for (int r = 0; r <= neq_ + 1; ++r) first_[U(r)] = last_[U(r)] = -1;
    poolUsed_ = 0;
    freeHead_ = -1;
    freeCount_ = 0;
    slotCount_ = 0;
    lastValid_ = true;
}

bool TSparseSolver::InitStruc(int neq) {
    if (initialized_) return Fail(2, "Initialize without releasing ");
    if (neq > MaxEquations) return Fail(3, "Too many equations ", neq);
    if (neq < 1) return Fail(4, "Too few equations ", neq);
    const auto rows = U(neq) + 2;
    if (!Resize(first_, rows)) return Fail(5, "Out of Space");
    if (!Resize(last_, rows)) return Fail(6, "Out of Space");
    neq_ = neq;
    initialized_ = true;
    solved_ = false;
    lastReplayed_ = false;
    errMessage_ = "";
    errCode_ = errD1 = errD2 = 0;
    ResetLists();
    if (recorded_ && recordedNeq_ == neq) {
        following_ = true;
        callIndex_ = 0;
        callVals_.resize(calls_.size());
    } else {
        following_ = false;
        recorded_ = false;
        tapeValid_ = false;
        calls_.clear();
        callVals_.clear();
    }
    return true;
}

void TSparseSolver::ReleaseSystem() {
    // The memory, the recorded calls and the recorded elimination stay with
    // the solver for the next system.
    initialized_ = false;
    solved_ = false;
    lastValid_ = false;
    following_ = false;
    neq_ = 0;
}

bool TSparseSolver::EnsureFree(int count) {
    while (freeCount_ + (static_cast<int>(pool_.size()) - poolUsed_) < count) {
        if (!Resize(pool_, pool_.size() + PoolBlock)) return false;
    }
    return true;
}

int TSparseSolver::TakeEntry() {
    if (freeHead_ >= 0) {
        const int e = freeHead_;
        freeHead_ = pool_[U(e)].Next;
        --freeCount_;
        return e;
    }
    if (poolUsed_ >= static_cast<int>(pool_.size()) && !EnsureFree(1)) return -1;
    return poolUsed_++;
}

void TSparseSolver::GiveBack(int e) {
    pool_[U(e)].Next = freeHead_;
    freeHead_ = e;
    ++freeCount_;
}

int TSparseSolver::NewSlot() {
    if (U(slotCount_) >= vals_.size() && !Resize(vals_, vals_.size() < 64 ? 128 : 2 * vals_.size())) return -1;
    return slotCount_++;
}

bool TSparseSolver::AddMatrixElement(int row, int col, TComplex value) {
    if (value.re == 0.0 && value.im == 0.0) return true;
    if (!initialized_) return Fail(1, "InitStruc must be called");
    if (col < 1) return Fail(10, "Col < 1", row, col);
    if (col > neq_) return Fail(11, "Col > Neq", row, col);
    return Stamp(row, col, value);
}

bool TSparseSolver::AddRightSide(int row, TComplex value) {
    if (!initialized_) return Fail(1, "InitStruc must be called");
    return Stamp(row, neq_ + 1, value);
}

bool TSparseSolver::Stamp(int row, int col, TComplex value) {
    if (following_) {
        if (Follow(row, col, value)) return true;
        Materialize(callIndex_);
    }
    return AddEntry(row, col, value);
}

bool TSparseSolver::AddMatrixElements(const int* rows, const int* cols, const TComplex* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const TComplex v = values[i];
        if (v.re == 0.0 && v.im == 0.0) continue;
        if (following_ && Follow(rows[i], cols[i], v)) continue;
        if (!AddMatrixElement(rows[i], cols[i], v)) return false;
    }
    return true;
}

bool TSparseSolver::AddRightSides(const TComplex* values) {
    if (!initialized_) return Fail(1, "InitStruc must be called");
    const int rhs = neq_ + 1;
    for (int r = 1; r <= neq_; ++r) {
        if (following_ && Follow(r, rhs, values[r - 1])) continue;
        if (!AddRightSide(r, values[r - 1])) return false;
    }
    return true;
}

// Leaves the recorded calls: builds the row lists from the first `count`
// calls of this system and goes on the ordinary way.
void TSparseSolver::Materialize(std::size_t count) {
    replayCalls_.assign(calls_.begin(), calls_.begin() + static_cast<std::ptrdiff_t>(count));
    replayVals_.assign(callVals_.begin(), callVals_.begin() + static_cast<std::ptrdiff_t>(count));
    following_ = false;
    recorded_ = false;
    tapeValid_ = false;
    calls_.clear();
    callVals_.clear();
    ResetLists();
    for (std::size_t j = 0; j < count; ++j) AddEntry(replayCalls_[j].Row, replayCalls_[j].Col, replayVals_[j]);
}

bool TSparseSolver::AddEntry(int row, int col, TComplex value) {
    if (row < 1) return Fail(7, "Row < 1", row, col);
    if (row > neq_) return Fail(8, "Row > Neq", row, neq_);
    if (!EnsureFree(neq_)) return Fail(9, "Out of Space");

    const auto r = U(row);
    int prev = -1;
    int cur = first_[r];
    if (lastValid_ && last_[r] >= 0 && pool_[U(last_[r])].Col < col) {
        // The usual case while stamping a row left to right: append.
        prev = last_[r];
        cur = -1;
    } else {
        while (cur >= 0 && pool_[U(cur)].Col < col) {
            prev = cur;
            cur = pool_[U(cur)].Next;
        }
        if (cur >= 0 && pool_[U(cur)].Col == col) {
            const int slot = pool_[U(cur)].Slot;
            vals_[U(slot)] = CAdd(vals_[U(slot)], value);
            calls_.push_back({row, col, slot, false});
            callVals_.push_back(value);
            return true;
        }
    }
    const int e = TakeEntry();
    const int slot = e >= 0 ? NewSlot() : -1;
    if (slot < 0) return Fail(9, "Out of Space");
    pool_[U(e)] = {cur, col, slot};
    vals_[U(slot)] = value;
    if (prev < 0)
        first_[r] = e;
    else
        pool_[U(prev)].Next = e;
    if (cur < 0 && lastValid_) last_[r] = e;
    calls_.push_back({row, col, slot, true});
    callVals_.push_back(value);
    return true;
}

bool TSparseSolver::SolveSystem() {
    if (!initialized_) return Fail(1, "InitStruc must be called");
    if (solved_) return Fail(15, "System already solved");
    if (following_) {
        if (callIndex_ == calls_.size() && tapeValid_ && Replay()) {
            solved_ = true;
            lastReplayed_ = true;
            return true;
        }
        // Stamped differently, or a decision comes out differently: solve
        // from the stamps.
        Materialize(callIndex_);
    }
    lastReplayed_ = false;
    recorded_ = true;
    recordedNeq_ = neq_;
    tapeValid_ = false;
    if (!FullSolve()) return false;
    tapeValid_ = true;
    solved_ = true;
    return true;
}

bool TSparseSolver::FullSolve() {
    lastValid_ = false;
    const auto size = U(neq_) + 2;
    if (!Resize(rowCount_, size) || !Resize(colCount_, size) || !Resize(activeNext_, size) ||
        !Resize(pivotRow_, size) || !Resize(pivotCol_, size) || !Resize(colScale_, size) || !Resize(sq_, size) ||
        !Resize(x_, size) || !Resize(tRowBegin_, size) || !Resize(tRowRhs_, size) || !Resize(tColBegin_, size + 1))
        return Fail(25, "Out of Space", 0);
    try {
        int eliminated = 0;
        if (!CheckStructure() || !EquilibrateRows() || !EquilibrateColumns() || !EliminateSingletons(eliminated) ||
            !Eliminate(eliminated))
            return false;
        RecordBackSubstitution();
    } catch (const std::bad_alloc&) {
        return Fail(25, "Out of Space", 0);
    }
    BackSubstitute();
    return true;
}

bool TSparseSolver::CheckStructure() {
    // Every row non-empty, columns increasing, right-hand side last.
    const int n = neq_;
    for (int j = 0; j <= n + 1; ++j) colCount_[U(j)] = 0;
    for (int r = 1; r <= n; ++r) {
        int e = first_[U(r)];
        if (e < 0) return Fail(16, "Empty Row", r);
        int prevCol = INT_MIN;
        int count = 0;
        for (; e >= 0; e = At(e).Next) {
            const int c = At(e).Col;
            if (c <= prevCol) return Fail(17, "Cols out of Order", r, c);
            prevCol = c;
            ++count;
            if (c <= n) ++colCount_[U(c)];
        }
        if (prevCol != n + 1) return Fail(18, "No RHS", prevCol);
        rowCount_[U(r)] = count;
    }
    for (int j = 1; j <= n; ++j)
        if (colCount_[U(j)] <= 0) return Fail(19, "Empty Col", j);
    for (int r = 1; r <= n; ++r)
        if (rowCount_[U(r)] <= 1) return Fail(20, "Row without Variables", r);
    // Active rows as a linked list; index 0 is the head, 0 also ends the list.
    for (int r = 0; r < n; ++r) activeNext_[U(r)] = r + 1;
    activeNext_[U(n)] = 0;
    return true;
}

bool TSparseSolver::EquilibrateRows() {
    // Each row (right-hand side included) divided by its largest matrix entry.
    const int n = neq_;
    tRowSlots_.clear();
    for (int r = 1; r <= n; ++r) {
        tRowBegin_[U(r)] = static_cast<int>(tRowSlots_.size());
        double m = 0.0;
        for (int e = first_[U(r)]; e >= 0; e = At(e).Next) {
            if (At(e).Col > n) {
                tRowRhs_[U(r)] = At(e).Slot;
                continue;
            }
            tRowSlots_.push_back(At(e).Slot);
            const double s = Sq(Val(e));
            if (s > m) m = s;
        }
        const double d = std::sqrt(m);
        if (d == 0.0) return Fail(21, "All-Zero Row", r);
        for (int e = first_[U(r)]; e >= 0; e = At(e).Next) Val(e) = CScaleDiv(Val(e), d);
    }
    tRowBegin_[U(n) + 1] = static_cast<int>(tRowSlots_.size());
    return true;
}

bool TSparseSolver::EquilibrateColumns() {
    // Each column of the matrix divided by its largest entry; the scales undo
    // it after the back substitution.
    const int n = neq_;
    tColBegin_[1] = 0;
    for (int j = 1; j <= n; ++j) {
        sq_[U(j)] = 0.0;
        tColBegin_[U(j) + 1] = tColBegin_[U(j)] + colCount_[U(j)];
    }
    tColSlots_.resize(U(tColBegin_[U(n) + 1]));
    for (int j = 1; j <= n; ++j) pivotCol_[U(j)] = tColBegin_[U(j)];  // fill positions, reused below
    for (int r = 1; r <= n; ++r) {
        for (int e = first_[U(r)]; e >= 0; e = At(e).Next) {
            const int c = At(e).Col;
            if (c > n) continue;
            tColSlots_[U(pivotCol_[U(c)]++)] = At(e).Slot;
            const double s = Sq(Val(e));
            if (s > sq_[U(c)]) sq_[U(c)] = s;
        }
    }
    for (int j = 1; j <= n; ++j) {
        colScale_[U(j)] = std::sqrt(sq_[U(j)]);
        if (colScale_[U(j)] == 0.0) return Fail(22, "All-Zero Column", j);
    }
    for (int r = 1; r <= n; ++r) {
        for (int e = first_[U(r)]; e >= 0; e = At(e).Next) {
            const int c = At(e).Col;
            if (c <= n) Val(e) = CScaleDiv(Val(e), colScale_[U(c)]);
        }
    }
    return true;
}

bool TSparseSolver::EliminateSingletons(int& eliminated) {
    // A row holding the only entry of a column is eliminated first, with that
    // column as pivot; it needs no elimination elsewhere.
    const int n = neq_;
    for (bool found = true; found;) {
        found = false;
        int prev = 0;
        for (int r = activeNext_[0]; r != 0;) {
            const int next = activeNext_[U(r)];
            int singles = 0;
            int singleCol = 0;
            for (int e = first_[U(r)]; e >= 0; e = At(e).Next) {
                const int c = At(e).Col;
                if (c <= n && colCount_[U(c)] == 1) {
                    if (++singles > 1) return Fail(23, "Two Singles", r, c);
                    singleCol = c;
                }
            }
            if (singles == 1) {
                for (int e = first_[U(r)]; e >= 0; e = At(e).Next)
                    if (At(e).Col <= n) --colCount_[U(At(e).Col)];
                pivotRow_[U(eliminated)] = r;
                pivotCol_[U(eliminated)] = singleCol;
                ++eliminated;
                activeNext_[U(prev)] = next;
                colCount_[U(singleCol)] = -1;
                found = true;
            } else {
                prev = r;
            }
            r = next;
        }
    }
    return true;
}

bool TSparseSolver::Eliminate(int& eliminated) {
    const int n = neq_;
    tPivots_.clear();
    tPivotEntries_.clear();
    tTargets_.clear();
    tUpdates_.clear();
    while (eliminated < n) {
        // The active row with the fewest entries; ties the first.
        int pr = 0;
        int prPrev = 0;
        int best = INT_MAX;
        for (int prev = 0, r = activeNext_[0]; r != 0; prev = r, r = activeNext_[U(r)]) {
            if (rowCount_[U(r)] < best) {
                best = rowCount_[U(r)];
                pr = r;
                prPrev = prev;
            }
        }
        if (pr == 0) return Fail(26, "Structurally Singular", 0);

        double m = -1.0;
        for (int e = first_[U(pr)]; e >= 0; e = At(e).Next) {
            if (At(e).Col > n) continue;
            const double s = Sq(Val(e));
            if (s > m) m = s;
        }
        if (m < 0.0) return Fail(26, "Structurally Singular", pr);
        const double d = std::sqrt(m);
        if (d == 0.0) return Fail(24, "Numerically Singular", pr);

        // Pivot column: among the entries within 10 % of the largest, the
        // one whose column has the fewest other entries; ties the first.
        const double threshold = 0.1 * d;
        PivotStep step{};
        step.EntriesBegin = static_cast<int>(tPivotEntries_.size());
        int pc = 0;
        int pe = -1;
        int pcCount = INT_MAX;
        for (int e = first_[U(pr)]; e >= 0; e = At(e).Next) {
            const int c = At(e).Col;
            if (c > n) continue;
            const int cnt = --colCount_[U(c)];
            tPivotEntries_.push_back({At(e).Slot, cnt});
            if (MagAtLeast(Sq(Val(e)), threshold) && cnt < pcCount) {
                pcCount = cnt;
                pc = c;
                pe = e;
            }
        }
        step.EntriesEnd = static_cast<int>(tPivotEntries_.size());
        step.PivotSlot = At(pe).Slot;
        pivotRow_[U(eliminated)] = pr;
        pivotCol_[U(eliminated)] = pc;
        ++eliminated;
        activeNext_[U(prPrev)] = activeNext_[U(pr)];
        int k = colCount_[U(pc)];
        colCount_[U(pc)] = -1;
        const TComplex pivot = Val(pe);

        step.TargetsBegin = static_cast<int>(tTargets_.size());
        for (int r = activeNext_[0]; r != 0 && k > 0; r = activeNext_[U(r)]) {
            if (!EnsureFree(n - eliminated + 1)) return Fail(25, "Out of Space", eliminated);
            bool hit = false;
            if (!EliminateFromRow(r, pr, pc, pivot, eliminated, hit)) return false;
            if (hit) --k;
        }
        step.TargetsEnd = static_cast<int>(tTargets_.size());
        tPivots_.push_back(step);
    }
    return true;
}

bool TSparseSolver::EliminateFromRow(int r, int pr, int pc, TComplex pivot, int eliminated, bool& hit) {
    // Find and remove the row's entry in the pivot column.
    int prev = -1;
    int e = first_[U(r)];
    while (e >= 0 && At(e).Col < pc) {
        prev = e;
        e = At(e).Next;
    }
    hit = e >= 0 && At(e).Col == pc;
    if (!hit) return true;
    Target target{At(e).Slot, static_cast<int>(tUpdates_.size()), 0};
    const TComplex factor = CDiv(Val(e), pivot);
    if (prev < 0)
        first_[U(r)] = At(e).Next;
    else
        At(prev).Next = At(e).Next;
    GiveBack(e);
    --rowCount_[U(r)];

    // Subtract factor times the pivot row; both lists are sorted, so one
    // merged walk finds every place.
    int rp = -1;  // last entry of row r before the place looked at
    int rc = first_[U(r)];
    for (int q = first_[U(pr)]; q >= 0; q = At(q).Next) {
        const int s = At(q).Col;
        if (s == pc) continue;
        while (rc >= 0 && At(rc).Col < s) {
            rp = rc;
            rc = At(rc).Next;
        }
        const TComplex fp = CMul(factor, Val(q));
        if (rc >= 0 && At(rc).Col == s) {
            Val(rc) = CSub(Val(rc), fp);
            tUpdates_.push_back({At(rc).Slot, At(q).Slot, false});
        } else {
            const int ne = TakeEntry();
            const int slot = ne >= 0 ? NewSlot() : -1;
            if (slot < 0) return Fail(25, "Out of Space", eliminated);
            At(ne) = {rc, s, slot};
            vals_[U(slot)] = CNeg(fp);
            tUpdates_.push_back({slot, At(q).Slot, true});
            if (rp < 0)
                first_[U(r)] = ne;
            else
                At(rp).Next = ne;
            rp = ne;
            if (s <= neq_) ++colCount_[U(s)];
            ++rowCount_[U(r)];
        }
    }
    target.UpdatesEnd = static_cast<int>(tUpdates_.size());
    tTargets_.push_back(target);
    return true;
}

void TSparseSolver::RecordBackSubstitution() {
    // In reverse pivot order; the column scaling is undone at the end.
    const int n = neq_;
    tBack_.clear();
    tBackEntries_.clear();
    for (int i = n - 1; i >= 0; --i) {
        const int r = pivotRow_[U(i)];
        const int f = pivotCol_[U(i)];
        BackStep b{f, -1, -1, static_cast<int>(tBackEntries_.size()), 0};
        for (int e = first_[U(r)]; e >= 0; e = At(e).Next) {
            const int c = At(e).Col;
            if (c > n)
                b.RhsSlot = At(e).Slot;
            else if (c == f)
                b.PivotSlot = At(e).Slot;
            else
                tBackEntries_.push_back({At(e).Slot, c});
        }
        b.End = static_cast<int>(tBackEntries_.size());
        tBack_.push_back(b);
    }
}

void TSparseSolver::BackSubstitute() {
    for (const BackStep& b : tBack_) {
        TComplex sum = ComplexZero;
        for (int i = b.Begin; i < b.End; ++i) {
            const auto [slot, col] = tBackEntries_[U(i)];
            sum = CAdd(sum, CMul(vals_[U(slot)], x_[U(col)]));
        }
        x_[U(b.Col)] = CDiv(CSub(vals_[U(b.RhsSlot)], sum), vals_[U(b.PivotSlot)]);
    }
    x_[0] = ComplexZero;
    for (int j = 1; j <= neq_; ++j) x_[U(j)] = CScaleDiv(x_[U(j)], colScale_[U(j)]);
}

// The recorded elimination on the values just stamped. False as soon as a
// value-dependent decision differs from the recorded one.
bool TSparseSolver::Replay() {
    const int n = neq_;
    // Largest squares first and all roots after, so that the roots of
    // different rows overlap; then the divisions. An entry that is zero stays
    // what it is when divided, so it is left alone.
    for (int r = 1; r <= n; ++r) {
        double m = 0.0;
        for (int i = tRowBegin_[U(r)], e = tRowBegin_[U(r) + 1]; i < e; ++i) {
            const double s = Sq(vals_[U(tRowSlots_[U(i)])]);
            if (s > m) m = s;
        }
        sq_[U(r)] = m;
    }
    for (int r = 1; r <= n; ++r) {
        const double d = std::sqrt(sq_[U(r)]);
        if (d == 0.0) return false;
        sq_[U(r)] = d;
    }
    for (int r = 1; r <= n; ++r) {
        const double d = sq_[U(r)];
        for (int i = tRowBegin_[U(r)], e = tRowBegin_[U(r) + 1]; i < e; ++i) {
            TComplex& v = vals_[U(tRowSlots_[U(i)])];
            v = CScaleDiv(v, d);
        }
        TComplex& rhs = vals_[U(tRowRhs_[U(r)])];
        if (rhs.re != 0.0 || rhs.im != 0.0) rhs = CScaleDiv(rhs, d);
    }
    for (int j = 1; j <= n; ++j) {
        double m = 0.0;
        for (int i = tColBegin_[U(j)], e = tColBegin_[U(j) + 1]; i < e; ++i) {
            const double s = Sq(vals_[U(tColSlots_[U(i)])]);
            if (s > m) m = s;
        }
        colScale_[U(j)] = m;
    }
    for (int j = 1; j <= n; ++j) {
        colScale_[U(j)] = std::sqrt(colScale_[U(j)]);
        if (colScale_[U(j)] == 0.0) return false;
    }
    for (int j = 1; j <= n; ++j) {
        const double c = colScale_[U(j)];
        for (int i = tColBegin_[U(j)], e = tColBegin_[U(j) + 1]; i < e; ++i) {
            TComplex& v = vals_[U(tColSlots_[U(i)])];
            v = CScaleDiv(v, c);
        }
    }
    for (const PivotStep& step : tPivots_) {
        double m = -1.0;
        for (int i = step.EntriesBegin; i < step.EntriesEnd; ++i) {
            const double s = Sq(vals_[U(tPivotEntries_[U(i)].first)]);
            if (s > m) m = s;
        }
        if (!(m > 0.0)) return false;
        // The 10 % rule on the squares (0.01 m); the exact comparison only
        // near the boundary.
        const double bound = 0.01 * m;
        const bool banded = bound > 1e-280 && bound < 1e280;
        int chosen = -1;
        int best = INT_MAX;
        for (int i = step.EntriesBegin; i < step.EntriesEnd; ++i) {
            const auto [slot, cnt] = tPivotEntries_[U(i)];
            if (cnt >= best) continue;
            const double s = Sq(vals_[U(slot)]);
            bool within;
            if (banded && s > bound * (1.0 + 1e-9))
                within = true;
            else if (banded && s < bound * (1.0 - 1e-9))
                within = false;
            else
                within = std::sqrt(s) >= 0.1 * std::sqrt(m);
            if (within) {
                best = cnt;
                chosen = slot;
            }
        }
        if (chosen != step.PivotSlot) return false;
        const TComplex pivot = vals_[U(chosen)];
        for (int t = step.TargetsBegin; t < step.TargetsEnd; ++t) {
            const Target& target = tTargets_[U(t)];
            const TComplex factor = CDiv(vals_[U(target.FactorSlot)], pivot);
            for (int u = target.UpdatesBegin; u < target.UpdatesEnd; ++u) {
                const Update& up = tUpdates_[U(u)];
                const TComplex fp = CMul(factor, vals_[U(up.Src)]);
                TComplex& dst = vals_[U(up.Dst)];
                dst = up.Fill ? CNeg(fp) : CSub(dst, fp);
            }
        }
    }
    BackSubstitute();
    return true;
}

}  // namespace pelmo
