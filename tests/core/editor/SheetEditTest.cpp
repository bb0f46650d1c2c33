#include <gtest/gtest.h>

#include "GeometryPrint.h"
#include "editor/SheetEdit.h"

using namespace pelmo;

namespace {

TWire& Wire(TDesign& d, TPoint a, TPoint b) { return AddWire(d, a, b); }

struct WireSpan {
    TPoint a, b;
};

std::vector<WireSpan> Wires(const TDesign& d) {
    std::vector<WireSpan> out;
    for (const auto& w : d.Wires) out.push_back({w->End1, w->End2});
    return out;
}

bool operator==(const WireSpan& x, const WireSpan& y) { return x.a == y.a && x.b == y.b; }

TEST(HitTest, OrderOfCollectionsAndLastElementFirst) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);   // index 0, body (18,9)-(22,11)
    AddPart(d, TPartType::Capacitor, {21, 10}, true);  // index 1 overlaps
    Wire(d, {10, 10}, {30, 10});                       // runs through both bodies
    AddDriver(d, {50, 40});
    AddGround(d, {5, 5});  // body (4,7)-(6,8)

    EXPECT_EQ(HitTest(d, {20, 10}), (TElementRef{TElementKind::Wire, 0})) << "wires come first";
    EXPECT_EQ(HitTest(d, {21, 11}), (TElementRef{TElementKind::Capacitor, 1})) << "the last part wins";
    EXPECT_EQ(HitTest(d, {18, 11}), (TElementRef{TElementKind::Resistor, 0}));
    EXPECT_EQ(HitTest(d, {53, 42}), (TElementRef{TElementKind::Driver, 0})) << "edges included";
    EXPECT_EQ(HitTest(d, {5, 8}), (TElementRef{TElementKind::Ground, 0}));
    EXPECT_EQ(HitTest(d, {118, 64}), (TElementRef{TElementKind::Source, 0}));
    EXPECT_FALSE(HitTest(d, {5, 5}).has_value()) << "a ground's position is not its body";
    EXPECT_FALSE(HitTest(d, {49, 40}).has_value());
}

TEST(HitTest, BlockMembersAreFoundThroughTheirBlock) {
    TDesign d;
    TPart& p = AddPart(d, TPartType::Resistor, {40, 40}, true);
    TCircuitBlock& b = AppendBlock(d);
    p.Subckt = 0;
    RebuildBlockMembers(d);
    ASSERT_EQ(b.BoundsRect, (TRect{36, 38, 44, 42}));
    EXPECT_EQ(HitTest(d, {40, 40}), (TElementRef{TElementKind::Block, 0}));
}

TEST(ConnectionPoint, WithinAThirdOfAGridUnitOfATerminal) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);  // terminals (17,10) and (23,10)
    Wire(d, {30, 30}, {30, 40});
    AddGround(d, {60, 60});
    const struct {
        TPoint pixel;
        bool expected;
    } cases[] = {{{170, 100}, true},  {{173, 97}, true},   {{174, 100}, false}, {{230, 100}, true},
                 {{200, 100}, false}, {{300, 400}, true},  {{300, 350}, false}, {{600, 600}, true},
                 {{1210, 620}, true}, {{1180, 640}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(ConnectionPointAt(d, c.pixel, 10), c.expected) << c.pixel.X << "," << c.pixel.Y;
}

TEST(Collision, TerminalsAndBodiesOfOthers) {
    TDesign d;
    AddDriver(d, {50, 40});  // body (50,38)-(53,42), terminals (49,39) (49,41)
    AddGround(d, {80, 20});  // body (79,22)-(81,23)
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    Wire(d, {0, 60}, {40, 60});
    AddText(d, {20, 80}, "hello");
    const struct {
        const char* what;
        TPoint pos;
        bool horizontal;
        bool refused;
    } cases[] = {
        {"terminal inside a driver body", {56, 40}, true, true},
        {"terminal on the driver body's edge", {47, 38}, true, true},
        {"body over a driver terminal", {49, 40}, false, true},
        {"clear of everything", {30, 30}, true, false},
        {"terminal touches another part's terminal", {26, 10}, true, false},
        {"terminal inside another part's body", {25, 10}, true, true},
        {"terminal inside a ground body", {83, 22}, true, true},
        {"body over a ground position", {80, 20}, false, true},
        {"wires take no part", {20, 60}, true, false},
        {"texts take no part", {20, 80}, true, false},
        {"terminal inside the source body", {114, 64}, true, true},
    };
    for (const auto& c : cases) EXPECT_EQ(PartPlacementRefused(d, c.pos, c.horizontal), c.refused) << c.what;

    EXPECT_FALSE(PartPlacementRefused(d, {20, 10}, true, 0)) << "never tested against itself";
    EXPECT_TRUE(PartPlacementRefused(d, {21, 10}, true)) << "a new part over it is refused";
    EXPECT_TRUE(DriverPlacementRefused(d, {51, 40})) << "another driver";
    EXPECT_FALSE(DriverPlacementRefused(d, {51, 40}, 0));
    EXPECT_TRUE(GroundPlacementRefused(d, {80, 18})) << "its body holds the other ground's position";
    EXPECT_FALSE(GroundPlacementRefused(d, {80, 18}, 0));
    EXPECT_FALSE(SourcePlacementRefused(d, d.Source.Position));
    EXPECT_TRUE(SourcePlacementRefused(d, {16, 10})) << "its body holds R1's terminal (17,10)";
}

TEST(WireEndRule, NoEndsInsideSymbols) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddPart(d, TPartType::Capacitor, {40, 10}, false);  // terminals (40,7) (40,13)
    AddDriver(d, {50, 40});
    const struct {
        TPoint p;
        bool refused;
    } cases[] = {{{17, 10}, false}, {{18, 10}, true},  {{20, 10}, true},  {{22, 10}, true},  {{23, 10}, false},
                 {{20, 11}, false}, {{40, 8}, true},   {{40, 7}, false},  {{40, 13}, false}, {{50, 39}, true},
                 {{50, 41}, true},  {{49, 39}, false}, {{120, 62}, true}, {{120, 66}, true}, {{121, 62}, false}};
    for (const auto& c : cases) EXPECT_EQ(WireEndRefused(d, c.p), c.refused) << c.p.X << "," << c.p.Y;
}

TEST(MergeWires, CollinearOverlapsJoinAndJunctionsStayApart) {
    struct Case {
        const char* what;
        std::vector<WireSpan> before;  // the last one is the new wire
        std::vector<WireSpan> after;
    };
    const Case cases[] = {
        {"overlap extends the left wire", {{{0, 5}, {10, 5}}, {{5, 5}, {15, 5}}}, {{{0, 5}, {15, 5}}}},
        {"new wire inside an old one vanishes", {{{0, 5}, {20, 5}}, {{5, 5}, {10, 5}}}, {{{0, 5}, {20, 5}}}},
        {"end to end joins", {{{0, 5}, {10, 5}}, {{10, 5}, {20, 5}}}, {{{0, 5}, {20, 5}}}},
        {"a T-junction keeps the two apart",
         {{{10, 5}, {10, 9}}, {{0, 5}, {10, 5}}, {{10, 5}, {20, 5}}},
         {{{10, 5}, {10, 9}}, {{0, 5}, {10, 5}}, {{10, 5}, {20, 5}}}},
        {"other rows are left alone", {{{0, 6}, {10, 6}}, {{5, 5}, {15, 5}}}, {{{0, 6}, {10, 6}}, {{5, 5}, {15, 5}}}},
        {"apart by a gap", {{{0, 5}, {4, 5}}, {{5, 5}, {15, 5}}}, {{{0, 5}, {4, 5}}, {{5, 5}, {15, 5}}}},
        {"vertical wires merge too", {{{3, 0}, {3, 10}}, {{3, 8}, {3, 20}}}, {{{3, 0}, {3, 20}}}},
        {"the new wire bridges two old ones",
         {{{0, 5}, {6, 5}}, {{8, 5}, {15, 5}}, {{5, 5}, {10, 5}}},
         {{{0, 5}, {15, 5}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TDesign d;
        for (const auto& w : c.before) Wire(d, w.a, w.b);
        const int merged = MergeWires(d, static_cast<int>(d.Wires.size()) - 1);
        EXPECT_EQ(Wires(d), c.after);
        EXPECT_GE(merged, 0);
    }
}

TEST(MergeWires, BlockWiresAreNotPartners) {
    TDesign d;
    Wire(d, {0, 5}, {10, 5}).Subckt = 0;
    AppendBlock(d);
    Wire(d, {5, 5}, {15, 5});
    MergeWires(d, 1);
    EXPECT_EQ(d.Wires.size(), 2u);
}

TEST(DeleteElement, PartsAndDriversTellTheGraphsFirst) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddPart(d, TPartType::Inductor, {40, 10}, true);
    AddDriver(d, {60, 40});
    std::vector<std::string> told;
    TDeleteHooks hooks;
    hooks.PartRemoving = [&](const TPart& p) { told.push_back(PartDesignator(p)); };
    hooks.DriverRemoving = [&](const TDriver& drv) { told.push_back(DriverDesignator(drv)); };

    EXPECT_TRUE(DeleteElement(d, {TElementKind::Resistor, 0}, hooks));
    ASSERT_EQ(d.Parts.size(), 1u);
    EXPECT_EQ(PartDesignator(*d.Parts[0]), "L1") << "later indices move down";
    EXPECT_TRUE(DeleteElement(d, {TElementKind::Driver, 0}, hooks));
    EXPECT_EQ(told, (std::vector<std::string>{"R1", "S1"}));

    EXPECT_FALSE(DeleteElement(d, {TElementKind::Source, 0}, hooks)) << "the source cannot be deleted";
    EXPECT_FALSE(DeleteElement(d, {TElementKind::Wire, 0}, hooks)) << "no such element";
    EXPECT_FALSE(DeleteElement(d, {TElementKind::Inductor, 5}, hooks));
    EXPECT_TRUE(d.Source.Placed);
}

TEST(DeleteElement, ABlockGoesWithItsMembersAndLaterBlocksKeepTheirs) {
    TDesign d;
    AppendBlock(d);
    AppendBlock(d);
    AddPart(d, TPartType::Resistor, {20, 10}, true).Subckt = 0;
    AddPart(d, TPartType::Capacitor, {60, 10}, true).Subckt = 1;
    AddWire(d, {17, 10}, {17, 20}).Subckt = 0;
    AddWire(d, {57, 10}, {57, 20}).Subckt = 1;
    AddPart(d, TPartType::Inductor, {90, 10}, true);
    RebuildBlockMembers(d);

    EXPECT_TRUE(DeleteElement(d, {TElementKind::Block, 0}));
    ASSERT_EQ(d.Blocks.size(), 1u);
    ASSERT_EQ(d.Parts.size(), 2u);
    EXPECT_EQ(d.Parts[0]->PartType, TPartType::Capacitor);
    EXPECT_EQ(d.Parts[0]->Subckt, 0);
    EXPECT_EQ(d.Parts[1]->Subckt, -1);
    ASSERT_EQ(d.Wires.size(), 1u);
    EXPECT_EQ(d.Wires[0]->Subckt, 0);
    ASSERT_EQ(d.Blocks[0]->Parts.size(), 1u);
    EXPECT_EQ(d.Blocks[0]->Parts[0], d.Parts[0].get());
}

TEST(PartStates, SetAndRefused) {
    TDesign d;
    TPart& r = AddPart(d, TPartType::Resistor, {20, 10}, true);
    r.Value = 4.0;
    EXPECT_TRUE(SetPartState(d, 0, TPartState::Shorted));
    EXPECT_EQ(r.State, TPartState::Shorted);
    EXPECT_TRUE(SetPartState(d, 0, TPartState::Normal));
    EXPECT_EQ(r.State, TPartState::Normal);
    EXPECT_FALSE(SetPartState(d, 3, TPartState::Open));
    EXPECT_FALSE(SetPartState(d, 0, static_cast<TPartState>(7)));
}

TEST(Flags, MuteAndInvertApplyToTheirKindsOnly) {
    TDesign d;
    AddDriver(d, {60, 40});
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    EXPECT_TRUE(ToggleMute(d, {TElementKind::Driver, 0}));
    EXPECT_TRUE(d.Drivers[0]->Muted);
    EXPECT_FALSE(ToggleMute(d, {TElementKind::Source, 0}));
    EXPECT_TRUE(ToggleInvert(d, {TElementKind::Source, 0}));
    EXPECT_EQ(IsInverted(d, {TElementKind::Source, 0}), true);
    EXPECT_TRUE(ToggleInvert(d, {TElementKind::Driver, 0}));
    EXPECT_EQ(IsInverted(d, {TElementKind::Driver, 0}), true);
    EXPECT_FALSE(ToggleInvert(d, {TElementKind::Resistor, 0}));
    EXPECT_FALSE(IsInverted(d, {TElementKind::Resistor, 0}).has_value());
}

TEST(Rotate, HorizontalResistorTurnsAboutItsCentre) {
    TDesign d;
    TPart& r = AddPart(d, TPartType::Resistor, {20, 10}, true);
    RotatePart(d, r);
    EXPECT_FALSE(r.IsHorizontal);
    EXPECT_EQ(r.Terminal1, (TPoint{20, 7}));
    EXPECT_EQ(r.Terminal2, (TPoint{20, 13}));
    EXPECT_EQ(r.BodyRect, (TRect{19, 8, 21, 12}));
}

}  // namespace
