#include "gui/graphs/PlotReadout.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "graphs/DirectionalCurves.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"
#include "gui/graphs/Plot.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {

bool Inside(const QCPRange& r, double v) { return v >= r.lower && v <= r.upper; }

// A ring on the curve the readout shows, drawn over the chart without
// drawing the chart again.
class TCurveMarker : public QWidget {
public:
    static constexpr int Size = 11;
    explicit TCurveMarker(QWidget* parent) : QWidget(parent) {
        setObjectName("ReadoutMarker");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        resize(Size, Size);
        hide();
    }
    void Show(QPoint centre, const QColor& colour) {
        colour_ = colour;
        move(centre - QPoint(Size / 2, Size / 2));
        show();
        raise();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(colour_, 2));
        p.setBrush(QColor(255, 255, 255, 160));
        p.drawEllipse(QRectF(1.5, 1.5, Size - 3, Size - 3));
    }

private:
    QColor colour_ = Qt::black;
};

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
    marker_ = new TCurveMarker(form.Graph());

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

bool TPlotReadout::SnapToCurve(QPoint pos, int& curve, TReadoutPoint& point, QPoint& pixel) const {
    QCustomPlot* graph = form_.Graph();
    const TGraphRecord& record = form_.Record();
    const double x = graph->xAxis->pixelToCoord(pos.x());
    const bool logX = graph->xAxis->scaleType() == QCPAxis::stLogarithmic;
    int best = SnapPixels + 1;
    curve = -1;
    for (std::size_t i = 0; i < record.Curves.size(); ++i) {
        const TSeriesDef& c = record.Curves[i];
        const QCPGraph* line = form_.MagGraph(static_cast<int>(i));
        if (!line || !line->visible()) continue;
        const double y = CurveValueAt(c.MagSeries.X, c.MagSeries.Y, x, logX);
        if (!std::isfinite(y)) continue;
        const QCPAxis* axis = c.RightAxis ? graph->yAxis2 : graph->yAxis;
        if (!Inside(axis->range(), y)) continue;
        const int py = static_cast<int>(std::lround(axis->coordToPixel(y)));
        const int distance = std::abs(py - pos.y());
        if (distance >= best) continue;
        best = distance;
        curve = static_cast<int>(i);
        const double phase = c.ShowPhase ? CurveValueAt(c.PhaseSeries.X, c.PhaseSeries.Y, x, logX) : 0.0;
        point = {x, y, std::isfinite(phase) ? phase : 0.0};
        pixel = {pos.x(), py};
    }
    return curve >= 0;
}

void TPlotReadout::MouseMove(QPoint pos, Qt::KeyboardModifiers modifiers) {
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
    std::optional<std::string> text;
    TReadoutPoint onCurve;
    QPoint pixel;
    snapped_ = -1;
    if (!map && !(modifiers & Qt::ShiftModifier) && SnapToCurve(pos, snapped_, onCurve, pixel)) {
        const TSeriesDef& c = form_.Record().Curves[static_cast<std::size_t>(snapped_)];
        text = CurveReadoutText(form_.Kind(), c.Name, onCurve, deltaRef_, deltaMode_,
                                c.ShowPhase && KindHasPhase(form_.Kind()));
        if (text) {
            cursor_ = onCurve;
            static_cast<TCurveMarker*>(marker_)->Show(pixel, form_.MagGraph(snapped_)->pen().color());
        }
    }
    if (!text) {
        snapped_ = -1;
        marker_->hide();
        text = map ? MapReadoutText(form_.Record(), x, y)
                   : ReadoutText(form_.Kind(), cursor_, deltaRef_, deltaMode_, phase);
    }
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
    marker_->hide();
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
