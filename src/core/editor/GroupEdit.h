#pragma once

#include <optional>

#include "editor/SheetEdit.h"

// Box selection and the group operations: move, copy and paste, delete.

namespace pelmo {

// Copies of elements that follow the mouse until they are pasted. The copies
// are owned here and are in no collection of the design.
struct TCopyBuffer {
    Collection<TPart> Parts;
    Collection<TWire> Wires;
    Collection<TGround> Grounds;
    Collection<TSheetText> Texts;
    Collection<TDriver> Drivers;

    void Clear();
    // A paste needs at least one part, wire, ground or driver; texts alone do
    // not make a paste.
    bool HasPasteableElements() const;
};

struct TBoxSelection {
    // Number of selected parts, wires, grounds, drivers and source (texts are
    // selected but not counted); 0 when the one counted element is not a part.
    int Count = 0;
    // Exactly one element was counted.
    bool SingleElement = false;
    // That element when it is a part.
    std::optional<TElementRef> SinglePart;
};

// Marks what lies in the grid rectangle (edges included): free grounds and
// texts by their position, free wires by both ends, free parts, drivers and the
// source by both terminals. Blocks and their members are never selected. A box
// whose one counted element is not a part selects nothing.
TBoxSelection SelectInBox(TDesign& d, const TRect& box);

// The grid rectangle spanned by two pixel corners.
TRect GridBoxFromPixels(TPoint a, TPoint b, int scale);

// Fills the buffer with copies of every selected element in collection order
// (parts, wires, texts, grounds, drivers), then unselects everything. With
// `renumber` the copies are numbered 1, 2, ... per part type and among drivers.
void CopySelectionToBuffer(TDesign& d, TCopyBuffer& buffer, bool renumber);

// "Copy+Paste" of one element: empties the buffer and copies a part or driver
// into it. Returns the element's grid position (the paste anchor), or nothing
// for the other kinds.
std::optional<TPoint> CopyElementToBuffer(const TDesign& d, TCopyBuffer& buffer, TElementRef e);

// Moves every selected part, driver, ground, text, wire and the source by the
// displacement, then unselects everything. No collision test, no merging.
void CommitGroupMove(TDesign& d, TPoint displacement);

// Appends copies of the buffer's elements shifted by the displacement; parts
// and drivers get the next free designators, so they follow the existing ones.
// The buffer is emptied. No collision test, no merging.
void CommitPaste(TDesign& d, TCopyBuffer& buffer, TPoint displacement);

// Deletes every selected ground, then wire, driver and part, then text; the
// source stays. Returns how many elements went.
int DeleteGroup(TDesign& d, const TDeleteHooks& hooks = {});

}  // namespace pelmo
