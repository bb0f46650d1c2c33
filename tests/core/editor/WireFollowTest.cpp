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

TEST(WireFollow, WhereAWireEndsUp) {
    struct Case {
        const char* what;
        TPoint end1, end2;
        std::vector<TPointMove> moves;
        bool followed;
        Segments segments;
    };
    const Case cases[] = {
        {"end moved along the row", {0, 0}, {10, 0}, {{{10, 0}, {14, 0}}}, true, {{{0, 0}, {14, 0}}}},
        {"end moved off the row: the first leg keeps the row",
         {0, 0},
         {10, 0},
         {{{10, 0}, {14, 5}}},
         true,
         {{{0, 0}, {14, 0}}, {{14, 0}, {14, 5}}}},
        {"vertical wire moved sideways: the first leg keeps the column",
         {3, 0},
         {3, 10},
         {{{3, 10}, {8, 12}}},
         true,
         {{{3, 0}, {3, 12}}, {{8, 12}, {3, 12}}}},
        {"the first end moved: the leg leaves the second end",
         {10, 0},
         {20, 0},
         {{{10, 0}, {10, 5}}},
         true,
         {{{10, 0}, {20, 0}}, {{10, 0}, {10, 5}}}},
        {"moved into line the other way: one straight wire",
         {0, 0},
         {10, 0},
         {{{10, 0}, {0, 6}}},
         true,
         {{{0, 0}, {0, 6}}}},
        {"moved onto its other end: the wire goes", {0, 0}, {10, 0}, {{{10, 0}, {0, 0}}}, true, {}},
        {"moved past its other end: the ends are put in order",
         {5, 0},
         {10, 0},
         {{{10, 0}, {1, 0}}},
         true,
         {{{1, 0}, {5, 0}}}},
        {"both ends of a part turned about its centre",
         {17, 10},
         {23, 10},
         {{{17, 10}, {20, 7}}, {{23, 10}, {20, 13}}},
         true,
         {{{20, 7}, {20, 13}}}},
        {"both ends moved apart: bent, leaving the first end along the row",
         {0, 0},
         {10, 0},
         {{{0, 0}, {0, 2}}, {{10, 0}, {12, 5}}},
         true,
         {{{0, 2}, {12, 2}}, {{12, 2}, {12, 5}}}},
        {"no end on a moved point (one lies on the wire's middle: a new wire joins it)",
         {0, 0},
         {10, 0},
         {{{5, 0}, {5, 5}}},
         false,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TDesign d;
        AddWire(d, c.end1, c.end2);
        const TWireFollowPlan plan = PlanWireFollow(d, c.moves);
        if (!c.followed) {
            EXPECT_TRUE(plan.Wires.empty());
            continue;
        }
        ASSERT_EQ(plan.Wires.size(), 1u);
        EXPECT_EQ(plan.Wires[0].Wire, 0);
        Segments expected;
        for (const auto& [a, b] : c.segments) {
            // Stored ends are in order: left or upper first.
            expected.push_back(a.X > b.X || a.Y > b.Y ? Segment{b, a} : Segment{a, b});
        }
        EXPECT_EQ(plan.Wires[0].Segments, expected);
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

TEST(WireFollow, ApplyingBendsAddsWiresAndRemovesTheEmptyOnes) {
    TDesign d;
    SetDesignScale(d, 10);
    AddWire(d, {0, 0}, {10, 0});   // bent
    AddWire(d, {30, 0}, {40, 0});  // shrinks to nothing
    AddWire(d, {50, 0}, {60, 0});  // untouched
    const TWireFollowPlan plan = PlanWireFollow(d, {{{10, 0}, {14, 5}}, {{40, 0}, {30, 0}}});
    ApplyWireFollow(d, plan);
    ASSERT_EQ(d.Wires.size(), 3u);
    EXPECT_EQ(d.Wires[0]->End2, (TPoint{14, 0}));
    EXPECT_EQ(d.Wires[0]->PixelEnd2, (TPoint{140, 0})) << "pixel ends kept in step";
    EXPECT_EQ(d.Wires[1]->End1, (TPoint{50, 0})) << "the empty wire went";
    EXPECT_EQ(d.Wires[2]->End1, (TPoint{14, 0}));
    EXPECT_EQ(d.Wires[2]->End2, (TPoint{14, 5}));
    EXPECT_EQ(d.Wires[2]->Subckt, -1);
}

TEST(WireFollow, ConnectionPointsOfEachKindAndOfASelection) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddDriver(d, {40, 10});
    AddGround(d, {50, 20});
    AddWire(d, {23, 10}, {39, 9});
    AddText(d, {5, 5}, "note");
    EXPECT_EQ(ConnectionPointsOf(d, {TElementKind::Resistor, 0}), (std::vector<TPoint>{{17, 10}, {23, 10}}));
    EXPECT_EQ(ConnectionPointsOf(d, {TElementKind::Driver, 0}), (std::vector<TPoint>{{39, 9}, {39, 11}}));
    EXPECT_EQ(ConnectionPointsOf(d, {TElementKind::Ground, 0}), (std::vector<TPoint>{{50, 20}}));
    EXPECT_TRUE(ConnectionPointsOf(d, {TElementKind::Text, 0}).empty());
    EXPECT_TRUE(ConnectionPointsOf(d, {TElementKind::Resistor, 3}).empty());

    EXPECT_EQ(PointMoves({{1, 1}, {2, 2}}, {{1, 1}, {2, 5}}), (std::vector<TPointMove>{{{2, 2}, {2, 5}}}));

    d.Parts[0]->Selected = true;
    d.Grounds[0]->Selected = true;
    EXPECT_EQ(SelectionPointMoves(d, {1, 2}),
              (std::vector<TPointMove>{{{17, 10}, {18, 12}}, {{23, 10}, {24, 12}}, {{50, 20}, {51, 22}}}));
    EXPECT_TRUE(SelectionPointMoves(d, {0, 0}).empty());
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
