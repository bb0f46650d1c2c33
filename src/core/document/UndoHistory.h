#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "graphs/GraphRecord.h"

// Undo and redo of the sheet editor. Every completed edit records the whole
// design as the text of its design file (the design is small); undoing reads
// an earlier text back, so the design returns exactly to an earlier state and
// never to a half-applied one. The graph windows' curves follow: curves that
// an edit removed with their element come back when it is undone, and every
// curve is tied to the element of its name in the design read back.

namespace pelmo {

struct TDesign;

class TUndoHistory {
public:
    // Where restored designs put the measurement files they carry: each
    // restore gets a fresh sub-folder, so files a loaded driver refers to are
    // never overwritten by a later restore.
    void SetWorkFolder(const std::string& folder) { workFolder_ = folder; }
    const std::string& WorkFolder() const { return workFolder_; }
    // The open graph windows whose curves undo and redo keep in step.
    void SetGraphs(TGraphList* graphs) { graphs_ = graphs; }

    // Forgets every step and takes the design as the state edits start from
    // (after start-up, New and Open).
    void Reset(TDesign& d);
    // The curves of the part or driver with this designator that the edit
    // under way is about to remove.
    void NoteCurvesOf(const std::string& designator, bool driver);
    // One step: the state before the edit goes on the undo list, the design
    // as it is now becomes the current state, redo is forgotten. Nothing
    // happens when the design did not change.
    void Commit(TDesign& d);

    // The design's file text as of the last Reset, Commit, Undo or Redo
    // (empty when it could not be taken).
    std::vector<std::string> CurrentState() const { return haveCurrent_ ? current_ : TSnapshot{}; }

    // The design as it was last saved (or read, or started untitled): Undo
    // and Redo that come back to it leave the design unmodified.
    // Reset forgets it.
    void MarkSaved(TDesign& d) { haveSaved_ = Take(d, saved_); }
    bool AtSavedState() const { return haveSaved_ && haveCurrent_ && current_ == saved_; }

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    std::size_t UndoDepth() const { return undo_.size(); }

    // Puts the design back to the state before the last step (or after the
    // last undone step). The file name stays; the design counts as modified
    // unless it is back where it was last saved.
    // False when there is nothing to go back to or the state cannot be read.
    bool Undo(TDesign& d);
    bool Redo(TDesign& d);

    // Steps kept at most; the oldest are dropped.
    static constexpr std::size_t MaxSteps = 100;

private:
    using TSnapshot = std::vector<std::string>;
    struct TRemovedCurve {
        const TGraphRecord* Window = nullptr;
        std::size_t Index = 0;  // in the window's list as it was just before
        TSeriesDef Curve;
    };
    // Removed curves, one batch per element, in the order they went.
    using TRemovedCurves = std::vector<std::vector<TRemovedCurve>>;
    struct TStep {
        TSnapshot Design;
        TRemovedCurves Removed;  // by the edit that follows this state
    };

    bool Take(TDesign& d, TSnapshot& out) const;
    bool Restore(TDesign& d, const TSnapshot& s);
    void BringBack(const TRemovedCurves& removed, const TDesign& d);
    template <class Pred>
    void Note(Pred of);

    std::string workFolder_;
    TGraphList* graphs_ = nullptr;
    int restores_ = 0;
    TSnapshot current_;
    bool haveCurrent_ = false;
    TSnapshot saved_;
    bool haveSaved_ = false;
    TRemovedCurves pending_;
    std::deque<TStep> undo_;
    std::deque<TStep> redo_;
};

// Ties every curve that shows a part or driver to the element of its name in
// the design (whatever index it had); a curve whose element is gone is removed.
void RelinkCurves(TGraphList& graphs, const TDesign& d);

}  // namespace pelmo
