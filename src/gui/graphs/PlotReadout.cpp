#include "gui/graphs/PlotReadout.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <algorithm>

#include "graphs/DirectionalCurves.h"
#include "graphs/GraphKinds.h"
#include "gui/graphs/Plot.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {
bool Inside(const QCPRange& r, double v) { return v >= r.lower && v <= r.upper; }
}  // namespace

TPlotReadout::TPlotReadout(TPlotForm& form) : form_(form) {
    label_ = new QLabel(form.Graph());
    label_->setObjectName("Readout");
    label_->setWordWrap(true);
    label_->setMaximumWidth(MaxWidth);
    label_->setAutoFillBackground(true);
    QPalette rp = label_->palette();
    rp.setColor(QPalette::Window, QColor(0, 255, 255));
    rp.setColor(QPalette::WindowText, Qt::black);
    label_->setPalette(rp);
    label_->setFrameStyle(QFrame::Box | QFrame::Plain);
    label_->setMargin(2);
    label_->hide();

    timer_.setSingleShot(true);
    timer_.setInterval(1000);
    QObject::connect(&timer_, &QTimer::timeout, &form, [this] {
        if (QApplication::activeWindow()) Hide();
    });

    deltaMenu_ = new QMenu(&form);
    setDeltaRef_ = deltaMenu_->addAction(SetDeltaReferenceItem);
    deltaOff_ = deltaMenu_->addAction(DeltaModeOffItem);
    deltaOff_->setVisible(false);
}

void TPlotReadout::DropDeltaMenu() {
    delete deltaMenu_;
    deltaMenu_ = nullptr;
    setDeltaRef_ = deltaOff_ = nullptr;
}

bool TPlotReadout::AnyPhaseShown() const {
    const TGraphRecord& record = form_.Record();
    if (!KindHasPhase(record.Kind)) return false;
    for (const TSeriesDef& c : record.Curves)
        if (c.ShowPhase) return true;
    return false;
}

void TPlotReadout::MouseMove(QPoint pos) {
    QCustomPlot* graph = form_.Graph();
    const double x = graph->xAxis->pixelToCoord(pos.x());
    const double y = graph->yAxis->pixelToCoord(pos.y());
    const bool phase = AnyPhaseShown();
    const double ph = phase ? graph->yAxis2->pixelToCoord(pos.y()) : 0.0;
    cursor_ = {x, y, ph};
    if (!Inside(graph->xAxis->range(), x) || !Inside(graph->yAxis->range(), y)) {
        popupEnabled_ = false;
        Hide();
        return;
    }
    popupEnabled_ = true;
    const bool map = GraphKindDescriptor(form_.Kind()).Readout == TReadoutStyle::Map;
    const auto text =
        map ? MapReadoutText(form_.Record(), x, y) : ReadoutText(form_.Kind(), cursor_, deltaRef_, deltaMode_, phase);
    if (!text) return;
    label_->setText(QString::fromStdString(*text));
    Fit();
    label_->move(graph->width() - 5 - label_->width(), 1);
    label_->show();
    label_->raise();
    timer_.start();
}

void TPlotReadout::Fit() {
    // As wide as its longest line, so that a line breaks only where it would
    // pass the readout's widest (a wrapped label left to itself picks a
    // narrow shape and breaks "627.78 usec").
    label_->setWordWrap(false);
    const int natural = label_->sizeHint().width();
    label_->setWordWrap(true);
    // Within the chart, also where the window is narrow.
    const int widest = std::min(MaxWidth, std::max(40, form_.Graph()->width() - 10));
    const int width = std::min(natural, widest);
    label_->resize(width, label_->heightForWidth(width));
}

void TPlotReadout::Place() {
    if (label_->isVisible()) label_->move(form_.Graph()->width() - 5 - label_->width(), 1);
}

void TPlotReadout::Hide() {
    label_->hide();
    timer_.stop();
}

void TPlotReadout::ContextMenu(QPoint pos) {
    if (!deltaMenu_ || !popupEnabled_) return;
    QAction* chosen = ExecMenu(*deltaMenu_, form_.Graph()->mapToGlobal(pos));
    if (chosen == setDeltaRef_)
        SetDeltaReferenceClick();
    else if (chosen == deltaOff_)
        DeltaModeOffClick();
}

void TPlotReadout::SetDeltaReferenceClick() {
    deltaRef_ = cursor_;
    deltaMode_ = true;
    if (deltaOff_) deltaOff_->setVisible(true);
}

void TPlotReadout::DeltaModeOffClick() {
    deltaMode_ = false;
    if (deltaOff_) deltaOff_->setVisible(false);
}

}  // namespace pelmo
