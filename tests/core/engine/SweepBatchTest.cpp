// The sweep solves several frequencies at a time on several threads; each
// frequency's node voltages must be, bit for bit, what the solver gives when
// it is stamped and solved one frequency at a time, also where some
// frequencies leave the batch (a driver's data ending early stamps zeros, a
// shorted or open part changes the pivots).
#include <gtest/gtest.h>

#include <functional>

#include "ThreeWayDesign.h"
#include "engine/SolveContext.h"
#include "engine/Sweep.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

using namespace pelmo;

TEST(SweepBatch, NodeVoltagesEqualTheSolverOneFrequencyAtATime) {
    struct Case {
        const char* name;
        std::function<void(TDesign&)> change;
    };
    const Case cases[] = {
        {"as built", [](TDesign&) {}},
        {"woofer capacitor shorted, a resistor open",
         [](TDesign& d) {
             d.Parts[3]->State = TPartState::Shorted;
             d.Parts[5]->State = TPartState::Open;
         }},
        {"tweeter data ends at grid index 301",
         [](TDesign& d) {
             d.Drivers.back()->Admittance.Re.resize(301);
             d.Drivers.back()->Admittance.Im.resize(301);
         }},
        {"a capacitor of a picofarad", [](TDesign& d) { d.Parts[1]->Value = 1e-12; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bench::ThreeWayDesign w;
        c.change(w.d);
        TSolveContext batched;
        TSolveResult result;
        SolveNodeVoltages(w.d, w.Net, batched, result);

        TSolveContext alone;
        PlanStamps(w.d, w.Net, alone);
        int solved = 0;
        for (int k = 0; k < AnalysisPoints; ++k) {
            SetPartAdmittances(w.d, alone, w.d.Grid[static_cast<std::size_t>(k)]);
            alone.Solver.InitStruc(w.Net.NodeCount - 1);
            const bool ok = StampEquations(w.d, alone, k, 1.0) && alone.Solver.SolveSystem();
            ReadNodeVoltages(alone, w.Net.NodeCount);
            alone.Solver.ReleaseSystem();
            ASSERT_EQ(result.FrequencySolved[static_cast<std::size_t>(k)] != 0, ok) << "k " << k;
            if (!ok) continue;
            ++solved;
            const TNodeVoltages v = result.VoltagesAt(k);
            for (int n = 0; n < w.Net.NodeCount; ++n) {
                const TComplex a = v(n), b = alone.NodeVoltage(n);
                ASSERT_TRUE(a.re == b.re && a.im == b.im) << "k " << k << " node " << n;
            }
        }
        EXPECT_GT(solved, AnalysisPoints / 2);
    }
}
