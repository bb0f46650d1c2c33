#include "gui/sheet/SheetWidgets.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/sheet/SheetView.h"

namespace pelmo {

TSheet::TSheet(TSheetView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void TSheet::paintEvent(QPaintEvent* event) {
    painted_ += event->region();
    QPainter painter(this);
    view_.SheetPaint(painter, event->rect());
}

void TSheet::mousePressEvent(QMouseEvent* event) {
    if (TSheetInput* in = view_.Input()) in->SheetMouseDown(event->button(), event->position().toPoint());
}

void TSheet::mouseReleaseEvent(QMouseEvent* event) {
    if (TSheetInput* in = view_.Input())
        in->SheetMouseUp(event->button(), event->position().toPoint(), event->modifiers());
}

void TSheet::mouseMoveEvent(QMouseEvent* event) {
    if (TSheetInput* in = view_.Input()) in->SheetMouseMove(event->position().toPoint());
}

void TSheet::mouseDoubleClickEvent(QMouseEvent* event) {
    TSheetInput* in = view_.Input();
    if (!in) return;
    if (event->button() == Qt::LeftButton)
        in->SheetDblClick();
    else
        in->SheetMouseDown(event->button(), event->position().toPoint());
}

void TSheet::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (TSheetInput* in = view_.Input()) in->SheetPointerLeft();
}

TSheetPanel::TSheetPanel(TSheetView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setFocusPolicy(Qt::StrongFocus);
}

void TSheetPanel::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // Pop-up menus and other windows taking the focus do not count: only the
    // focus moving to another control of the main window does.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    if (TSheetInput* in = view_.Input()) in->SheetFocusLost();
}

}  // namespace pelmo
