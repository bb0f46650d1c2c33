// The editor's commands on the current element: the right button and its
// menus' commands, rotation, deleting, states and flags.
#include <QApplication>
#include <QCursor>
#include <QScrollArea>
#include <QScrollBar>

#include "document/Session.h"
#include "editor/ViewGeometry.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

// ---- right button, rotation, commands on the current element ----

void TEditorController::RightPress(QPoint pos) {
    const TPoint g = view_.PixelToGrid(pos);
    switch (state_.Mode) {
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
            CancelToIdle();  // the unplaced block goes with the mode
            break;
        case TEditMode::Idle:
        case TEditMode::TuneMode: {
            const auto hit = HitTest(Design(), g);
            if (hit) {
                state_.Current = *hit;
                if (hit->Kind != TElementKind::Wire) CloseElementDialogs();
                state_.Highlight = *hit;
                view_.RepaintSheet();
                state_.RightClickPoint = g;
                menus_.PartMenuPopup(pos);
                state_.Highlight.reset();
                view_.RepaintSheet();
            } else if (state_.Mode == TEditMode::Idle) {
                state_.RightClickPoint = g;
                menus_.SpaceMenuPopup(pos);
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
    switch (state_.Mode) {
        case TEditMode::Moving:
            if (!CurrentExists() || !IsPartKind(state_.Current.Kind)) return;
            state_.MovingHorizontal = !state_.MovingHorizontal;
            break;
        case TEditMode::Placing:
            if (!IsPartKind(state_.Current.Kind)) return;
            state_.PartHorizontal(state_.Current.Kind) = !state_.PartHorizontal(state_.Current.Kind);
            break;
        case TEditMode::GroupPaste:
            if (!groups_.TurnPastedPart()) return;
            break;
        default:
            return;
    }
    view_.RepaintSheet();
    state_.LastPointer = QPoint(-1000000, -1000000);
    SheetMouseMove(state_.Pointer, false);
}

void TEditorController::Delete1Click() {
    TDesign& d = Design();
    const TElementRef e = state_.Current;
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
    const TElementRef e = state_.Current;
    SetIdle();
    if (!IsPartKind(e.Kind) || !SetPartState(Design(), e.Index, state)) return;
    Design().Modified = true;
    view_.RepaintSheet();
    Solve();
    CommitEdit();
}

void TEditorController::InvertCmd() {
    const TElementRef e = state_.Current;
    SetIdle();
    if (!ToggleInvert(Design(), e)) return;
    Design().Modified = true;
    view_.RepaintSheet();
    Solve();
    CommitEdit();
}

void TEditorController::MuteCmd() {
    const TElementRef e = state_.Current;
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
    state_.Mode = TEditMode::ZoomMode;
    view_.SetCursorShape(TSheetCursor::Zoom);
}

void TEditorController::CentreHereCmd() { view_.CentreOn(state_.RightClickPoint); }

void TEditorController::Copy2Click() { groups_.CopyElement(state_.Current); }

}  // namespace pelmo
