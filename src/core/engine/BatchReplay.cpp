#include "engine/BatchReplay.h"

#include <climits>
#include <cmath>

#include "engine/SparseSolver.h"

namespace pelmo {

// GCC builds an AVX2 copy beside the default one and picks at load time;
// clang (the sanitizer build) links member-function clones wrongly, so it
// gets the default only.
#if defined(__GNUC__) && !defined(__clang__)
#define PELMO_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#else
#define PELMO_AVX2_CLONE
#endif

namespace {

// The lanes as vectors: every operation below is the solver's, term by term,
// on each lane, so each lane rounds exactly as the solver does.
using VD = double __attribute__((vector_size(sizeof(double) * TBatchReplay::Lanes)));
using VL = long long __attribute__((vector_size(sizeof(double) * TBatchReplay::Lanes)));
using TLanes = TBatchReplay::TLanes;
static_assert(sizeof(VD) == sizeof(TLanes::Re) && alignof(TLanes) >= alignof(VD));

// The real and the imaginary parts of the lanes as vectors (a vector of
// doubles may stand for the doubles it is made of).
inline VD& Re(TLanes& a) { return *reinterpret_cast<VD*>(a.Re); }
inline VD& Im(TLanes& a) { return *reinterpret_cast<VD*>(a.Im); }
inline const VD& Re(const TLanes& a) { return *reinterpret_cast<const VD*>(a.Re); }
inline const VD& Im(const TLanes& a) { return *reinterpret_cast<const VD*>(a.Im); }

inline std::size_t U(int i) { return static_cast<std::size_t>(i); }

constexpr unsigned AllLanes = (1u << TBatchReplay::Lanes) - 1;

inline unsigned LaneBits(const VL& mask) {
    unsigned bits = 0;
    for (int l = 0; l < TBatchReplay::Lanes; ++l)
        if (mask[l]) bits |= 1u << l;
    return bits;
}

inline bool Any(const VL& mask) {
    long long any = 0;
    for (int l = 0; l < TBatchReplay::Lanes; ++l) any |= mask[l];
    return any != 0;
}

// The lanes in which the magnitude of a is at least 10 % of the root of m
// (m > 0): decided from the squares where they are clearly apart, from the
// roots near the boundary, as the solver's replay decides.
[[gnu::always_inline]] inline void Within(const TLanes& a, const VD& m, VL& within) {
    const VD s = Re(a) * Re(a) + Im(a) * Im(a);
    const VD bound = 0.01 * m;
    const VL banded = (bound > 1e-280) & (bound < 1e280);
    const VL above = banded & (s > bound * (1.0 + 1e-9));
    const VL below = banded & (s < bound * (1.0 - 1e-9));
    within = above;
    if (Any(~(above | below))) {
        for (int l = 0; l < TBatchReplay::Lanes; ++l)
            if (!above[l] && !below[l]) within[l] = std::sqrt(s[l]) >= 0.1 * std::sqrt(m[l]) ? -1 : 0;
    }
}

}  // namespace

bool TBatchReplay::Take(const TSparseSolver& s) {
    ready_ = false;
    if (!s.recorded_ || !s.tapeValid_ || s.recordedNeq_ < 1) return false;
    neq_ = s.recordedNeq_;
    calls_ = s.calls_;
    const auto n = U(neq_);
    rowBegin_.assign(s.tRowBegin_.begin(), s.tRowBegin_.begin() + static_cast<std::ptrdiff_t>(n + 2));
    rowSlots_.assign(s.tRowSlots_.begin(), s.tRowSlots_.end());
    rowRhs_.assign(s.tRowRhs_.begin(), s.tRowRhs_.begin() + static_cast<std::ptrdiff_t>(n + 1));
    colBegin_.assign(s.tColBegin_.begin(), s.tColBegin_.begin() + static_cast<std::ptrdiff_t>(n + 2));
    colSlots_.assign(s.tColSlots_.begin(), s.tColSlots_.end());
    pivots_.resize(s.tPivots_.size());
    pivotEntries_.resize(s.tPivotEntries_.size());
    for (std::size_t i = 0; i < pivotEntries_.size(); ++i) pivotEntries_[i] = s.tPivotEntries_[i].first;
    blockers_.clear();
    for (std::size_t i = 0; i < pivots_.size(); ++i) {
        const auto& p = s.tPivots_[i];
        // The replay takes, among the entries within 10 %, the first with the
        // fewest column entries: the recorded pivot stays while no entry
        // ahead of it in that order is within 10 %.
        int at = -1;
        for (int e = p.EntriesBegin; e < p.EntriesEnd; ++e)
            if (s.tPivotEntries_[U(e)].first == p.PivotSlot) at = e;
        if (at < 0) return false;
        const int count = s.tPivotEntries_[U(at)].second;
        const int begin = static_cast<int>(blockers_.size());
        for (int e = p.EntriesBegin; e < p.EntriesEnd; ++e) {
            const int c = s.tPivotEntries_[U(e)].second;
            if (c < count || (c == count && e < at)) blockers_.push_back(s.tPivotEntries_[U(e)].first);
        }
        pivots_[i] = {p.EntriesBegin, p.EntriesEnd, p.PivotSlot, begin, static_cast<int>(blockers_.size()),
                      p.TargetsBegin, p.TargetsEnd};
    }
    targets_.assign(s.tTargets_.begin(), s.tTargets_.end());
    updates_.assign(s.tUpdates_.begin(), s.tUpdates_.end());
    back_.assign(s.tBack_.begin(), s.tBack_.end());
    backEntries_.assign(s.tBackEntries_.begin(), s.tBackEntries_.end());
    vals_.resize(U(s.tSlotCount_));
    scales_.resize(2 * n + 2);
    x_.resize(n + 1);
    callSource_.assign(calls_.size(), -1);
    callNegate_.assign(calls_.size(), 0);
    ready_ = true;
    return true;
}

void TBatchReplay::SetSources(const std::vector<int>& source, const std::vector<char>& negate) {
    callSource_.assign(source.begin(), source.end());
    callNegate_.assign(negate.begin(), negate.end());
    if (callSource_.size() != calls_.size() || callNegate_.size() != calls_.size()) ready_ = false;
}

// Compiled also for processors with 256-bit vectors, which take four lanes
// in one instruction; the arithmetic is the same either way.
PELMO_AVX2_CLONE unsigned TBatchReplay::Solve(const TLanes* in, unsigned lanes,
                                                                               TLanes* xOut) {
    lanes &= AllLanes;
    if (!ready_ || lanes == 0) return 0;
    const int n = neq_;
    TLanes* v = vals_.data();
    VL bad = {};  // lanes that leave the recording

    // The stamps: the first call of an entry sets it, later ones add to it.
    for (std::size_t j = 0; j < calls_.size(); ++j) {
        const Call& c = calls_[j];
        const TLanes& a = in[callSource_[j]];
        VD re = Re(a), im = Im(a);
        if (callNegate_[j]) {
            re = -re;
            im = -im;
        }
        TLanes& dst = v[c.Slot];
        if (c.First) {
            Re(dst) = re;
            Im(dst) = im;
        } else {
            Re(dst) = Re(dst) + re;
            Im(dst) = Im(dst) + im;
        }
    }

    // Row equilibration: the largest square of each row, its root, then the
    // divisions (a zero right-hand side stays what it is when divided).
    TLanes* rowScale = scales_.data();
    TLanes* colScale = scales_.data() + n + 1;
    for (int r = 1; r <= n; ++r) {
        VD m = {};
        for (int i = rowBegin_[U(r)], e = rowBegin_[U(r) + 1]; i < e; ++i) {
            const TLanes& a = v[rowSlots_[U(i)]];
            const VD s = Re(a) * Re(a) + Im(a) * Im(a);
            m = s > m ? s : m;
        }
        for (int l = 0; l < Lanes; ++l) rowScale[r].Re[l] = std::sqrt(m[l]);
        bad |= Re(rowScale[r]) == 0.0;
    }
    for (int r = 1; r <= n; ++r) {
        const VD d = Re(rowScale[r]);
        for (int i = rowBegin_[U(r)], e = rowBegin_[U(r) + 1]; i < e; ++i) {
            TLanes& a = v[rowSlots_[U(i)]];
            Re(a) = Re(a) / d;
            Im(a) = Im(a) / d;
        }
        TLanes& b = v[rowRhs_[U(r)]];
        Re(b) = Re(b) / d;
        Im(b) = Im(b) / d;
    }

    // Column equilibration.
    for (int j = 1; j <= n; ++j) {
        VD m = {};
        for (int i = colBegin_[U(j)], e = colBegin_[U(j) + 1]; i < e; ++i) {
            const TLanes& a = v[colSlots_[U(i)]];
            const VD s = Re(a) * Re(a) + Im(a) * Im(a);
            m = s > m ? s : m;
        }
        for (int l = 0; l < Lanes; ++l) colScale[j].Re[l] = std::sqrt(m[l]);
        bad |= Re(colScale[j]) == 0.0;
    }
    for (int j = 1; j <= n; ++j) {
        const VD c = Re(colScale[j]);
        for (int i = colBegin_[U(j)], e = colBegin_[U(j) + 1]; i < e; ++i) {
            TLanes& a = v[colSlots_[U(i)]];
            Re(a) = Re(a) / c;
            Im(a) = Im(a) / c;
        }
    }

    // The elimination; in every lane the recorded pivot must still be the
    // one the 10 % rule picks.
    for (const PivotStep& step : pivots_) {
        VD m = VD{} - 1.0;
        for (int i = step.EntriesBegin; i < step.EntriesEnd; ++i) {
            const TLanes& a = v[pivotEntries_[U(i)]];
            const VD s = Re(a) * Re(a) + Im(a) * Im(a);
            m = s > m ? s : m;
        }
        bad |= ~(m > 0.0);
        VL within;
        Within(v[step.PivotSlot], m, within);
        bad |= ~within;
        for (int b = step.BlockersBegin; b < step.BlockersEnd; ++b) {
            Within(v[blockers_[U(b)]], m, within);
            bad |= within;
        }
        const VD pre = Re(v[step.PivotSlot]), pim = Im(v[step.PivotSlot]);
        const VD e = 1.0 / (pre * pre + pim * pim);
        for (int t = step.TargetsBegin; t < step.TargetsEnd; ++t) {
            const Target& target = targets_[U(t)];
            const TLanes& a = v[target.FactorSlot];
            const VD fre = e * (pre * Re(a) + pim * Im(a));
            const VD fim = e * (pre * Im(a) - pim * Re(a));
            for (int u = target.UpdatesBegin; u < target.UpdatesEnd; ++u) {
                const Update& up = updates_[U(u)];
                const TLanes& src = v[up.Src];
                const VD pre2 = fre * Re(src) - fim * Im(src);
                const VD pim2 = fre * Im(src) + fim * Re(src);
                TLanes& dst = v[up.Dst];
                if (up.Fill) {
                    Re(dst) = -pre2;
                    Im(dst) = -pim2;
                } else {
                    Re(dst) = Re(dst) - pre2;
                    Im(dst) = Im(dst) - pim2;
                }
            }
        }
    }

    // Back substitution in reverse pivot order, then the column scales undone.
    TLanes* x = x_.data();
    for (const BackStep& b : back_) {
        VD sre = {}, sim = {};
        for (int i = b.Begin; i < b.End; ++i) {
            const auto [slot, col] = backEntries_[U(i)];
            const TLanes& a = v[slot];
            const TLanes& y = x[col];
            sre = sre + (Re(a) * Re(y) - Im(a) * Im(y));
            sim = sim + (Re(a) * Im(y) + Im(a) * Re(y));
        }
        const VD tre = Re(v[b.RhsSlot]) - sre, tim = Im(v[b.RhsSlot]) - sim;
        const VD pre = Re(v[b.PivotSlot]), pim = Im(v[b.PivotSlot]);
        const VD e = 1.0 / (pre * pre + pim * pim);
        Re(x[b.Col]) = e * (pre * tre + pim * tim);
        Im(x[b.Col]) = e * (pre * tim - pim * tre);
    }
    for (int j = 1; j <= n; ++j) {
        const VD c = Re(colScale[j]);
        Re(xOut[j]) = Re(x[j]) / c;
        Im(xOut[j]) = Im(x[j]) / c;
    }
    return lanes & ~LaneBits(bad);
}

}  // namespace pelmo
