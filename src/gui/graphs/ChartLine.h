#pragma once

#include <qcustomplot.h>

#include <vector>

// A chart curve drawn as QCPGraph draws a plain line, with two savings that
// leave every pixel as it was:
//  * The pixel column of each frequency is kept from the last paint. Between
//    two solves the frequencies stay the same, so only the values are mapped
//    again (a logarithmic axis costs two logarithms per point otherwise).
//  * The segments of a solid line go to the painter in one call instead of
//    one call each; the raster engine draws them one by one all the same.
// Anything else (steps, scatters, fills, selections, vertical key axes)
// takes QCPGraph's own drawing.

namespace pelmo {

class TChartLine : public QCPGraph {
    Q_OBJECT
public:
    TChartLine(QCPAxis* keyAxis, QCPAxis* valueAxis);

protected:
    void draw(QCPPainter* painter) override;
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override;

private:
    // The key axis as the kept pixel columns were worked out for it.
    struct TKeyAxisState {
        double Lower = 0.0, Upper = 0.0;
        int ScaleType = -1;
        bool Reversed = false;
        int Left = 0, Width = -1;
        bool operator==(const TKeyAxisState&) const = default;
    };
    TKeyAxisState KeyAxisState() const;
    // The points' pixels, keys through the kept columns.
    void ToPixels(const QVector<QCPGraphData>& data, QVector<QPointF>& out);

    TKeyAxisState keyState_;
    std::vector<double> keys_, keyPixels_;
    QVector<QCPGraphData> lineData_;
    QVector<QPointF> lines_;
    mutable QVector<QLineF> segments_;
};

// A new chart curve on the plot's axes, named as QCustomPlot::addGraph names
// its curves.
TChartLine* AddChartLine(QCustomPlot* plot, QCPAxis* keyAxis, QCPAxis* valueAxis);

}  // namespace pelmo
