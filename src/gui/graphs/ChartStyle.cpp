#include "gui/graphs/ChartStyle.h"

#include <qcustomplot.h>

namespace pelmo {

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
        QSharedPointer<QCPAxisTickerLog> ticker(new QCPAxisTickerLog);
        ticker->setLogBase(10);
        ticker->setSubTickCount(8);
        axis->setTicker(ticker);
        axis->setNumberFormat("g");
        axis->setNumberPrecision(6);
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
