// The editor's commands on the current element: the right button and its
// menus' commands, rotation, deleting, states and flags, tuning.
#include <QApplication>
#include <QCursor>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/Schem.h"
#include "editor/SheetWidgets.h"
#include "editor/ViewGeometry.h"

namespace pelmo {

// ---- right button, rotation, commands on the current element ----

void TSchem::RightPress(QPoint pos) {
    const TPoint g = PixelToGrid(pos);
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
            if (current_.Kind == ekBlock) DeleteElement(*design_, current_, deleteHooks_);
            CancelToIdle();
            break;
        case TEditMode::Idle:
        case TEditMode::TuneMode: {
            const auto hit = HitTest(*design_, g);
            if (hit) {
                current_ = *hit;
                if (hit->Kind != ekWire) CloseElementDialogs();
                highlight_ = *hit;
                RepaintSheet();
                rightClickPoint_ = g;
                PartMenuPopup(pos);
                highlight_.reset();
                RepaintSheet();
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

void TSchem::ToggleOrientation() {
    TDesign& d = *design_;
    switch (editMode_) {
        case TEditMode::Moving:
            if (!CurrentExists() || !IsPartKind(current_.Kind)) return;
            movingHorizontal_ = !movingHorizontal_;
            break;
        case TEditMode::Placing:
            if (!IsPartKind(current_.Kind)) return;
            partHorizontal_[current_.Kind] = !partHorizontal_[current_.Kind];
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
    RepaintSheet();
    lastPointer_ = QPoint(-1000000, -1000000);
    SheetMouseMove(pointer_, false);
}

void TSchem::Delete1Click() {
    TDesign& d = *design_;
    const TElementRef e = current_;
    if (!ElementExists(d, e) || e.Kind == ekSource) return;
    marker_.Hide();
    DeleteElement(d, e, deleteHooks_);
    d.Modified = true;
    Solve();
    SetIdle();
    RepaintSheet();
    CancelToIdle();
    CommitEdit();
}

void TSchem::SetPartStateCmd(int state) {
    const TElementRef e = current_;
    SetIdle();
    if (!IsPartKind(e.Kind) || !SetPartState(*design_, e.Index, state)) return;
    design_->Modified = true;
    RepaintSheet();
    Solve();
    CommitEdit();
}

void TSchem::InvertCmd() {
    const TElementRef e = current_;
    SetIdle();
    if (!ToggleInvert(*design_, e)) return;
    design_->Modified = true;
    RepaintSheet();
    Solve();
    CommitEdit();
}

void TSchem::MuteCmd() {
    const TElementRef e = current_;
    SetIdle();
    if (!ToggleMute(*design_, e)) return;
    design_->Modified = true;
    RepaintSheet();
    Solve();
    CommitEdit();
}

void TSchem::ZoomCmd() {
    UnselectAllAndRepaint();
    SetIdle();
    editMode_ = TEditMode::ZoomMode;
    SetCursorShape(TSheetCursor::Zoom);
}

void TSchem::CentreHereCmd() {
    viewCentre_ = rightClickPoint_;
    CenterView();
    RepaintSheet();
}

void TSchem::EditTune1Click(QObject* invoker) {
    CloseElementDialogs();
    EndTuning();
    if (!QApplication::activeWindow()) {
        SetIdle();
        return;
    }
    if (invoker != editTune1_ && invoker != tune1_) return;
    TDesign& d = *design_;
    d.Modified = true;
    if (!CurrentExists()) {
        SetIdle();
        return;
    }
    const TElementRef e = current_;
    SetCursorShape(TSheetCursor::TuneDown);
    editMode_ = TEditMode::TuneMode;
    if (e.Kind == ekText) {
        SetCursorShape(TSheetCursor::Default);
        UnselectAll(d);
        TStext& t = *d.Texts[e.Index];
        if (dialogs_->EditTextModal(t)) {
            UpdateTextRect(d, t);
            CommitEdit();
        }
        editMode_ = TEditMode::Idle;
        RepaintSheet();
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
