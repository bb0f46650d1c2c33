#pragma once

#include <QSize>
#include <QTransform>
#include <functional>

class QPaintDevice;

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

}  // namespace pelmo
