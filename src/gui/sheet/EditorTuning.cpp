// Tuning: starting and ending it, and what the element dialogs ask of the
// editor while it lasts.
#include "gui/sheet/EditorTuning.h"

#include <QApplication>
#include <QCursor>
#include <QScrollArea>

#include "document/Session.h"
#include "editor/Tuning.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

TEditorTuning::TEditorTuning(TEditorController& editor, TEditorState& state, TSheetView& view)
    : editor_(editor), state_(state), view_(view) {}

TSession& TEditorTuning::Session() { return view_.Session(); }

void TEditorTuning::CancelToIdle() { editor_.CancelToIdle(); }

void TEditorTuning::Stop() {
    editor_.CloseElementDialogs();
    EndTuning();
    if (!QApplication::activeWindow()) editor_.SetIdle();
}

void TEditorTuning::Start() {
    Stop();
    if (!QApplication::activeWindow()) return;
    TDesign& d = editor_.Design();
    d.Modified = true;
    if (!editor_.CurrentExists()) {
        editor_.SetIdle();
        return;
    }
    const TElementRef e = state_.Current;
    view_.SetCursorShape(TSheetCursor::TuneDown);
    state_.Mode = TEditMode::TuneMode;
    if (e.Kind == TElementKind::Text) {
        view_.SetCursorShape(TSheetCursor::Default);
        UnselectAll(d);
        TSheetText& t = *d.Texts[e.Index];
        if (editor_.Dialogs().EditTextModal(t)) {
            UpdateTextRect(d, t);
            editor_.CommitEdit();
            // The next new text starts from this one's look.
            d.DefaultText = t;
            d.DefaultText.Selected = false;
        }
        state_.Mode = TEditMode::Idle;
        view_.RepaintSheet();
        return;
    }
    if (!editor_.Dialogs().ShowFor(e)) {
        // No dialog for this element (grounds and wires have none).
        editor_.SetIdle();
        return;
    }
    editor_.Dialogs().FocusField(e);
}

void TEditorTuning::EndTuning() {
    state_.Mode = TEditMode::Idle;
    view_.SetCursorShape(TSheetCursor::Default);
    editor_.CommitEdit();
}

void TEditorTuning::RepaintSheet() { view_.RepaintSheet(); }

void TEditorTuning::MovePointerToGrid(TPoint grid) {
    const QPoint px = view_.GridToPixel(grid);
    QCursor::setPos(view_.Sheet()->mapToGlobal(px));
    state_.Pointer = px;
    state_.LastPointer = px;
}

QRect TEditorTuning::ElementScreenRect(TElementRef e) const {
    const TDesign& d = editor_.Design();
    const auto unite = [](const TRect& a, const TRect& b) {
        return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                     std::max(a.Bottom, b.Bottom)};
    };
    const auto index = static_cast<std::size_t>(e.Index);
    TRect g;
    if (IsPartKind(e.Kind) && index < d.Parts.size())
        g = unite(d.Parts[index]->BodyRect, d.Parts[index]->LabelRect);
    else if (e.Kind == TElementKind::Driver && index < d.Drivers.size())
        g = unite(d.Drivers[index]->BodyRect, d.Drivers[index]->LabelRect);
    else if (e.Kind == TElementKind::Source)
        g = unite(d.Source.BodyRect, d.Source.LabelRect);
    else if (e.Kind == TElementKind::Block && index < d.Blocks.size())
        g = d.Blocks[index]->BoundsRect;
    else
        return {};
    const QRect pixels(view_.GridToPixel({g.Left, g.Top}), view_.GridToPixel({g.Right, g.Bottom}));
    const QRect global(view_.Sheet()->mapToGlobal(pixels.topLeft()), pixels.size());
    const QWidget* viewport = view_.ScrollBox()->viewport();
    return global.intersected(QRect(viewport->mapToGlobal(QPoint(0, 0)), viewport->size()));
}

void TEditorTuning::RecheckPointer() { RecheckPointerFor(nullptr); }

void TEditorTuning::RecheckPointerAfterPartValue(const TPart& part) { RecheckPointerFor(&part); }

void TEditorTuning::RecheckPointerFor(const TPart* changedPart) {
    // The last sheet position counts only while the pointer is over the
    // sheet: one left behind when it moved to a graph window is stale.
    std::optional<TElementRef> under;
    if (state_.PointerOnSheet) under = HitTest(editor_.Design(), view_.PixelToGrid(state_.LastPointer));
    const TRecheck r =
        pelmo::RecheckPointer(editor_.PointerOverDialog(), under, state_.Current, editor_.Dialogs().TunedPart());
    switch (r.Action) {
        case TRecheckAction::Repaint:
            // Only the changed part's labels are new: their area alone is
            // drawn again (a part in a block is drawn with its block).
            if (changedPart && changedPart->Subckt < 0) {
                view_.RepaintPartLabels(*changedPart);
                return;
            }
            break;
        case TRecheckAction::SwitchAndRepaint:
            state_.Current = r.NewCurrent;
            break;
        case TRecheckAction::EndTuning:
            // The element dialogs close and tuning ends; the element under
            // the pointer stays current.
            Stop();
            state_.Current = r.NewCurrent;
            UnselectAll(editor_.Design());
            view_.DragImage().Hide();
            break;
    }
    view_.RepaintSheet();
}

}  // namespace pelmo
