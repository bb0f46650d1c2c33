#include "gui/sheet/Cursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace pelmo {

namespace {

// 32 x 32 logical pixels with as many device pixels as the sharpest screen
// has (a whole number: Wayland takes no fractional cursor scale).
QPixmap Blank() {
    const qreal ratio = std::max<qreal>(1, std::ceil(qGuiApp->devicePixelRatio()));
    QPixmap pm(QSize(32, 32) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    return pm;
}

// Qt's X11 back end takes the hot spot in the picture's own pixels, the
// others in logical pixels.
QCursor WithHotSpot(const QPixmap& pm, int x, int y) {
    const qreal scale = QGuiApplication::platformName() == QLatin1String("xcb") ? pm.devicePixelRatio() : 1;
    return QCursor(pm, qRound(x * scale), qRound(y * scale));
}

// A magnifying glass; the hot spot is the middle of the lens.
QCursor MakeZoom() {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 4));
    p.drawEllipse(QRectF(3, 3, 16, 16));
    p.drawLine(QPointF(17, 17), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRectF(3, 3, 16, 16));
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(QPointF(17, 17), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(7, 11), QPointF(15, 11));
    p.drawLine(QPointF(11, 7), QPointF(11, 15));
    return WithHotSpot(pm, 11, 11);
}

// A small cross with a dot on its centre: a wire end; the hot spot is the dot.
QCursor MakeWire() {
    QPixmap pm = Blank();
    QPainter p(&pm);
    for (auto [colour, width] : {std::pair{QColor(Qt::white), 3}, std::pair{QColor(Qt::black), 1}}) {
        p.setPen(QPen(colour, width));
        p.drawLine(4, 15, 12, 15);
        p.drawLine(18, 15, 26, 15);
        p.drawLine(15, 4, 15, 12);
        p.drawLine(15, 18, 15, 26);
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(15.5, 15.5), 2.5, 2.5);
    return WithHotSpot(pm, 15, 15);
}

// An arrow with a small knob beside it: tuning with the wheel.
QCursor MakeTuneDown() {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF arrow({{1, 1}, {1, 18}, {5.5, 13.5}, {9, 21}, {12, 19.5}, {8.5, 12.5}, {14, 12.5}});
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(18, 14, 8, 14), 4, 4);
    p.drawLine(QPointF(22, 17), QPointF(22, 21));
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({{18, 29}, {26, 29}, {22, 31.5}}));
    return WithHotSpot(pm, 1, 1);
}

}  // namespace

const QCursor& SheetCursor(TSheetCursor shape) {
    static const QCursor arrow(Qt::ArrowCursor);
    static const QCursor zoom = MakeZoom();
    static const QCursor wire = MakeWire();
    static const QCursor tune = MakeTuneDown();
    switch (shape) {
        case TSheetCursor::Zoom:
            return zoom;
        case TSheetCursor::Wire:
            return wire;
        case TSheetCursor::TuneDown:
            return tune;
        default:
            return arrow;
    }
}

}  // namespace pelmo
