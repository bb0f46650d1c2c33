#include "gui/graphs/ChartStyle.h"

#include <qcustomplot.h>

#include <QFontMetrics>
#include <cmath>

#include "graphs/AxisZoom.h"

namespace pelmo {

namespace {

// The frequency axis labelled at 10, 20, 50, 100, 200, 500 Hz, 1k ... where
// the labels have room, at the decades only where they have not; dotted
// minor lines at the other whole multiples.
class TFrequencyTicker : public QCPAxisTicker {
public:
    explicit TFrequencyTicker(QCPAxis* axis) : axis_(axis) {}

    void generate(const QCPRange& range, const QLocale&, QChar, int, QVector<double>& ticks, QVector<double>* subTicks,
                  QVector<QString>* labels) override {
        const bool oneTwoFive = OneTwoFiveFit(range);
        ticks.clear();
        for (double v : LogAxisTicks(range.lower, range.upper, oneTwoFive)) ticks.push_back(v);
        if (subTicks) {
            subTicks->clear();
            for (double v : LogAxisSubTicks(range.lower, range.upper, oneTwoFive)) subTicks->push_back(v);
        }
        if (labels) {
            labels->clear();
            for (double v : ticks) labels->push_back(QString::fromStdString(LogAxisTickLabel(v)));
        }
    }

private:
    // The narrowest gap, 1 to 2 (or 5 to 10), takes log10(2) of a decade.
    bool OneTwoFiveFit(const QCPRange& range) const {
        if (!(range.lower > 0) || !(range.upper > range.lower)) return false;
        const double decades = std::log10(range.upper / range.lower);
        const double pixelsPerDecade = axis_->axisRect()->width() / decades;
        const int label = QFontMetrics(axis_->tickLabelFont()).horizontalAdvance("200") * 3 / 2;
        return std::log10(2.0) * pixelsPerDecade >= label;
    }

    QCPAxis* axis_;
};

}  // namespace

QFont ArialPixels(int pixels, bool bold, bool italic) {
    QFont f("Arial");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void SetupAxis(QCPAxis* axis, const TAxisSetup& a) {
    axis->setLabel(QString::fromStdString(a.Title));
    axis->setLabelFont(ArialPixels(13));
    axis->setTickLabelFont(ArialPixels(12));
    if (a.Log) {
        axis->setScaleType(QCPAxis::stLogarithmic);
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new TFrequencyTicker(axis)));
        axis->grid()->setSubGridVisible(true);
        axis->grid()->setSubGridPen(QPen(QColor(170, 170, 170), 0, Qt::DotLine));
    } else {
        axis->setScaleType(QCPAxis::stLinear);
        QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
        ticker->setTickStep(a.Step > 0 ? a.Step : 1);
        ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
        axis->setTicker(ticker);
        axis->grid()->setSubGridVisible(false);
    }
    axis->setRange(a.Min, a.Max);
    axis->setVisible(a.Visible);
    axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::SolidLine));
    if (!a.Grid && a.Log) {
        // Without major grid lines a log axis keeps its dotted minor ones.
        axis->grid()->setVisible(true);
        axis->grid()->setPen(Qt::NoPen);
        axis->grid()->setZeroLinePen(Qt::NoPen);
    } else {
        axis->grid()->setVisible(a.Grid);
    }
}

}  // namespace pelmo
