#include "engine/SparseSolver.h"

#include <climits>
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
}  // namespace

bool TSparseSolver::Fail(int code, const char* message, int d1, int d2) {
    errCode_ = code;
    errMessage_ = message;
    errD1 = d1;
    errD2 = d2;
    return false;
}

TSolveError TSparseSolver::GetSolveError() const { return {errMessage_, errCode_, errD1, errD2}; }

bool TSparseSolver::InitStruc(int neq) {
    if (initialized_) return Fail(2, "Initialize without releasing ");
    if (neq > MaxEquations) return Fail(3, "Too many equations ", neq);
    if (neq < 1) return Fail(4, "Too few equations ", neq);
    const auto rows = static_cast<std::size_t>(neq) + 2;
    if (!Resize(first_, rows)) return Fail(5, "Out of Space");
    if (!Resize(last_, rows)) return Fail(6, "Out of Space");
    for (std::size_t r = 0; r < rows; ++r) first_[r] = last_[r] = -1;
    neq_ = neq;
    initialized_ = true;
    solved_ = false;
    lastValid_ = true;
    poolUsed_ = 0;
    freeHead_ = -1;
    freeCount_ = 0;
    errMessage_ = "";
    errCode_ = errD1 = errD2 = 0;
    return true;
}

void TSparseSolver::ReleaseSystem() {
    // The memory stays with the solver for the next system.
    initialized_ = false;
    solved_ = false;
    lastValid_ = false;
    neq_ = 0;
    poolUsed_ = 0;
    freeHead_ = -1;
    freeCount_ = 0;
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
        freeHead_ = pool_[static_cast<std::size_t>(e)].Next;
        --freeCount_;
        return e;
    }
    if (poolUsed_ >= static_cast<int>(pool_.size()) && !EnsureFree(1)) return -1;
    return poolUsed_++;
}

void TSparseSolver::GiveBack(int e) {
    pool_[static_cast<std::size_t>(e)].Next = freeHead_;
    freeHead_ = e;
    ++freeCount_;
}

bool TSparseSolver::AddMatrixElement(int row, int col, TComplex value) {
    if (value.re == 0.0 && value.im == 0.0) return true;
    if (!initialized_) return Fail(1, "InitStruc must be called");
    if (col < 1) return Fail(10, "Col < 1", row, col);
    if (col > neq_) return Fail(11, "Col > Neq", row, col);
    return AddEntry(row, col, value);
}

bool TSparseSolver::AddRightSide(int row, TComplex value) {
    if (!initialized_) return Fail(1, "InitStruc must be called");
    return AddEntry(row, neq_ + 1, value);
}

bool TSparseSolver::AddEntry(int row, int col, TComplex value) {
    if (row < 1) return Fail(7, "Row < 1", row, col);
    if (row > neq_) return Fail(8, "Row > Neq", row, neq_);
    if (!EnsureFree(neq_)) return Fail(9, "Out of Space");

    const auto r = static_cast<std::size_t>(row);
    int prev = -1;
    int cur = first_[r];
    if (lastValid_ && last_[r] >= 0 && pool_[static_cast<std::size_t>(last_[r])].Col < col) {
        // The usual case while stamping a row left to right: append.
        prev = last_[r];
        cur = -1;
    } else {
        while (cur >= 0 && pool_[static_cast<std::size_t>(cur)].Col < col) {
            prev = cur;
            cur = pool_[static_cast<std::size_t>(cur)].Next;
        }
        if (cur >= 0 && pool_[static_cast<std::size_t>(cur)].Col == col) {
            Entry& e = pool_[static_cast<std::size_t>(cur)];
            e.Val = CAdd(e.Val, value);
            return true;
        }
    }
    const int e = TakeEntry();
    if (e < 0) return Fail(9, "Out of Space");
    pool_[static_cast<std::size_t>(e)] = {cur, col, value};
    if (prev < 0) first_[r] = e;
    else pool_[static_cast<std::size_t>(prev)].Next = e;
    if (cur < 0 && lastValid_) last_[r] = e;
    return true;
}

bool TSparseSolver::SolveSystem() {
    if (!initialized_) return Fail(1, "InitStruc must be called");
    if (solved_) return Fail(15, "System already solved");
    lastValid_ = false;

    const int n = neq_;
    const auto size = static_cast<std::size_t>(n) + 2;
    if (!Resize(rowCount_, size) || !Resize(colCount_, size) || !Resize(activeNext_, size) ||
        !Resize(pivotRow_, size) || !Resize(pivotCol_, size) || !Resize(colScale_, size) || !Resize(x_, size))
        return Fail(25, "Out of Space", 0);
    auto at = [this](int e) -> Entry& { return pool_[static_cast<std::size_t>(e)]; };

    // Structure: every row non-empty, columns increasing, right-hand side last.
    for (int j = 0; j <= n + 1; ++j) colCount_[static_cast<std::size_t>(j)] = 0;
    for (int r = 1; r <= n; ++r) {
        int e = first_[static_cast<std::size_t>(r)];
        if (e < 0) return Fail(16, "Empty Row", r);
        int prevCol = INT_MIN;
        int count = 0;
        for (; e >= 0; e = at(e).Next) {
            const int c = at(e).Col;
            if (c <= prevCol) return Fail(17, "Cols out of Order", r, c);
            prevCol = c;
            ++count;
            if (c <= n) ++colCount_[static_cast<std::size_t>(c)];
        }
        if (prevCol != n + 1) return Fail(18, "No RHS", prevCol);
        rowCount_[static_cast<std::size_t>(r)] = count;
    }
    for (int j = 1; j <= n; ++j)
        if (colCount_[static_cast<std::size_t>(j)] <= 0) return Fail(19, "Empty Col", j);
    for (int r = 1; r <= n; ++r)
        if (rowCount_[static_cast<std::size_t>(r)] <= 1) return Fail(20, "Row without Variables", r);
    // Active rows as a linked list; index 0 is the head, 0 also ends the list.
    for (int r = 0; r < n; ++r) activeNext_[static_cast<std::size_t>(r)] = r + 1;
    activeNext_[static_cast<std::size_t>(n)] = 0;

    // Row equilibration (right-hand side included).
    for (int r = 1; r <= n; ++r) {
        double d = 0.0;
        for (int e = first_[static_cast<std::size_t>(r)]; e >= 0; e = at(e).Next) {
            if (at(e).Col > n) continue;
            const double m = CAbs(at(e).Val);
            if (m > d) d = m;
        }
        if (d == 0.0) return Fail(21, "All-Zero Row", r);
        for (int e = first_[static_cast<std::size_t>(r)]; e >= 0; e = at(e).Next) at(e).Val = CScaleDiv(at(e).Val, d);
    }

    // Column equilibration (matrix only); the scales undo it at the end.
    for (int j = 0; j <= n + 1; ++j) colScale_[static_cast<std::size_t>(j)] = 0.0;
    for (int r = 1; r <= n; ++r) {
        for (int e = first_[static_cast<std::size_t>(r)]; e >= 0; e = at(e).Next) {
            const int c = at(e).Col;
            if (c > n) continue;
            const double m = CAbs(at(e).Val);
            if (m > colScale_[static_cast<std::size_t>(c)]) colScale_[static_cast<std::size_t>(c)] = m;
        }
    }
    for (int j = 1; j <= n; ++j)
        if (colScale_[static_cast<std::size_t>(j)] == 0.0) return Fail(22, "All-Zero Column", j);
    for (int r = 1; r <= n; ++r) {
        for (int e = first_[static_cast<std::size_t>(r)]; e >= 0; e = at(e).Next) {
            const int c = at(e).Col;
            if (c <= n) at(e).Val = CScaleDiv(at(e).Val, colScale_[static_cast<std::size_t>(c)]);
        }
    }

    // Singletons: a row holding the only entry of a column is eliminated
    // first, with that column as pivot; it needs no elimination elsewhere.
    int eliminated = 0;
    for (bool found = true; found;) {
        found = false;
        int prev = 0;
        for (int r = activeNext_[0]; r != 0;) {
            const int next = activeNext_[static_cast<std::size_t>(r)];
            int singles = 0;
            int singleCol = 0;
            for (int e = first_[static_cast<std::size_t>(r)]; e >= 0; e = at(e).Next) {
                const int c = at(e).Col;
                if (c <= n && colCount_[static_cast<std::size_t>(c)] == 1) {
                    if (++singles > 1) return Fail(23, "Two Singles", r, c);
                    singleCol = c;
                }
            }
            if (singles == 1) {
                for (int e = first_[static_cast<std::size_t>(r)]; e >= 0; e = at(e).Next)
                    if (at(e).Col <= n) --colCount_[static_cast<std::size_t>(at(e).Col)];
                pivotRow_[static_cast<std::size_t>(eliminated)] = r;
                pivotCol_[static_cast<std::size_t>(eliminated)] = singleCol;
                ++eliminated;
                activeNext_[static_cast<std::size_t>(prev)] = next;
                colCount_[static_cast<std::size_t>(singleCol)] = -1;
                found = true;
            } else {
                prev = r;
            }
            r = next;
        }
    }

    // Main elimination.
    while (eliminated < n) {
        int pr = 0;
        int prPrev = 0;
        int best = INT_MAX;
        for (int prev = 0, r = activeNext_[0]; r != 0; prev = r, r = activeNext_[static_cast<std::size_t>(r)]) {
            if (rowCount_[static_cast<std::size_t>(r)] < best) {
                best = rowCount_[static_cast<std::size_t>(r)];
                pr = r;
                prPrev = prev;
            }
        }
        if (pr == 0) return Fail(26, "Structurally Singular", 0);

        double d = -1.0;
        for (int e = first_[static_cast<std::size_t>(pr)]; e >= 0; e = at(e).Next) {
            if (at(e).Col > n) continue;
            const double m = CAbs(at(e).Val);
            if (m > d) d = m;
        }
        if (d < 0.0) return Fail(26, "Structurally Singular", pr);
        if (d == 0.0) return Fail(24, "Numerically Singular", pr);

        const double threshold = 0.1 * d;
        int pc = 0;
        int pe = -1;
        int pcCount = INT_MAX;
        for (int e = first_[static_cast<std::size_t>(pr)]; e >= 0; e = at(e).Next) {
            const int c = at(e).Col;
            if (c > n) continue;
            const int cnt = --colCount_[static_cast<std::size_t>(c)];
            if (CAbs(at(e).Val) >= threshold && cnt < pcCount) {
                pcCount = cnt;
                pc = c;
                pe = e;
            }
        }
        pivotRow_[static_cast<std::size_t>(eliminated)] = pr;
        pivotCol_[static_cast<std::size_t>(eliminated)] = pc;
        ++eliminated;
        activeNext_[static_cast<std::size_t>(prPrev)] = activeNext_[static_cast<std::size_t>(pr)];
        int k = colCount_[static_cast<std::size_t>(pc)];
        colCount_[static_cast<std::size_t>(pc)] = -1;
        const TComplex pivot = at(pe).Val;

        for (int r = activeNext_[0]; r != 0 && k > 0; r = activeNext_[static_cast<std::size_t>(r)]) {
            if (!EnsureFree(n - eliminated + 1)) return Fail(25, "Out of Space", eliminated);
            // Find and remove the row's entry in the pivot column.
            int prev = -1;
            int e = first_[static_cast<std::size_t>(r)];
            while (e >= 0 && at(e).Col < pc) {
                prev = e;
                e = at(e).Next;
            }
            if (e < 0 || at(e).Col != pc) continue;
            const TComplex factor = CDiv(at(e).Val, pivot);
            if (prev < 0) first_[static_cast<std::size_t>(r)] = at(e).Next;
            else at(prev).Next = at(e).Next;
            GiveBack(e);
            --rowCount_[static_cast<std::size_t>(r)];
            --k;

            // Subtract factor times the pivot row; both lists are sorted, so
            // one merged walk finds every place.
            int rp = -1;  // last entry of row r before the place looked at
            int rc = first_[static_cast<std::size_t>(r)];
            for (int q = first_[static_cast<std::size_t>(pr)]; q >= 0; q = at(q).Next) {
                const int s = at(q).Col;
                if (s == pc) continue;
                while (rc >= 0 && at(rc).Col < s) {
                    rp = rc;
                    rc = at(rc).Next;
                }
                const TComplex fp = CMul(factor, at(q).Val);
                if (rc >= 0 && at(rc).Col == s) {
                    at(rc).Val = CSub(at(rc).Val, fp);
                } else {
                    const int ne = TakeEntry();
                    if (ne < 0) return Fail(25, "Out of Space", eliminated);
                    at(ne) = {rc, s, CNeg(fp)};
                    if (rp < 0) first_[static_cast<std::size_t>(r)] = ne;
                    else at(rp).Next = ne;
                    rp = ne;
                    if (s <= n) ++colCount_[static_cast<std::size_t>(s)];
                    ++rowCount_[static_cast<std::size_t>(r)];
                }
            }
        }
    }

    // Back substitution in reverse pivot order, then undo the column scaling.
    for (int i = n - 1; i >= 0; --i) {
        const int r = pivotRow_[static_cast<std::size_t>(i)];
        const int f = pivotCol_[static_cast<std::size_t>(i)];
        TComplex sum = ComplexZero;
        TComplex rhs = ComplexZero;
        TComplex piv = ComplexOne;
        for (int e = first_[static_cast<std::size_t>(r)]; e >= 0; e = at(e).Next) {
            const int c = at(e).Col;
            if (c > n) rhs = at(e).Val;
            else if (c == f) piv = at(e).Val;
            else sum = CAdd(sum, CMul(at(e).Val, x_[static_cast<std::size_t>(c)]));
        }
        x_[static_cast<std::size_t>(f)] = CDiv(CSub(rhs, sum), piv);
    }
    x_[0] = ComplexZero;
    for (int j = 1; j <= n; ++j)
        x_[static_cast<std::size_t>(j)] = CScaleDiv(x_[static_cast<std::size_t>(j)], colScale_[static_cast<std::size_t>(j)]);
    solved_ = true;
    return true;
}

}  // namespace pelmo
