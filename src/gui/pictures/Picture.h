#pragma once

#include <QPaintDevice>
#include <QPainterPath>
#include <QSize>
#include <QTransform>
#include <cmath>
#include <functional>
#include <vector>

// A picture of the sheet or of a chart, before it is written anywhere: its
// size in screen pixels and the routine that draws it. Every output (the
// bitmap files, SVG, PDF, EMF, the clipboard, the printer) runs the same
// routine on its own paint device, so they all show the same drawing.

namespace pelmo {

struct TPicture {
    QSize Size;  // pixels
    // Draws the picture on a device: opens its own painter there (a chart
    // needs a painter of its own kind) with `world` as its transform, which
    // maps the picture's pixels onto the device. False when no painter
    // could be opened there (a printer that does not start).
    std::function<bool(QPaintDevice& device, const QTransform& world)> Paint;

    bool Empty() const { return !Paint || Size.isEmpty(); }
};

// The clip of a vector picture device, in device coordinates: every path the
// painter set since the clip was last replaced applies while it is enabled.
struct TDeviceClip {
    std::vector<QPainterPath> Paths;
    bool Enabled = false;

    void Set(const QPainterPath& device, Qt::ClipOperation op) {
        switch (op) {
            case Qt::NoClip:
                Paths.clear();
                Enabled = false;
                break;
            case Qt::ReplaceClip:
                Paths = {device};
                Enabled = true;
                break;
            case Qt::IntersectClip:
                Paths.push_back(device);
                Enabled = true;
                break;
        }
    }
};

// The vector picture devices (SVG, EMF) count in screen pixels of 1/96 inch.
inline constexpr double VectorPixelsPerInch = 96.0;

// What a vector picture device of `size` pixels tells a painter about itself.
inline int VectorDeviceMetric(QPaintDevice::PaintDeviceMetric m, QSize size) {
    constexpr double PixelsPerInch = VectorPixelsPerInch;
    switch (m) {
        case QPaintDevice::PdmWidth:
            return size.width();
        case QPaintDevice::PdmHeight:
            return size.height();
        case QPaintDevice::PdmWidthMM:
            return static_cast<int>(std::lround(size.width() * 25.4 / PixelsPerInch));
        case QPaintDevice::PdmHeightMM:
            return static_cast<int>(std::lround(size.height() * 25.4 / PixelsPerInch));
        case QPaintDevice::PdmNumColors:
            return 0x7FFFFFFF;
        case QPaintDevice::PdmDepth:
            return 32;
        case QPaintDevice::PdmDpiX:
        case QPaintDevice::PdmDpiY:
        case QPaintDevice::PdmPhysicalDpiX:
        case QPaintDevice::PdmPhysicalDpiY:
            return static_cast<int>(PixelsPerInch);
        case QPaintDevice::PdmDevicePixelRatio:
            return 1;
        case QPaintDevice::PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
    }
}

}  // namespace pelmo
