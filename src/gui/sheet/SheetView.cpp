// The sheet on the screen: painting, the cached picture, the grid, zoom and
// scrolling.
#include "gui/sheet/SheetView.h"

#include <QCursor>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "base/Rounding.h"
#include "document/Session.h"
#include "editor/SheetLabels.h"
#include "editor/ViewGeometry.h"
#include "gui/sheet/SheetPainter.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

TSheetView::TSheetView(TSession& session, const TextMetrics& metrics, QWidget* parent)
    : QObject(parent), session_(session), metrics_(metrics) {
    Build(parent);
}

void TSheetView::Build(QWidget* parent) {
    scrollBox_ = new QScrollArea(parent);
    scrollBox_->setObjectName("ScrollBox1");
    scrollBox_->setWidgetResizable(false);
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->horizontalScrollBar()->setSingleStep(ScrollLine);
    scrollBox_->verticalScrollBar()->setSingleStep(ScrollLine);
    // The scrolled area reaches 40 pixels right of and 6 below the sheet panel.
    scrollHost_ = new QWidget;
    scrollHost_->setObjectName("ScrollHost");
    panel_ = new TSheetPanel(*this, scrollHost_);
    panel_->setObjectName("pnSchem");
    sheet_ = new TSheet(*this, panel_);
    sheet_->setObjectName("Sheet");
    sheet_->setFocusProxy(panel_);
    marker_.SetTarget(sheet_);
    scrollBox_->setWidget(scrollHost_);
}

TPoint TSheetView::PixelToGrid(QPoint p) const { return pelmo::PixelToGrid(TPoint{p.x(), p.y()}, scale_); }

void TSheetView::RepaintSheet() {
    cacheValid_ = false;
    if (sheet_) sheet_->update();
}

QRect TSheetView::ReachOf(QPoint a, QPoint b) const {
    const int margin = 3 * scale_;
    return QRect(a, b).normalized().adjusted(-margin, -margin, margin, margin);
}

QRect TSheetView::ReachOf(const TRect& g) const {
    return ReachOf(GridToPixel({g.Left, g.Top}), GridToPixel({g.Right, g.Bottom}));
}

void TSheetView::RepaintPartLabels(const TPart& part) {
    if (!sheet_) return;
    const TRect before = part.LabelRect;
    const TRect after = LayoutPartLabels(part, scale_, metrics_).LabelRect;
    const QRect area = ReachOf(before).united(ReachOf(after)).intersected(cacheRect_);
    if (!cacheValid_ || cache_.devicePixelRatio() != sheet_->devicePixelRatioF()) {
        RepaintSheet();
        return;
    }
    if (area.isEmpty()) return;  // out of the kept picture: drawn when it comes into view
    QPainter cp(&cache_);
    cp.translate(-cacheRect_.topLeft());
    cp.setClipRect(area);
    PaintSheet(cp, area, false, true);
    cp.end();
    sheet_->update(area);
}

void TSheetView::RebuildGridStrip() {
    const int s = scale_;
    gridStrip_ = QImage(PanelWidth(s), s + 1, QImage::Format_RGB32);
    gridStrip_.fill(Qt::white);
    const QRgb black = qRgb(0, 0, 0);
    for (int i = 1; i <= SheetWidth - 2; ++i) gridStrip_.setPixel(i * s, s - 1, black);
}

QColor TSheetView::ElementColour(bool selected, TElementRef e) const {
    if (decorations_ && decorations_->Highlighted(e)) return SheetColour::Red;
    return selected ? SheetColour::Silver : SheetColour::Black;
}

void TSheetView::PaintSheet(QPainter& p, const QRect& area, bool forExport, bool cull) {
    TDesign& d = session_.Design();
    SetDesignScale(d, scale_);
    const int s = scale_;
    // Whether an element whose grid box (and terminals) are given can reach
    // into the area; blocks and texts are always drawn.
    const auto reaches = [&](const TRect& box, TPoint t1, TPoint t2) {
        return !cull || ReachOf(box).intersects(area) || ReachOf(GridToPixel(t1), GridToPixel(t2)).intersects(area);
    };
    p.fillRect(area, Qt::white);
    if (!forExport) {
        if (gridStrip_.width() != PanelWidth(s) || gridStrip_.height() != s + 1) RebuildGridStrip();
        for (int y = 1; y < SheetHeight * s - 1; y += s) {
            const QRect strip(0, y, gridStrip_.width(), gridStrip_.height());
            if (strip.intersects(area)) p.drawImage(QPoint(0, y), gridStrip_);
        }
        p.setPen(SheetColour::Black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, PanelWidth(s) - 1, PanelHeight(s) - 1);
    }

    TSheetPainter sp(p, s, metrics_);
    // Every block's body first, then the members: a block whose body overlaps
    // its neighbour's must not hide the wires that join the two.
    auto lookOf = [](const TCircuitBlock& b) { return b.Selected ? TBlockLook::Selected : TBlockLook::Normal; };
    auto drawn = [&](std::size_t i) { return !decorations_ || !decorations_->HidesBlock(static_cast<int>(i)); };
    for (std::size_t i = 0; i < d.Blocks.size(); ++i)
        if (drawn(i)) sp.DrawBlockBody(*d.Blocks[i], {0, 0}, lookOf(*d.Blocks[i]));
    for (std::size_t i = 0; i < d.Blocks.size(); ++i)
        if (drawn(i)) sp.DrawBlockMembers(*d.Blocks[i], {0, 0}, lookOf(*d.Blocks[i]));
    for (std::size_t i = 0; i < d.Parts.size(); ++i) {
        TPart& part = *d.Parts[i];
        if (part.Subckt >= 0) continue;  // drawn with its block
        if (!reaches(part.LabelRect, part.Terminal1, part.Terminal2)) continue;
        const QColor c = ElementColour(part.Selected, {KindOf(part.PartType), static_cast<int>(i)});
        sp.DrawPartSymbol(GridToPixel(part.Position), c, part.PartType, part.IsHorizontal, &part);
        sp.DrawEndDot(GridToPixel(part.Terminal1), c);
        sp.DrawEndDot(GridToPixel(part.Terminal2), c);
    }
    for (std::size_t i = 0; i < d.Wires.size(); ++i) {
        const TWire& w = *d.Wires[i];
        if (w.Subckt >= 0) continue;
        // The wire being drawn is shown by the drag image.
        if (!forExport && decorations_ && decorations_->HidesWire(static_cast<int>(i))) continue;
        if (cull && !ReachOf(QPt(w.PixelEnd1), QPt(w.PixelEnd2)).intersects(area)) continue;
        sp.DrawWireLine(QPt(w.PixelEnd1), QPt(w.PixelEnd2),
                        ElementColour(w.Selected, {TElementKind::Wire, static_cast<int>(i)}));
        sp.DrawEndDot(QPt(w.PixelEnd1), SheetColour::Black);
        sp.DrawEndDot(QPt(w.PixelEnd2), SheetColour::Black);
    }
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        TDriver& drv = *d.Drivers[i];
        if (!reaches(drv.LabelRect, drv.Terminal1, drv.Terminal2)) continue;
        const QColor c = ElementColour(drv.Selected, {TElementKind::Driver, static_cast<int>(i)});
        sp.DrawDriverSymbol(GridToPixel(drv.Position), c, &drv);
        sp.DrawEndDot(GridToPixel(drv.Terminal1), c);
        sp.DrawEndDot(GridToPixel(drv.Terminal2), c);
    }
    for (std::size_t i = 0; i < d.Grounds.size(); ++i) {
        const TGround& g = *d.Grounds[i];
        if (g.Subckt >= 0) continue;
        if (!reaches({g.Position.X, g.Position.Y, g.Position.X, g.Position.Y}, g.Position, g.Position)) continue;
        const QColor c = ElementColour(g.Selected, {TElementKind::Ground, static_cast<int>(i)});
        sp.DrawGroundSymbol(GridToPixel(g.Position), c);
        sp.DrawEndDot(GridToPixel(g.Position), c);
    }
    if (d.Source.Placed) {
        const QColor c = ElementColour(d.Source.Selected, {TElementKind::Source, 0});
        // The source's labels are left out while a group is being moved.
        sp.DrawSourceSymbol(GridToPixel(d.Source.Position), c, &d.Source,
                            !decorations_ || decorations_->ShowsSourceLabels());
        sp.DrawEndDot(GridToPixel(d.Source.Terminal1), c);
        sp.DrawEndDot(GridToPixel(d.Source.Terminal2), c);
    }
    for (std::size_t i = 0; i < d.Texts.size(); ++i) {
        const TSheetText& t = *d.Texts[i];
        if (t.Subckt >= 0) continue;
        QColor c = t.Selected ? SheetColour::Silver : ColourFromRgbValue(t.Color);
        if (decorations_ && decorations_->Highlighted({TElementKind::Text, static_cast<int>(i)})) c = SheetColour::Red;
        sp.DrawTextElement(t, GridToPixel(t.Position), c);
    }
}

void TSheetView::SheetPaint(QPainter& painter, const QRect& rect) {
    QRect visible = sheet_->visibleRegion().boundingRect();
    if (visible.isEmpty()) visible = rect;
    // The picture has the screen's device pixels, so that it stays sharp on
    // high-DPI screens; moving to a screen of another ratio redraws it.
    const qreal ratio = sheet_->devicePixelRatioF();
    if (!cacheValid_ || !cacheRect_.contains(rect) || cache_.devicePixelRatio() != ratio) {
        cacheRect_ = visible.united(rect).intersected(sheet_->rect());
        if (cacheRect_.isEmpty()) return;
        cache_ = QImage(cacheRect_.size() * ratio, QImage::Format_RGB32);
        cache_.setDevicePixelRatio(ratio);
        QPainter cp(&cache_);
        cp.translate(-cacheRect_.topLeft());
        PaintSheet(cp, cacheRect_, false);
        cacheValid_ = true;
        ++fullRenders_;
    }
    const QRectF source(QPointF(rect.topLeft() - cacheRect_.topLeft()) * ratio, QSizeF(rect.size()) * ratio);
    painter.drawImage(QRectF(rect), cache_, source);

    if (decorations_) decorations_->PaintOverlay(painter, rect);
}

void TSheetView::SetCursorShape(TSheetCursor shape) {
    if (shape == TSheetCursor::Default)
        sheet_->unsetCursor();
    else
        sheet_->setCursor(SheetCursor(shape));
}

// ---- zoom and scrolling ----

void TSheetView::CenterView() {
    const int s = scale_;
    QWidget* window = scrollBox_->window();
    const bool updates = window->updatesEnabled();
    window->setUpdatesEnabled(false);
    const int pw = PanelWidth(s), ph = PanelHeight(s);
    panel_->setFixedSize(pw, ph);
    sheet_->setGeometry(0, 0, pw, ph);
    scrollHost_->setFixedSize(pw + ScrollMarginX, ph + ScrollMarginY);

    const int bar = scrollBox_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBox_);
    const int availW = scrollBox_->width() - bar, availH = scrollBox_->height() - bar;
    const QSize client = scrollBox_->viewport()->size();
    if (auto x = CentreScrollPosition(viewCentre_.X, s, SheetWidth, ScrollMarginX, availW, pw, client.width()))
        scrollBox_->horizontalScrollBar()->setValue(*x);
    if (auto y = CentreScrollPosition(viewCentre_.Y, s, SheetHeight, ScrollMarginY, availH, ph, client.height()))
        scrollBox_->verticalScrollBar()->setValue(*y);
    window->setUpdatesEnabled(updates);
}

void TSheetView::SetSheetScale(int z) {
    const auto scale = SheetScaleRequest(z);
    if (!scale) return;
    scale_ = *scale;
    SetDesignScale(session_.Design(), scale_);
    marker_.Drop();
    CenterView();
    RebuildGridStrip();
    RepaintSheet();
    const QPoint middle = scrollBox_->viewport()->rect().center();
    QCursor::setPos(scrollBox_->viewport()->mapToGlobal(middle));
    if (PointerPlaced) PointerPlaced(sheet_->mapFrom(scrollBox_->viewport(), middle));
}

void TSheetView::ZoomStep(bool zoomIn, QPoint pointer) {
    viewCentre_ = PixelToGrid(pointer);
    if (const auto next = ZoomStepScale(scale_, zoomIn)) SetSheetScale(*next);
}

void TSheetView::ZoomAbout(bool zoomIn, QPoint pointer) {
    const auto next = ZoomStepScale(scale_, zoomIn);
    if (!next) return;
    const TPoint g = PixelToGrid(pointer);
    QWidget* viewport = scrollBox_->viewport();
    const QPoint onScreen = sheet_->mapTo(viewport, GridToPixel(g));
    scale_ = *next;
    SetDesignScale(session_.Design(), scale_);
    marker_.Drop();
    viewCentre_ = g;
    CenterView();  // new sizes, the point near the middle
    // Then scroll so that the point lands where it was.
    const QPoint now = sheet_->mapTo(viewport, GridToPixel(g));
    QScrollBar* h = scrollBox_->horizontalScrollBar();
    QScrollBar* v = scrollBox_->verticalScrollBar();
    h->setValue(h->value() + now.x() - onScreen.x());
    v->setValue(v->value() + now.y() - onScreen.y());
    viewCentre_ = PixelToGrid(sheet_->mapFrom(viewport, viewport->rect().center()));
    RebuildGridStrip();
    RepaintSheet();
}

void TSheetView::FitAll() {
    TDesign& d = session_.Design();
    SetDesignScale(d, scale_);
    UpdateLabelRects(d);
    const TRect extent = DrawingExtent(d);
    const int bar = scrollBox_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBox_);
    scale_ = FitAllScale(extent, scrollBox_->width() - bar, scrollBox_->height() - bar);
    viewCentre_ = ExtentCentre(extent);
    SetDesignScale(d, scale_);
    marker_.Drop();
    CenterView();
    RebuildGridStrip();
    RepaintSheet();
}

void TSheetView::CentreOn(TPoint g) {
    viewCentre_ = g;
    CenterView();
    RepaintSheet();
}

}  // namespace pelmo
