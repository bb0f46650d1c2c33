// The batch runs the solver's recorded elimination on several systems side
// by side: every lane it reports solved must hold, bit for bit, what a fresh
// solver gives for that system; a lane whose pivots or zeros differ must be
// left to the solver.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/BatchReplay.h"
#include "engine/Complex.h"
#include "engine/SparseSolver.h"

using namespace pelmo;

namespace {

TComplex C(double re, double im = 0.0) { return {re, im}; }

struct Stamp {
    int row, col;
};

// A nodal-like pattern with fill-in and accumulating stamps.
std::vector<Stamp> Pattern(int n) {
    std::vector<Stamp> order;
    for (int r = 1; r <= n; ++r) {
        order.push_back({r, r});
        if (r > 1) order.push_back({r, r - 1});
        if (r < n) order.push_back({r, r + 1});
        if (r % 3 == 0) order.push_back({r, 1});
        if (r == 1) order.push_back({1, n});
        if (r % 2 == 0) order.push_back({r, r});
    }
    return order;
}

// The system's values, magnitudes over two decades so that the 10 % rule
// now and then picks other pivots.
std::vector<TComplex> Values(std::mt19937& rng, std::size_t count) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<TComplex> v;
    for (std::size_t i = 0; i < count; ++i) {
        const double m = std::pow(10.0, u(rng));
        v.push_back(C(m * u(rng), m * u(rng)));
    }
    return v;
}

TComplex RightSide(int r) { return C(r == 2 ? 1 : 0, r == 5 ? -1 : 0); }

bool SolveFresh(const std::vector<Stamp>& order, const std::vector<TComplex>& values, int n, std::vector<TComplex>& x) {
    TSparseSolver s;
    s.InitStruc(n);
    for (std::size_t i = 0; i < order.size(); ++i) s.AddMatrixElement(order[i].row, order[i].col, values[i]);
    for (int r = 1; r <= n; ++r) s.AddRightSide(r, RightSide(r));
    const bool ok = s.SolveSystem();
    x.assign(static_cast<std::size_t>(n) + 1, C(0));
    for (int i = 1; i <= n; ++i) x[static_cast<std::size_t>(i)] = s.GetSolution(i);
    return ok;
}

}  // namespace

TEST(BatchReplay, SolvedLanesMatchFreshSolvesExactlyAndOthersAreLeftOut) {
    const int n = 7;
    const std::vector<Stamp> order = Pattern(n);
    std::mt19937 rng(4242);

    // The recording: one system through a solver.
    TSparseSolver recorder;
    const std::vector<TComplex> first = Values(rng, order.size());
    ASSERT_TRUE(recorder.InitStruc(n));
    for (std::size_t i = 0; i < order.size(); ++i) recorder.AddMatrixElement(order[i].row, order[i].col, first[i]);
    for (int r = 1; r <= n; ++r) recorder.AddRightSide(r, RightSide(r));
    ASSERT_TRUE(recorder.SolveSystem());
    TBatchReplay batch;
    ASSERT_TRUE(batch.Take(recorder));
    recorder.ReleaseSystem();
    ASSERT_EQ(batch.Neq(), n);
    ASSERT_EQ(batch.CallCount(), order.size() + n);
    for (std::size_t j = 0; j < order.size(); ++j) {
        EXPECT_EQ(batch.CallRow(j), order[j].row);
        EXPECT_EQ(batch.CallCol(j), order[j].col);
    }

    // Every call takes its own source: the stamps, then the right-hand sides.
    std::vector<int> source(batch.CallCount());
    for (std::size_t j = 0; j < source.size(); ++j) source[j] = static_cast<int>(j);
    std::vector<char> negate(batch.CallCount(), 0);
    negate[1] = 1;  // the value of call 1 goes in negated
    batch.SetSources(source, negate);
    ASSERT_TRUE(batch.Ready());

    constexpr int L = TBatchReplay::Lanes;
    std::vector<TBatchReplay::TLanes> sources(batch.CallCount()), x(n + 1);
    int solved = 0, leftOut = 0;
    for (int round = 0; round < 500; ++round) {
        std::vector<std::vector<TComplex>> lanes(L);
        for (int l = 0; l < L; ++l) {
            lanes[l] = Values(rng, order.size());
            // Now and then a lane whose system cannot be solved.
            if ((round + l) % 53 == 3)
                for (std::size_t i = 0; i < order.size(); ++i)
                    if (order[i].row == 4) lanes[l][i] = C(0);
            for (std::size_t j = 0; j < order.size(); ++j) {
                sources[j].Re[l] = lanes[l][j].re;
                sources[j].Im[l] = lanes[l][j].im;
            }
            for (int r = 1; r <= n; ++r) {
                sources[order.size() + r - 1].Re[l] = RightSide(r).re;
                sources[order.size() + r - 1].Im[l] = RightSide(r).im;
            }
        }
        const unsigned wanted = round % 7 == 0 ? 0b0101u : (1u << L) - 1;
        const unsigned done = batch.Solve(sources.data(), wanted, x.data());
        EXPECT_EQ(done & ~wanted, 0u);
        for (int l = 0; l < L; ++l) {
            if (!(wanted & (1u << l))) continue;
            std::vector<TComplex> values = lanes[l];
            values[1] = CNeg(values[1]);
            std::vector<TComplex> fresh;
            const bool ok = SolveFresh(order, values, n, fresh);
            if (!(done & (1u << l))) {
                ++leftOut;
                continue;
            }
            ++solved;
            ASSERT_TRUE(ok) << round << " lane " << l;
            for (int i = 1; i <= n; ++i)
                EXPECT_TRUE((TComplex{x[i].Re[l], x[i].Im[l]} == fresh[static_cast<std::size_t>(i)]))
                    << round << " lane " << l << " x" << i;
        }
    }
    // Most lanes keep the recorded pivots; some do not, and the unsolvable
    // ones never pass.
    EXPECT_GT(solved, 300);
    EXPECT_GT(leftOut, 50);
}

TEST(BatchReplay, NothingToReplayWithoutASuccessfulSolve) {
    TSparseSolver s;
    TBatchReplay batch;
    EXPECT_FALSE(batch.Take(s));
    ASSERT_TRUE(s.InitStruc(1));
    s.AddRightSide(1, C(1));
    EXPECT_FALSE(s.SolveSystem());  // a row without variables
    EXPECT_FALSE(batch.Take(s));
    EXPECT_FALSE(batch.Ready());
    TBatchReplay::TLanes lanes[2] = {};
    EXPECT_EQ(batch.Solve(lanes, 0b1111u, lanes), 0u);
}
