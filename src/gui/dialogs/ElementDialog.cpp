#include "dialogs/ElementDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMoveEvent>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "dialogs/EditReal.h"
#include "dialogs/Pcs.h"
#include "document/Session.h"

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
    wheelRest_ += event->angleDelta().y();
    while (wheelRest_ >= 120) {
        wheelRest_ -= 120;
        StepFocusedValueControl(*this, true);
    }
    while (wheelRest_ <= -120) {
        wheelRest_ += 120;
        StepFocusedValueControl(*this, false);
    }
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

}  // namespace pelmo
