// What the editor draws over the sheet's picture: the drag image of an
// element on the move and the preview of a group being moved or pasted.
#include "gui/sheet/EditorOverlay.h"

#include <QPainter>

#include "document/Session.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetPainter.h"

namespace pelmo {

TEditorOverlay::TEditorOverlay(TEditorController& editor, const TEditorState& state, TSheetView& view)
    : editor_(editor), state_(state), view_(view) {}

bool TEditorOverlay::Highlighted(TElementRef e) const { return state_.Highlight && *state_.Highlight == e; }

bool TEditorOverlay::ShowsSourceLabels() const { return state_.Mode != TEditMode::GroupMove; }

void TEditorOverlay::PaintOverlay(QPainter& painter, const QRect& rect) {
    const TMarker& marker = view_.DragImage();
    if (marker.Shown()) {
        painter.save();
        painter.setClipRect(marker.UpdateRect().intersected(rect));
        DrawDragImage(painter);
        painter.restore();
    }
    if (state_.Mode == TEditMode::GroupMove || state_.Mode == TEditMode::GroupPaste)
        editor_.Groups().DrawPreview(painter);
}

bool TEditorOverlay::HidesWire(int index) const {
    return state_.Mode == TEditMode::Wiring && state_.Current == TElementRef{TElementKind::Wire, index};
}

bool TEditorOverlay::HidesBlock(int index) const {
    return state_.Mode == TEditMode::BlockPlace && state_.Current == TElementRef{TElementKind::Block, index};
}

void TEditorOverlay::DrawDragImage(QPainter& painter) {
    const TDesign& d = editor_.Design();
    TSheetPainter sp(painter, view_.Scale(), *d.Metrics);
    const QColor blue = SheetColour::Blue;
    const QPoint at = state_.DropPoint;
    switch (state_.Mode) {
        case TEditMode::Placing:
            if (IsPartKind(state_.Current.Kind))
                sp.DrawPartSymbol(at, blue, PartTypeOf(state_.Current.Kind),
                                  state_.PartHorizontal(state_.Current.Kind));
            else if (state_.Current.Kind == TElementKind::Driver)
                sp.DrawDriverSymbol(at, blue);
            else if (state_.Current.Kind == TElementKind::Ground)
                sp.DrawGroundSymbol(at, blue);
            else if (state_.Current.Kind == TElementKind::Text)
                sp.DrawTextElement(d.DefaultText, at, ColourFromRgbValue(d.DefaultText.Color));
            break;
        case TEditMode::Moving:
            if (!editor_.CurrentExists()) break;
            switch (state_.Current.Kind) {
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
                    const TSheetText& t = *d.Texts[state_.Current.Index];
                    sp.DrawTextElement(t, at, ColourFromRgbValue(t.Color));
                    break;
                }
                case TElementKind::Wire:
                    sp.DrawWireLine(state_.DropPoint, state_.DropEnd2, blue);
                    break;
                default:
                    sp.DrawPartSymbol(at, blue, d.Parts[state_.Current.Index]->PartType, state_.MovingHorizontal);
                    break;
            }
            break;
        case TEditMode::Wiring:
            if (editor_.CurrentExists() && state_.Current.Kind == TElementKind::Wire) {
                const TWire& w = *d.Wires[state_.Current.Index];
                sp.DrawWireLine(QPt(w.PixelEnd1), QPt(w.PixelEnd2), blue);
                sp.DrawEndDot(QPt(w.PixelEnd1), blue);
            }
            break;
        case TEditMode::BlockMove:
        case TEditMode::BlockPlace:
            if (editor_.CurrentExists() && state_.Current.Kind == TElementKind::Block) {
                const TCircuitBlock& b = *d.Blocks[state_.Current.Index];
                const QPoint shift = at - view_.GridToPixel(b.Center);
                sp.DrawBlock(b, shift, TBlockLook::Moving, true);
            }
            break;
        case TEditMode::BoxDrag:
            editor_.Groups().DrawBox(painter);
            break;
        default:
            break;
    }
}

}  // namespace pelmo
