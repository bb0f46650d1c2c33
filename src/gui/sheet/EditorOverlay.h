#pragma once

#include "gui/sheet/SheetView.h"

namespace pelmo {

class TEditorController;
struct TEditorState;

// What the editor adds to the sheet's picture: the highlighted element, the
// elements it draws itself, and over the picture the drag image of an
// element on the move, the box and the preview of a group.
class TEditorOverlay : public TSheetDecorations {
public:
    TEditorOverlay(TEditorController& editor, const TEditorState& state, TSheetView& view);

    bool Highlighted(TElementRef e) const override;
    bool HidesWire(int index) const override;
    bool HidesBlock(int index) const override;
    bool ShowsSourceLabels() const override;
    void PaintOverlay(QPainter& painter, const QRect& rect) override;

private:
    void DrawDragImage(QPainter& painter);

    TEditorController& editor_;
    const TEditorState& state_;
    TSheetView& view_;
};

}  // namespace pelmo
