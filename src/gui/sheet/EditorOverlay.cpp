// What the editor draws over the sheet's picture: the drag image of an
// element on the move and the preview of a group being moved or pasted.
#include <QPainter>

#include "document/Session.h"
#include "sheet/EditorController.h"
#include "sheet/SheetPainter.h"

namespace pelmo {

void TEditorController::PaintOverlay(QPainter& painter, const QRect& rect) {
    const TMarker& marker = view_.DragImage();
    if (marker.Shown()) {
        painter.save();
        painter.setClipRect(marker.UpdateRect().intersected(rect));
        DrawDragImage(painter);
        painter.restore();
    }
    if (editMode_ == TEditMode::GroupMove || editMode_ == TEditMode::GroupPaste) DrawGroupPreview(painter);
}

bool TEditorController::HidesWire(int index) const {
    return editMode_ == TEditMode::Wiring && current_ == TElementRef{TElementKind::Wire, index};
}

bool TEditorController::HidesBlock(int index) const {
    return editMode_ == TEditMode::BlockPlace && current_ == TElementRef{TElementKind::Block, index};
}

void TEditorController::DrawDragImage(QPainter& painter) {
    TDesign& d = Design();
    TSheetPainter sp(painter, view_.Scale(), *Design().Metrics);
    const QColor blue = SheetColour::Blue;
    const QPoint at = dropPoint_;
    switch (editMode_) {
        case TEditMode::Placing:
            if (IsPartKind(current_.Kind))
                sp.DrawPartSymbol(at, blue, PartTypeOf(current_.Kind), PartHorizontal(current_.Kind));
            else if (current_.Kind == TElementKind::Driver)
                sp.DrawDriverSymbol(at, blue);
            else if (current_.Kind == TElementKind::Ground)
                sp.DrawGroundSymbol(at, blue);
            else if (current_.Kind == TElementKind::Text)
                sp.DrawTextElement(d.DefaultText, at, ColourFromRgbValue(d.DefaultText.Color));
            break;
        case TEditMode::Moving:
            if (!CurrentExists()) break;
            switch (current_.Kind) {
                case TElementKind::Source:
                    sp.DrawSourceSymbol(at, blue, nullptr, false);
                    break;
                case TElementKind::Driver:
                    sp.DrawDriverSymbol(at, blue);
                    break;
                case TElementKind::Ground:
                    sp.DrawGroundSymbol(at, blue);
                    break;
                case TElementKind::Text: {
                    const TStext& t = *d.Texts[current_.Index];
                    sp.DrawTextElement(t, at, ColourFromRgbValue(t.Color));
                    break;
                }
                case TElementKind::Wire:
                    sp.DrawWireLine(dropPoint_, dropEnd2_, blue);
                    break;
                default:
                    sp.DrawPartSymbol(at, blue, d.Parts[current_.Index]->PartType, movingHorizontal_);
                    break;
            }
            break;
        case TEditMode::Wiring:
            if (CurrentExists() && current_.Kind == TElementKind::Wire) {
                const TWire& w = *d.Wires[current_.Index];
                sp.DrawWireLine(QPt(w.PixelEnd1), QPt(w.PixelEnd2), blue);
                sp.DrawEndDot(QPt(w.PixelEnd1), blue);
            }
            break;
        case TEditMode::BlockMove:
        case TEditMode::BlockPlace:
            if (CurrentExists() && current_.Kind == TElementKind::Block) {
                const TSubCkt& b = *d.Blocks[current_.Index];
                const QPoint shift = at - view_.GridToPixel(b.Center);
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

TPoint TEditorController::GroupDisplacement() const {
    const TPoint g = view_.PixelToGrid(lastPointer_);
    return {g.X - groupAnchor_.X, g.Y - groupAnchor_.Y};
}

void TEditorController::DrawGroupPreview(QPainter& painter) {
    const TDesign& d = Design();
    TSheetPainter sp(painter, view_.Scale(), *Design().Metrics);
    const QColor blue = SheetColour::Blue;
    const TPoint by = GroupDisplacement();
    auto at = [&](TPoint g) { return view_.GridToPixel({g.X + by.X, g.Y + by.Y}); };
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

}  // namespace pelmo
