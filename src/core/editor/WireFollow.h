#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "editor/SheetEdit.h"

// Wires that stay connected while the elements they join are moved: the end
// of a wire that sat on a terminal of a moved element goes with the terminal,
// and a wire left neither horizontal nor vertical is bent at a right angle.

namespace pelmo {

// A connection point that moves: a terminal of a part, driver or the source,
// a ground's position, or an end of a wire moving with a group.
struct TPointMove {
    TPoint From;
    TPoint To;
    friend bool operator==(const TPointMove&, const TPointMove&) = default;
};

// The connection points of one element (a part, driver or the source: its two
// terminals; a ground: its position; a wire: its ends; nothing for texts and
// blocks).
std::vector<TPoint> ConnectionPointsOf(const TDesign& d, TElementRef e);

// The same for the element placed at `pos` (a part turned as `horizontal`
// says), without moving it.
std::vector<TPoint> ConnectionPointsAt(const TDesign& d, TElementRef e, TPoint pos, bool horizontal);

// Pairs the points of an element before and after its move (same order);
// points that stay are left out.
std::vector<TPointMove> PointMoves(const std::vector<TPoint>& before, const std::vector<TPoint>& after);

// The points of everything selected, each moved by the displacement (for a
// group move, taken before it commits).
std::vector<TPointMove> SelectionPointMoves(const TDesign& d, TPoint displacement);

// Where the free wires touched by the moves end up. Each affected wire
// becomes one or more segments (none: it shrank to nothing and goes). New
// wires join what stays at a moved point (a terminal touching it, a wire
// passing through it) to the point's new place.
struct TWireFollowPlan {
    using TSegment = std::pair<TPoint, TPoint>;
    struct TFollowed {
        int Wire = -1;
        std::vector<TSegment> Segments;
    };
    std::vector<TFollowed> Wires;
    std::vector<TSegment> NewWires;
    bool Empty() const { return Wires.empty() && NewWires.empty(); }
};

// Which elements (parts, drivers, grounds, the source) move.
using TMovingElement = std::function<bool(TElementRef)>;

// Plans, before the move, how the free wires that are not moving themselves
// (`movingWires` true at a wire's index: it moves with the group; may be
// shorter than the wire list) follow the moves. An end on a moved point goes
// to its new place; the other end stays. A wire whose ends are then neither
// in a row nor in a column is split at a corner so that its first leg leaves
// the end that stayed (End1 when both moved) in the wire's old direction,
// unless that corner would touch something else (a terminal, another wire)
// and the other corner would not.
// What stays at a moved point other than such wire ends (a terminal of an
// element that does not move, a wire through the point) gets a new wire to
// the point's new place, bent the same way, unless a followed wire still
// passes there.
TWireFollowPlan PlanWireFollow(const TDesign& d, const std::vector<TPointMove>& moves,
                               const TMovingElement& movingElement = {}, const std::vector<bool>& movingWires = {});

// The plan for one element taken to new points (ConnectionPointsAt).
TWireFollowPlan PlanElementWireFollow(const TDesign& d, TElementRef e, const std::vector<TPoint>& pointsAfter);
// The plan for everything selected moved by the displacement.
TWireFollowPlan PlanGroupWireFollow(const TDesign& d, TPoint displacement);

// Carries the plan out: wires take their first segment, further segments
// and the new wires become free wires at the end of the list, and wires with
// no segment are deleted. Every segment is stored with End1 left of or above
// End2.
void ApplyWireFollow(TDesign& d, const TWireFollowPlan& plan);

}  // namespace pelmo
