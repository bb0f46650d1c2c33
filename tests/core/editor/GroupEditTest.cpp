#include <gtest/gtest.h>

#include "GeometryPrint.h"
#include "editor/GroupEdit.h"

using namespace pelmo;

namespace {

std::vector<std::string> Designators(const TDesign& d) {
    std::vector<std::string> out;
    for (const auto& p : d.Parts) out.push_back(PartDesignator(*p));
    return out;
}

TEST(SelectInBox, WhatCountsAsInside) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);   // terminals (17,10) (23,10)
    AddPart(d, TPartType::Capacitor, {30, 10}, true);  // terminals (27,10) (33,10): cut by the box
    AddWire(d, {17, 10}, {17, 14});
    AddWire(d, {23, 10}, {40, 10});  // one end outside
    AddGround(d, {17, 14});
    AddText(d, {20, 12}, "note");
    AddDriver(d, {90, 90});

    const TBoxSelection sel = SelectInBox(d, {15, 8, 30, 15});
    EXPECT_EQ(sel.Count, 3) << "resistor, the inner wire and the ground; the text is not counted";
    EXPECT_FALSE(sel.SingleElement);
    EXPECT_TRUE(d.Parts[0]->Selected);
    EXPECT_FALSE(d.Parts[1]->Selected) << "a box that cuts a part in half leaves it out";
    EXPECT_TRUE(d.Wires[0]->Selected);
    EXPECT_FALSE(d.Wires[1]->Selected) << "a wire needs both ends inside";
    EXPECT_TRUE(d.Grounds[0]->Selected);
    EXPECT_TRUE(d.Texts[0]->Selected);
    EXPECT_FALSE(d.Drivers[0]->Selected);
    EXPECT_FALSE(d.Source.Selected);
}

TEST(SelectInBox, OneElementOffersSomethingOnlyForAPart) {
    TDesign d;
    AddPart(d, TPartType::Inductor, {20, 10}, true);
    AddGround(d, {60, 60});
    AddText(d, {61, 58}, "gnd");

    TBoxSelection sel = SelectInBox(d, {10, 5, 30, 15});
    EXPECT_EQ(sel.Count, 1);
    EXPECT_TRUE(sel.SingleElement);
    ASSERT_TRUE(sel.SinglePart.has_value());
    EXPECT_EQ(*sel.SinglePart, (TElementRef{TElementKind::Inductor, 0}));

    sel = SelectInBox(d, {55, 55, 65, 65});
    EXPECT_EQ(sel.Count, 0) << "a single ground offers nothing";
    EXPECT_TRUE(sel.SingleElement);
    EXPECT_FALSE(d.Grounds[0]->Selected);
    EXPECT_FALSE(d.Texts[0]->Selected);

    sel = SelectInBox(d, {115, 60, 125, 70});
    EXPECT_EQ(sel.Count, 0) << "the source alone offers nothing (selected by its terminals)";
}

TEST(SelectInBox, BlockMembersAreNeverSelected) {
    TDesign d;
    AppendBlock(d);
    AddPart(d, TPartType::Resistor, {20, 10}, true).Subckt = 0;
    RebuildBlockMembers(d);
    EXPECT_EQ(SelectInBox(d, {0, 0, 50, 50}).Count, 0);
    EXPECT_FALSE(d.Parts[0]->Selected);
    EXPECT_FALSE(d.Blocks[0]->Selected);
}

TEST(GridBox, CornersInAnyOrder) { EXPECT_EQ(GridBoxFromPixels({300, 120}, {96, 44}, 10), (TRect{10, 4, 30, 12})); }

TEST(Paste, CopiesAreNumberedAfterTheExistingOnes) {
    TDesign d;
    for (int i = 0; i < 4; ++i) AddPart(d, TPartType::Resistor, {20 + 10 * i, 10}, true);
    d.Parts[0]->Selected = d.Parts[1]->Selected = true;

    TCopyBuffer buffer;
    CopySelectionToBuffer(d, buffer, true);
    EXPECT_FALSE(d.Parts[0]->Selected) << "copying unselects";
    CommitPaste(d, buffer, {0, 20});
    EXPECT_TRUE(buffer.Parts.empty()) << "a paste empties the buffer";

    d.Parts[0]->Selected = d.Parts[1]->Selected = true;
    CopySelectionToBuffer(d, buffer, true);
    CommitPaste(d, buffer, {0, 40});
    EXPECT_EQ(Designators(d), (std::vector<std::string>{"R1", "R2", "R3", "R4", "R5", "R6", "R7", "R8"}));
    EXPECT_EQ(d.Parts[4]->Position, (TPoint{20, 30}));
    EXPECT_EQ(d.Parts[4]->Terminal1, (TPoint{17, 30}));
    EXPECT_EQ(d.Parts[7]->Position, (TPoint{30, 50}));
}

TEST(Paste, EveryKindIsCopiedAndShifted) {
    TDesign d;
    TPart& c = AddPart(d, TPartType::Capacitor, {20, 10}, false);
    c.Value = 4.7e-7;
    c.PartNumber = "MKP-1";
    AddWire(d, {20, 13}, {20, 20});
    AddGround(d, {20, 20});
    AddText(d, {25, 15}, "HP");
    TDriver& drv = AddDriver(d, {40, 15});
    drv.Name = "tweeter";
    for (auto* sel : {&d.Parts[0]->Selected, &d.Wires[0]->Selected, &d.Grounds[0]->Selected, &d.Texts[0]->Selected,
                      &d.Drivers[0]->Selected})
        *sel = true;

    TCopyBuffer buffer;
    CopySelectionToBuffer(d, buffer, true);
    ASSERT_TRUE(buffer.HasPasteableElements());
    CommitPaste(d, buffer, {50, 0});

    ASSERT_EQ(d.Parts.size(), 2u);
    EXPECT_EQ(d.Parts[1]->Position, (TPoint{70, 10}));
    EXPECT_FALSE(d.Parts[1]->IsHorizontal);
    EXPECT_EQ(d.Parts[1]->PartNumber, "MKP-1");
    EXPECT_EQ(d.Parts[1]->RefDes, 2);
    ASSERT_EQ(d.Wires.size(), 2u);
    EXPECT_EQ(d.Wires[1]->End2, (TPoint{70, 20}));
    ASSERT_EQ(d.Grounds.size(), 2u);
    EXPECT_EQ(d.Grounds[1]->BodyRect, GroundBodyRect({70, 20}));
    ASSERT_EQ(d.Texts.size(), 2u);
    EXPECT_EQ(d.Texts[1]->Text, "HP");
    ASSERT_EQ(d.Drivers.size(), 2u);
    EXPECT_EQ(d.Drivers[1]->Name, "tweeter");
    EXPECT_EQ(d.Drivers[1]->RefDes, 2);
    EXPECT_EQ(d.Drivers[1]->Terminal1, (TPoint{89, 14}));
}

TEST(Paste, ASecondCopyBringsNoTextsOfTheFirst) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddText(d, {20, 14}, "label");
    d.Parts[0]->Selected = d.Texts[0]->Selected = true;
    TCopyBuffer buffer;
    CopySelectionToBuffer(d, buffer, true);
    EXPECT_EQ(buffer.Texts.size(), 1u);

    d.Parts[0]->Selected = true;
    CopySelectionToBuffer(d, buffer, true);
    EXPECT_TRUE(buffer.Texts.empty());
    CommitPaste(d, buffer, {0, 10});
    EXPECT_EQ(d.Texts.size(), 1u);
}

TEST(CopyOneElement, OnlyPartsAndDriversAreCopied) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddDriver(d, {60, 40});
    AddGround(d, {5, 5});
    AddWire(d, {0, 0}, {0, 5});
    TCopyBuffer buffer;

    EXPECT_EQ(CopyElementToBuffer(d, buffer, {TElementKind::Resistor, 0}), (TPoint{20, 10}));
    EXPECT_EQ(buffer.Parts.size(), 1u);
    EXPECT_EQ(CopyElementToBuffer(d, buffer, {TElementKind::Driver, 0}), (TPoint{60, 40}));
    EXPECT_TRUE(buffer.Parts.empty()) << "each copy empties the buffer first";
    EXPECT_EQ(buffer.Drivers.size(), 1u);
    for (TElementRef e : {TElementRef{TElementKind::Ground, 0}, TElementRef{TElementKind::Wire, 0},
                          TElementRef{TElementKind::Source, 0}, TElementRef{TElementKind::Resistor, 9}}) {
        EXPECT_FALSE(CopyElementToBuffer(d, buffer, e).has_value()) << ToInt(e.Kind);
        EXPECT_FALSE(buffer.HasPasteableElements());
    }
}

TEST(GroupMove, SelectedElementsMoveWithoutTests) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddWire(d, {23, 10}, {30, 10});
    AddPart(d, TPartType::Resistor, {26, 20}, true);  // not selected, will be overlapped
    d.Parts[0]->Selected = d.Wires[0]->Selected = d.Source.Selected = true;
    CommitGroupMove(d, {6, 10});
    EXPECT_EQ(d.Parts[0]->Position, (TPoint{26, 20})) << "no collision test";
    EXPECT_EQ(d.Parts[0]->Terminal2, (TPoint{29, 20}));
    EXPECT_EQ(d.Wires[0]->End1, (TPoint{29, 20}));
    EXPECT_EQ(d.Wires[0]->PixelEnd2, (TPoint{360, 200}));
    EXPECT_EQ(d.Source.Position, (TPoint{124, 74}));
    EXPECT_EQ(d.Parts[1]->Position, (TPoint{26, 20}));
    EXPECT_FALSE(d.Parts[0]->Selected);
    EXPECT_FALSE(d.Wires[0]->Selected);
}

TEST(DeleteGroup, EverythingSelectedButTheSource) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddPart(d, TPartType::Resistor, {40, 10}, true);
    AddWire(d, {23, 10}, {37, 10});
    AddDriver(d, {60, 40});
    AddGround(d, {5, 5});
    AddText(d, {30, 30}, "x");
    SelectInBox(d, {0, 0, 200, 120});
    ASSERT_TRUE(d.Source.Selected);
    d.Parts[1]->Selected = false;
    int removedParts = 0;
    TDeleteHooks hooks;
    hooks.PartRemoving = [&](const TPart&) { ++removedParts; };
    EXPECT_EQ(DeleteGroup(d, hooks), 5);
    EXPECT_EQ(removedParts, 1);
    ASSERT_EQ(d.Parts.size(), 1u);
    EXPECT_EQ(d.Parts[0]->Position, (TPoint{40, 10}));
    EXPECT_TRUE(d.Wires.empty() && d.Drivers.empty() && d.Grounds.empty() && d.Texts.empty());
    EXPECT_TRUE(d.Source.Placed);
}

}  // namespace
