#pragma once

#include <QList>
#include <QPaintDevice>
#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <memory>

class QIODevice;
class QSvgGenerator;

// A paint device that writes SVG through QSvgGenerator and clips what is
// drawn itself. The generator ignores the painter's clip, so a chart's curves
// that leave its axes would run over the labels to the picture's edge; here
// every line, polygon, path and image is cut to the clip before it is
// written, so the SVG shows what a bitmap of the same drawing shows. What
// lies wholly inside the clip is written unchanged.

namespace pelmo {

class TSvgClipEngine;

class TSvgDevice : public QPaintDevice {
public:
    // An SVG of `size` pixels (96 per inch), its view box the same pixels,
    // written to `out` when the painter ends.
    TSvgDevice(QIODevice& out, QSize size, const QString& title);
    ~TSvgDevice() override;
    TSvgDevice(const TSvgDevice&) = delete;
    TSvgDevice& operator=(const TSvgDevice&) = delete;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric m) const override;

private:
    std::unique_ptr<QSvgGenerator> svg_;
    std::unique_ptr<TSvgClipEngine> engine_;
};

// The pieces of a polyline that lie inside a rectangle, in order; a piece
// begins and ends where the line crosses the rectangle's edge.
QList<QPolygonF> ClipPolyline(const QPolygonF& line, const QRectF& rect);

}  // namespace pelmo
