#include "gui/graphs/PlotZoom.h"

#include <qcustomplot.h>

#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <limits>

#include "graphs/AxisZoom.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"
#include "gui/graphs/ChartStyle.h"
#include "gui/graphs/Plot.h"

namespace pelmo {

namespace {

// One wheel notch zooms in or out by this factor.
constexpr double NotchZoom = 0.8;
constexpr int FitDivisions = 10;

bool IsLog(const QCPAxis* axis) { return axis->scaleType() == QCPAxis::stLogarithmic; }

double Coord(const QCPAxis* axis, QPoint p) {
    return axis->pixelToCoord(axis->orientation() == Qt::Horizontal ? p.x() : p.y());
}

}  // namespace

TPlotZoom::TPlotZoom(TPlotForm& form) : QObject(&form), form_(form) {
    QCustomPlot* plot = form_.Graph();
    plot->setSelectionRectMode(QCP::srmZoom);
    plot->axisRect()->setRangeZoomAxes(plot->xAxis, plot->yAxis);
    connect(plot->selectionRect(), &QCPSelectionRect::accepted, this, [this] { Changed(); });
    plot->installEventFilter(this);
    const TGraphKind kind = form_.Record().Kind;
    fitPending_ = kind == TGraphKind::Voltage || kind == TGraphKind::Current || kind == TGraphKind::Power;
}

void TPlotZoom::Fit() {
    FitAxes();
    form_.Replot();
}

void TPlotZoom::FitAxes() {
    QCustomPlot* plot = form_.Graph();
    const TGraphRecord& record = form_.Record();
    const TAxisSetup bottom = BottomAxisSetup(record.Kind);
    plot->xAxis->setRange(bottom.Min, bottom.Max);
    if (GraphKindDescriptor(record.Kind).Readout == TReadoutStyle::Map) {
        SetupAxis(plot->yAxis, LeftAxisSetup(record));
    } else {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const TSeriesDef& c : record.Curves) {
            if (c.RightAxis) continue;
            const TChartCurve& s = c.MagSeries;
            for (std::size_t i = 0; i < s.Count(); ++i) {
                if (s.X[i] < bottom.Min || s.X[i] > bottom.Max || !std::isfinite(s.Y[i])) continue;
                lo = std::min(lo, s.Y[i]);
                hi = std::max(hi, s.Y[i]);
            }
        }
        if (lo > hi) return;  // nothing to fit to
        const TAxisLimits fit = FitAxisLimits(lo, hi, FitDivisions);
        plot->yAxis->setRange(fit.Min, fit.Max);
        // Unwrapped phase leaves the phase axis's one turn: it is fitted too.
        double pLo = -180, pHi = 180;
        for (const TSeriesDef& c : record.Curves)
            if (c.ShowPhase && c.PhaseView == TPhaseView::Unwrapped)
                for (double p : c.PhaseSeries.Y) {
                    pLo = std::min(pLo, p);
                    pHi = std::max(pHi, p);
                }
        if (pLo < -180 || pHi > 180) {
            const TAxisLimits phase = FitAxisLimits(pLo, pHi, FitDivisions);
            plot->yAxis2->setRange(phase.Min, phase.Max);
        }
    }
    RetuneSteps();
}

void TPlotZoom::Default() {
    QCustomPlot* plot = form_.Graph();
    const TGraphRecord& record = form_.Record();
    SetupAxis(plot->xAxis, BottomAxisSetup(record.Kind));
    SetupAxis(plot->yAxis, LeftAxisSetup(record));
    SetupAxis(plot->yAxis2, RightAxisSetup(record));
    form_.Replot();
}

bool TPlotZoom::AfterRefresh() {
    if (!fitPending_) return false;
    for (const TSeriesDef& c : form_.Record().Curves)
        if (c.MagSeries.Count() > 0) {
            fitPending_ = false;
            FitAxes();
            return true;
        }
    return false;
}

void TPlotZoom::SetRanges(const std::optional<TAxisSpan>& bottom, const std::optional<TAxisSpan>& left) {
    QCustomPlot* plot = form_.Graph();
    // A range as the scales set it keeps the scales' step.
    const auto differs = [](const QCPAxis* axis, const TAxisSpan& s) {
        return axis->range().lower != s.Min || axis->range().upper != s.Max;
    };
    const bool changeBottom = bottom && differs(plot->xAxis, *bottom);
    const bool changeLeft = left && differs(plot->yAxis, *left);
    if (left) fitPending_ = false;
    if (changeBottom) plot->xAxis->setRange(bottom->Min, bottom->Max);
    if (changeLeft) plot->yAxis->setRange(left->Min, left->Max);
    if (changeBottom || changeLeft) Changed();
}

void TPlotZoom::ZoomAxis(QCPAxis* axis, double factor, QPoint at) {
    double lo = axis->range().lower, hi = axis->range().upper;
    ZoomAxisRange(lo, hi, Coord(axis, at), factor, IsLog(axis));
    axis->setRange(lo, hi);
    Changed();
}

bool TPlotZoom::Wheel(QWheelEvent* e) {
    QCustomPlot* plot = form_.Graph();
    const QPoint p = e->position().toPoint();
    const QRect r = plot->axisRect()->rect();
    QCPAxis* axis = nullptr;
    if (r.contains(p)) {
        axis = plot->xAxis;
    } else if (p.x() >= r.left() && p.x() <= r.right() && p.y() > r.bottom()) {
        axis = plot->xAxis;
    } else if (p.y() >= r.top() && p.y() <= r.bottom() && p.x() < r.left()) {
        axis = plot->yAxis;
    } else if (p.y() >= r.top() && p.y() <= r.bottom() && p.x() > r.right() && plot->yAxis2->visible()) {
        axis = plot->yAxis2;
    }
    const int delta = e->angleDelta().y();
    if (!axis || delta == 0) return false;
    ZoomAxis(axis, std::pow(NotchZoom, delta / 120.0), p);
    return true;
}

void TPlotZoom::Pan(QPoint to) {
    QCustomPlot* plot = form_.Graph();
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2}) {
        double lo = axis->range().lower, hi = axis->range().upper;
        PanAxisRange(lo, hi, Coord(axis, panFrom_), Coord(axis, to), IsLog(axis));
        axis->setRange(lo, hi);
    }
    panFrom_ = to;
    form_.Replot();
}

void TPlotZoom::RetuneSteps() {
    QCustomPlot* plot = form_.Graph();
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2}) {
        auto fixed = axis->ticker().dynamicCast<QCPAxisTickerFixed>();
        if (fixed) fixed->setTickStep(NiceAxisStep(axis->range().size(), FitDivisions));
    }
}

void TPlotZoom::Changed() {
    RetuneSteps();
    form_.Replot();
}

bool TPlotZoom::eventFilter(QObject* watched, QEvent* event) {
    if (watched != form_.Graph()) return false;
    switch (event->type()) {
        case QEvent::Wheel:
            return Wheel(static_cast<QWheelEvent*>(event));
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
            Fit();
            return true;
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::MiddleButton) return false;
            panning_ = true;
            panFrom_ = e->pos();
            return true;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (!panning_ || !(e->buttons() & Qt::MiddleButton)) return false;
            Pan(e->pos());
            return false;  // the readout follows the pointer too
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::MiddleButton || !panning_) return false;
            panning_ = false;
            RetuneSteps();
            form_.Replot();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace pelmo
