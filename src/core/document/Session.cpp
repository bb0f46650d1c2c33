#include "document/Session.h"

#include <exception>
#include <filesystem>

namespace pelmo {

TSession::TSession(MessageSink& messages, std::string dataFolder)
    : given_(messages),
      dataFolder_(std::move(dataFolder)),
      design_(std::make_unique<TDesign>()),
      document_(*design_, recent_, proxy_, dataFolder_, {}) {
    document_.SaveDialogFolder = dataFolder_;
    if (!dataFolder_.empty()) {
        // Restored designs of an earlier run are of no use any more.
        std::error_code ec;
        std::filesystem::remove_all(dataFolder_ + "Undo", ec);
        history_.SetWorkFolder(dataFolder_ + "Undo/");
    }
    history_.SetGraphs(&graphs_);
}

bool TSession::Solve() {
    if (design_->BlockDesignMode) return false;
    ++solveCount_;
    bool ok = true;
    try {
        if (BeforeSolve) BeforeSolve();
        SolveGraphs(*design_, graphs_, solve_, proxy_);
    } catch (const std::exception& e) {
        // A failure no code handles ends the command with its text, once:
        // tuning on past a block expression that cannot be evaluated does
        // not repeat the same message at every wheel notch.
        if (e.what() != lastFailure_) proxy_.ShowMessage(e.what());
        lastFailure_ = e.what();
        ok = false;
    }
    if (ok) lastFailure_.clear();
    if (Solved) Solved(ok);
    return ok;
}

void TSession::ElementRemoving(const std::string& designator, bool driver) {
    history_.NoteCurvesOf(designator, driver);
    RemoveCurvesOf(graphs_, designator, driver);
}

}  // namespace pelmo
