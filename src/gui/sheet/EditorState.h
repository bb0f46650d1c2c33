#pragma once

#include <QPoint>
#include <array>
#include <cstddef>
#include <optional>

#include "editor/SheetEdit.h"
#include "model/Geometry.h"

namespace pelmo {

// Editor modes of the sheet.
enum class TEditMode {
    Idle = 0,
    BoxDrag = 1,
    BoxShown = 2,
    GroupMove = 3,
    GroupPaste = 4,
    Placing = 5,
    Moving = 6,
    Wiring = 7,
    TuneMode = 8,
    ZoomMode = 9,
    BlockMove = 10,
    BlockPlace = 11,
};

// What the parts of the sheet editor (the mouse, the keys, the menus, the
// groups, tuning, the overlay) share: the mode, the element worked on, where
// the pointer is and where an element on the move would land. The controller
// owns it; its parts read and write it.
struct TEditorState {
    TEditMode Mode = TEditMode::Idle;
    TElementRef Current;
    QPoint Pointer;                                              // last pointer position on the sheet, unsnapped
    QPoint LastPointer{-1000000, -1000000};                      // last snapped position the editor handled
    bool PointerOnSheet = false;                                 // the pointer's last move was over the sheet
    TPoint RightClickPoint;                                      // where the last pop-up menu was asked for
    bool MenuOpen = false;                                       // a pop-up menu is up
    std::optional<TElementRef> Highlight;                        // drawn red while its menu is up
    QPoint DropPoint;                                            // where the element on the move is drawn
    QPoint DropEnd2;                                             // a wire on the move: its second end
    bool MovingHorizontal = true;                                // orientation a picked-up part gets when dropped
    std::array<bool, 3> PartHorizontalByType{true, true, true};  // a new part's orientation

    bool& PartHorizontal(TElementKind partKind) { return PartHorizontalByType[static_cast<std::size_t>(partKind)]; }
    bool PartHorizontal(TElementKind partKind) const {
        return PartHorizontalByType[static_cast<std::size_t>(partKind)];
    }
};

}  // namespace pelmo
