#include "gui/graphs/ChartLine.h"

#include <limits>

namespace pelmo {

TChartLine::TChartLine(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {}

TChartLine* AddChartLine(QCustomPlot* plot, QCPAxis* keyAxis, QCPAxis* valueAxis) {
    auto* line = new TChartLine(keyAxis, valueAxis);
    line->setName(QLatin1String("Graph ") + QString::number(plot->graphCount()));
    return line;
}

TChartLine::TKeyAxisState TChartLine::KeyAxisState() const {
    const QCPAxis* axis = mKeyAxis.data();
    const QCPAxisRect* rect = axis->axisRect();
    return {axis->range().lower, axis->range().upper, static_cast<int>(axis->scaleType()), axis->rangeReversed(),
            rect->left(), rect->width()};
}

void TChartLine::ToPixels(const QVector<QCPGraphData>& data, QVector<QPointF>& out) {
    QCPAxis* keyAxis = mKeyAxis.data();
    QCPAxis* valueAxis = mValueAxis.data();
    const TKeyAxisState state = KeyAxisState();
    if (!(state == keyState_)) {
        keyState_ = state;
        keys_.clear();
        keyPixels_.clear();
    }
    const auto n = static_cast<std::size_t>(data.size());
    if (keys_.size() < n) {
        // A NaN key never matches: the new entries are worked out below.
        keys_.resize(n, std::numeric_limits<double>::quiet_NaN());
        keyPixels_.resize(n);
    }
    out.resize(data.size());
    for (std::size_t i = 0; i < n; ++i) {
        const QCPGraphData& p = data[static_cast<int>(i)];
        if (!(keys_[i] == p.key)) {
            keys_[i] = p.key;
            keyPixels_[i] = keyAxis->coordToPixel(p.key);
        }
        out[static_cast<int>(i)] = QPointF(keyPixels_[i], valueAxis->coordToPixel(p.value));
    }
}

void TChartLine::draw(QCPPainter* painter) {
    QCPAxis* keyAxis = mKeyAxis.data();
    QCPAxis* valueAxis = mValueAxis.data();
    if (!keyAxis || !valueAxis || keyAxis->orientation() != Qt::Horizontal || mLineStyle != lsLine ||
        !mScatterStyle.isNone() || !mSelection.isEmpty()) {
        QCPGraph::draw(painter);
        return;
    }
    if (keyAxis->range().size() <= 0 || mDataContainer->isEmpty()) return;

    // Nothing is selected: the whole curve is one unselected segment, taken
    // one point wider on each side as QCPGraph takes it.
    QCPGraphDataContainer::const_iterator begin, end;
    getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()).adjusted(-1, 1));
    lineData_.clear();
    if (begin != end) getOptimizedLineData(&lineData_, begin, end);
    ToPixels(lineData_, lines_);

    painter->setBrush(mBrush);
    painter->setPen(Qt::NoPen);
    drawFill(painter, &lines_);
    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);
    drawLinePlot(painter, lines_);
    if (mSelectionDecorator) mSelectionDecorator->drawDecoration(painter, selection());
}

void TChartLine::drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const {
    if (painter->pen().style() == Qt::NoPen || painter->pen().color().alpha() == 0) return;
    const bool onScreen = !painter->modes().testFlag(QCPPainter::pmVectorized);
    if (!(mParentPlot->plottingHints().testFlag(QCP::phFastPolylines) && painter->pen().style() == Qt::SolidLine &&
          onScreen && !painter->modes().testFlag(QCPPainter::pmNoCaching))) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }
    applyDefaultAntialiasingHint(painter);
    // A pen of one pixel is drawn cosmetic, as QCustomPlot does on screen.
    if (qFuzzyCompare(painter->pen().widthF(), 1.0)) {
        QPen pen = painter->pen();
        pen.setWidth(0);
        painter->setPen(pen);
    }
    // The segments between neighbours, a NaN point leaving a gap.
    segments_.clear();
    const int n = static_cast<int>(lines.size());
    int i = 0;
    while (i < n && (qIsNaN(lines[i].y()) || qIsNaN(lines[i].x()))) ++i;
    ++i;
    bool lastIsNan = false;
    for (; i < n; ++i) {
        if (!qIsNaN(lines[i].y()) && !qIsNaN(lines[i].x())) {
            if (!lastIsNan)
                segments_.append(QLineF(lines[i - 1], lines[i]));
            else
                lastIsNan = false;
        } else {
            lastIsNan = true;
        }
    }
    if (!segments_.isEmpty()) painter->drawLines(segments_.constData(), static_cast<int>(segments_.size()));
}

}  // namespace pelmo
