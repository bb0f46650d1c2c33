#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "model/Design.h"

// The geometric rules of the sheet editor: what lies under a grid point, where
// a wire may start and end, which placements are refused, how collinear wires
// merge and how elements are deleted. The main window only takes input and
// draws; every rule that decides something lives here.

namespace pelmo {

// An element of the design: its kind code and the index in its collection.
// Resistors, capacitors and inductors (kinds 0..2) index the part collection;
// the source has index 0.
struct TElementRef {
    TElementKind Kind = TElementKind::None;
    int Index = -1;
    friend bool operator==(const TElementRef&, const TElementRef&) = default;
};

// True when the reference names an element that exists.
bool ElementExists(const TDesign& d, TElementRef e);

// The element under a grid point: free wires, grounds, free parts, drivers, the
// source, free texts, then blocks; within each collection the last element
// first. Rectangles include their edges.
std::optional<TElementRef> HitTest(const TDesign& d, TPoint p);

// True when the grid point is a ground's position, a terminal of a part, a
// driver or the source, or an end of a wire.
bool IsConnectionGridPoint(const TDesign& d, TPoint p);

// True when the pixel point lies within 0.31 scale of its nearest grid point in
// both directions and that grid point is a connection point.
bool ConnectionPointAt(const TDesign& d, TPoint pixel, int scale);

// Collision rules for placing or dropping an element with the given terminals
// (a ground: its position) and body: refused when a terminal lies inside the
// body of another part, driver, ground or the source, or when the body
// contains a terminal of another part, driver or the source or another
// ground's position. `self` is never tested against; wires and texts never take
// part.
bool PlacementRefused(const TDesign& d, const std::vector<TPoint>& terminals, const TRect& body, TElementRef self);
bool PartPlacementRefused(const TDesign& d, TPoint pos, bool horizontal, int selfIndex = -1);
bool DriverPlacementRefused(const TDesign& d, TPoint pos, int selfIndex = -1);
bool GroundPlacementRefused(const TDesign& d, TPoint pos, int selfIndex = -1);
bool SourcePlacementRefused(const TDesign& d, TPoint pos);

// A wire may not end where a symbol makes no connection: strictly between a
// part's two terminals, where a driver's lead meets its body, where the
// source's lead meets its body.
bool WireEndRefused(const TDesign& d, TPoint p);

// What deleting needs to tell the rest of the program (the graph windows drop
// the curves of a part or driver before it goes).
struct TDeleteHooks {
    std::function<void(const TPart&)> PartRemoving;
    std::function<void(const TDriver&)> DriverRemoving;
};

// Destroys one element (kinds 0..2 and 4..8; the source cannot be deleted).
// Deleting a block deletes its members too; members of later blocks keep
// their block. False when the element does not exist.
bool DeleteElement(TDesign& d, TElementRef e, const TDeleteHooks& hooks = {});

// Joins free collinear wires that overlap or touch wire `w`. Two wires that
// only touch end to end are kept apart when two or more ends of other wires lie
// in the junction's column (row for vertical wires), which keeps T-junctions.
// Returns the index of the wire that holds the merged span afterwards (-1 when
// `w` does not exist).
int MergeWires(TDesign& d, int w, const TDeleteHooks& hooks = {});

// Clears Selected of the source and of every element and block.
void UnselectAll(TDesign& d);

// Turns a part between horizontal and vertical about its centre.
void RotatePart(TDesign& d, TPart& p);

// Part states and flags: false when the element does not exist or the command
// does not apply to its kind.
bool SetPartState(TDesign& d, int partIndex, TPartState state);
bool ToggleMute(TDesign& d, TElementRef e);
bool ToggleInvert(TDesign& d, TElementRef e);
// Whether a driver or the source is inverted; nullopt for other kinds.
std::optional<bool> IsInverted(const TDesign& d, TElementRef e);

// Grid position of an element (a wire: its first end; a block: its centre).
TPoint ElementPosition(const TDesign& d, TElementRef e);

}  // namespace pelmo
