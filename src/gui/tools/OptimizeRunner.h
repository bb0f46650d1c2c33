#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "optimize/Optimizer.h"

// One optimizer search on a thread of its own. The search works on the
// objective's private copy of the design; the window's thread asks for the
// progress (a copy taken under a lock) whenever it likes and takes the
// outcome once the search has ended.

namespace pelmo {

struct TDesign;

class TOptimizeRunner {
public:
    struct TProgress {
        int Evaluations = 0;
        int MaxEvaluations = 0;
        double StartObjective = 0.0;
        double BestObjective = 0.0;
        std::vector<double> BestValues;
        TObjectiveTerms BestTerms;
        // Counts the improvements: a change says the best values are new.
        int Improvements = 0;
        bool Snapping = false;
    };

    TOptimizeRunner() = default;
    ~TOptimizeRunner();  // cancels a running search and waits for it
    TOptimizeRunner(const TOptimizeRunner&) = delete;
    TOptimizeRunner& operator=(const TOptimizeRunner&) = delete;

    // Copies the design and starts the search. False, with the reason in
    // `why`, when the objective cannot be set up (a circuit block whose
    // expressions fail).
    bool Start(const TDesign& d, const TObjectiveSettings& settings, std::vector<TOptimizeVariable> variables,
               const TOptimizeSettings& search, std::string& why);

    bool Running() const { return thread_.joinable(); }
    // The search has returned; Finish takes its outcome.
    bool Ended() const { return ended_.load(); }
    // Asks the search to stop at its next evaluation.
    void Cancel() { cancel_.store(true); }
    // Waits for the search and gives its outcome and the messages of its
    // evaluations (each distinct text once).
    TOptimizeOutcome Finish(std::vector<std::string>& messages);

    TProgress Progress() const;

    // Called on the search's thread after every evaluation (tests slow a
    // search down with it). Set it only while no search runs.
    std::function<void()> AfterEvaluation;

private:
    std::unique_ptr<TCollectedMessages> messages_;
    std::unique_ptr<TObjective> objective_;
    TOptimizeSettings search_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> ended_{false};
    mutable std::mutex m_;
    TProgress progress_;
    TOptimizeOutcome outcome_;
};

}  // namespace pelmo
