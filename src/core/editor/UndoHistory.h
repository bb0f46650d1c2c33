#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

// Undo and redo of the sheet editor. Every completed edit records the whole
// design as the text of its design file (the design is small); undoing reads
// an earlier text back, so the design returns exactly to an earlier state and
// never to a half-applied one.

namespace pelmo {

struct TDesign;

class TUndoHistory {
public:
    // Where restored designs put the measurement files they carry: each
    // restore gets a fresh sub-folder, so files a loaded driver refers to are
    // never overwritten by a later restore.
    void SetWorkFolder(const std::string& folder) { workFolder_ = folder; }
    const std::string& WorkFolder() const { return workFolder_; }

    // Forgets every step and takes the design as the state edits start from
    // (after start-up, New and Open).
    void Reset(TDesign& d);
    // One step: the state before the edit goes on the undo list, the design
    // as it is now becomes the current state, redo is forgotten. Nothing
    // happens when the design did not change.
    void Commit(TDesign& d);

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    std::size_t UndoDepth() const { return undo_.size(); }

    // Puts the design back to the state before the last step (or after the
    // last undone step). The file name stays; the design counts as modified.
    // False when there is nothing to go back to or the state cannot be read.
    bool Undo(TDesign& d);
    bool Redo(TDesign& d);

    // Steps kept at most; the oldest are dropped.
    static constexpr std::size_t MaxSteps = 100;

private:
    using TSnapshot = std::vector<std::string>;
    bool Take(TDesign& d, TSnapshot& out) const;
    bool Restore(TDesign& d, const TSnapshot& s);

    std::string workFolder_;
    int restores_ = 0;
    TSnapshot current_;
    bool haveCurrent_ = false;
    std::deque<TSnapshot> undo_;
    std::deque<TSnapshot> redo_;
};

}  // namespace pelmo
