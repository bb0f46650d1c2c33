#include "gui/tools/OptimizeRunner.h"

#include <exception>

namespace pelmo {

TOptimizeRunner::~TOptimizeRunner() {
    if (!thread_.joinable()) return;
    cancel_.store(true);
    thread_.join();
}

bool TOptimizeRunner::Start(const TDesign& d, const TObjectiveSettings& settings,
                            std::vector<TOptimizeVariable> variables, const TOptimizeSettings& search,
                            std::string& why) {
    if (thread_.joinable()) {
        why = "A search is running already.";
        return false;
    }
    messages_ = std::make_unique<TCollectedMessages>();
    try {
        objective_ = std::make_unique<TObjective>(d, settings, std::move(variables), *messages_);
    } catch (const std::exception& e) {
        why = e.what();
        objective_.reset();
        return false;
    }
    search_ = search;
    cancel_.store(false);
    ended_.store(false);
    {
        std::lock_guard<std::mutex> lock(m_);
        progress_ = {};
        progress_.MaxEvaluations = search.MaxEvaluations;
        progress_.BestValues = objective_->StartValues();
    }
    outcome_ = {};
    thread_ = std::thread([this] {
        TOptimizeOutcome out;
        try {
            out = RunOptimizer(*objective_, search_, [this](const TOptimizeProgress& p) {
                if (AfterEvaluation) AfterEvaluation();
                std::lock_guard<std::mutex> lock(m_);
                progress_.Evaluations = p.Evaluations;
                progress_.MaxEvaluations = p.MaxEvaluations;
                progress_.StartObjective = p.StartObjective;
                progress_.BestObjective = p.BestObjective;
                progress_.Snapping = p.Snapping;
                if (p.Improved && p.BestValues && p.BestTerms) {
                    progress_.BestValues = *p.BestValues;
                    progress_.BestTerms = *p.BestTerms;
                    ++progress_.Improvements;
                }
                return !cancel_.load();
            });
        } catch (const std::exception& e) {
            out.Failure = e.what();
        }
        {
            std::lock_guard<std::mutex> lock(m_);
            outcome_ = std::move(out);
        }
        ended_.store(true);
    });
    return true;
}

TOptimizeOutcome TOptimizeRunner::Finish(std::vector<std::string>& messages) {
    if (thread_.joinable()) thread_.join();
    messages = messages_ ? messages_->Texts : std::vector<std::string>{};
    objective_.reset();
    std::lock_guard<std::mutex> lock(m_);
    return outcome_;
}

TOptimizeRunner::TProgress TOptimizeRunner::Progress() const {
    std::lock_guard<std::mutex> lock(m_);
    return progress_;
}

}  // namespace pelmo
