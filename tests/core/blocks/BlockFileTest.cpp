#include <gtest/gtest.h>

#include <stdexcept>

#include "TestSupport.h"
#include "base/TextFile.h"
#include "blocks/BlockCommands.h"
#include "blocks/CircuitBlocks.h"
#include "files/BlockFile.h"
#include "model/Design.h"
#include "model/StepModes.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

// A design in block designer mode holding a small drawing and its header.
void MakeDrawing(TDesign& d) {
    d.BlockDesignMode = true;
    d.Source.Placed = false;
    TCircuitBlock& h = d.SharedBlock;
    h.Title = "Notch // v2";
    h.VarExpression[0] = "1/(2*pi*F0)";
    h.VarExpression[1] = "";
    h.VarName = {"T", "", "F0", "R0", "Q", "S5"};
    h.VarDesc = {"period", "", "centre // Hz", "", "quality", "spare"};
    h.VarValue = {0.001, 0, 1000, 4.7, 0.5, -2.5e-7};
    h.VarStepMode = {smLog, smLog, sm12345, smIntRound, smReal, sm12345};

    TPart& r = AddPart(d, TPartType::Resistor, {100, 60}, true);
    r.Equation1 = "  R0*2 ";
    r.Equation2 = "R0";
    TPart& c = AddPart(d, TPartType::Capacitor, {110, 60}, false);
    c.Value = 2.2e-6;
    c.PartNumber = "MKT 2u2";
    c.BoundValue = 2.35e-6;  // the catalogue's value is not written
    c.StepMode = smmPC10;
    c.State = TPartState::Open;
    c.Equation1 = "T*F0/(2*pi*R0)";
    AddPart(d, TPartType::Inductor, {120, 60}, true);  // no expressions
    AddGround(d, {110, 66});
    AddWire(d, {103, 60}, {107, 60});
    TSheetText& t = AddText(d, {105, 55}, "  notch // filter");
    t.Size = 12;
    t.Color = 0x800000;
    d.Modified = true;
}

TEST(BlockFile, WritesTheLayoutLineByLine) {
    TDesign d;
    MakeDrawing(d);
    const std::vector<std::string> lines = BuildBlockFileLines(d, d.SharedBlock, {110, 60});
    const std::vector<std::string> head(lines.begin(), lines.begin() + 30);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "Notch // v2",
                        "1/(2*pi*F0)",
                        "",
                        "  T //Variable #0",
                        "period",
                        "  0.001 //VarValue #0",
                        "   //Variable #1",
                        "",
                        "  0 //VarValue #1",
                        "  F0 //Variable #2",
                        "centre // Hz",
                        "  1000 //VarValue #2",
                        "  R0 //Variable #3",
                        "",
                        "  4.7 //VarValue #3",
                        "  Q //Variable #4",
                        "quality",
                        "  0.5 //VarValue #4",
                        "  S5 //Variable #5",
                        "spare",
                        "  -2.5E-7 //VarValue #5",
                        "rev 1",
                        "  0    //step mpde (0=Log)",
                        "  0    //step mpde (0=Log)",
                        "  1    //step mpde (0=Log)",
                        "  0    //step mpde (0=Log)",
                        "  0    //step mpde (0=Log)",
                        "  1    //step mpde (0=Log)",
                        "3 //Passives",
                        "12 //Lines Per Passive",
                    }));
    const std::vector<std::string> capacitor(lines.begin() + 42, lines.begin() + 54);
    EXPECT_EQ(capacitor, (std::vector<std::string>{
                             " 1 //PartType",
                             "  MKT 2u2 //Part#",
                             "  2.2E-6 //Value",
                             "  0.05 //ESR",
                             "  250 //Rating",
                             "  0 //position X",
                             "  0 //position Y",
                             "  F  //Is Horizontal",
                             "  2 //StepMode",
                             "  2 //0short/1val/2open",
                             "T*F0/(2*pi*R0)",
                             "",
                         }));
    EXPECT_EQ(lines[40], "R0*2");  // trimmed
    const std::vector<std::string> tail(lines.begin() + 66, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "1 //Grounds",
                        "2 //Lines Per Ground",
                        " 0 //position X",
                        "  6 //position Y",
                        "1 //Wires",
                        "4 //Lines Per Wire",
                        " -7 //End1 X",
                        "  0 //End1 Y",
                        "  -3 //End2 X",
                        "  0 //End2 Y",
                        "1 //Texts",
                        "5 //Lines Per Text",
                        "  notch // filter",
                        "  -5 //position X",
                        "  -5 //position Y",
                        "  12 //Size",
                        "  8388608 //color",
                    }));
}

TEST(BlockFile, SaveAndReadBack) {
    TempFolder tmp;
    TDesign d;
    MakeDrawing(d);
    RecordingMessageSink messages;
    const std::string path = tmp.Path() + "notch.pbk";
    SaveCircuitBlock(d, path, messages);
    EXPECT_FALSE(d.Modified);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_NE(ReadWholeFile(path).find("rev 1\r\n"), std::string::npos);

    TDesign target;
    TCircuitBlock* b = LoadBlockForPlacing(target, path, messages);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(target.Modified);
    EXPECT_TRUE(target.Parts.empty());  // not on the sheet yet
    const TCircuitBlock& h = d.SharedBlock;
    EXPECT_EQ(b->Title, h.Title);
    EXPECT_EQ(b->VarExpression, h.VarExpression);
    EXPECT_EQ(b->VarName, h.VarName);
    EXPECT_EQ(b->VarDesc, h.VarDesc);
    EXPECT_EQ(b->VarValue, h.VarValue);
    // sm12345 stays; every other step mode comes back as smLog.
    EXPECT_EQ(b->VarStepMode, (std::array<std::uint8_t, 6>{smLog, smLog, sm12345, smLog, smLog, sm12345}));

    ASSERT_EQ(b->Parts.size(), 3u);
    const TPart& r = *b->Parts[0];
    const TPart& c = *b->Parts[1];
    const TPart& l = *b->Parts[2];
    EXPECT_EQ(r.Equation1, "R0*2");
    EXPECT_EQ(r.Equation2, "R0");
    const TPoint ref = ExtentCentre(DrawingExtent(d));
    auto rel = [&](int x, int y) { return TPoint{x - ref.X, y - ref.Y}; };
    EXPECT_EQ(r.Position, rel(100, 60));
    EXPECT_EQ(r.Terminal2, rel(103, 60));
    EXPECT_EQ(c.PartType, TPartType::Capacitor);
    EXPECT_EQ(c.PartNumber, "MKT 2u2");
    EXPECT_EQ(c.Value, 2.2e-6);
    EXPECT_EQ(c.BoundValue, 2.2e-6);
    EXPECT_FALSE(c.IsHorizontal);
    EXPECT_EQ(c.Terminal1, rel(110, 57));
    EXPECT_EQ(c.StepMode, smmPC10);
    EXPECT_EQ(c.State, TPartState::Open);
    EXPECT_EQ(l.PartType, TPartType::Inductor);
    EXPECT_EQ(l.Equation1, "");
    EXPECT_EQ(l.Value, 1e-3);
    for (const TPart* p : b->Parts) EXPECT_EQ(p->Subckt, -1);
    ASSERT_EQ(b->Grounds.size(), 1u);
    EXPECT_EQ(b->Grounds[0]->Position, rel(110, 66));
    ASSERT_EQ(b->Wires.size(), 1u);
    EXPECT_EQ(b->Wires[0]->End2, rel(107, 60));
    ASSERT_EQ(b->Texts.size(), 1u);
    EXPECT_EQ(b->Texts[0]->Text, "  notch // filter");
    EXPECT_EQ(b->Texts[0]->Size, 12);
    EXPECT_EQ(b->Texts[0]->Color, 0x800000);

    // Placed twice: two blocks with their own variables, numbered after the
    // parts already there.
    AddPart(target, TPartType::Resistor, {20, 20}, true);
    PlaceNewBlock(target, {60, 40});
    ASSERT_NE(LoadBlockForPlacing(target, path, messages), nullptr);
    PlaceNewBlock(target, {60, 90});
    ASSERT_EQ(target.Parts.size(), 7u);
    EXPECT_EQ(PartDesignator(*target.Blocks[0]->Parts[0]), "R2");
    EXPECT_EQ(PartDesignator(*target.Blocks[1]->Parts[0]), "R3");
    EXPECT_EQ(PartDesignator(*target.Blocks[1]->Parts[2]), "L2");
    target.Blocks[1]->VarValue[3] = 4.1;
    EvaluateBlocks(target, messages);
    EXPECT_DOUBLE_EQ(target.Blocks[0]->Parts[0]->Value, 9.53);  // 9.4 in E48
    EXPECT_DOUBLE_EQ(target.Blocks[1]->Parts[0]->Value, 8.25);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST(BlockFile, AGroundAloneIsSavedRelativeToTheExtentCentre) {
    TempFolder tmp;
    TDesign d;
    d.BlockDesignMode = true;
    d.Source.Placed = false;
    AddGround(d, {120, 60});
    EXPECT_EQ(DrawingExtent(d), (TRect{119, 60, 121, 63}));
    RecordingMessageSink messages;
    SaveCircuitBlock(d, tmp.Path() + "g.pbk", messages);
    const auto lines = ReadTextLines(tmp.Path() + "g.pbk");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 38u);
    EXPECT_EQ((*lines)[32], " 0 //position X");
    EXPECT_EQ((*lines)[33], "  -1 //position Y");
}

TEST(BlockFile, TheOldLayoutWithoutStepModesReads) {
    TempFolder tmp;
    std::string text = "old\r\nA*2\r\n\r\n";
    for (int v = 0; v < 6; ++v)
        text += "  V" + std::to_string(v) + " //Variable #" + std::to_string(v) + "\r\ndesc\r\n  " +
                std::to_string(v + 1) + " //VarValue\r\n";
    text +=
        "1 //Passives\r\n12 //Lines Per Passive\r\n 2 //PartType\r\n   //Part#\r\n  0.001 //Value\r\n"
        "  0.3 //ESR\r\n  100 //Rating\r\n  -4 //position X\r\n  2 //position Y\r\n  T  //Is Horizontal\r\n"
        "  1 //StepMode\r\n  1 //0short/1val/2open\r\n V1/1000\r\nV0\r\n"
        "0 //Grounds\r\n2 //Lines Per Ground\r\n0 //Wires\r\n4 //Lines Per Wire\r\n0 //Texts\r\n5 //Lines Per Text\r\n";
    WriteWholeFile(tmp.Path() + "old.pbk", text);
    TDesign d;
    TCircuitBlock b;
    ASSERT_TRUE(ReadBlockFile(d, tmp.Path() + "old.pbk", b, 3));
    EXPECT_EQ(b.VarStepMode, (std::array<std::uint8_t, 6>{smLog, smLog, smLog, smLog, smLog, smLog}));
    EXPECT_EQ(b.VarName[5], "V5");
    EXPECT_EQ(b.VarValue[5], 6);
    ASSERT_EQ(b.Parts.size(), 1u);
    EXPECT_EQ(b.Parts[0]->PartType, TPartType::Inductor);
    EXPECT_EQ(b.Parts[0]->Subckt, 3);
    EXPECT_EQ(b.Parts[0]->Equation1, "");  // a leading blank clears it
    EXPECT_EQ(b.Parts[0]->Equation2, "V0");
    EXPECT_EQ(b.Parts[0]->Position, (TPoint{-4, 2}));
}

TEST(BlockFile, UnreadableFilesFailAndLeaveNothingBehind) {
    TempFolder tmp;
    TDesign source;
    MakeDrawing(source);
    std::vector<std::string> good = BuildBlockFileLines(source, source.SharedBlock, {110, 60});

    auto truncated = good;
    truncated.resize(good.size() - 3);
    auto thinParts = good;
    thinParts[29] = "5 //Lines Per Passive";
    auto hugeCount = good;
    hugeCount[28] = "2000000000 //Passives";
    auto badType = good;
    badType[30] = " 7 //PartType";
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"truncated", truncated},
        {"thin", thinParts},
        {"huge", hugeCount},
        {"type", badType},
        {"header", {"only", "three", "lines"}},
    };
    for (const auto& [name, lines] : cases) {
        const std::string path = tmp.Path() + name + ".pbk";
        ASSERT_TRUE(WriteTextLines(path, lines));
        TDesign d;
        RecordingMessageSink messages;
        EXPECT_EQ(LoadBlockForPlacing(d, path, messages), nullptr) << name;
        EXPECT_TRUE(d.Blocks.empty());
        EXPECT_EQ(messages.Messages, std::vector<std::string>{MsgBlockLoadError});
    }
    TDesign d;
    RecordingMessageSink messages;
    EXPECT_EQ(LoadBlockForPlacing(d, tmp.Path() + "missing.pbk", messages), nullptr);
    EXPECT_EQ(messages.Messages, std::vector<std::string>{MsgBlockLoadError});
}

TEST(BlockFile, OpenInTheDesigner) {
    TempFolder tmp;
    TDesign source;
    MakeDrawing(source);
    RecordingMessageSink messages;
    SaveCircuitBlock(source, tmp.Path() + "n.pbk", messages);

    TDesign d;
    d.BlockDesignMode = true;
    d.Source.Placed = false;
    AddPart(d, TPartType::Resistor, {10, 10}, true);
    d.SharedBlock.Title = "before";
    d.Modified = true;

    // A failed read leaves an empty sheet and the header as it was.
    EXPECT_FALSE(OpenCircuitBlock(d, tmp.Path() + "nothing.pbk", messages));
    EXPECT_EQ(messages.Messages, std::vector<std::string>{MsgBlockLoadError});
    EXPECT_TRUE(d.Parts.empty());
    EXPECT_EQ(d.SharedBlock.Title, "before");

    d.Modified = true;
    EXPECT_TRUE(OpenCircuitBlock(d, tmp.Path() + "n.pbk", messages));
    EXPECT_FALSE(d.Modified);
    EXPECT_EQ(d.SharedBlock.Title, "Notch // v2");
    EXPECT_TRUE(d.SharedBlock.Parts.empty());  // the members are the free drawing now
    ASSERT_EQ(d.Parts.size(), 3u);
    for (const auto& p : d.Parts) EXPECT_EQ(p->Subckt, -1);
    // Centred at (118, 64), the layout unchanged.
    TCircuitBlock placed;
    for (const auto& p : d.Parts) placed.Parts.push_back(p.get());
    for (const auto& g : d.Grounds) placed.Grounds.push_back(g.get());
    for (const auto& w : d.Wires) placed.Wires.push_back(w.get());
    for (const auto& t : d.Texts) placed.Texts.push_back(t.get());
    UpdateBlockExtent(placed);
    // (Text rectangles cut toward zero, so at negative file coordinates a text
    // covers one unit more than on the sheet: the centre may move by one.)
    EXPECT_EQ(placed.Center.X, 118);
    EXPECT_NEAR(placed.Center.Y, 64, 1);
    EXPECT_EQ(d.Parts[1]->Position.X - d.Parts[0]->Position.X, 10);
    EXPECT_EQ(d.Grounds[0]->Position.Y - d.Parts[1]->Position.Y, 6);
    EXPECT_EQ(d.Texts[0]->Position.X - d.Parts[0]->Position.X, 5);
}

TEST(BlockFile, SavingFailsLoudly) {
    TDesign d;
    MakeDrawing(d);
    RecordingMessageSink messages;
    EXPECT_THROW(SaveCircuitBlock(d, "/nonexistent-folder/x.pbk", messages), std::runtime_error);
    EXPECT_EQ(messages.Messages, std::vector<std::string>{MsgBlockSaveError});
    EXPECT_TRUE(d.Modified);
}

TEST(BlockFile, OfferToSave) {
    TDesign d;
    RecordingMessageSink quiet;
    EXPECT_TRUE(OfferToSave(d, quiet, nullptr));
    EXPECT_TRUE(quiet.Questions.empty());
    d.Modified = true;
    RecordingMessageSink no;
    EXPECT_TRUE(OfferToSave(d, no, nullptr));
    EXPECT_EQ(no.Questions, std::vector<std::string>{"Save current design?"});
    EXPECT_EQ(no.WithCancel, std::vector<bool>{true});
    for (const bool saved : {true, false}) {
        RecordingMessageSink yes;
        yes.Answers = {MessageSink::Answer::Yes};
        EXPECT_EQ(OfferToSave(d, yes, [saved] { return saved; }), saved);
    }
    RecordingMessageSink cancel;
    cancel.Answers = {MessageSink::Answer::Cancel};
    EXPECT_FALSE(OfferToSave(d, cancel, [] { return true; }));
}

}  // namespace
