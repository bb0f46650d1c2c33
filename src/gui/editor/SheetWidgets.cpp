#include "editor/SheetWidgets.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/Schem.h"

namespace pelmo {

TSheet::TSheet(TSchem& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void TSheet::paintEvent(QPaintEvent* event) {
    painted_ += event->region();
    QPainter painter(this);
    owner_.SheetPaint(painter, event->rect());
}

void TSheet::mousePressEvent(QMouseEvent* event) {
    owner_.SheetMouseDown(event->button(), event->position().toPoint());
}

void TSheet::mouseReleaseEvent(QMouseEvent* event) {
    owner_.SheetMouseUp(event->button(), event->position().toPoint());
}

void TSheet::mouseMoveEvent(QMouseEvent* event) { owner_.SheetMouseMove(event->position().toPoint()); }

void TSheet::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        owner_.SheetDblClick();
    else
        owner_.SheetMouseDown(event->button(), event->position().toPoint());
}

TSheetPanel::TSheetPanel(TSchem& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setFocusPolicy(Qt::StrongFocus);
}

void TSheetPanel::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // Pop-up menus and other windows taking the focus do not count: only the
    // focus moving to another control of the main window does.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    owner_.pnSchemExit();
}

}  // namespace pelmo
