#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "files/BlockFile.h"
#include "files/DesignFile.h"
#include "files/ValueLines.h"
#include "model/Design.h"
#include "model/StepModes.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// Every element kind with fields away from their defaults, and no
// measurement files (so the drivers' lines are followed by no blocks).
void FillDesign(TDesign& d) {
    d.Source.Power = 2;
    d.Source.Ohms = 4;
    d.Source.Vrms = std::sqrt(8.0);
    d.OverallDelay = 1e-4;
    TCircuitBlock& b = AppendBlock(d);
    b.Title = "Zobel";
    b.VarExpression = {"R0*2", "C0/2"};
    b.VarName = {"R0", "C0", "", "", "", ""};
    b.VarValue = {6.8, 2.2e-5, 0, 0, 0, 0};
    b.VarDesc = {"ohms", "farads", "", "", "", ""};
    b.VarStepMode = {sm12345, smLog, sm12345, smLog, smLog, smLog};
    TPart& c = AddPart(d, TPartType::Capacitor, {40, 20}, false);
    c.Subckt = 0;
    c.BoundValue = 2.2e-5;
    c.Equation1 = "C0";
    TPart& r = AddPart(d, TPartType::Resistor, {50, 30}, true);
    r.PartNumber = "MOX-8R2";
    r.Vendor = "Acme";
    r.BoundValue = 8.2;
    r.IsHighSpec = true;
    r.SpecTolerance = 0.02;
    r.SearchTolerance = 0.03;
    r.ESRSearchTolerance = 0.2;
    r.ChosenTolerance = 0.01;
    AddGround(d, {60, 40}).Subckt = 0;
    AddWire(d, {10, 10}, {10, 20}).Subckt = 0;
    AddText(d, {5, 5}, "label").Subckt = 0;
    TDriver& drv = AddDriver(d, {100, 40});
    drv.Name = "Woofer";
    drv.Acoustic.HilbertPhase = true;
    drv.Acoustic.Tails.LowFreq = 50;
    drv.Acoustic.Tails.HighFreq = 12000;
    drv.Acoustic.Tails.Invert = true;
    drv.Acoustic.Tails.DelayInches = 1.5;
    drv.Acoustic.UseAcousticModel = true;
    drv.Vendor = "Seas";
    drv.NominalDia = 8;
    drv.Description = "8 inch";
    AddDriver(d, {100, 60}).Name = "Tweeter";
    RebuildBlockMembers(d);
}

Lines DesignLines(TDesign& d) {
    Lines lines;
    RecordingMessageSink sink;
    EXPECT_TRUE(BuildDesignLines(d, lines, sink));
    return lines;
}

// Where the section whose lines-per-element line carries `label` starts: the
// index of that line.
std::size_t LinesPerElementLine(const Lines& lines, const std::string& label) {
    const auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.size() > label.size() + 3 &&
               l.compare(l.size() - label.size() - 3, std::string::npos, " //" + label) == 0;
    });
    EXPECT_NE(it, lines.end()) << label;
    return static_cast<std::size_t>(it - lines.begin());
}

int LinesPerElement(const Lines& lines, const std::string& label) {
    return std::stoi(lines[LinesPerElementLine(lines, label)]);
}

// The section's elements restated with `size` lines each: longer ones get
// lines of a later layout, shorter ones lose their last lines.
Lines Resize(Lines lines, const std::string& label, int size) {
    const std::size_t head = LinesPerElementLine(lines, label);
    const int count = std::stoi(lines[head - 1]);
    const int old = std::stoi(lines[head]);
    lines[head] = std::to_string(size) + " //" + label;
    for (int i = count - 1; i >= 0; --i) {
        const auto end = lines.begin() + static_cast<std::ptrdiff_t>(head + 1 + (i + 1) * old);
        if (size > old)
            lines.insert(end, static_cast<std::size_t>(size - old), "  7 //a field of a later layout");
        else
            lines.erase(end - (old - size), end);
    }
    return lines;
}

struct ReadBack {
    TempFolder tmp;
    TDesign d;
    bool ok = false;
    explicit ReadBack(const Lines& lines) {
        const std::string path = tmp.Path() + "d.bkt";
        fs::create_directories(SupportFolderFor(path));
        RecordingMessageSink sink;
        ok = ReadDesignLines(d, lines, path, sink);
    }
};

TEST(ElementLayouts, ElementsOfALaterLongerLayoutReadAsToday) {
    TDesign d;
    FillDesign(d);
    const Lines today = DesignLines(d);
    for (const char* label : {"Lines", "Lines Per Subckt", "Lines Per Passive", "Lines Per Ground", "Lines Per Wire",
                              "Lines Per Text", "Lines Per Driver"}) {
        SCOPED_TRACE(label);
        const Lines later = Resize(today, label, LinesPerElement(today, label) + 3);
        ReadBack back(later);
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(DesignLines(back.d), today);
    }
}

TEST(ElementLayouts, ElementsOfEarlierShorterLayoutsTakeTheirDefaults) {
    TDesign d;
    FillDesign(d);
    const Lines today = DesignLines(d);
    struct Case {
        const char* label;
        int size;
        std::function<void(const TDesign&)> check;
    };
    const Case cases[] = {
        {"Lines", 5,
         [](const TDesign& b) {
             EXPECT_DOUBLE_EQ(b.Source.Vrms, std::sqrt(8.0));
             EXPECT_DOUBLE_EQ(b.Source.Power, 1);  // Vrms^2 into 8 ohms
             EXPECT_EQ(b.Source.Ohms, 8);
         }},
        {"Lines Per Subckt", 21,
         [](const TDesign& b) { EXPECT_EQ(b.Blocks[0]->VarStepMode, (std::array<std::uint8_t, 6>{})); }},
        {"Lines Per Passive", 11,
         [](const TDesign& b) {
             EXPECT_EQ(b.Parts[0]->Subckt, -1);
             EXPECT_EQ(b.Parts[0]->Equation1, "");
             EXPECT_FALSE(b.Parts[1]->IsHighSpec);
             EXPECT_EQ(b.Parts[1]->SpecTolerance, 0.05);
             EXPECT_EQ(b.Parts[1]->SearchTolerance, 0.05);
             EXPECT_EQ(b.Parts[1]->ESRSearchTolerance, 0.1);
             EXPECT_EQ(b.Parts[1]->ChosenTolerance, -1);
             EXPECT_EQ(b.Parts[1]->Vendor, "");
             EXPECT_EQ(b.Parts[1]->BoundValue, 8.2);
         }},
        {"Lines Per Passive", 14,
         [](const TDesign& b) {
             EXPECT_EQ(b.Parts[0]->Subckt, 0);
             EXPECT_EQ(b.Parts[0]->Equation1, "C0");
             EXPECT_EQ(b.Parts[1]->SpecTolerance, 0.05);
             EXPECT_EQ(b.Parts[1]->ChosenTolerance, -1);
         }},
        {"Lines Per Passive", 18,
         [](const TDesign& b) {
             EXPECT_TRUE(b.Parts[1]->IsHighSpec);
             EXPECT_EQ(b.Parts[1]->ESRSearchTolerance, 0.2);
             EXPECT_EQ(b.Parts[1]->ChosenTolerance, -1);
             EXPECT_EQ(b.Parts[1]->Vendor, "");
         }},
        {"Lines Per Ground", 2, [](const TDesign& b) { EXPECT_EQ(b.Grounds[0]->Subckt, -1); }},
        {"Lines Per Wire", 4, [](const TDesign& b) { EXPECT_EQ(b.Wires[0]->Subckt, -1); }},
        {"Lines Per Text", 5, [](const TDesign& b) { EXPECT_EQ(b.Texts[0]->Subckt, -1); }},
        {"Lines Per Driver", 19,
         [](const TDesign& b) {
             const TDriver& drv = *b.Drivers[0];
             EXPECT_FALSE(drv.Acoustic.HilbertPhase);
             EXPECT_EQ(drv.Acoustic.Tails.LowFreq, 100);
             EXPECT_EQ(drv.Acoustic.Tails.HighFreq, 16000);
             EXPECT_EQ(drv.Acoustic.Tails.LowSlope, 24);
             EXPECT_EQ(drv.Acoustic.Tails.HighSlope, 36);
             EXPECT_FALSE(drv.Acoustic.Tails.Invert);
             EXPECT_EQ(drv.Acoustic.Tails.DelayInches, 0);
             EXPECT_EQ(b.Drivers[1]->Name, "Tweeter");
         }},
        {"Lines Per Driver", 26,
         [](const TDesign& b) {
             const TDriver& drv = *b.Drivers[0];
             EXPECT_TRUE(drv.Acoustic.Tails.Invert);
             EXPECT_EQ(drv.Acoustic.Tails.DelayInches, 1.5);
             EXPECT_EQ(drv.Vendor, "");
             EXPECT_EQ(drv.NominalDia, 0);
             EXPECT_EQ(b.Drivers[1]->Name, "Tweeter");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " " + std::to_string(c.size));
        ReadBack back(Resize(today, c.label, c.size));
        ASSERT_TRUE(back.ok);
        c.check(back.d);
        // Every other section reads as written.
        EXPECT_EQ(back.d.Parts.size(), 2u);
        EXPECT_EQ(back.d.Drivers.size(), 2u);
        EXPECT_EQ(back.d.Texts[0]->Text, "label");
    }
}

// Each of a driver's numbers on its own line, in its own field: a distinct
// value per field shows a line wired to the wrong one.
TEST(ElementLayouts, EveryDriverNumberHasALineOfItsOwn) {
    using F = double& (*)(TDriver&);
    const struct {
        const char* line;
        F field;
    } cases[] = {
        {"  0.25 //Delay", [](TDriver& v) -> double& { return v.DelaySeconds; }},
        {"  1.5 //Xoffs", [](TDriver& v) -> double& { return v.Acoustic.XOffsetInches; }},
        {"  -2.5 //Yoffs", [](TDriver& v) -> double& { return v.Acoustic.YOffsetInches; }},
        {"  3.5 //Zoffs", [](TDriver& v) -> double& { return v.Acoustic.ZOffsetInches; }},
        {"  15 //Htilt", [](TDriver& v) -> double& { return v.Acoustic.HTiltDegrees; }},
        {"  -7.5 //Vtilt", [](TDriver& v) -> double& { return v.Acoustic.VTiltDegrees; }},
        {"  6.25 //dia", [](TDriver& v) -> double& { return v.Acoustic.DiameterInches; }},
        {"  55 //Lower Hilbert extrapolation frequency",
         [](TDriver& v) -> double& { return v.Acoustic.Tails.LowFreq; }},
        {"  17000 //Upper Hilbert extrapolation frequency",
         [](TDriver& v) -> double& { return v.Acoustic.Tails.HighFreq; }},
        {"  18 //Lower Extrapolation slope", [](TDriver& v) -> double& { return v.Acoustic.Tails.LowSlope; }},
        {"  30 //Upper Extrapolation slope", [](TDriver& v) -> double& { return v.Acoustic.Tails.HighSlope; }},
        {"  2.75 //Hilbert Delay to add", [](TDriver& v) -> double& { return v.Acoustic.Tails.DelayInches; }},
        {"  8  //Nominal Dia.", [](TDriver& v) -> double& { return v.NominalDia; }},
    };
    TDesign d;
    TDriver& drv = AddDriver(d, {100, 40});
    for (const auto& c : cases) c.field(drv) = LineReal(c.line);
    const Lines lines = DesignLines(d);
    ReadBack back(lines);
    ASSERT_TRUE(back.ok);
    for (const auto& c : cases) {
        EXPECT_EQ(std::count(lines.begin(), lines.end(), c.line), 1) << c.line;
        EXPECT_EQ(c.field(*back.d.Drivers[0]), LineReal(c.line)) << c.line;
    }
}

TEST(ElementLayouts, BlockFileMembersOfALaterLongerLayoutReadAsToday) {
    TDesign d;
    FillDesign(d);
    const Lines today = BuildBlockFileLines(d, *d.Blocks[0], {50, 30});
    TCircuitBlock now;
    ASSERT_TRUE(ReadBlockLines(d, today, now, 2));
    for (const char* label : {"Lines Per Passive", "Lines Per Ground", "Lines Per Wire", "Lines Per Text"}) {
        SCOPED_TRACE(label);
        TCircuitBlock later;
        ASSERT_TRUE(ReadBlockLines(d, Resize(today, label, LinesPerElement(today, label) + 2), later, 2));
        ASSERT_EQ(later.Parts.size(), 2u);
        for (std::size_t k = 0; k < 2; ++k) {
            const TPart &a = *now.Parts[k], &b = *later.Parts[k];
            EXPECT_EQ(a.PartType, b.PartType);
            EXPECT_EQ(a.Value, b.Value);
            EXPECT_EQ(a.PartNumber, b.PartNumber);
            EXPECT_EQ(a.Position, b.Position);
            EXPECT_EQ(a.Equation1, b.Equation1);
            EXPECT_EQ(b.Subckt, 2);
        }
        EXPECT_EQ(later.Grounds[0]->Position, now.Grounds[0]->Position);
        EXPECT_EQ(later.Wires[0]->End2, now.Wires[0]->End2);
        EXPECT_EQ(later.Texts[0]->Text, "label");
        EXPECT_EQ(later.Texts[0]->Color, now.Texts[0]->Color);
    }
}

}  // namespace
