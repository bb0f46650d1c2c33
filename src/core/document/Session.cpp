#include "document/Session.h"

#include <exception>
#include <filesystem>

#include "base/Paths.h"

namespace pelmo {

TSession::TSession(MessageSink& messages, std::string dataFolder)
    : given_(messages),
      dataFolder_(std::move(dataFolder)),
      design_(std::make_unique<TDesign>()),
      document_(*design_, recent_, proxy_, dataFolder_, {}),
      recovery_(dataFolder_) {
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

void TSession::CommitEdit() {
    history_.Commit(*design_);
    recovery_.NoteEdit();
}

bool TSession::Undo() {
    if (!history_.Undo(*design_)) return false;
    recovery_.NoteEdit();
    return true;
}

bool TSession::Redo() {
    if (!history_.Redo(*design_)) return false;
    recovery_.NoteEdit();
    return true;
}

void TSession::ResetHistory() {
    history_.Reset(*design_);
    if (!design_->Modified) history_.MarkSaved(*design_);
    recovery_.SetBaseline(design_->Modified ? std::vector<std::string>{} : history_.CurrentState());
}

void TSession::DocumentSaved() {
    if (!design_->Modified && !design_->BlockDesignMode) history_.MarkSaved(*design_);
}

bool TSession::RecoverLeftover(const TRecoveryCopy& copy, const std::function<void()>& beforeReplace,
                               std::string* why) {
    TDesign& d = *design_;
    if (d.Modified && proxy_.Ask(SaveCurrentDesignText, false) == MessageSink::Answer::Yes && !document_.Save())
        return false;
    if (beforeReplace) beforeReplace();
    // The measurement files the copy carries live in a folder of this run,
    // as undo's do: the design keeps its own file name.
    const std::string base = history_.WorkFolder().empty()
                                 ? (std::filesystem::temp_directory_path() / "pelmo-undo/").string()
                                 : history_.WorkFolder();
    const std::string title = copy.DesignPath.empty() ? "Untitled.bkt" : ExtractFileName(copy.DesignPath);
    const std::string work = base + "recovered-" + std::to_string(++recoveries_) + "/" + title;
    std::string cause = "cannot be read";
    if (!recovery_.ReadLeftover(copy, d, work, proxy_, &cause)) {
        if (why) *why = cause;
        return false;
    }
    if (!copy.DesignPath.empty()) recent_.Add(copy.DesignPath);
    history_.Reset(d);
    recovery_.SetBaseline({});
    // Kept twice for a moment rather than not at all.
    if (recovery_.Update(d, TRecovery::TClock::now())) recovery_.Discard(copy);
    return true;
}

void TSession::ElementRemoving(const std::string& designator, bool driver) {
    history_.NoteCurvesOf(designator, driver);
    RemoveCurvesOf(graphs_, designator, driver);
}

}  // namespace pelmo
