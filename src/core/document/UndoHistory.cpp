#include "document/UndoHistory.h"

#include <algorithm>
#include <filesystem>

#include "base/MessageSink.h"
#include "base/Paths.h"
#include "files/DesignFile.h"
#include "model/Design.h"

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
    if (graphs_) RelinkCurves(*graphs_, d);
    return true;
}

template <class Pred>
void TUndoHistory::Note(Pred of) {
    if (!graphs_) return;
    std::vector<TRemovedCurve> batch;
    for (const TGraphRecord* g : graphs_->Windows)
        for (std::size_t i = 0; i < g->Curves.size(); ++i)
            if (of(g->Curves[i])) batch.push_back({g, i, g->Curves[i]});
    if (!batch.empty()) pending_.push_back(std::move(batch));
}

void TUndoHistory::NoteCurvesOf(const std::string& designator, bool driver) {
    Note([&](const TSeriesDef& c) { return CurveShows(c, designator, driver); });
}

void TUndoHistory::BringBack(const TRemovedCurves& removed, const TDesign& d) {
    if (!graphs_) return;
    // The last batch went last: it comes back first, each at its old place.
    for (auto batch = removed.rbegin(); batch != removed.rend(); ++batch) {
        for (const TRemovedCurve& r : *batch) {
            const auto& windows = graphs_->Windows;
            const auto w = std::find(windows.begin(), windows.end(), r.Window);
            if (w == windows.end()) continue;  // that window has been closed
            TGraphRecord& g = **w;
            TSeriesDef curve = r.Curve;
            curve.Element = FindSubjectElement(d, curve.Subject);
            if (curve.Element < 0) continue;
            const std::size_t at = std::min(r.Index, g.Curves.size());
            g.Curves.insert(g.Curves.begin() + static_cast<std::ptrdiff_t>(at), std::move(curve));
        }
    }
}

void TUndoHistory::Reset(TDesign& d) {
    undo_.clear();
    redo_.clear();
    pending_.clear();
    haveCurrent_ = Take(d, current_);
    haveSaved_ = false;
}

void TUndoHistory::Commit(TDesign& d) {
    TSnapshot now;
    if (!Take(d, now)) return;
    if (haveCurrent_ && now == current_) {
        pending_.clear();
        return;
    }
    if (haveCurrent_) {
        undo_.push_back({std::move(current_), std::move(pending_)});
        if (undo_.size() > MaxSteps) undo_.pop_front();
    }
    pending_.clear();
    current_ = std::move(now);
    haveCurrent_ = true;
    redo_.clear();
}

bool TUndoHistory::Undo(TDesign& d) {
    if (undo_.empty() || !Restore(d, undo_.back().Design)) return false;
    TStep step = std::move(undo_.back());
    undo_.pop_back();
    BringBack(step.Removed, d);
    redo_.push_back({std::move(current_), std::move(step.Removed)});
    current_ = std::move(step.Design);
    pending_.clear();
    d.Modified = !AtSavedState();
    return true;
}

bool TUndoHistory::Redo(TDesign& d) {
    if (redo_.empty() || !Restore(d, redo_.back().Design)) return false;
    TStep step = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back({std::move(current_), std::move(step.Removed)});
    current_ = std::move(step.Design);
    pending_.clear();
    d.Modified = !AtSavedState();
    return true;
}

void RelinkCurves(TGraphList& graphs, const TDesign& d) {
    for (TGraphRecord* g : graphs.Windows) {
        for (std::size_t i = 0; i < g->Curves.size();) {
            TSeriesDef& c = g->Curves[i];
            if (c.Subject.Kind == TSubjectKind::System) {
                ++i;
                continue;
            }
            c.Element = FindSubjectElement(d, c.Subject);
            if (c.Element < 0)
                RemoveCurve(*g, i);
            else
                ++i;
        }
    }
}

}  // namespace pelmo
