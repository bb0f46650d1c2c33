#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/MessageSink.h"
#include "document/DocumentFlow.h"
#include "document/RecentFiles.h"
#include "document/Recovery.h"
#include "document/UndoHistory.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"

// The one open design of a run and what lives with it: the document state
// (file name, modified, the open and save flow, the recent files), the undo
// history, the graph windows' records and their solve. The program's window
// and the command-line tool both work through it.

namespace pelmo {

class TSession {
public:
    // `messages` shows the core's messages and asks its questions.
    // `dataFolder` is the public data folder: the recent-files list and the
    // undo snapshots live there ("" when there is none; undo snapshots then
    // go to the temporary folder). Snapshots of an earlier run are removed.
    explicit TSession(MessageSink& messages, std::string dataFolder = {});
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    TDesign& Design() { return *design_; }
    const TDesign& Design() const { return *design_; }
    const std::string& DataFolder() const { return dataFolder_; }

    // Every message goes to the current sink: the one given, or a
    // replacement (tests record); nullptr goes back to the one given.
    MessageSink& Messages() { return proxy_; }
    void SetMessageSink(MessageSink* sink) { current_ = sink ? sink : &given_; }

    TMostRecentFiles& RecentFiles() { return recent_; }
    TDocument& Document() { return document_; }
    TUndoHistory& History() { return history_; }
    TGraphList& Graphs() { return graphs_; }
    TGraphSolve& GraphSolve() { return solve_; }

    // Solves the design for every graph record: BeforeSolve first (the graph
    // windows bring their curve lists up to date), then the solve, then
    // Solved. Nothing happens in block design mode. A failure no code
    // handles (a circuit block expression that cannot be evaluated) ends the
    // solve with a message showing its text (not again while the next solves
    // fail the same way); Solved runs in any case and is told whether the
    // solve went through. Returns the same.
    bool Solve();
    int SolveCount() const { return solveCount_; }
    std::function<void()> BeforeSolve;
    std::function<void(bool ok)> Solved;

    // One undo step per completed edit; Undo and Redo bring the design (and
    // the curves of the elements they bring back) to an earlier state. Each
    // makes a recovery copy due.
    void CommitEdit();
    bool Undo();
    bool Redo();
    // Forgets every step: the design as it is now is where edits start. An
    // unmodified design is also what recovery copies are compared with.
    void ResetHistory();
    // The design was just written (or the save did not happen): an
    // unmodified design is the state undo can come back to unmodified.
    void DocumentSaved();
    // A tuning session has ended: its result goes into the recovery copy.
    void TuningEnded() { recovery_.NoteEdit(); }

    // ---- crash recovery ----
    // The recovery copy of this program and the copies left by others. The
    // window runs UpdateRecovery when NextRecoveryUpdate says (from a timer,
    // never inside a solve), and after every document command: a save
    // removes the copy.
    TRecovery& Recovery() { return recovery_; }
    std::optional<TRecovery::TClock::time_point> NextRecoveryUpdate() const { return recovery_.NextUpdate(*design_); }
    bool UpdateRecovery(TRecovery::TClock::time_point now = TRecovery::TClock::now()) {
        return recovery_.Update(*design_, now);
    }
    // Opens a copy left by a program that is gone (one of
    // Recovery().FindLeftovers()) in place of the design, as Open does: a
    // modified design asks "Save current design?" first. The design takes
    // the copy's file name and counts as modified; this program's own copy of
    // it is written at once and the one left behind is deleted; its file name
    // goes into the recent files. The caller resets the graph windows (hook)
    // and solves. False, with the copy kept, when the copy cannot be read (the
    // cause in `why`, when given) or a wanted save failed (`why` untouched).
    bool RecoverLeftover(const TRecoveryCopy& copy, const std::function<void()>& beforeReplace = {},
                         std::string* why = nullptr);
    // A part or driver is about to be removed by an edit: its curves leave
    // every graph record, remembered so that undo brings them back.
    void ElementRemoving(const std::string& designator, bool driver);

private:
    class TSinkProxy : public MessageSink {
    public:
        explicit TSinkProxy(TSession& owner) : owner_(owner) {}
        void ShowMessage(const std::string& text) override { owner_.current_->ShowMessage(text); }
        Answer Ask(const std::string& q, bool withCancel) override { return owner_.current_->Ask(q, withCancel); }

    private:
        TSession& owner_;
    };

    MessageSink& given_;
    MessageSink* current_ = &given_;
    TSinkProxy proxy_{*this};
    std::string dataFolder_;
    std::unique_ptr<TDesign> design_;
    TMostRecentFiles recent_;
    TDocument document_;
    TUndoHistory history_;
    TRecovery recovery_;
    int recoveries_ = 0;
    TGraphList graphs_;
    TGraphSolve solve_;
    int solveCount_ = 0;
    std::string lastFailure_;  // of the last solve, when it failed
};

}  // namespace pelmo
