#include <gtest/gtest.h>

#include "TestSupport.h"
#include "blocks/CircuitBlocks.h"
#include "blocks/bcParser.h"
#include "document/Document.h"
#include "model/Design.h"
#include "model/StepModes.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;

namespace {

TPart& LoosePart(TCircuitBlock& b, TPartType type, TPoint pos, const std::string& eq1, const std::string& eq2 = "") {
    auto p = std::make_unique<TPart>();
    p->PartType = type;
    p->Value = 1;
    p->ESR = 0.1;
    p->Rating = 5;
    p->IsHorizontal = true;
    p->Position = pos;
    p->Terminal1 = {pos.X - 3, pos.Y};
    p->Terminal2 = {pos.X + 3, pos.Y};
    p->Equation1 = eq1;
    p->Equation2 = eq2;
    p->RefDes = 1;
    TPart& ref = *p;
    b.Parts.push_back(p.get());
    b.Loose.Parts.push_back(std::move(p));
    return ref;
}

// A block as a block file gives it: members owned by the block, positions
// relative to the drawing's centre. A resistor R0*2 with rating R0, a
// capacitor 1/R0 with ESR R0/10, a wire and a ground.
TCircuitBlock& AppendTestBlock(TDesign& d) {
    TCircuitBlock& b = AppendBlock(d);
    b.Title = "test";
    b.VarName[2] = "R0";
    b.VarDesc[2] = "base resistance";
    b.VarValue[2] = 5;
    b.VarStepMode[2] = smLog;
    LoosePart(b, TPartType::Resistor, {-4, 0}, "R0*2", "R0");
    LoosePart(b, TPartType::Capacitor, {4, 0}, " 1/R0 ", "R0/10");
    auto w = std::make_unique<TWire>();
    w->End1 = {-1, 0};
    w->End2 = {1, 0};
    b.Wires.push_back(w.get());
    b.Loose.Wires.push_back(std::move(w));
    auto g = std::make_unique<TGround>();
    g->Position = {0, 2};
    g->BodyRect = GroundBodyRect(g->Position);
    b.Grounds.push_back(g.get());
    b.Loose.Grounds.push_back(std::move(g));
    return b;
}

TEST(CircuitBlocks, MemberValuesFollowTheVariablesRoundedToE48) {
    struct Case {
        double R0;
        double Resistor;   // R0*2 in E48
        double Capacitor;  // 1/R0 in E48
    };
    const Case cases[] = {{5, 10, 0.196}, {4.1, 8.25, 0.249}, {4, 7.87, 0.249}};
    for (const auto& c : cases) {
        TDesign d;
        RecordingMessageSink messages;
        TCircuitBlock& b = AppendTestBlock(d);
        PlaceNewBlock(d, {100, 50});
        b.VarValue[2] = c.R0;
        EvaluateBlocks(d, messages);
        const TPart& r = *b.Parts[0];
        const TPart& cap = *b.Parts[1];
        EXPECT_DOUBLE_EQ(r.Value, c.Resistor) << c.R0;
        EXPECT_DOUBLE_EQ(r.BoundValue, c.Resistor);
        EXPECT_DOUBLE_EQ(PartValue(r), c.Resistor);
        EXPECT_DOUBLE_EQ(r.Rating, c.R0);  // unrounded
        EXPECT_DOUBLE_EQ(r.BoundRating, c.R0);
        EXPECT_DOUBLE_EQ(r.BoundESR, 0.1);
        EXPECT_DOUBLE_EQ(cap.BoundValue, c.Capacitor);
        EXPECT_DOUBLE_EQ(cap.BoundESR, c.R0 / 10);
        EXPECT_DOUBLE_EQ(cap.BoundRating, 5);
        EXPECT_FALSE(b.NeedsEval);
        EXPECT_TRUE(messages.Messages.empty());
    }
}

TEST(CircuitBlocks, IntermediateVariables) {
    TbcParser parser;
    RecordingMessageSink messages;
    TDesign d;
    TCircuitBlock& b = AppendTestBlock(d);
    b.VarName[0] = "Q";
    b.VarExpression[0] = "R0*3";
    b.VarName[1] = "P";
    b.VarExpression[1] = "Q+1";
    b.Parts[0]->Equation1 = "P*pi/pi";  // sees both new values
    b.VarValue[2] = 2;

    // Slot order: Q = 6, then P = 7, and the members see them.
    b.NeedsEval = true;
    EvaluateBlock(b, parser, messages);
    EXPECT_EQ(b.VarValue[0], 6);
    EXPECT_EQ(b.VarValue[1], 7);
    EXPECT_DOUBLE_EQ(b.Parts[0]->Value, 7.15);  // 7 in E48

    // An expression naming its own slot, or the later one, is not computed:
    // its value stays put however often the block is evaluated.
    b.VarExpression[0] = "Q*2";
    b.VarExpression[1] = "P+Q";
    for (int i = 0; i < 3; ++i) {
        b.NeedsEval = true;
        EvaluateBlock(b, parser, messages);
    }
    EXPECT_EQ(b.VarValue[0], 6);
    EXPECT_EQ(b.VarValue[1], 7);
    b.VarExpression[0] = "P*2";
    b.VarExpression[1] = "R0";
    b.NeedsEval = true;
    EvaluateBlock(b, parser, messages);
    EXPECT_EQ(b.VarValue[0], 6);
    EXPECT_EQ(b.VarValue[1], 2);
    EXPECT_TRUE(messages.Messages.empty());

    // A failing intermediate is reported; the members are still computed.
    b.VarExpression[0] = "1/0";
    b.VarExpression[1] = "R0+";
    b.VarValue[2] = 5;
    b.NeedsEval = true;
    EvaluateBlock(b, parser, messages);
    EXPECT_EQ(messages.Messages, (std::vector<std::string>{MsgBlockExpressionError, MsgBlockExpressionError}));
    EXPECT_DOUBLE_EQ(b.Parts[1]->Value, 0.196);
    EXPECT_FALSE(b.NeedsEval);
}

TEST(CircuitBlocks, BadNamesAndMemberErrors) {
    TbcParser parser;
    TDesign d;
    TCircuitBlock& b = AppendTestBlock(d);

    // An invalid name stops the definitions: R0 stays undefined and the
    // member expressions fail with the evaluator's own error.
    {
        RecordingMessageSink messages;
        b.VarName[1] = "1x";
        b.NeedsEval = true;
        EXPECT_THROW(EvaluateBlock(b, parser, messages), EbcParserError);
        EXPECT_EQ(messages.Messages, std::vector<std::string>{MsgIllegalVariableName});
        EXPECT_TRUE(b.NeedsEval);
    }
    // A repeated name (in any case) is refused too; the first definition holds.
    {
        RecordingMessageSink messages;
        b.VarName[1] = "r0";
        b.VarValue[1] = 3;
        b.NeedsEval = true;
        EvaluateBlock(b, parser, messages);
        EXPECT_EQ(messages.Messages, std::vector<std::string>{MsgIllegalVariableName});
        EXPECT_DOUBLE_EQ(b.Parts[0]->Value, 5.9);  // 6 in E48
    }

    // Arithmetic faults in member expressions reach the caller.
    b.VarName[1] = "";
    b.Parts[1]->Equation1 = "1/(R0-5)";
    b.NeedsEval = true;
    RecordingMessageSink messages;
    EXPECT_THROW(EvaluateBlocks(d, messages), EbcMathError);
    EXPECT_TRUE(b.NeedsEval);
}

TEST(CircuitBlocks, TwoPlacementsAreIndependentAndNumberedAfterExistingParts) {
    TDesign d;
    RecordingMessageSink messages;
    AddPart(d, TPartType::Resistor, {20, 20}, true);
    AddPart(d, TPartType::Capacitor, {30, 20}, true);

    TCircuitBlock& first = AppendTestBlock(d);
    PlaceNewBlock(d, {100, 40});
    TCircuitBlock& second = AppendTestBlock(d);
    PlaceNewBlock(d, {100, 80});
    EXPECT_TRUE(second.NeedsEval);
    ASSERT_EQ(d.Parts.size(), 6u);
    EXPECT_EQ(PartDesignator(*first.Parts[0]), "R2");
    EXPECT_EQ(PartDesignator(*first.Parts[1]), "C2");
    EXPECT_EQ(PartDesignator(*second.Parts[0]), "R3");
    EXPECT_EQ(PartDesignator(*second.Parts[1]), "C3");
    EXPECT_TRUE(first.Loose.Parts.empty());
    EXPECT_EQ(d.Wires.size(), 2u);
    EXPECT_EQ(d.Grounds.size(), 2u);
    EXPECT_EQ(first.Parts[0]->Subckt, 0);
    EXPECT_EQ(second.Grounds[0]->Subckt, 1);

    // Centred on the placing point: the drawing's centre moves there.
    EXPECT_EQ(first.Center, (TPoint{100, 40}));
    EXPECT_EQ(second.Parts[0]->Position, (TPoint{96, 78}));
    EXPECT_EQ(second.Parts[0]->Terminal1, (TPoint{93, 78}));

    second.VarValue[2] = 4;
    EvaluateBlocks(d, messages);
    EXPECT_DOUBLE_EQ(first.Parts[0]->Value, 10);
    EXPECT_DOUBLE_EQ(second.Parts[0]->Value, 7.87);

    // Moving shifts the members already on the sheet.
    PlaceBlock(d, second, 1, {150, 80}, true);
    EXPECT_EQ(second.Parts[0]->Position, (TPoint{146, 78}));
    EXPECT_EQ(d.Parts.size(), 6u);
}

TEST(CircuitBlocks, DissolvingOrDeletingKeepsLaterBlocksBound) {
    for (const bool dissolve : {true, false}) {
        TDesign d;
        RecordingMessageSink messages;
        TCircuitBlock& first = AppendTestBlock(d);
        PlaceNewBlock(d, {60, 40});
        TCircuitBlock& second = AppendTestBlock(d);
        PlaceNewBlock(d, {120, 40});
        second.VarValue[2] = 4;
        EvaluateBlocks(d, messages);
        TPart* freed = first.Parts[0];
        TCircuitBlock* survivor = &second;

        if (dissolve)
            DissolveBlock(d, 0);
        else
            DeleteBlock(d, 0);

        ASSERT_EQ(d.Blocks.size(), 1u);
        EXPECT_EQ(d.Blocks[0].get(), survivor);
        EXPECT_EQ(d.Parts.size(), dissolve ? 4u : 2u);
        for (const TPart* p : survivor->Parts) EXPECT_EQ(p->Subckt, 0);
        for (const TWire* w : survivor->Wires) EXPECT_EQ(w->Subckt, 0);
        for (const TGround* g : survivor->Grounds) EXPECT_EQ(g->Subckt, 0);
        if (dissolve) {
            EXPECT_EQ(freed->Subckt, -1);
            EXPECT_DOUBLE_EQ(PartValue(*freed), 10);
        }

        // The members are found again from their indices, and still follow.
        RebuildBlockMembers(d);
        EXPECT_EQ(survivor->Parts.size(), 2u);
        survivor->VarValue[2] = 5;
        EvaluateBlocks(d, messages);
        EXPECT_DOUBLE_EQ(survivor->Parts[0]->Value, 10);
        if (dissolve) {
            EXPECT_DOUBLE_EQ(freed->Value, 10);
        }
    }
}

TEST(CircuitBlocks, PlacingWithoutABlockIndexGivesFreeElements) {
    TDesign d;
    TCircuitBlock& b = d.SharedBlock;
    TDesign scratch;
    TCircuitBlock& loaded = AppendTestBlock(scratch);
    std::swap(b.Parts, loaded.Parts);
    std::swap(b.Wires, loaded.Wires);
    std::swap(b.Grounds, loaded.Grounds);
    std::swap(b.Loose, loaded.Loose);
    PlaceBlock(d, b, -1, {118, 64});
    EXPECT_EQ(d.Parts.size(), 2u);
    for (const auto& p : d.Parts) EXPECT_EQ(p->Subckt, -1);
    EXPECT_TRUE(b.Parts.empty());
    EXPECT_TRUE(b.Grounds.empty());
    EXPECT_EQ(d.Grounds[0]->Position, (TPoint{118, 64}));
}

TEST(CircuitBlocks, DesignerMode) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 20}, true);
    AppendTestBlock(d);
    d.FileName = "/x/TwoWay.bkt";
    d.Modified = true;

    // Yes, but the save fails: nothing changes.
    RecordingMessageSink failing;
    failing.Answers = {MessageSink::Answer::Yes};
    EXPECT_FALSE(ChangeBlockDesignMode(d, failing, [] { return false; }));
    EXPECT_EQ(failing.Questions, std::vector<std::string>{"Save current design?"});
    EXPECT_FALSE(d.BlockDesignMode);
    EXPECT_EQ(d.Parts.size(), 1u);

    // Cancel: nothing changes either, and nothing is saved.
    RecordingMessageSink cancelling;
    cancelling.Answers = {MessageSink::Answer::Cancel};
    int saves = 0;
    EXPECT_FALSE(ChangeBlockDesignMode(d, cancelling, [&] { return ++saves > 0; }));
    EXPECT_EQ(cancelling.WithCancel, std::vector<bool>{true});
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(d.BlockDesignMode);
    EXPECT_EQ(d.Parts.size(), 1u);
    EXPECT_TRUE(d.Modified);

    RecordingMessageSink messages;  // answers No
    EXPECT_TRUE(ChangeBlockDesignMode(d, messages, nullptr));
    EXPECT_TRUE(d.BlockDesignMode);
    EXPECT_TRUE(d.Parts.empty());
    EXPECT_TRUE(d.Blocks.empty());
    EXPECT_FALSE(d.Source.Placed);
    EXPECT_FALSE(d.Modified);
    EXPECT_EQ(MainCaption(d), "Pelmo ---- designing Circuit Block");

    // The drawing goes when leaving, unasked when unmodified; the source comes back.
    d.SharedBlock.Title = "notch";
    AddGround(d, {120, 60});
    d.Source.Vrms = 1;
    RecordingMessageSink quiet;
    EXPECT_TRUE(ChangeBlockDesignMode(d, quiet, nullptr));
    EXPECT_TRUE(quiet.Questions.empty());
    EXPECT_FALSE(d.BlockDesignMode);
    EXPECT_TRUE(d.Grounds.empty());
    EXPECT_TRUE(d.Source.Placed);
    EXPECT_DOUBLE_EQ(d.Source.Vrms, std::sqrt(8.0));
    EXPECT_EQ(d.Source.Position, (TPoint{118, 64}));
    EXPECT_EQ(d.Source.Terminal1, (TPoint{121, 62}));
    EXPECT_EQ(d.SharedBlock.Title, "notch");
    EXPECT_EQ(MainCaption(d), "Pelmo");
}

TEST(CircuitBlocks, VariableNamesAreCheckedAsTheEvaluationChecksThem) {
    TCircuitBlock b;
    b.VarName[2] = "F";
    b.VarName[3] = "Q";
    const struct {
        int slot;
        std::string name;
        std::string message;  // empty: accepted
    } cases[] = {
        {2, "F", ""},  // its own name
        {4, "", ""},   // an unused slot
        {4, "D", ""},
        {4, "_d2", ""},
        {0, "Zd", ""},
        {4, "2D", "2D is not a valid variable name."},
        {4, "q", MsgIllegalVariableName},  // taken by slot 3, whatever the case
        {0, "f", MsgIllegalVariableName},
        {4, "PI", MsgIllegalVariableName},  // would replace pi
    };
    for (const auto& c : cases) {
        const auto message = CheckBlockVariableName(b, c.slot, c.name);
        EXPECT_EQ(message.value_or(""), c.message) << c.slot << " " << c.name;
    }
}

TEST(CircuitBlocks, TuningSlots) {
    TCircuitBlock b;
    b.VarName[2] = "F";
    b.VarName[3] = "Q";
    b.VarDesc[3] = "quality";
    b.VarDesc[4] = "depth";
    EXPECT_EQ(TunedBlockSlots(b), (std::vector<int>{3, 4}));
    StoreTunedBlockVariables(b, {1, 2, 3}, {smLog, sm12345, smLog});
    EXPECT_EQ(b.VarValue[3], 2);
    EXPECT_EQ(b.VarStepMode[3], sm12345);
    EXPECT_TRUE(b.NeedsEval);
}

}  // namespace
