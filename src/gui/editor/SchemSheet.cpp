// The main window's sheet: painting, the grid, the drag image, zoom and
// scrolling.
#include <QCursor>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "app/Schem.h"
#include "base/Rounding.h"
#include "editor/SheetPainter.h"
#include "editor/SheetWidgets.h"
#include "editor/ViewGeometry.h"

namespace pelmo {

TPoint TSchem::PixelToGrid(QPoint p) const { return pelmo::PixelToGrid(TPoint{p.x(), p.y()}, scale_); }

QPoint TSchem::SnapToGrid(QPoint pos) const { return GridToPixel(PixelToGrid(pos)); }

void TSchem::RepaintSheet() {
    cacheValid_ = false;
    if (sheet_) sheet_->update();
}

void TSchem::RebuildGridStrip() {
    const int s = scale_;
    gridStrip_ = QImage(PanelWidth(s), s + 1, QImage::Format_RGB32);
    gridStrip_.fill(Qt::white);
    const QRgb black = qRgb(0, 0, 0);
    for (int i = 1; i <= SheetWidth - 2; ++i) gridStrip_.setPixel(i * s, s - 1, black);
}

QColor TSchem::ElementColour(bool selected, TElementRef e) const {
    if (highlight_ && *highlight_ == e) return SheetColour::Red;
    return selected ? SheetColour::Silver : SheetColour::Black;
}

void TSchem::PaintSheet(QPainter& p, const QRect& area, bool forExport) {
    TDesign& d = *design_;
    SetDesignScale(d, scale_);
    const int s = scale_;
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
    auto lookOf = [](const TSubCkt& b) { return b.Selected ? TBlockLook::Selected : TBlockLook::Normal; };
    for (const auto& b : d.Blocks) sp.DrawBlockBody(*b, {0, 0}, lookOf(*b));
    for (const auto& b : d.Blocks) sp.DrawBlockMembers(*b, {0, 0}, lookOf(*b));
    for (std::size_t i = 0; i < d.Parts.size(); ++i) {
        TPart& part = *d.Parts[i];
        if (part.Subckt >= 0) continue;  // drawn with its block
        const QColor c = ElementColour(part.Selected, {part.PartType, static_cast<int>(i)});
        sp.DrawPartSymbol(GridToPixel(part.Position), c, part.PartType, part.IsHorizontal, &part);
        sp.DrawEndDot(GridToPixel(part.Terminal1), c);
        sp.DrawEndDot(GridToPixel(part.Terminal2), c);
    }
    for (std::size_t i = 0; i < d.Wires.size(); ++i) {
        const TWire& w = *d.Wires[i];
        if (w.Subckt >= 0) continue;
        // The wire being drawn is shown by the drag image.
        if (!forExport && editMode_ == TEditMode::Wiring && current_ == TElementRef{ekWire, static_cast<int>(i)})
            continue;
        sp.DrawWireLine(QPt(w.PixelEnd1), QPt(w.PixelEnd2), ElementColour(w.Selected, {ekWire, static_cast<int>(i)}));
        sp.DrawEndDot(QPt(w.PixelEnd1), SheetColour::Black);
        sp.DrawEndDot(QPt(w.PixelEnd2), SheetColour::Black);
    }
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        TDriver& drv = *d.Drivers[i];
        const QColor c = ElementColour(drv.Selected, {ekDriver, static_cast<int>(i)});
        sp.DrawDriverSymbol(GridToPixel(drv.Position), c, &drv);
        sp.DrawEndDot(GridToPixel(drv.Terminal1), c);
        sp.DrawEndDot(GridToPixel(drv.Terminal2), c);
    }
    for (std::size_t i = 0; i < d.Grounds.size(); ++i) {
        const TGround& g = *d.Grounds[i];
        if (g.Subckt >= 0) continue;
        const QColor c = ElementColour(g.Selected, {ekGround, static_cast<int>(i)});
        sp.DrawGroundSymbol(GridToPixel(g.Position), c);
        sp.DrawEndDot(GridToPixel(g.Position), c);
    }
    if (d.Source.Placed) {
        const QColor c = ElementColour(d.Source.Selected, {ekSource, 0});
        // The source's labels are left out while a group is being moved.
        sp.DrawSourceSymbol(GridToPixel(d.Source.Position), c, &d.Source, editMode_ != TEditMode::GroupMove);
        sp.DrawEndDot(GridToPixel(d.Source.Terminal1), c);
        sp.DrawEndDot(GridToPixel(d.Source.Terminal2), c);
    }
    for (std::size_t i = 0; i < d.Texts.size(); ++i) {
        const TStext& t = *d.Texts[i];
        if (t.Subckt >= 0) continue;
        QColor c = t.Selected ? SheetColour::Silver : ColourFromRgbValue(t.Color);
        if (highlight_ && *highlight_ == TElementRef{ekText, static_cast<int>(i)}) c = SheetColour::Red;
        sp.DrawTextElement(t, GridToPixel(t.Position), c);
    }
}

void TSchem::SheetPaint(QPainter& painter, const QRect& rect) {
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

    if (marker_.Shown()) {
        painter.save();
        painter.setClipRect(marker_.UpdateRect().intersected(rect));
        DrawDragImage(painter);
        painter.restore();
    }
    if (editMode_ == TEditMode::GroupMove || editMode_ == TEditMode::GroupPaste) DrawGroupPreview(painter);
}

void TSchem::DrawDragImage(QPainter& painter) {
    TDesign& d = *design_;
    TSheetPainter sp(painter, scale_, metrics_);
    const QColor blue = SheetColour::Blue;
    const QPoint at = dropPoint_;
    switch (editMode_) {
        case TEditMode::Placing:
            if (IsPartKind(current_.Kind))
                sp.DrawPartSymbol(at, blue, current_.Kind, partHorizontal_[current_.Kind]);
            else if (current_.Kind == ekDriver)
                sp.DrawDriverSymbol(at, blue);
            else if (current_.Kind == ekGround)
                sp.DrawGroundSymbol(at, blue);
            else if (current_.Kind == ekText)
                sp.DrawTextElement(d.DefaultText, at, ColourFromRgbValue(d.DefaultText.Color));
            break;
        case TEditMode::Moving:
            if (!CurrentExists()) break;
            switch (current_.Kind) {
                case ekSource:
                    sp.DrawSourceSymbol(at, blue, nullptr, false);
                    break;
                case ekDriver:
                    sp.DrawDriverSymbol(at, blue);
                    break;
                case ekGround:
                    sp.DrawGroundSymbol(at, blue);
                    break;
                case ekText: {
                    const TStext& t = *d.Texts[current_.Index];
                    sp.DrawTextElement(t, at, ColourFromRgbValue(t.Color));
                    break;
                }
                case ekWire:
                    sp.DrawWireLine(dropPoint_, dropEnd2_, blue);
                    break;
                default:
                    sp.DrawPartSymbol(at, blue, d.Parts[current_.Index]->PartType, movingHorizontal_);
                    break;
            }
            break;
        case TEditMode::Wiring:
            if (CurrentExists() && current_.Kind == ekWire) {
                const TWire& w = *d.Wires[current_.Index];
                sp.DrawWireLine(QPt(w.PixelEnd1), QPt(w.PixelEnd2), blue);
                sp.DrawEndDot(QPt(w.PixelEnd1), blue);
            }
            break;
        case TEditMode::BlockMove:
        case TEditMode::BlockPlace:
            if (CurrentExists() && current_.Kind == ekBlock) {
                const TSubCkt& b = *d.Blocks[current_.Index];
                const QPoint shift = at - GridToPixel(b.Center);
                sp.DrawBlock(b, shift, TBlockLook::Moving, true);
            }
            break;
        case TEditMode::BoxDrag: {
            QPen pen(SheetColour::Red);
            pen.setStyle(Qt::DotLine);
            pen.setCosmetic(true);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(boxStart_, boxEnd_).normalized());
            break;
        }
        default:
            break;
    }
}

TPoint TSchem::GroupDisplacement() const {
    const TPoint g = PixelToGrid(lastPointer_);
    return {g.X - groupAnchor_.X, g.Y - groupAnchor_.Y};
}

void TSchem::DrawGroupPreview(QPainter& painter) {
    const TDesign& d = *design_;
    TSheetPainter sp(painter, scale_, metrics_);
    const QColor blue = SheetColour::Blue;
    const TPoint by = GroupDisplacement();
    auto at = [&](TPoint g) { return GridToPixel({g.X + by.X, g.Y + by.Y}); };
    const bool paste = editMode_ == TEditMode::GroupPaste;
    auto drawParts = [&](const Collection<TPart>& parts) {
        for (const auto& p : parts)
            if (paste || p->Selected) {
                sp.DrawPartSymbol(at(p->Position), blue, p->PartType, p->IsHorizontal);
                sp.DrawEndDot(at(p->Terminal1), blue);
                sp.DrawEndDot(at(p->Terminal2), blue);
            }
    };
    auto drawWires = [&](const Collection<TWire>& wires) {
        for (const auto& w : wires)
            if (paste || w->Selected) {
                sp.DrawWireLine(at(w->End1), at(w->End2), blue);
                sp.DrawEndDot(at(w->End1), blue);
                sp.DrawEndDot(at(w->End2), blue);
            }
    };
    auto drawGrounds = [&](const Collection<TGround>& grounds) {
        for (const auto& g : grounds)
            if (paste || g->Selected) {
                sp.DrawGroundSymbol(at(g->Position), blue);
                sp.DrawEndDot(at(g->Position), blue);
            }
    };
    auto drawDrivers = [&](const Collection<TDriver>& drivers) {
        for (const auto& drv : drivers)
            if (paste || drv->Selected) {
                sp.DrawDriverSymbol(at(drv->Position), blue);
                sp.DrawEndDot(at(drv->Terminal1), blue);
                sp.DrawEndDot(at(drv->Terminal2), blue);
            }
    };
    auto drawTexts = [&](const Collection<TStext>& texts) {
        for (const auto& t : texts)
            if (paste || t->Selected) sp.DrawTextElement(*t, at(t->Position), ColourFromRgbValue(t->Color));
    };
    if (paste) {
        drawParts(copyBuffer_.Parts);
        drawWires(copyBuffer_.Wires);
        drawGrounds(copyBuffer_.Grounds);
        drawDrivers(copyBuffer_.Drivers);
        drawTexts(copyBuffer_.Texts);
        return;
    }
    drawParts(d.Parts);
    drawWires(d.Wires);
    drawGrounds(d.Grounds);
    drawDrivers(d.Drivers);
    if (d.Source.Selected) {
        sp.DrawSourceSymbol(at(d.Source.Position), blue, nullptr, false);
        sp.DrawEndDot(at(d.Source.Terminal1), blue);
        sp.DrawEndDot(at(d.Source.Terminal2), blue);
    }
    drawTexts(d.Texts);
}

void TSchem::SetCursorShape(TSheetCursor shape) {
    if (shape == TSheetCursor::Default)
        sheet_->unsetCursor();
    else
        sheet_->setCursor(SheetCursor(shape));
}

// ---- zoom and scrolling ----

void TSchem::CenterView() {
    const int s = scale_;
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    const int pw = PanelWidth(s), ph = PanelHeight(s);
    panel_->setFixedSize(pw, ph);
    sheet_->setGeometry(0, 0, pw, ph);
    scrollHost_->setFixedSize(pw + ScrollMarginX, ph + ScrollMarginY);
    sheetFont_ = SheetFont(s);

    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBox_);
    const int availW = scrollBox_->width() - bar, availH = scrollBox_->height() - bar;
    const QSize client = scrollBox_->viewport()->size();
    if (auto x = CentreScrollPosition(viewCentre_.X, s, SheetWidth, ScrollMarginX, availW, pw, client.width()))
        scrollBox_->horizontalScrollBar()->setValue(*x);
    if (auto y = CentreScrollPosition(viewCentre_.Y, s, SheetHeight, ScrollMarginY, availH, ph, client.height()))
        scrollBox_->verticalScrollBar()->setValue(*y);
    setUpdatesEnabled(updates);
}

void TSchem::SetSheetScale(int z) {
    const auto scale = SheetScaleRequest(z);
    if (!scale) return;
    scale_ = *scale;
    SetDesignScale(*design_, scale_);
    marker_.Drop();
    CenterView();
    RebuildGridStrip();
    RepaintSheet();
    const QPoint middle = scrollBox_->viewport()->rect().center();
    QCursor::setPos(scrollBox_->viewport()->mapToGlobal(middle));
    pointer_ = sheet_->mapFrom(scrollBox_->viewport(), middle);
}

void TSchem::ZoomStep(bool zoomIn) {
    viewCentre_ = PixelToGrid(pointer_);
    if (const auto next = ZoomStepScale(scale_, zoomIn)) SetSheetScale(*next);
}

void TSchem::FitAll() {
    TDesign& d = *design_;
    SetDesignScale(d, scale_);
    UpdateLabelRects(d);
    const TRect extent = DrawingExtent(d);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBox_);
    scale_ = FitAllScale(extent, scrollBox_->width() - bar, scrollBox_->height() - bar);
    viewCentre_ = ExtentCentre(extent);
    SetDesignScale(d, scale_);
    marker_.Drop();
    CenterView();
    RebuildGridStrip();
    RepaintSheet();
}

}  // namespace pelmo
