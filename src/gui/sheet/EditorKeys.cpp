// The keyboard, the wheel, the double-click and the sheet losing the focus.
#include <QApplication>
#include <QCursor>
#include <QScrollArea>
#include <QScrollBar>

#include "base/WheelNotches.h"
#include "document/Session.h"
#include "editor/ViewGeometry.h"
#include "sheet/EditorController.h"
#include "sheet/SheetWidgets.h"

namespace pelmo {

// ---- keyboard and wheel ----

bool TEditorController::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const TDesign& d = Design();
    const bool away = key == Qt::Key_PageUp || key == Qt::Key_Up || key == Qt::Key_Right;
    const bool towards = key == Qt::Key_PageDown || key == Qt::Key_Left || key == Qt::Key_Down;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    switch (editMode_) {
        case TEditMode::Idle:
        case TEditMode::ZoomMode:
        case TEditMode::TuneMode:
            if (away || towards) WheelOverSheet(away);
            if (editMode_ == TEditMode::TuneMode) {
                dialogs_->FocusField(current_);
            } else if (editMode_ == TEditMode::ZoomMode) {
                if (key == Qt::Key_Escape) CancelToIdle();
            } else if (!away && !towards) {
                if (const auto hit = HitTest(d, view_.PixelToGrid(pointer_))) KeyOverElement(key, modifiers, *hit);
            }
            break;
        case TEditMode::Placing:
        case TEditMode::Moving:
        case TEditMode::GroupMove:
        case TEditMode::GroupPaste:
            if (enter) {
                SheetMouseUp(Qt::LeftButton, pointer_);
            } else if (key == Qt::Key_Escape) {
                CancelToIdle();
            } else if (key == Qt::Key_R || key == Qt::Key_Space) {
                ToggleOrientation();
            } else if (key == Qt::Key_Delete && editMode_ == TEditMode::Moving) {
                const TElementRef e = current_;
                if (e.Kind != TElementKind::Source && DeleteElement(Design(), e, deleteHooks_)) {
                    Design().Modified = true;
                    Solve();
                    CommitEdit();
                }
                CancelToIdle();
            } else if (key == Qt::Key_Left) {
                MovePointerBy(-1, 0);
            } else if (key == Qt::Key_Right) {
                MovePointerBy(1, 0);
            } else if (key == Qt::Key_Up) {
                MovePointerBy(0, -1);
            } else if (key == Qt::Key_Down) {
                MovePointerBy(0, 1);
            }
            break;
        case TEditMode::Wiring:
            if (key == Qt::Key_Escape) CancelToIdle();
            break;
        case TEditMode::BoxShown:
            if (key == Qt::Key_Delete)
                Delete2Click();
            else if (key == Qt::Key_Escape)
                CancelToIdle();
            break;
        case TEditMode::BlockPlace:
            // Delete and Escape alike: the block never reached the sheet.
            if (key == Qt::Key_Delete || key == Qt::Key_Escape) CancelToIdle();
            break;
        case TEditMode::BlockMove:
            if (key == Qt::Key_Delete) {
                if (DeleteElement(Design(), current_, deleteHooks_)) {
                    Design().Modified = true;
                    Solve();
                    CommitEdit();
                }
                CancelToIdle();
            } else if (key == Qt::Key_Escape) {
                CancelToIdle();
            }
            break;
        default:
            break;
    }
    return true;
}

void TEditorController::KeyOverElement(int key, Qt::KeyboardModifiers modifiers, TElementRef e) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
    const bool part = IsPartKind(e.Kind);
    const bool driverOrSource = e.Kind == TElementKind::Driver || e.Kind == TElementKind::Source;
    const bool keypad = modifiers & Qt::KeypadModifier;
    switch (key) {
        case Qt::Key_R:
        case Qt::Key_Space:
            if (part) {
                RotatePart(Design(), *Design().Parts[e.Index]);
                Design().Modified = true;
                view_.RepaintSheet();
                Solve();
                CommitEdit();
            }
            break;
        case Qt::Key_Delete:
        case Qt::Key_D:
            if (part || e.Kind == TElementKind::Driver || e.Kind == TElementKind::Ground ||
                e.Kind == TElementKind::Wire || e.Kind == TElementKind::Text) {
                current_ = e;
                Delete1Click();
            }
            break;
        case Qt::Key_C:
            if (part) {
                current_ = e;
                Copy2Click();
            }
            break;
        case Qt::Key_I:
            if (driverOrSource) {
                current_ = e;
                InvertCmd();
            }
            break;
        case Qt::Key_Plus:
        case Qt::Key_Minus:
            if (keypad && driverOrSource && IsInverted(Design(), e) == (key == Qt::Key_Plus)) {
                current_ = e;
                InvertCmd();
            }
            break;
        case Qt::Key_M:
            if (e.Kind == TElementKind::Driver) {
                current_ = e;
                MuteCmd();
            }
            break;
        case Qt::Key_N:
        case Qt::Key_O:
        case Qt::Key_S:
            if (part) {
                current_ = e;
                SetPartStateCmd(key == Qt::Key_N   ? TPartState::Normal
                                : key == Qt::Key_O ? TPartState::Open
                                                   : TPartState::Shorted);
            }
            break;
        case Qt::Key_P:
            if (part) {
                current_ = e;
                EditTune1Click(editTune1_);
                dialogs_->FindPartNumber(e);
            }
            break;
        case Qt::Key_T:
            if (part || driverOrSource || e.Kind == TElementKind::Text || e.Kind == TElementKind::Block) {
                current_ = e;
                EditTune1Click(editTune1_);
            }
            break;
        default:
            break;
    }
}

void TEditorController::MovePointerBy(int dx, int dy) {
    const QPoint step(dx * view_.Scale(), dy * view_.Scale());
    QCursor::setPos(QCursor::pos() + step);
    SheetMouseMove(pointer_ + step);
}

void TEditorController::WheelOverSheet(bool away) {
    const TDesign& d = Design();
    switch (editMode_) {
        case TEditMode::ZoomMode:
            ZoomStep(away);
            break;
        case TEditMode::TuneMode: {
            const auto hit = HitTest(d, view_.PixelToGrid(lastPointer_));
            if (hit) {
                current_ = *hit;
                dialogs_->FocusField(current_);
            } else {
                view_.Panel()->setFocus();
            }
            break;
        }
        case TEditMode::Idle: {
            const auto hit = HitTest(d, view_.PixelToGrid(lastPointer_));
            if (!hit || hit->Kind == TElementKind::Text || hit->Kind == TElementKind::Block) break;
            current_ = *hit;
            EditTune1Click(view_.Panel());
            break;
        }
        default:
            break;
    }
}

bool TEditorController::FormMouseWheel(QWidget* target, QPoint globalPos, int delta) {
    if (delta == 0 || !target) return false;
    // While tuning, the dialog's value control that holds the focus takes
    // every turn, wherever the pointer is.
    if (editMode_ == TEditMode::TuneMode && dialogs_->HasFocusedValueControl()) {
        for (int n = TakeWheelNotches(tuneWheelRest_, delta); n != 0; n -= n > 0 ? 1 : -1)
            dialogs_->StepFocusedControl(n > 0);
        return true;
    }
    const bool onSheet = target == view_.Sheet() || target == view_.Panel();
    const bool onScrollBox = !onSheet && (target == view_.ScrollBox() || view_.ScrollBox()->isAncestorOf(target));
    if (!onSheet && !onScrollBox) return false;
    if (editMode_ == TEditMode::ZoomMode) {
        pointer_ = view_.Sheet()->mapFromGlobal(globalPos);
        ZoomStep(delta > 0);
        return true;
    }
    if (onSheet) {
        WheelOverSheet(delta > 0);
        return true;
    }
    // Over the scroll box's own area: a turn away from the user scrolls down
    // (or right, near the bottom edge), one line of 5 pixels per wheel line.
    const bool horizontal = window_->mapFromGlobal(globalPos).y() >= window_->height() - 20;
    QScrollBar* bar = horizontal ? view_.ScrollBox()->horizontalScrollBar() : view_.ScrollBox()->verticalScrollBar();
    const int lines = std::max(1, QApplication::wheelScrollLines());
    bar->setValue(bar->value() + (delta > 0 ? 1 : -1) * lines * ScrollLine);
    return true;
}

// ---- double-click and focus ----

void TEditorController::SheetDblClick() {
    dblClickFlag_ = false;
    dblClickTimer_.stop();
    SetIdle();
    UnselectAllAndRepaint();
    // Then as the key T at the pointer.
    const auto hit = HitTest(Design(), view_.PixelToGrid(pointer_));
    if (!hit) return;
    const bool tunable = IsPartKind(hit->Kind) || hit->Kind == TElementKind::Driver ||
                         hit->Kind == TElementKind::Source || hit->Kind == TElementKind::Text ||
                         hit->Kind == TElementKind::Block;
    if (!tunable) return;
    current_ = *hit;
    EditTune1Click(editTune1_);
}

void TEditorController::SheetFocusLost() {
    if (editMode_ == TEditMode::Wiring) RemoveUnfinishedWire();
    CancelToIdle();
}

}  // namespace pelmo
