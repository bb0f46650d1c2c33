#include "gui/graphs/PlotLegend.h"

#include <qcustomplot.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

#include "graphs/GraphRecord.h"
#include "gui/graphs/Plot.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {

// The legend's place in the inset layout of the plot, or -1.
int InsetIndex(QCustomPlot* plot) {
    QCPLayoutInset* inset = plot->axisRect()->insetLayout();
    for (int i = 0; i < inset->elementCount(); ++i)
        if (inset->elementAt(i) == plot->legend) return i;
    return -1;
}

// The cell of the plot layout that holds the axis rect.
bool AxisRectCell(QCustomPlot* plot, int& row, int& column) {
    QCPLayoutGrid* grid = plot->plotLayout();
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c)
            if (grid->element(r, c) == plot->axisRect()) {
                row = r;
                column = c;
                return true;
            }
    return false;
}

// The column right of the plot that holds the legend, or null.
QCPLayoutGrid* OutsideColumn(QCustomPlot* plot) {
    auto* grid = qobject_cast<QCPLayoutGrid*>(plot->legend->layout());
    return grid && grid != plot->plotLayout() ? grid : nullptr;
}

}  // namespace

TPlotLegend::TPlotLegend(TPlotForm& form) : QObject(&form), form_(form) {
    menu_ = new QMenu(&form);
    outside_ = menu_->addAction(LegendOutsideItem);
    outside_->setCheckable(true);
    form_.Graph()->installEventFilter(this);
}

void TPlotLegend::Apply() {
    QCustomPlot* plot = form_.Graph();
    QCPLegend* legend = plot->legend;
    const TLegendPlace& place = form_.Record().Legend;
    outside_->setChecked(place.Outside);
    if (!homeKnown_) {
        if (const int i = InsetIndex(plot); i >= 0) home_ = plot->axisRect()->insetLayout()->insetAlignment(i);
        homeKnown_ = true;
    }
    QCPLayoutGrid* column = OutsideColumn(plot);
    if (place.Outside) {
        if (column) return;
        int row = 0, col = 0;
        if (!AxisRectCell(plot, row, col)) return;
        plot->axisRect()->insetLayout()->take(legend);
        // The legend at the top of a column of its own: the space under it
        // stays empty rather than stretching the legend's frame.
        column = new QCPLayoutGrid;
        plot->plotLayout()->addElement(row, col + 1, column);
        column->addElement(0, 0, legend);
        column->addElement(1, 0, new QCPLayoutElement(plot));
        column->setRowStretchFactor(0, 0.001);
        column->setMargins(QMargins(4, 0, 8, 0));
        plot->plotLayout()->setColumnStretchFactor(col + 1, 0.001);
        return;
    }
    if (column) {
        column->take(legend);
        plot->plotLayout()->remove(column);
        plot->plotLayout()->simplify();
        plot->axisRect()->insetLayout()->addElement(legend, home_);
    }
    QCPLayoutInset* inset = plot->axisRect()->insetLayout();
    const int i = InsetIndex(plot);
    if (i < 0) return;
    if (place.Moved) {
        inset->setInsetPlacement(i, QCPLayoutInset::ipFree);
        // No size of its own: the legend takes the size its entries need.
        inset->setInsetRect(i, QRectF(place.Left, place.Top, 0, 0));
    } else {
        inset->setInsetPlacement(i, QCPLayoutInset::ipBorderAligned);
        inset->setInsetAlignment(i, home_);
    }
}

void TPlotLegend::SetOutside(bool outside) {
    form_.Record().Legend.Outside = outside;
    Apply();
    form_.Replot();
}

// The fractions are of the inset area: the plot less the legend's margin
// from its edges.
void TPlotLegend::MoveTo(QPointF fraction) {
    QCustomPlot* plot = form_.Graph();
    const QRect area = plot->axisRect()->insetLayout()->rect();
    const QSize size = plot->legend->outerRect().size();
    // Room for the whole legend inside the plot.
    const double maxLeft = area.width() > 0 ? std::max(0.0, 1.0 - double(size.width()) / area.width()) : 1.0;
    const double maxTop = area.height() > 0 ? std::max(0.0, 1.0 - double(size.height()) / area.height()) : 1.0;
    TLegendPlace& place = form_.Record().Legend;
    place.Outside = false;
    place.Moved = true;
    place.Left = std::clamp(fraction.x(), 0.0, maxLeft);
    place.Top = std::clamp(fraction.y(), 0.0, maxTop);
    Apply();
    form_.Replot();
}

bool TPlotLegend::eventFilter(QObject* watched, QEvent* event) {
    QCustomPlot* plot = form_.Graph();
    if (watched != plot) return false;
    const auto type = event->type();
    if (type == QEvent::ContextMenu) {
        // A right click on the legend offers its own place, elsewhere the
        // chart's menu.
        auto* c = static_cast<QContextMenuEvent*>(event);
        if (!plot->legend->visible() || !plot->legend->outerRect().contains(c->pos())) return false;
        outside_->setChecked(form_.Record().Legend.Outside);
        if (ExecMenu(*menu_, c->globalPos()) == outside_) SetOutside(!form_.Record().Legend.Outside);
        return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    auto* e = static_cast<QMouseEvent*>(event);
    const QPoint pos = e->position().toPoint();
    const bool onLegend =
        plot->legend->visible() && !form_.Record().Legend.Outside && plot->legend->outerRect().contains(pos);
    switch (type) {
        case QEvent::MouseButtonPress:
            // The legend comes before the zoom box that a left drag draws.
            if (e->button() != Qt::LeftButton || !onLegend) return false;
            dragging_ = true;
            grabOffset_ = pos - plot->legend->outerRect().topLeft();
            return true;
        case QEvent::MouseMove: {
            if (!dragging_) return false;
            if (!(e->buttons() & Qt::LeftButton)) {
                dragging_ = false;
                return false;
            }
            const QRect area = plot->axisRect()->insetLayout()->rect();
            const QPoint corner = pos - grabOffset_ - area.topLeft();
            MoveTo(QPointF(area.width() > 0 ? double(corner.x()) / area.width() : 0.0,
                           area.height() > 0 ? double(corner.y()) / area.height() : 0.0));
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (e->button() != Qt::LeftButton || !dragging_) return false;
            dragging_ = false;
            return true;
        case QEvent::MouseButtonDblClick:
            // Not a fit of the axes when aimed at the legend.
            return e->button() == Qt::LeftButton && onLegend;
        default:
            return false;
    }
}

}  // namespace pelmo
