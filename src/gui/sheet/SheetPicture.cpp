#include "gui/sheet/SheetPicture.h"

#include <QPainter>

#include "document/Session.h"
#include "editor/SheetLabels.h"
#include "gui/sheet/SheetView.h"

namespace pelmo {

namespace {
constexpr int Margin = 3;  // grid units of white around the drawing
}

QSize SheetPictureSize(const TRect& extent, int scale) {
    if (extent.Right < extent.Left || extent.Bottom < extent.Top) return {};
    return {(extent.Right - extent.Left + 2 * Margin) * scale, (extent.Bottom - extent.Top + 2 * Margin) * scale};
}

TPicture SheetPicture(TSheetView& view) {
    TDesign& d = view.Session().Design();
    const int s = view.Scale();
    SetDesignScale(d, s);
    UpdateLabelRects(d);
    const TRect extent = DrawingExtent(d);
    TPicture picture;
    picture.Size = SheetPictureSize(extent, s);
    if (picture.Size.isEmpty()) return picture;
    // The picture's top-left corner on the sheet.
    const QPoint origin((extent.Left - Margin) * s, (extent.Top - Margin) * s);
    const QSize size = picture.Size;
    picture.Paint = [&view, origin, size](QPaintDevice& device, const QTransform& world) {
        QPainter p;
        if (!p.begin(&device)) return false;
        p.setTransform(world);
        p.translate(-origin.x(), -origin.y());
        view.PaintSheet(p, QRect(origin, size), true);
        return true;
    };
    return picture;
}

}  // namespace pelmo
