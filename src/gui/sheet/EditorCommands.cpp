// The editor's commands on the current element: the right button and its
// menus' commands, rotation, deleting, states and flags, tuning.
#include <QApplication>
#include <QCursor>
#include <QScrollArea>
#include <QScrollBar>

#include "document/Session.h"
#include "editor/ViewGeometry.h"
#include "sheet/EditorController.h"
#include "sheet/SheetWidgets.h"

namespace pelmo {

// ---- right button, rotation, commands on the current element ----

void TEditorController::RightPress(QPoint pos) {
    const TPoint g = view_.PixelToGrid(pos);
    switch (editMode_) {
        case TEditMode::BoxDrag:
        case TEditMode::BoxShown:
        case TEditMode::ZoomMode:
        case TEditMode::Placing:
        case TEditMode::Moving:
        case TEditMode::BlockMove:
        case TEditMode::Wiring:
            CancelToIdle();
            break;
        case TEditMode::BlockPlace:
            if (current_.Kind == TElementKind::Block) DeleteElement(Design(), current_, deleteHooks_);
            CancelToIdle();
            break;
        case TEditMode::Idle:
        case TEditMode::TuneMode: {
            const auto hit = HitTest(Design(), g);
            if (hit) {
                current_ = *hit;
                if (hit->Kind != TElementKind::Wire) CloseElementDialogs();
                highlight_ = *hit;
                view_.RepaintSheet();
                rightClickPoint_ = g;
                PartMenuPopup(pos);
                highlight_.reset();
                view_.RepaintSheet();
            } else if (editMode_ == TEditMode::Idle) {
                rightClickPoint_ = g;
                SpaceMenuPopup(pos);
            } else {
                CancelToIdle();
            }
            break;
        }
        default:
            break;  // group moves and pastes ignore the right button
    }
}

void TEditorController::ToggleOrientation() {
    TDesign& d = Design();
    switch (editMode_) {
        case TEditMode::Moving:
            if (!CurrentExists() || !IsPartKind(current_.Kind)) return;
            movingHorizontal_ = !movingHorizontal_;
            break;
        case TEditMode::Placing:
            if (!IsPartKind(current_.Kind)) return;
            PartHorizontal(current_.Kind) = !PartHorizontal(current_.Kind);
            break;
        case TEditMode::GroupPaste: {
            // A single copied part turns; a group does not.
            const TCopyBuffer& b = copyBuffer_;
            if (b.Parts.size() != 1 || !b.Wires.empty() || !b.Grounds.empty() || !b.Drivers.empty()) return;
            TPart& p = *copyBuffer_.Parts[0];
            SetPartOrientation(d, p, !p.IsHorizontal);
            break;
        }
        default:
            return;
    }
    view_.RepaintSheet();
    lastPointer_ = QPoint(-1000000, -1000000);
    SheetMouseMove(pointer_, false);
}

void TEditorController::Delete1Click() {
    TDesign& d = Design();
    const TElementRef e = current_;
    if (!ElementExists(d, e) || e.Kind == TElementKind::Source) return;
    view_.DragImage().Hide();
    DeleteElement(d, e, deleteHooks_);
    d.Modified = true;
    Solve();
    SetIdle();
    view_.RepaintSheet();
    CancelToIdle();
    CommitEdit();
}

void TEditorController::SetPartStateCmd(TPartState state) {
    const TElementRef e = current_;
    SetIdle();
    if (!IsPartKind(e.Kind) || !SetPartState(Design(), e.Index, state)) return;
    Design().Modified = true;
    view_.RepaintSheet();
    Solve();
    CommitEdit();
}

void TEditorController::InvertCmd() {
    const TElementRef e = current_;
    SetIdle();
    if (!ToggleInvert(Design(), e)) return;
    Design().Modified = true;
    view_.RepaintSheet();
    Solve();
    CommitEdit();
}

void TEditorController::MuteCmd() {
    const TElementRef e = current_;
    SetIdle();
    if (!ToggleMute(Design(), e)) return;
    Design().Modified = true;
    view_.RepaintSheet();
    Solve();
    CommitEdit();
}

void TEditorController::ZoomCmd() {
    UnselectAllAndRepaint();
    SetIdle();
    editMode_ = TEditMode::ZoomMode;
    view_.SetCursorShape(TSheetCursor::Zoom);
}

void TEditorController::CentreHereCmd() { view_.CentreOn(rightClickPoint_); }

void TEditorController::EditTune1Click(QObject* invoker) {
    CloseElementDialogs();
    EndTuning();
    if (!QApplication::activeWindow()) {
        SetIdle();
        return;
    }
    if (invoker != editTune1_ && invoker != tune1_) return;
    TDesign& d = Design();
    d.Modified = true;
    if (!CurrentExists()) {
        SetIdle();
        return;
    }
    const TElementRef e = current_;
    view_.SetCursorShape(TSheetCursor::TuneDown);
    editMode_ = TEditMode::TuneMode;
    if (e.Kind == TElementKind::Text) {
        view_.SetCursorShape(TSheetCursor::Default);
        UnselectAll(d);
        TStext& t = *d.Texts[e.Index];
        if (dialogs_->EditTextModal(t)) {
            UpdateTextRect(d, t);
            CommitEdit();
            // The next new text starts from this one's look.
            d.DefaultText = t;
            d.DefaultText.Selected = false;
        }
        editMode_ = TEditMode::Idle;
        view_.RepaintSheet();
        return;
    }
    if (!dialogs_->ShowFor(e)) {
        // No dialog for this element (grounds and wires have none).
        SetIdle();
        return;
    }
    dialogs_->FocusField(e);
}

}  // namespace pelmo
