#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "GeometryPrint.h"
#include "editor/GroupEdit.h"
#include "editor/WireFollow.h"
#include "engine/Netlist.h"

using namespace pelmo;

namespace {

using Segment = std::pair<TPoint, TPoint>;
using Segments = std::vector<Segment>;

}  // namespace

// One end of a wire from (0,0) to (10,0), or from (0,0) down to (0,10),
// moved: where the wire ends up (stored left or upper end first).
TEST(WireFollow, WhereAWireEndsUp) {
    struct Case {
        const char* what;
        bool vertical;
        TPoint movedEnd, to;
        Segments segments;
    };
    const Case cases[] = {
        {"along the row", false, {10, 0}, {14, 0}, {{{0, 0}, {14, 0}}}},
        {"off the row: the first leg keeps the row", false, {10, 0}, {14, 5}, {{{0, 0}, {14, 0}}, {{14, 0}, {14, 5}}}},
        {"off the column: the first leg keeps the column",
         true,
         {0, 10},
         {5, 12},
         {{{0, 0}, {0, 12}}, {{0, 12}, {5, 12}}}},
        {"the first end: the leg leaves the second", false, {0, 0}, {4, 5}, {{{4, 0}, {10, 0}}, {{4, 0}, {4, 5}}}},
        {"into a column: one straight wire", false, {10, 0}, {0, 6}, {{{0, 0}, {0, 6}}}},
        {"onto the other end: the wire goes", false, {10, 0}, {0, 0}, {}},
        {"past the other end: the ends swap", false, {10, 0}, {-3, 0}, {{{-3, 0}, {0, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TDesign d;
        AddWire(d, {0, 0}, c.vertical ? TPoint{0, 10} : TPoint{10, 0});
        const TWireFollowPlan plan = PlanWireFollow(d, {{c.movedEnd, c.to}});
        ASSERT_EQ(plan.Wires.size(), 1u);
        EXPECT_EQ(plan.Wires[0].Segments, c.segments);
        EXPECT_TRUE(plan.NewWires.empty());
    }
}

TEST(WireFollow, WiresThatMoveThemselvesOrBelongToABlockAreLeftAlone) {
    TDesign d;
    AddWire(d, {0, 0}, {10, 0});              // moves with the group
    AddWire(d, {10, 0}, {20, 0}).Subckt = 0;  // a block's member
    AddWire(d, {10, 0}, {10, 8});             // follows
    const TWireFollowPlan plan = PlanWireFollow(d, {{{10, 0}, {12, 0}}}, {}, {true});
    ASSERT_EQ(plan.Wires.size(), 1u);
    EXPECT_EQ(plan.Wires[0].Wire, 2);
    // Bent at (10,0) it would touch the block's wire that stays there: it
    // takes the other corner.
    EXPECT_EQ(plan.Wires[0].Segments, (Segments{{{10, 8}, {12, 8}}, {{12, 0}, {12, 8}}}));
    // What stays at the old point is joined to the new one.
    EXPECT_EQ(plan.NewWires, (Segments{{{10, 0}, {12, 0}}}));
}

namespace {

// Each terminal's node, numbered by first appearance: two designs wired the
// same way give the same list whatever their node numbers.
std::vector<int> Connections(const TDesign& d) {
    const TNetlist net = BuildNetlist(d);
    std::vector<int> raw = {net.Source.Node1, net.Source.Node2};
    for (const auto& p : net.Parts) raw.insert(raw.end(), {p.Node1, p.Node2});
    for (const auto& drv : net.Drivers) raw.insert(raw.end(), {drv.Node1, drv.Node2});
    std::map<int, int> renumbered;
    std::vector<int> out;
    for (int n : raw) out.push_back(n < 0 ? -1 : renumbered.emplace(n, int(renumbered.size())).first->second);
    return out;
}

}  // namespace

// What touched a moved terminal without a wire end there (another terminal,
// a ground, the middle of a wire) is joined to its new place by a new wire:
// the circuit is the same after the move.
TEST(WireFollow, WhatStaysBehindIsJoinedByNewWires) {
    struct Case {
        const char* what;
        std::function<void(TDesign&)> build;
        bool group;  // the selection moves by `by`; else part 0 moves to `to`
        TPoint to, by;
        std::size_t newWires;
        bool turned = false;  // part 0 turned while it moved
    };
    // The source's terminals are (121,62) and (121,66).
    auto touching = [](TDesign& d) {
        AddGround(d, {121, 66});
        AddPart(d, TPartType::Resistor, {124, 62}, true);   // (121,62) on the source, (127,62)
        AddPart(d, TPartType::Resistor, {127, 65}, false);  // (127,62) on R1, (127,68)
        AddGround(d, {127, 68});
    };
    auto onAWire = [](TDesign& d) {
        AddGround(d, {121, 66});
        AddWire(d, {121, 62}, {140, 62});
        AddPart(d, TPartType::Resistor, {130, 65}, false);  // (130,62) in the wire's middle, (130,68)
        AddGround(d, {130, 68});
        AddPart(d, TPartType::Resistor, {140, 65}, false);
        AddGround(d, {140, 68});
    };
    auto divider = [](TDesign& d) {
        AddGround(d, {121, 66});
        AddWire(d, {121, 62}, {130, 62});
        AddPart(d, TPartType::Resistor, {133, 62}, true);
        AddWire(d, {136, 62}, {145, 62});
        AddPart(d, TPartType::Resistor, {145, 66}, false);
        AddWire(d, {145, 62}, {145, 63});
        AddGround(d, {145, 69});
    };
    const Case cases[] = {
        // Both wires bent at (133,62) would meet there and short the part:
        // the left one takes the other corner.
        {"a part in a line turned where it is", divider, false, {133, 62}, {}, 2, true},
        {"terminals touching the source and another part", touching, false, {124, 58}, {}, 2},
        {"a terminal in a wire's middle and one on a ground", onAWire, false, {133, 66}, {}, 4},
        {"two touching parts moved together: nothing new between them", touching, true, {}, {0, -4}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TDesign d;
        SetSourcePosition(d, d.Source, {118, 64});
        c.build(d);
        const std::vector<int> before = Connections(d);
        const std::size_t wires = d.Wires.size();
        const TPoint t1 = d.Parts[0]->Terminal1;
        if (c.group) {
            d.Parts[0]->Selected = d.Parts[1]->Selected = true;
            const TWireFollowPlan plan = PlanGroupWireFollow(d, c.by);
            CommitGroupMove(d, c.by);
            ApplyWireFollow(d, plan);
        } else {
            const TElementRef r1{TElementKind::Resistor, 0};
            const bool horizontal = d.Parts[0]->IsHorizontal != c.turned;
            const TWireFollowPlan plan = PlanElementWireFollow(d, r1, ConnectionPointsAt(d, r1, c.to, horizontal));
            d.Parts[0]->IsHorizontal = horizontal;
            SetPartPosition(d, *d.Parts[0], c.to);
            ApplyWireFollow(d, plan);
        }
        EXPECT_EQ(d.Wires.size() - wires, c.newWires);
        EXPECT_EQ(Connections(d), before);
        EXPECT_NE(d.Parts[0]->Terminal1, t1) << "it did move";
    }
}
