// The solve must not allocate per frequency: after a first solve has sized
// every buffer, a solve allocates only a few times (the netlist's work lists),
// however many frequencies and curves it fills.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "CircuitBuilder.h"
#include "base/MessageSink.h"
#include "graphs/GraphSolve.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

// Replacing the global allocation functions pairs malloc with free on purpose.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    if (counting) ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

using namespace pelmo;

TEST(Allocation, RepeatedSolvesAllocateOnlyPerSolve) {
    test::CircuitBuilder c;
    c.Ground();
    c.L(1, 2, 1.5e-3, 0.3);
    c.C(2, 0, 10e-6);
    c.Driver(2, 0, 8);
    c.C(1, 3, 6.8e-6);
    c.L(3, 0, 0.47e-3, 0.2);
    c.R(3, 4, 2);
    c.Driver(4, 0, 6);
    c.Wire(c.At(4), {c.At(4).X, 40});
    TGraphRecord spl(TGraphKind::SPL), z(TGraphKind::Impedance), v(TGraphKind::Voltage), gd(TGraphKind::GroupDelay),
        imp(TGraphKind::Impulse), st(TGraphKind::Step), sq(TGraphKind::SquareWave);
    AddCurve(spl, c.d, "System", true).Smoothing = 1.0 / 6;
    AddCurve(spl, c.d, "S1", true).Smoothing = AuditorySmoothing;
    AddCurve(spl, c.d, "S2 (driver only)", true);
    AddCurve(z, c.d, "System", true);
    AddCurve(z, c.d, "S2 (lookback)", true);
    AddCurve(v, c.d, "C1", true);
    AddCurve(gd, c.d, "System", true);
    AddCurve(imp, c.d, "System", true);
    AddCurve(imp, c.d, "S1", false);
    AddCurve(st, c.d, "System", true);
    AddCurve(sq, c.d, "System", true);
    TGraphList graphs;
    for (TGraphRecord* g : {&spl, &z, &v, &gd, &imp, &st, &sq}) graphs.Add(g);
    TGraphSolve solve;
    SilentMessageSink silent;
    SolveGraphs(c.d, graphs, solve, silent);
    SolveGraphs(c.d, graphs, solve, silent);

    allocations = 0;
    counting = true;
    SolveGraphs(c.d, graphs, solve, silent);
    counting = false;
    EXPECT_LT(allocations.load(), 20);
    EXPECT_EQ(z.Curves[1].MagSeries.Count(), 500u);
    EXPECT_EQ(gd.Curves[0].MagSeries.Count(), 500u);
    EXPECT_EQ(imp.Curves[1].MagSeries.Count(), 16384u);
    EXPECT_EQ(sq.Curves[0].MagSeries.Count(), 401u);
}
