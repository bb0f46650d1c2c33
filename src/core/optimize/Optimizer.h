#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/MessageSink.h"
#include "optimize/OptimizeObjective.h"

// The search: NLopt's bound-constrained derivative-free local methods on the
// variables scaled to [0, 1] between their bounds (log or linear), started
// again from the best point a few times, and optionally a last pass that
// puts every part value on its step mode's preferred-number series and
// tries the neighbouring series values one part at a time.

namespace pelmo {

struct TOptimizeSettings {
    int MaxEvaluations = 3000;  // of the search; snapping adds its own few
    int Restarts = 4;
    bool Snap = false;
};

struct TOptimizeProgress {
    int Evaluations = 0;
    int MaxEvaluations = 0;
    double StartObjective = 0.0;
    double BestObjective = 0.0;
    // The best values so far, one per variable, and their terms.
    const std::vector<double>* BestValues = nullptr;
    const TObjectiveTerms* BestTerms = nullptr;
    // The best point changed with this evaluation.
    bool Improved = false;
    bool Snapping = false;
};

struct TOptimizeOutcome {
    std::vector<double> StartValues;
    std::vector<double> BestValues;
    TObjectiveTerms Start;
    TObjectiveTerms Best;
    int Evaluations = 0;
    bool Cancelled = false;
    bool Snapped = false;
    // Not empty when the search could not run or ended by an error; the best
    // values are then the start values.
    std::string Failure;
};

// Called after every evaluation; false asks the search to stop (the best
// point so far is kept, no snapping follows).
using TOptimizeCallback = std::function<bool(const TOptimizeProgress&)>;

TOptimizeOutcome RunOptimizer(TObjective& objective, const TOptimizeSettings& settings,
                              const TOptimizeCallback& progress = {});

// The value a part variable snaps to: its step mode's series (E24 for a mode
// without one) nearest to the value, or the series value nearest to it
// inside the bounds when the nearest lies outside and one lies inside.
double SnapPartValue(double value, const TOptimizeVariable& v, const TDesign& d);

// Collects the messages of the evaluations (block expression errors) for
// showing when the search is over; questions are answered No.
class TCollectedMessages : public MessageSink {
public:
    void ShowMessage(const std::string& text) override;
    Answer Ask(const std::string&, bool) override { return Answer::No; }
    // Each distinct text once, in order of first appearance.
    std::vector<std::string> Texts;
};

}  // namespace pelmo
