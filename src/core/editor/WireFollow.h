#pragma once

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

// Pairs the points of an element before and after its move (same order);
// points that stay are left out.
std::vector<TPointMove> PointMoves(const std::vector<TPoint>& before, const std::vector<TPoint>& after);

// The points of everything selected, each moved by the displacement (for a
// group move, taken before it commits).
std::vector<TPointMove> SelectionPointMoves(const TDesign& d, TPoint displacement);

// Where the free wires touched by the moves end up. Each affected wire
// becomes one or more segments (none: it shrank to nothing and goes).
struct TWireFollowPlan {
    struct TFollowed {
        int Wire = -1;
        std::vector<std::pair<TPoint, TPoint>> Segments;
    };
    std::vector<TFollowed> Wires;
    bool Empty() const { return Wires.empty(); }
};

// Plans how the free wires that are not moving themselves (`moving` true at
// a wire's index: it moves with the group; may be shorter than the wire list)
// follow the moves. An end on a moved point goes to its new place; the other
// end stays. A wire whose ends are then neither in a row nor in a column is
// split at a corner so that its first leg leaves the end that stayed (End1
// when both moved) in the wire's old direction. Ends lying elsewhere on a
// moved point's wire are not touched.
TWireFollowPlan PlanWireFollow(const TDesign& d, const std::vector<TPointMove>& moves,
                               const std::vector<bool>& moving = {});

// Carries the plan out: wires take their first segment, further segments
// become new free wires at the end of the list, and wires with no segment are
// deleted. Every segment is stored with End1 left of or above End2.
void ApplyWireFollow(TDesign& d, const TWireFollowPlan& plan);

}  // namespace pelmo
