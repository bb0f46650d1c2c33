#include "editor/UndoHistory.h"

#include <filesystem>

#include "document/DataFolder.h"
#include "files/DesignFile.h"
#include "model/Design.h"
#include "model/MessageSink.h"

namespace pelmo {

bool TUndoHistory::Take(TDesign& d, TSnapshot& out) const {
    // Snapshots are taken behind the user's back: nobody is told about a
    // measurement folder that cannot be listed (Save will tell).
    SilentMessageSink quiet;
    return BuildDesignLines(d, out, quiet);
}

bool TUndoHistory::Restore(TDesign& d, const TSnapshot& s) {
    const std::string base =
        workFolder_.empty() ? (std::filesystem::temp_directory_path() / "pelmo-undo/").string() : workFolder_;
    const std::string path = base + std::to_string(++restores_) + "/undo.bkt";
    if (!CreateFolderWithParents(SupportFolderFor(path))) return false;
    SilentMessageSink quiet;
    const std::string fileName = d.FileName;
    if (!ReadDesignLines(d, s, path, quiet)) return false;
    d.FileName = fileName;
    d.Modified = true;
    return true;
}

void TUndoHistory::Reset(TDesign& d) {
    undo_.clear();
    redo_.clear();
    haveCurrent_ = Take(d, current_);
}

void TUndoHistory::Commit(TDesign& d) {
    TSnapshot now;
    if (!Take(d, now)) return;
    if (haveCurrent_ && now == current_) return;
    if (haveCurrent_) {
        undo_.push_back(std::move(current_));
        if (undo_.size() > MaxSteps) undo_.pop_front();
    }
    current_ = std::move(now);
    haveCurrent_ = true;
    redo_.clear();
}

bool TUndoHistory::Undo(TDesign& d) {
    if (undo_.empty() || !Restore(d, undo_.back())) return false;
    redo_.push_back(std::move(current_));
    current_ = std::move(undo_.back());
    undo_.pop_back();
    return true;
}

bool TUndoHistory::Redo(TDesign& d) {
    if (redo_.empty() || !Restore(d, redo_.back())) return false;
    undo_.push_back(std::move(current_));
    current_ = std::move(redo_.back());
    redo_.pop_back();
    return true;
}

}  // namespace pelmo
