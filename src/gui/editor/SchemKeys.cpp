// The keyboard, the wheel, the double-click and the sheet losing the focus.
#include <QApplication>
#include <QCursor>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/Schem.h"
#include "editor/SheetWidgets.h"
#include "editor/ViewGeometry.h"

namespace pelmo {

// ---- keyboard and wheel ----

bool TSchem::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const TDesign& d = *design_;
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
                if (const auto hit = HitTest(d, PixelToGrid(pointer_))) KeyOverElement(key, modifiers, *hit);
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
                if (e.Kind != ekSource && DeleteElement(*design_, e, deleteHooks_)) {
                    design_->Modified = true;
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
        case TEditMode::BlockMove:
        case TEditMode::BlockPlace:
            if (key == Qt::Key_Delete) {
                if (DeleteElement(*design_, current_, deleteHooks_)) {
                    design_->Modified = true;
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

void TSchem::KeyOverElement(int key, Qt::KeyboardModifiers modifiers, TElementRef e) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
    const bool part = IsPartKind(e.Kind);
    const bool driverOrSource = e.Kind == ekDriver || e.Kind == ekSource;
    const bool keypad = modifiers & Qt::KeypadModifier;
    switch (key) {
        case Qt::Key_R:
        case Qt::Key_Space:
            if (part) {
                RotatePart(*design_, *design_->Parts[e.Index]);
                design_->Modified = true;
                RepaintSheet();
                Solve();
                CommitEdit();
            }
            break;
        case Qt::Key_Delete:
        case Qt::Key_D:
            if (part || e.Kind == ekDriver || e.Kind == ekGround || e.Kind == ekWire || e.Kind == ekText) {
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
            if (keypad && driverOrSource && IsInverted(*design_, e) == (key == Qt::Key_Plus)) {
                current_ = e;
                InvertCmd();
            }
            break;
        case Qt::Key_M:
            if (e.Kind == ekDriver) {
                current_ = e;
                MuteCmd();
            }
            break;
        case Qt::Key_N:
        case Qt::Key_O:
        case Qt::Key_S:
            if (part) {
                current_ = e;
                SetPartStateCmd(key == Qt::Key_N ? psNormal : key == Qt::Key_O ? psOpen : psShorted);
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
            if (part || driverOrSource || e.Kind == ekText) {
                current_ = e;
                EditTune1Click(editTune1_);
            }
            break;
        default:
            break;
    }
}

void TSchem::MovePointerBy(int dx, int dy) {
    const QPoint step(dx * scale_, dy * scale_);
    QCursor::setPos(QCursor::pos() + step);
    SheetMouseMove(pointer_ + step);
}

void TSchem::WheelOverSheet(bool away) {
    const TDesign& d = *design_;
    switch (editMode_) {
        case TEditMode::ZoomMode:
            ZoomStep(away);
            break;
        case TEditMode::TuneMode: {
            const auto hit = HitTest(d, PixelToGrid(lastPointer_));
            if (hit) {
                current_ = *hit;
                dialogs_->FocusField(current_);
            } else {
                panel_->setFocus();
            }
            break;
        }
        case TEditMode::Idle: {
            const auto hit = HitTest(d, PixelToGrid(lastPointer_));
            if (!hit || hit->Kind == ekText || hit->Kind == ekBlock) break;
            current_ = *hit;
            EditTune1Click(panel_);
            break;
        }
        default:
            break;
    }
}

bool TSchem::FormMouseWheel(QWidget* target, QPoint globalPos, int delta) {
    if (delta == 0 || !target) return false;
    const bool onSheet = target == sheet_ || target == panel_;
    const bool onScrollBox = !onSheet && (target == scrollBox_ || scrollBox_->isAncestorOf(target));
    if (!onSheet && !onScrollBox) return false;
    if (editMode_ == TEditMode::ZoomMode) {
        pointer_ = sheet_->mapFromGlobal(globalPos);
        ZoomStep(delta > 0);
        return true;
    }
    if (onSheet) {
        WheelOverSheet(delta > 0);
        return true;
    }
    // Over the scroll box's own area: a turn away from the user scrolls down
    // (or right, near the bottom edge), one line of 5 pixels per wheel line.
    const bool horizontal = mapFromGlobal(globalPos).y() >= height() - 20;
    QScrollBar* bar = horizontal ? scrollBox_->horizontalScrollBar() : scrollBox_->verticalScrollBar();
    const int lines = std::max(1, QApplication::wheelScrollLines());
    bar->setValue(bar->value() + (delta > 0 ? 1 : -1) * lines * ScrollLine);
    return true;
}

// ---- double-click and focus ----

void TSchem::SheetDblClick() {
    dblClickFlag_ = false;
    dblClickTimer_.stop();
    SetIdle();
    UnselectAllAndRepaint();
    // Then as the key T at the pointer.
    const auto hit = HitTest(*design_, PixelToGrid(pointer_));
    if (!hit) return;
    const bool tunable = IsPartKind(hit->Kind) || hit->Kind == ekDriver || hit->Kind == ekSource || hit->Kind == ekText;
    if (!tunable) return;
    current_ = *hit;
    EditTune1Click(editTune1_);
}

void TSchem::pnSchemExit() {
    if (editMode_ == TEditMode::Wiring) RemoveUnfinishedWire();
    CancelToIdle();
}

}  // namespace pelmo
