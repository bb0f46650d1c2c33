#include "gui/dialogs/ElementDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "base/WheelNotches.h"
#include "document/Session.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/Pcs.h"

namespace pelmo {

namespace {
// The element dialogs of the run, which share one place on the screen.
std::vector<TElementDialog*>& Dialogs() {
    static std::vector<TElementDialog*> all;
    return all;
}
}  // namespace

QWidget* FocusedValueControl(const QWidget& dialog) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !dialog.isAncestorOf(focus)) return nullptr;
    for (QWidget* w = focus; w && w != &dialog; w = w->parentWidget())
        if (qobject_cast<TPcs*>(w) || qobject_cast<TEditRealSpin*>(w)) return w;
    return nullptr;
}

bool StepFocusedValueControl(const QWidget& dialog, bool up) {
    QWidget* w = FocusedValueControl(dialog);
    if (auto* pcs = qobject_cast<TPcs*>(w)) {
        pcs->Step(up);
        return true;
    }
    if (auto* spin = qobject_cast<TEditRealSpin*>(w)) {
        spin->Step(up);
        return true;
    }
    return false;
}

TElementDialog::TElementDialog(TTuningHost& host, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), host_(host) {
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    Dialogs().push_back(this);
}

TElementDialog::~TElementDialog() { std::erase(Dialogs(), this); }

void TElementDialog::ChangeWritten() {
    host_.Session().Design().Modified = true;
    host_.RecheckPointer();
    host_.Session().Solve();
}

void TElementDialog::PartValueWritten(const TPart& part) {
    host_.Session().Design().Modified = true;
    host_.RecheckPointerAfterPartValue(part);
    host_.Session().Solve();
}

void TElementDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Only one element dialog at a time.
    for (TElementDialog* other : Dialogs())
        if (other != this && other->isVisible()) other->close();
    host_.RepaintSheet();
}

void TElementDialog::closeEvent(QCloseEvent* event) {
    if (!CanClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TElementDialog::done(int result) {
    if (!CanClose()) return;
    const bool wasShown = isVisible();
    if (loaded_) Closing();
    loaded_ = false;
    QDialog::done(result);
    if (!wasShown) return;
    // The keys go to the sheet again.
    if (QWidget* main = parentWidget()) main->activateWindow();
    host_.EndTuning();
    host_.RepaintSheet();
}

void TElementDialog::wheelEvent(QWheelEvent* event) {
    event->accept();
    for (int n = TakeWheelNotches(wheelRest_, event->angleDelta().y()); n != 0; n -= n > 0 ? 1 : -1)
        StepFocusedValueControl(*this, n > 0);
}

void TElementDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (following_) return;
    for (TElementDialog* other : Dialogs()) {
        if (other == this) continue;
        other->following_ = true;
        other->move(pos());
        other->following_ = false;
    }
}

bool TElementDialog::CloseOnReleasedKey(QObject* watched, QEvent* event, const std::function<bool(QObject*)>& commit) {
    if (event->type() != QEvent::KeyRelease || static_cast<QKeyEvent*>(event)->isAutoRepeat()) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (commit(watched)) close();
        return true;
    }
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
}

bool TElementDialog::CommitNumberField(QObject* field) {
    auto* f = qobject_cast<TEditReal*>(field);
    return !f || f->DblClick();
}

bool TElementDialog::CloseOnKeyPress(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            close();
            event->accept();
            return true;
        default:
            return false;
    }
}

}  // namespace pelmo
