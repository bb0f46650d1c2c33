// The keyboard and the wheel.
#include "gui/sheet/EditorKeys.h"

#include <QApplication>
#include <QCursor>
#include <QScrollArea>
#include <QScrollBar>

#include "base/WheelNotches.h"
#include "document/Session.h"
#include "editor/ViewGeometry.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

TEditorKeys::TEditorKeys(TEditorController& editor, TEditorState& state, TSheetView& view, QWidget* window)
    : editor_(editor), state_(state), view_(view), window_(window) {}

bool TEditorKeys::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const TDesign& d = editor_.Design();
    const bool away = key == Qt::Key_PageUp || key == Qt::Key_Up || key == Qt::Key_Right;
    const bool towards = key == Qt::Key_PageDown || key == Qt::Key_Left || key == Qt::Key_Down;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    switch (state_.Mode) {
        case TEditMode::Idle:
        case TEditMode::ZoomMode:
        case TEditMode::TuneMode:
            if (away || towards) WheelOverSheet(away);
            if (state_.Mode == TEditMode::TuneMode) {
                editor_.Dialogs().FocusField(state_.Current);
            } else if (state_.Mode == TEditMode::ZoomMode) {
                if (key == Qt::Key_Escape) editor_.CancelToIdle();
            } else if (!away && !towards) {
                if (const auto hit = HitTest(d, view_.PixelToGrid(state_.Pointer)))
                    KeyOverElement(key, modifiers, *hit);
            }
            break;
        case TEditMode::Placing:
        case TEditMode::Moving:
        case TEditMode::GroupMove:
        case TEditMode::GroupPaste:
            if (enter) {
                editor_.SheetMouseUp(Qt::LeftButton, state_.Pointer, modifiers);
            } else if (key == Qt::Key_Escape) {
                editor_.CancelToIdle();
            } else if (key == Qt::Key_R || key == Qt::Key_Space) {
                editor_.ToggleOrientation();
            } else if (key == Qt::Key_Delete && state_.Mode == TEditMode::Moving) {
                const TElementRef e = state_.Current;
                if (e.Kind != TElementKind::Source && DeleteElement(editor_.Design(), e, editor_.DeleteHooks())) {
                    editor_.Design().Modified = true;
                    editor_.Solve();
                    editor_.CommitEdit();
                }
                editor_.CancelToIdle();
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
            if (key == Qt::Key_Escape) editor_.CancelToIdle();
            break;
        case TEditMode::BoxShown:
            if (key == Qt::Key_Delete)
                editor_.Groups().DeleteGroup();
            else if (key == Qt::Key_Escape)
                editor_.CancelToIdle();
            break;
        case TEditMode::BlockPlace:
            // Delete and Escape alike: the block never reached the sheet.
            if (key == Qt::Key_Delete || key == Qt::Key_Escape) editor_.CancelToIdle();
            break;
        case TEditMode::BlockMove:
            if (key == Qt::Key_Delete) {
                if (DeleteElement(editor_.Design(), state_.Current, editor_.DeleteHooks())) {
                    editor_.Design().Modified = true;
                    editor_.Solve();
                    editor_.CommitEdit();
                }
                editor_.CancelToIdle();
            } else if (key == Qt::Key_Escape) {
                editor_.CancelToIdle();
            }
            break;
        default:
            break;
    }
    return true;
}

void TEditorKeys::KeyOverElement(int key, Qt::KeyboardModifiers modifiers, TElementRef e) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
    const bool part = IsPartKind(e.Kind);
    const bool driverOrSource = e.Kind == TElementKind::Driver || e.Kind == TElementKind::Source;
    const bool keypad = modifiers & Qt::KeypadModifier;
    switch (key) {
        case Qt::Key_R:
        case Qt::Key_Space:
            if (part) {
                RotatePart(editor_.Design(), *editor_.Design().Parts[e.Index]);
                editor_.Design().Modified = true;
                view_.RepaintSheet();
                editor_.Solve();
                editor_.CommitEdit();
            }
            break;
        case Qt::Key_Delete:
        case Qt::Key_D:
            if (part || e.Kind == TElementKind::Driver || e.Kind == TElementKind::Ground ||
                e.Kind == TElementKind::Wire || e.Kind == TElementKind::Text) {
                state_.Current = e;
                editor_.Delete1Click();
            }
            break;
        case Qt::Key_C:
            if (part) {
                state_.Current = e;
                editor_.Copy2Click();
            }
            break;
        case Qt::Key_I:
            if (driverOrSource) {
                state_.Current = e;
                editor_.InvertCmd();
            }
            break;
        case Qt::Key_Plus:
        case Qt::Key_Minus:
            if (keypad && driverOrSource && IsInverted(editor_.Design(), e) == (key == Qt::Key_Plus)) {
                state_.Current = e;
                editor_.InvertCmd();
            }
            break;
        case Qt::Key_M:
            if (e.Kind == TElementKind::Driver) {
                state_.Current = e;
                editor_.MuteCmd();
            }
            break;
        case Qt::Key_N:
        case Qt::Key_O:
        case Qt::Key_S:
            if (part) {
                state_.Current = e;
                editor_.SetPartStateCmd(key == Qt::Key_N   ? TPartState::Normal
                                        : key == Qt::Key_O ? TPartState::Open
                                                           : TPartState::Shorted);
            }
            break;
        case Qt::Key_P:
            if (part) {
                state_.Current = e;
                editor_.Tuning().Start();
                editor_.Dialogs().FindPartNumber(e);
            }
            break;
        case Qt::Key_T:
            if (part || driverOrSource || e.Kind == TElementKind::Text || e.Kind == TElementKind::Block) {
                state_.Current = e;
                editor_.Tuning().Start();
            }
            break;
        default:
            break;
    }
}

void TEditorKeys::MovePointerBy(int dx, int dy) {
    const QPoint step(dx * view_.Scale(), dy * view_.Scale());
    QCursor::setPos(QCursor::pos() + step);
    editor_.SheetMouseMove(state_.Pointer + step);
}

void TEditorKeys::WheelOverSheet(bool away) {
    const TDesign& d = editor_.Design();
    switch (state_.Mode) {
        case TEditMode::ZoomMode:
            editor_.ZoomStep(away);
            break;
        case TEditMode::TuneMode: {
            const auto hit = HitTest(d, view_.PixelToGrid(state_.LastPointer));
            if (hit) {
                state_.Current = *hit;
                editor_.Dialogs().FocusField(state_.Current);
            } else {
                view_.Panel()->setFocus();
            }
            break;
        }
        case TEditMode::Idle: {
            const auto hit = HitTest(d, view_.PixelToGrid(state_.LastPointer));
            if (!hit || hit->Kind == TElementKind::Text || hit->Kind == TElementKind::Block) break;
            state_.Current = *hit;
            editor_.Tuning().Stop();
            break;
        }
        default:
            break;
    }
}

void TEditorKeys::ZoomAboutPointer(QPoint globalPos, int delta) {
    // Elements on the move keep pixel positions of the old scale: the
    // sheet zooms only while nothing follows the pointer.
    const TEditMode m = state_.Mode;
    if (m != TEditMode::Idle && m != TEditMode::ZoomMode && m != TEditMode::TuneMode) return;
    // A smooth wheel zooms once per notch, not once per report.
    for (int n = TakeWheelNotches(zoomWheelRest_, delta); n != 0; n -= n > 0 ? 1 : -1)
        view_.ZoomAbout(n > 0, view_.Sheet()->mapFromGlobal(globalPos));
    state_.Pointer = view_.Sheet()->mapFromGlobal(globalPos);
    state_.LastPointer = QPoint(-1000000, -1000000);
}

bool TEditorKeys::FormMouseWheel(QWidget* target, QPoint globalPos, int delta, Qt::KeyboardModifiers modifiers) {
    if (delta == 0 || !target) return false;
    const bool onSheet = target == view_.Sheet() || target == view_.Panel();
    if ((modifiers & Qt::ControlModifier) && onSheet) {
        ZoomAboutPointer(globalPos, delta);
        return true;
    }
    // While tuning, the dialog's value control that holds the focus takes
    // every turn, wherever the pointer is.
    if (state_.Mode == TEditMode::TuneMode && editor_.Dialogs().HasFocusedValueControl()) {
        for (int n = TakeWheelNotches(tuneWheelRest_, delta); n != 0; n -= n > 0 ? 1 : -1)
            editor_.Dialogs().StepFocusedControl(n > 0);
        return true;
    }
    const bool onScrollBox = !onSheet && (target == view_.ScrollBox() || view_.ScrollBox()->isAncestorOf(target));
    if (!onSheet && !onScrollBox) return false;
    if (state_.Mode == TEditMode::ZoomMode) {
        state_.Pointer = view_.Sheet()->mapFromGlobal(globalPos);
        editor_.ZoomStep(delta > 0);
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

}  // namespace pelmo
