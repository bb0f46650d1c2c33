#include <dirent.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "TestSupport.h"
#include "base/Conversions.h"
#include "base/TextFile.h"
#include "driverdata/DriverLoad.h"
#include "files/DesignFile.h"
#include "model/Design.h"
#include "model/StepModes.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& path) {
    auto l = ReadTextLines(path);
    return l ? *l : std::vector<std::string>{};
}

// A small response or impedance file with a level that depends on `seed`.
std::string MeasurementText(double seed, bool impedance) {
    std::string t = "* made for a test\r\n";
    for (double f = 20; f < 25000; f *= 1.4) {
        const double v = impedance ? 6 + seed + std::sin(f / 500) : 80 + seed + 3 * std::sin(f / 900);
        char buf[80];
        std::snprintf(buf, sizeof buf, "%.3f\t%.4f\t%.2f\r\n", f, v, -20 + seed * std::cos(f / 1000));
        t += buf;
    }
    return t;
}

TEST(DesignFile, AnEmptyDesignWritesTwentyThreeLines) {
    TempFolder tmp;
    TDesign d;
    RecordingMessageSink sink;
    ASSERT_TRUE(WriteDesign(d, tmp.Path() + "empty.bkt", sink));
    EXPECT_EQ(ReadWholeFile(tmp.Path() + "empty.bkt"),
              "1 //VoltageSource\r\n7 //Lines\r\n  2.82842712474619 //Vrms\r\n  F //Inverted\r\n"
              "  118 //position X\r\n  64 //position Y\r\n  0 //overall delay\r\n  1 //Power\r\n"
              "  8 //Ohms for Power level\r\n0 //Subckts\r\n27 //Lines Per Subckt\r\n0 //Passives\r\n"
              "20 //Lines Per Passive\r\n0 //Grounds\r\n3 //Lines Per Ground\r\n0 //Wires\r\n"
              "5 //Lines Per Wire\r\n0 //Texts\r\n6 //Lines Per Text\r\n0 //Drivers\r\n"
              "33 //Lines Per Driver\r\n1 //Setup\r\n0 //Lines\r\n");
    EXPECT_TRUE(sink.Messages.empty());
}

TEST(DesignFile, WritesEveryElementLineForLine) {
    TempFolder tmp;
    TDesign d;
    TCircuitBlock& b = AppendBlock(d);
    b.Title = "Notch";
    b.VarExpression = {"F0*2", ""};
    b.VarName[0] = "F0";
    b.VarValue[0] = 1500;
    b.VarDesc[0] = "centre";
    b.VarStepMode = {smLog, sm12345, smLog, smLog, smLog, smReal};
    TPart& c = AddPart(d, TPartType::Capacitor, {40, 20}, false);
    c.Subckt = 0;
    c.BoundValue = 2.2e-6;
    c.BoundESR = 0.1;
    c.Equation1 = "  1/(F0*6.28) ";
    c.Equation2 = "";
    TPart& r = AddPart(d, TPartType::Resistor, {50, 20}, true);
    r.Value = 4.7;
    r.PartNumber = "R-47";
    r.BoundValue = 4.75;
    r.BoundESR = -1;
    r.Vendor = "Acme";
    r.ChosenTolerance = 0.01;
    AddGround(d, {60, 30});
    AddWire(d, {1, 2}, {1, 9});
    TSheetText& t = AddText(d, {30, 40}, "  Woofer // crossover");
    TDriver& drv = AddDriver(d, {80, 20});
    drv.Name = "W1";
    drv.Gain = 0.5;
    drv.DelaySeconds = 1e-5;
    drv.Vendor = "V";
    drv.Description = "desc";
    drv.Acoustic.FRDFile = tmp.Path() + "gone.frd";  // missing: named, not embedded
    RecordingMessageSink sink;
    std::vector<std::string> lines;
    ASSERT_TRUE(BuildDesignLines(d, lines, sink));
    const std::vector<std::string> block = {
        "1 //Subckts",
        "27 //Lines Per Subckt",
        "  Notch //Title subckt#0",
        "F0*2",
        "",
        "F0 //Var Name 0",
        "  1500 //Var Val0",
        "centre",
        " //Var Name 1",
        "  0 //Var Val1",
        "",
        " //Var Name 2",
        "  0 //Var Val2",
        "",
        " //Var Name 3",
        "  0 //Var Val3",
        "",
        " //Var Name 4",
        "  0 //Var Val4",
        "",
        " //Var Name 5",
        "  0 //Var Val5",
        "",
        "  0 //stepmode 0",
        "  1 //stepmode 1",
        "  0 //stepmode 2",
        "  0 //stepmode 3",
        "  0 //stepmode 4",
        "  1 //stepmode 5",
    };
    const std::vector<std::string> passives = {
        "2 //Passives",
        "20 //Lines Per Passive",
        " 1 //PartType",
        " 1 //RefDes",
        "   //Part#",
        "  2.2E-6 //Value",
        "  0.1 //ESR",
        "  250 //Rating",
        "  40 //position X",
        "  20 //position Y",
        "  F  //Is Horizontal",
        "  1 //StepMode",
        "  1 //0short/1val/2open",
        "  0 //Subckt#,-1 if none",
        "1/(F0*6.28)",
        "",
        "  F  //Is HighSpec",
        "  0 //Specd component manuf tolerance",
        "  0 //Search tolerance for nom values",
        "  0 //ESR tolerance for search",
        "  -1 //Tolerance of chosen part tol",
        "   //vendor of part number",
        " 0 //PartType",
        " 1 //RefDes",
        "  R-47 //Part#",
        "  4.75 //Value",
        "  -1 //ESR",
        "  10 //Rating",
        "  50 //position X",
        "  20 //position Y",
        "  T  //Is Horizontal",
        "  1 //StepMode",
        "  1 //0short/1val/2open",
        "  -1 //Subckt#,-1 if none",
        "  //No Subckt equation1",
        "  //No Subckt equation2",
        "  F  //Is HighSpec",
        "  0 //Specd component manuf tolerance",
        "  0 //Search tolerance for nom values",
        "  0 //ESR tolerance for search",
        "  0.01 //Tolerance of chosen part tol",
        "  Acme //vendor of part number",
    };
    const std::vector<std::string> rest = {
        "1 //Grounds",
        "3 //Lines Per Ground",
        " 60 //position X",
        "  30 //position Y",
        "  -1 //Subckt#,-1 if none",
        "1 //Wires",
        "5 //Lines Per Wire",
        " 1 //End1 X",
        "  2 //End1 Y",
        "  1 //End2 X",
        "  9 //End2 Y",
        "  -1 //Subckt#,-1 if none",
        "1 //Texts",
        "6 //Lines Per Text",
        "  Woofer // crossover",
        "  30 //position X",
        "  40 //position Y",
        "  8 //Size",
        "  8388608 //color",
        "  -1 //Subckt#,-1 if none",
        "1 //Drivers",
        "33 //Lines Per Driver",
        "!Driver 0",
        "  1 //RefDes",
        "  W1 //Name",
        "   //PartNumber",
        "  80 //position X",
        "  20 //position Y",
        "  F //Inverted",
        "  F //Muted",
        "  10 //Rating",
        "  -6.02059991329 //dBGain",  // ln x 0.434294481904, as the file has always had it
        "  1E-5 //Delay",
        "  0 //Xoffs",
        "  0 //Yoffs",
        "  0 //Zoffs",
        "  0 //Htilt",
        "  0 //Vtilt",
        "  0 //dia",
        "  gone.frd //FRD filename",
        "   //ZMA filename",
        "  F //Phase from Hilbert transform",
        "  100 //Lower Hilbert extrapolation frequency",
        "  20000 //Upper Hilbert extrapolation frequency",
        "  12 //Lower Extrapolation slope",
        "  12 //Upper Extrapolation slope",
        "  F //Invert Hilbert phase if used",
        "  0 //Hilbert Delay to add",
        "  F //get acoust info from a model",
        "   //ACOUstic FRD filename",
        "  V //Vendor name",
        "  6.5  //Nominal Dia.",
        "  0  //rectang. Ht",
        "  0  //rectang. Wt",
        "  desc //",
        "1 //Setup",
        "0 //Lines",
    };
    std::vector<std::string> expected(lines.begin(), lines.begin() + 9);  // the source, checked above
    for (const auto* part : {&block, &passives, &rest}) expected.insert(expected.end(), part->begin(), part->end());
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t k = 0; k < lines.size(); ++k) EXPECT_EQ(lines[k], expected[k]) << "line " << k;
    (void)t;
}

// A design with every element kind and drivers carrying measurement files.
struct RichDesign {
    TempFolder tmp;
    std::string src;  // where the measurement files live
    TDesign d;

    RichDesign() {
        src = tmp.Path() + "measurements/";
        fs::create_directories(src);
        WriteWholeFile(src + "woofer.frd", MeasurementText(0, false));
        WriteWholeFile(src + "woofer@30.frd", MeasurementText(1, false));
        WriteWholeFile(src + "Woofer@60.FRD", MeasurementText(2, false));
        WriteWholeFile(src + "woofer_old.frd", MeasurementText(3, false));
        WriteWholeFile(src + "woofer.zma", MeasurementText(0, true));
        WriteWholeFile(src + "tweeter.frd", MeasurementText(4, false));
        WriteWholeFile(src + "baffle.frd", MeasurementText(-80, false));

        d.Source.Inverted = true;
        d.Source.Power = 2;
        d.Source.Ohms = 4;
        d.Source.Vrms = std::sqrt(8.0);
        SetSourcePosition(d, d.Source, {20, 30});
        d.OverallDelay = 2.5e-4;

        for (int k = 0; k < 2; ++k) {
            TCircuitBlock& b = AppendBlock(d);
            b.Title = k ? "Zobel" : "Notch filter";
            b.VarExpression = {"1/(2*pi*F0)", k ? "Q*2" : ""};
            for (int v = 0; v < BlockVarCount; ++v) {
                b.VarName[v] = v < 3 ? "V" + std::to_string(v) : "";
                b.VarValue[v] = 1.5 * v + k;
                b.VarDesc[v] = v == 1 ? "  a hint // with slashes" : "";
                b.VarStepMode[v] = v % 2 ? sm12345 : smLog;
            }
        }
        TPart& c = AddPart(d, TPartType::Capacitor, {40, 20}, true);
        c.Subckt = 0;
        c.BoundValue = 3.3e-6;
        c.BoundESR = 0.02;
        c.Equation1 = "V0*1E-6";
        c.Equation2 = "0.02";
        TPart& l = AddPart(d, TPartType::Inductor, {40, 30}, false);
        l.Subckt = 1;
        l.BoundValue = 0.0012;
        l.BoundESR = 0.3;
        l.Equation1 = "V1/1000";
        TPart& r = AddPart(d, TPartType::Resistor, {50, 30}, true);
        r.PartNumber = "MOX-8R2";
        r.Vendor = "Acme";
        r.Value = 8;
        r.BoundValue = 8.2;
        r.BoundESR = -1;
        r.ChosenTolerance = 0.05;
        r.IsHighSpec = true;
        r.SpecTolerance = 0.02;
        r.SearchTolerance = 0.03;
        r.ESRSearchTolerance = 0.2;
        r.State = TPartState::Open;
        r.StepMode = smmPC10;
        TPart& free = AddPart(d, TPartType::Resistor, {60, 30}, false);
        free.Value = 5.6;
        free.Equation1 = "ignored while free";

        AddGround(d, {70, 40}).Subckt = 0;
        AddGround(d, {72, 40});
        AddWire(d, {10, 10}, {10, 20}).Subckt = 1;
        AddWire(d, {10, 20}, {30, 20});
        AddText(d, {5, 5}, "  leading blanks // and slashes");
        AddText(d, {6, 6}, "caf\u00E9 20\u00B0").Subckt = 0;
        d.Texts.back()->Size = 12;
        d.Texts.back()->Color = 255;
        UpdateTextRect(d, *d.Texts.back());

        TDriver& w = AddDriver(d, {100, 40});
        w.Acoustic.FRDFile = src + "woofer.frd";
        w.ZMAFile = src + "woofer.zma";
        w.Acoustic.AcousticFile = src + "baffle.frd";
        w.Acoustic.UseAcousticModel = true;
        w.Name = "Woofer";
        w.PartNumber = "W-8";
        w.Vendor = "Seas";
        w.NominalDia = 8;
        w.RectHeight = 0;
        w.RectWidth = 0;
        w.Description = "8 inch woofer";
        w.Gain = 0.7;
        w.DelaySeconds = 1e-4;
        w.Inverted = true;
        w.Rating = 80;
        w.Acoustic.Tails.LowFreq = 50;
        w.Acoustic.Tails.HighFreq = 12000;
        w.Acoustic.Tails.LowSlope = 18;
        w.Acoustic.Tails.HighSlope = 30;
        w.Acoustic.Tails.Invert = true;
        w.Acoustic.Tails.DelayInches = 1.5;
        w.Acoustic.XOffsetInches = 1;
        w.Acoustic.YOffsetInches = 2;
        w.Acoustic.ZOffsetInches = 3;
        w.Acoustic.HTiltDegrees = 4;
        w.Acoustic.VTiltDegrees = 5;
        w.Acoustic.DiameterInches = 6;
        TDriver& t = AddDriver(d, {100, 60});
        t.Acoustic.FRDFile = src + "tweeter.frd";
        t.ZMAFile = src + "woofer.zma";  // shared: embedded once
        t.Muted = true;
        t.RectHeight = 3;
        t.RectWidth = 4;
        TDriver& none = AddDriver(d, {100, 80});
        none.Name = "no data";
    }
};

void ExpectSameDesign(const TDesign& a, const TDesign& b, bool sameFileNames = true) {
    EXPECT_EQ(a.Source.Inverted, b.Source.Inverted);
    EXPECT_EQ(a.Source.Position, b.Source.Position);
    EXPECT_EQ(a.Source.Terminal1, b.Source.Terminal1);
    EXPECT_EQ(a.Source.Power, b.Source.Power);
    EXPECT_EQ(a.Source.Ohms, b.Source.Ohms);
    EXPECT_DOUBLE_EQ(a.Source.Vrms, b.Source.Vrms);
    EXPECT_EQ(a.OverallDelay, b.OverallDelay);

    ASSERT_EQ(a.Blocks.size(), b.Blocks.size());
    for (std::size_t i = 0; i < a.Blocks.size(); ++i) {
        const TCircuitBlock &x = *a.Blocks[i], &y = *b.Blocks[i];
        EXPECT_EQ(x.Title, y.Title);
        EXPECT_EQ(x.VarExpression, y.VarExpression);
        EXPECT_EQ(x.VarName, y.VarName);
        EXPECT_EQ(x.VarValue, y.VarValue);
        EXPECT_EQ(x.VarDesc, y.VarDesc);
        EXPECT_EQ(x.VarStepMode, y.VarStepMode);
        EXPECT_EQ(x.Center, y.Center);
        EXPECT_EQ(x.BoundsRect, y.BoundsRect);
        ASSERT_EQ(x.Parts.size(), y.Parts.size());
        EXPECT_EQ(x.Wires.size(), y.Wires.size());
        EXPECT_EQ(x.Grounds.size(), y.Grounds.size());
        EXPECT_EQ(x.Texts.size(), y.Texts.size());
        for (std::size_t k = 0; k < x.Parts.size(); ++k) EXPECT_EQ(x.Parts[k]->RefDes, y.Parts[k]->RefDes);
    }
    ASSERT_EQ(a.Parts.size(), b.Parts.size());
    for (std::size_t i = 0; i < a.Parts.size(); ++i) {
        const TPart &x = *a.Parts[i], &y = *b.Parts[i];
        SCOPED_TRACE("part " + std::to_string(i));
        EXPECT_EQ(x.PartType, y.PartType);
        EXPECT_EQ(x.RefDes, y.RefDes);
        EXPECT_EQ(x.PartNumber, y.PartNumber);
        EXPECT_EQ(PartValue(x), PartValue(y));
        EXPECT_EQ(PartESR(x), PartESR(y));
        EXPECT_EQ(x.Rating, y.Rating);
        EXPECT_EQ(x.Position, y.Position);
        EXPECT_EQ(x.IsHorizontal, y.IsHorizontal);
        EXPECT_EQ(x.Terminal1, y.Terminal1);
        EXPECT_EQ(x.Terminal2, y.Terminal2);
        EXPECT_EQ(x.BodyRect, y.BodyRect);
        EXPECT_EQ(x.StepMode, y.StepMode);
        EXPECT_EQ(x.State, y.State);
        EXPECT_EQ(x.Subckt, y.Subckt);
        EXPECT_EQ(x.Subckt >= 0 ? x.Equation1 : "", y.Equation1);
        EXPECT_EQ(x.Subckt >= 0 ? x.Equation2 : "", y.Equation2);
        EXPECT_EQ(x.IsHighSpec, y.IsHighSpec);
        EXPECT_EQ(x.SpecTolerance, y.SpecTolerance);
        EXPECT_EQ(x.SearchTolerance, y.SearchTolerance);
        EXPECT_EQ(x.ESRSearchTolerance, y.ESRSearchTolerance);
        EXPECT_EQ(x.ChosenTolerance, y.ChosenTolerance);
        EXPECT_EQ(x.Vendor, y.Vendor);
    }
    ASSERT_EQ(a.Grounds.size(), b.Grounds.size());
    for (std::size_t i = 0; i < a.Grounds.size(); ++i) {
        EXPECT_EQ(a.Grounds[i]->Position, b.Grounds[i]->Position);
        EXPECT_EQ(a.Grounds[i]->BodyRect, b.Grounds[i]->BodyRect);
        EXPECT_EQ(a.Grounds[i]->Subckt, b.Grounds[i]->Subckt);
    }
    ASSERT_EQ(a.Wires.size(), b.Wires.size());
    for (std::size_t i = 0; i < a.Wires.size(); ++i) {
        EXPECT_EQ(a.Wires[i]->End1, b.Wires[i]->End1);
        EXPECT_EQ(a.Wires[i]->End2, b.Wires[i]->End2);
        EXPECT_EQ(a.Wires[i]->Subckt, b.Wires[i]->Subckt);
    }
    ASSERT_EQ(a.Texts.size(), b.Texts.size());
    for (std::size_t i = 0; i < a.Texts.size(); ++i) {
        EXPECT_EQ(a.Texts[i]->Text, b.Texts[i]->Text);
        EXPECT_EQ(a.Texts[i]->Position, b.Texts[i]->Position);
        EXPECT_EQ(a.Texts[i]->Size, b.Texts[i]->Size);
        EXPECT_EQ(a.Texts[i]->Color, b.Texts[i]->Color);
        EXPECT_EQ(a.Texts[i]->Subckt, b.Texts[i]->Subckt);
        EXPECT_EQ(a.Texts[i]->TextRect, b.Texts[i]->TextRect);
    }
    ASSERT_EQ(a.Drivers.size(), b.Drivers.size());
    for (std::size_t i = 0; i < a.Drivers.size(); ++i) {
        const TDriver &x = *a.Drivers[i], &y = *b.Drivers[i];
        SCOPED_TRACE("driver " + std::to_string(i));
        EXPECT_EQ(x.RefDes, y.RefDes);
        EXPECT_EQ(x.Name, y.Name);
        EXPECT_EQ(x.PartNumber, y.PartNumber);
        EXPECT_EQ(x.Position, y.Position);
        EXPECT_EQ(x.Terminal1, y.Terminal1);
        EXPECT_EQ(x.Inverted, y.Inverted);
        EXPECT_EQ(x.Muted, y.Muted);
        EXPECT_EQ(x.Rating, y.Rating);
        EXPECT_NEAR(x.Gain, y.Gain, 1e-11 * x.Gain);
        EXPECT_EQ(x.DelaySeconds, y.DelaySeconds);
        EXPECT_EQ(x.Acoustic.XOffsetInches, y.Acoustic.XOffsetInches);
        EXPECT_EQ(x.Acoustic.YOffsetInches, y.Acoustic.YOffsetInches);
        EXPECT_EQ(x.Acoustic.ZOffsetInches, y.Acoustic.ZOffsetInches);
        EXPECT_EQ(x.Acoustic.HTiltDegrees, y.Acoustic.HTiltDegrees);
        EXPECT_EQ(x.Acoustic.VTiltDegrees, y.Acoustic.VTiltDegrees);
        EXPECT_EQ(x.Acoustic.DiameterInches, y.Acoustic.DiameterInches);
        EXPECT_EQ(x.Acoustic.HilbertPhase, y.Acoustic.HilbertPhase);
        EXPECT_EQ(x.Acoustic.Tails.LowFreq, y.Acoustic.Tails.LowFreq);
        EXPECT_EQ(x.Acoustic.Tails.HighFreq, y.Acoustic.Tails.HighFreq);
        EXPECT_EQ(x.Acoustic.Tails.LowSlope, y.Acoustic.Tails.LowSlope);
        EXPECT_EQ(x.Acoustic.Tails.HighSlope, y.Acoustic.Tails.HighSlope);
        EXPECT_EQ(x.Acoustic.Tails.Invert, y.Acoustic.Tails.Invert);
        EXPECT_EQ(x.Acoustic.Tails.DelayInches, y.Acoustic.Tails.DelayInches);
        EXPECT_EQ(x.Vendor, y.Vendor);
        EXPECT_EQ(x.NominalDia, y.NominalDia);
        EXPECT_EQ(x.RectHeight, y.RectHeight);
        EXPECT_EQ(x.RectWidth, y.RectWidth);
        EXPECT_EQ(x.Description, y.Description);
        if (sameFileNames) {
            EXPECT_EQ(fs::path(x.Acoustic.FRDFile).filename(), fs::path(y.Acoustic.FRDFile).filename());
            EXPECT_EQ(fs::path(x.ZMAFile).filename(), fs::path(y.ZMAFile).filename());
        }
        EXPECT_EQ(x.Acoustic.Response, y.Acoustic.Response);
        EXPECT_EQ(x.Admittance, y.Admittance);
        EXPECT_EQ(x.Acoustic.AcousticEffect, y.Acoustic.AcousticEffect);
    }
}

// Loads every driver's files directly, as the driver dialog would.
void LoadDirectly(TDesign& d) {
    RecordingMessageSink sink;
    for (auto& drv : d.Drivers) {
        if (!drv->Acoustic.FRDFile.empty()) {
            ASSERT_TRUE(LoadDriverResponse(d, *drv, drv->Acoustic.FRDFile, sink));
        }
        if (!drv->ZMAFile.empty()) {
            ASSERT_TRUE(LoadDriverImpedance(d, *drv, drv->ZMAFile, sink));
        }
        if (!drv->Acoustic.AcousticFile.empty()) {
            ASSERT_TRUE(LoadAcousticEffect(*drv, drv->Acoustic.AcousticFile, sink));
        }
        drv->Acoustic.HilbertPhase = false;
    }
}

TEST(DesignFile, RoundTripKeepsEveryElementAndTheDriverData) {
    RichDesign rich;
    TDesign& d = rich.d;
    LoadDirectly(d);
    d.Drivers[0]->Acoustic.Tails.LowFreq = 50;  // the loads above must not have changed the settings
    RebuildBlockMembers(d);

    const std::string path = rich.tmp.Path() + "designs/Two Way.bkt";
    fs::create_directories(rich.tmp.Path() + "designs");
    RecordingMessageSink sink;
    ASSERT_TRUE(WriteDesign(d, path, sink));
    EXPECT_TRUE(sink.Messages.empty());

    // Three response blocks for the woofer (itself, then its "@" files in name
    // order, not woofer_old), the ZMA once, the acoustic file once.
    const auto lines = Lines(path);
    std::vector<std::string> heads;
    for (const auto& l : lines)
        if (l.rfind("**", 0) == 0 && l.rfind("**END", 0) != 0) heads.push_back(l);
    EXPECT_EQ(heads,
              (std::vector<std::string>{"**ACOU Data for driver 0", "**FRD 1 for driver 0", "**FRD 2 for driver 0",
                                        "**FRD 3 for driver 0", "**ZMA Data for driver 0", "**FRD 1 for driver 1"}));
    const auto name = [&](const char* head) {
        const auto it = std::find(lines.begin(), lines.end(), head);
        return it + 1 == lines.end() ? std::string() : *(it + 1);
    };
    EXPECT_EQ(name("**FRD 1 for driver 0"), "woofer.frd //frd filename");
    EXPECT_EQ(name("**FRD 2 for driver 0"), "Woofer@60.FRD //frd filename");
    EXPECT_EQ(name("**FRD 3 for driver 0"), "woofer@30.frd //frd filename");
    EXPECT_TRUE(d.Drivers[0]->Acoustic.FRDFolder.empty());

    const std::string support = SupportFolderFor(path);
    EXPECT_EQ(support, rich.tmp.Path() + "designs/!FRD&ZMA/Data!Two Way/");
    ASSERT_TRUE(fs::create_directories(support));
    TDesign back;
    ASSERT_TRUE(ReadDesign(back, path, sink));
    EXPECT_TRUE(sink.Messages.empty()) << sink.Messages.front();
    ExpectSameDesign(d, back);
    EXPECT_EQ(back.Drivers[0]->Acoustic.FRDFile, support + "woofer.frd");
    EXPECT_EQ(back.Drivers[1]->ZMAFile, support + "woofer.zma");
    EXPECT_TRUE(back.Drivers[2]->Acoustic.FRDFile.empty());
    // The acoustic file loaded, so the flag is cleared.
    EXPECT_FALSE(back.Drivers[0]->Acoustic.UseAcousticModel);
    EXPECT_EQ(back.Drivers[0]->Acoustic.AcousticFile, support + "baffle.frd");
    // Every embedded file came out byte for byte the same lines.
    for (const char* f : {"woofer.frd", "woofer@30.frd", "Woofer@60.FRD", "woofer.zma", "tweeter.frd", "baffle.frd"})
        EXPECT_EQ(Lines(support + f), Lines(rich.src + f)) << f;
    EXPECT_FALSE(fs::exists(support + "woofer_old.frd"));

    // Saved again from the support folder, the file is the same.
    const std::string again = rich.tmp.Path() + "designs/again.bkt";
    ASSERT_TRUE(WriteDesign(back, again, sink));
    auto l2 = Lines(again);
    ASSERT_EQ(l2.size(), lines.size());
    // Only the gain (its dB constant is not exactly log10(e)) and the acoustic
    // flag (cleared by a successful load) may differ.
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (lines[k].find("//dBGain") != std::string::npos) continue;
        if (lines[k].find("//get acoust info") != std::string::npos) continue;
        EXPECT_EQ(l2[k], lines[k]) << k;
    }
}

TEST(DesignFile, SameNamedFilesFromTwoFoldersDoNotOverwriteEachOther) {
    TempFolder tmp;
    fs::create_directories(tmp.Path() + "a");
    fs::create_directories(tmp.Path() + "b");
    WriteWholeFile(tmp.Path() + "a/driver.frd", MeasurementText(0, false));
    WriteWholeFile(tmp.Path() + "a/driver@45.frd", MeasurementText(5, false));
    WriteWholeFile(tmp.Path() + "b/DRIVER.frd", MeasurementText(9, false));
    WriteWholeFile(tmp.Path() + "b/DRIVER@45.frd", MeasurementText(7, false));
    WriteWholeFile(tmp.Path() + "a/z.zma", MeasurementText(0, true));
    WriteWholeFile(tmp.Path() + "b/z.zma", MeasurementText(3, true));
    TDesign d;
    TDriver& one = AddDriver(d, {10, 10});
    one.Acoustic.FRDFile = tmp.Path() + "a/driver.frd";
    one.ZMAFile = tmp.Path() + "a/z.zma";
    TDriver& two = AddDriver(d, {10, 20});
    two.Acoustic.FRDFile = tmp.Path() + "b/DRIVER.frd";
    two.ZMAFile = tmp.Path() + "b/z.zma";
    LoadDirectly(d);
    RecordingMessageSink sink;
    const std::string path = tmp.Path() + "d.bkt";
    ASSERT_TRUE(WriteDesign(d, path, sink));
    fs::create_directories(SupportFolderFor(path));
    TDesign back;
    ASSERT_TRUE(ReadDesign(back, path, sink));
    EXPECT_EQ(fs::path(back.Drivers[1]->Acoustic.FRDFile).filename(), "DRIVER~2.frd");
    EXPECT_EQ(fs::path(back.Drivers[1]->ZMAFile).filename(), "z~2.zma");
    EXPECT_EQ(Lines(SupportFolderFor(path) + "DRIVER~2@45.frd"), Lines(tmp.Path() + "b/DRIVER@45.frd"));
    EXPECT_EQ(Lines(SupportFolderFor(path) + "driver@45.frd"), Lines(tmp.Path() + "a/driver@45.frd"));
    ExpectSameDesign(d, back, false);

    // Read and saved once more: still two different drivers.
    const std::string again = tmp.Path() + "e.bkt";
    ASSERT_TRUE(WriteDesign(back, again, sink));
    fs::create_directories(SupportFolderFor(again));
    TDesign third;
    ASSERT_TRUE(ReadDesign(third, again, sink));
    ExpectSameDesign(d, third, false);
    EXPECT_TRUE(sink.Messages.empty());
}

TEST(DesignFile, EmbeddedBlockEndLinesInsideAFileStayComments) {
    TempFolder tmp;
    WriteWholeFile(tmp.Path() + "odd.frd", "**END of header\r\n" + MeasurementText(0, false));
    TDesign d;
    AddDriver(d, {10, 10}).Acoustic.FRDFile = tmp.Path() + "odd.frd";
    AddDriver(d, {10, 20});
    LoadDirectly(d);
    RecordingMessageSink sink;
    const std::string path = tmp.Path() + "d.bkt";
    ASSERT_TRUE(WriteDesign(d, path, sink));
    fs::create_directories(SupportFolderFor(path));
    TDesign back;
    ASSERT_TRUE(ReadDesign(back, path, sink));
    ExpectSameDesign(d, back);
}

TEST(DesignFile, ReadsOlderShorterLayoutsWithTheirDefaults) {
    TempFolder tmp;
    WriteWholeFile(tmp.Path() + "w.frd", MeasurementText(0, false));
    std::vector<std::string> old = {
        "1 //VoltageSource", "5 //Lines", "  4 //Vrms", "  T //Inverted", "  100 //position X", "  50 //position Y",
        "  0.001 //overall delay",
        // no block section: the passives come next, 11 lines each
        "1 //Passives", "11 //Lines Per Passive", " 1 //PartType", " 3 //RefDes", "   //Part#", "  1E-5 //Value",
        "  0.00001 //ESR", "  100 //Rating", "  10 //position X", "  12 //position Y", "  T  //Is Horizontal",
        "  2 //StepMode", "  1 //0short/1val/2open",
        // grounds and wires without block index
        "1 //Grounds", "2 //Lines Per Ground", " 5 //position X", "  6 //position Y", "1 //Wires", "4 //Lines Per Wire",
        " 1 //End1 X", "  1 //End1 Y", "  1 //End2 X", "  4 //End2 Y",
        // no text section: the drivers come next, 19 lines each
        "1 //Drivers", "19 //Lines Per Driver", "!Driver 0", "  2 //RefDes", "  Old // name", "   //PartNumber",
        "  60 //position X", "  30 //position Y", "  F //Inverted", "  F //Muted", "  25 //Rating", "  6 //dBGain",
        "  0 //Delay", "  0 //Xoffs", "  0 //Yoffs", "  0 //Zoffs", "  0 //Htilt", "  0 //Vtilt", "  0 //dia",
        "  w.frd //FRD filename", "   //ZMA filename", "**FRD 1 for driver 0", "w.frd //frd filename"};
    for (const auto& l : Lines(tmp.Path() + "w.frd")) old.push_back(l);
    old.push_back("**END FRD 1 for driver 0");
    const std::string path = tmp.Path() + "old.bkt";
    fs::create_directories(SupportFolderFor(path));
    TDesign d;
    RecordingMessageSink sink;
    ASSERT_TRUE(ReadDesignLines(d, old, path, sink));
    EXPECT_TRUE(sink.Messages.empty());
    EXPECT_EQ(d.Source.Vrms, 4);
    EXPECT_EQ(d.Source.Power, 2);  // Vrms^2 / 8
    EXPECT_EQ(d.Source.Ohms, 8);
    EXPECT_TRUE(d.Source.Inverted);
    EXPECT_EQ(d.OverallDelay, 0.001);
    ASSERT_EQ(d.Parts.size(), 1u);
    const TPart& p = *d.Parts[0];
    EXPECT_EQ(p.Subckt, -1);
    EXPECT_EQ(p.Value, 1e-5);
    EXPECT_EQ(p.ESR, 1e-5);
    EXPECT_EQ(p.StepMode, 2);
    EXPECT_EQ(p.SpecTolerance, 0.05);
    EXPECT_EQ(p.SearchTolerance, 0.05);
    EXPECT_EQ(p.ESRSearchTolerance, 0.1);
    EXPECT_EQ(p.ChosenTolerance, -1);
    EXPECT_EQ(p.Terminal1, (TPoint{7, 12}));  // horizontal
    ASSERT_EQ(d.Grounds.size(), 1u);
    EXPECT_EQ(d.Grounds[0]->Subckt, -1);
    EXPECT_EQ(d.Wires[0]->Subckt, -1);
    EXPECT_TRUE(d.Texts.empty());
    ASSERT_EQ(d.Drivers.size(), 1u);
    const TDriver& drv = *d.Drivers[0];
    EXPECT_EQ(drv.Name, "Old");
    EXPECT_NEAR(drv.Gain, DbToLin(6), 1e-15);
    EXPECT_FALSE(drv.Acoustic.HilbertPhase);
    EXPECT_EQ(drv.Acoustic.Tails.LowFreq, 100);
    EXPECT_EQ(drv.Acoustic.Tails.HighFreq, 16000);
    EXPECT_EQ(drv.Acoustic.Tails.LowSlope, 24);
    EXPECT_EQ(drv.Acoustic.Tails.HighSlope, 36);
    EXPECT_EQ(drv.NominalDia, 0);
    EXPECT_TRUE(drv.Acoustic.AcousticEffect.empty());
    EXPECT_EQ(drv.Acoustic.FRDFile, SupportFolderFor(path) + "w.frd");
    EXPECT_EQ(drv.Admittance.Re[0], 0.125);  // no ZMA: the default
    TDriver direct;
    direct.Acoustic.Tails.HighFreq = 16000;
    ASSERT_TRUE(LoadDriverResponse(d, direct, tmp.Path() + "w.frd", sink));
    EXPECT_EQ(drv.Acoustic.Response, direct.Acoustic.Response);
}

TEST(DesignFile, ReadsTheEarlierDriverLayoutBetween27And33Lines) {
    TempFolder tmp;
    TDesign d;
    AddDriver(d, {10, 10});
    std::vector<std::string> lines;
    RecordingMessageSink sink;
    ASSERT_TRUE(BuildDesignLines(d, lines, sink));
    // Cut the driver to 31 lines laid out the earlier way: vendor, diameter,
    // rectangle and description from line 26 on.
    const auto first = std::find(lines.begin(), lines.end(), "!Driver 0") - lines.begin();
    lines[first - 1] = "31 //Lines Per Driver";
    lines.erase(lines.begin() + first + 26, lines.begin() + first + 33);
    lines.insert(lines.begin() + first + 26, {"  Vifa //Vendor name", "  5.25  //Nominal Dia.", "  2  //rectang. Ht",
                                              "  3  //rectang. Wt", "  old desc //", "", "  x //spare"});
    const std::string path = tmp.Path() + "d.bkt";
    fs::create_directories(SupportFolderFor(path));
    TDesign back;
    ASSERT_TRUE(ReadDesignLines(back, lines, path, sink));
    const TDriver& drv = *back.Drivers[0];
    EXPECT_EQ(drv.Vendor, "Vifa");
    EXPECT_EQ(drv.NominalDia, 5.25);
    EXPECT_EQ(drv.RectHeight, 2);
    EXPECT_EQ(drv.RectWidth, 3);
    EXPECT_EQ(drv.Description, "old desc");
    EXPECT_TRUE(drv.Acoustic.AcousticFile.empty());  // line 27 named no embedded file
    EXPECT_FALSE(drv.Acoustic.UseAcousticModel);
}

TEST(DesignFile, HostileEmbeddedNamesWriteNothingOutsideTheSupportFolder) {
    TempFolder tmp;
    const std::string outside = "/tmp/pelmo-evil-" + std::to_string(::getpid()) + ".frd";
    fs::create_directories(tmp.Path() + "deep/designs");
    const std::string path = tmp.Path() + "deep/designs/h.bkt";
    const std::string support = SupportFolderFor(path);
    fs::create_directories(support);
    TDesign d;
    AddDriver(d, {10, 10});
    AddDriver(d, {10, 20});
    AddDriver(d, {10, 30});
    std::vector<std::string> base;
    RecordingMessageSink sink;
    ASSERT_TRUE(BuildDesignLines(d, base, sink));
    const std::string data[] = {"20 85 0", "20000 85 0"};
    struct Case {
        std::string frdName, blockName;
        std::string landsAs;  // "" when nothing may be written
    };
    const Case cases[] = {
        {"../../evil.frd", "../../evil.frd", "evil.frd"},
        {outside, outside, fs::path(outside).filename().string()},
        {"..\\..\\win.frd", "..\\..\\win.frd", "win.frd"},
        {"", "", ""},
        {"..", "..", ""},
        {".", ".", ""},
        {"sub/", "sub/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frdName);
        std::vector<std::string> lines = base;
        const auto drv = std::find(lines.begin(), lines.end(), "!Driver 1") - lines.begin();
        lines[drv + 17] = "  " + c.frdName + " //FRD filename";
        lines[drv + 18] = "  " + c.frdName + " //ZMA filename";
        lines[drv + 27] = "  " + c.frdName + " //ACOUstic FRD filename";
        const std::vector<std::string> blocks = {"**ACOU Data for driver 1",
                                                 data[0],
                                                 data[1],
                                                 "**END ACOU Data for driver 1",
                                                 "**FRD 1 for driver 1",
                                                 c.blockName + " //frd filename",
                                                 data[0],
                                                 data[1],
                                                 "**END FRD 1 for driver 1",
                                                 "**ZMA Data for driver 1",
                                                 data[0],
                                                 data[1],
                                                 "**END ZMA Data for driver 1"};
        lines.insert(lines.begin() + drv + 33, blocks.begin(), blocks.end());
        TDesign back;
        sink.Messages.clear();
        ASSERT_TRUE(ReadDesignLines(back, lines, path, sink));
        EXPECT_FALSE(fs::exists(outside));
        EXPECT_FALSE(fs::exists(tmp.Path() + "evil.frd"));
        EXPECT_FALSE(fs::exists(tmp.Path() + "deep/evil.frd"));
        // Nothing but the design's own folder content and the support folder.
        for (const auto& e : fs::recursive_directory_iterator(tmp.Path())) {
            const std::string p = e.path().string();
            EXPECT_TRUE(p.rfind(support, 0) == 0 || p + "/" == support || support.rfind(p + "/", 0) == 0) << p;
        }
        const TDriver& got = *back.Drivers[1];
        if (c.landsAs.empty()) {
            EXPECT_TRUE(got.Acoustic.FRDFile.empty());
            EXPECT_TRUE(got.ZMAFile.empty());
            EXPECT_EQ(got.Acoustic.Response.Re[0], std::pow(10.0, 3.5));
        } else {
            EXPECT_EQ(got.Acoustic.FRDFile, support + c.landsAs);
            EXPECT_TRUE(fs::exists(support + c.landsAs));
            EXPECT_NEAR(got.Acoustic.Response.Re[300], DbToLin(85), 1e-6);
        }
        EXPECT_TRUE(sink.Messages.empty()) << sink.Messages.front();
        for (const auto& e : fs::directory_iterator(support)) fs::remove(e.path());
    }
}

TEST(DesignFile, ACutOffFileFailsAtEveryLineAndLeavesTheDesignAlone) {
    RichDesign rich;
    LoadDirectly(rich.d);
    const std::string path = rich.tmp.Path() + "full.bkt";
    RecordingMessageSink sink;
    ASSERT_TRUE(WriteDesign(rich.d, path, sink));
    fs::create_directories(SupportFolderFor(path));
    const auto lines = Lines(path);
    // The reader cannot tell a file cut after one of the last driver's blocks,
    // or in the setup lines after the drivers, from a complete one.
    std::size_t lastFixed = 0;
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].rfind("!Driver ", 0) == 0) lastFixed = k + 33;
    TDesign target;
    AddText(target, {1, 1}, "the open design");
    for (std::size_t cut = 0; cut < lines.size(); ++cut) {
        const std::vector<std::string> part(lines.begin(), lines.begin() + cut);
        const bool ok = ReadDesignLines(target, part, path, sink);
        const bool undetectable =
            cut >= lastFixed && (cut == lines.size() - 2 || cut == lines.size() - 1 || lines[cut].rfind("**", 0) == 0);
        EXPECT_EQ(ok, undetectable) << "cut at line " << cut << ": " << lines[cut];
        if (!ok) {
            ASSERT_EQ(target.Texts.size(), 1u) << cut;
            EXPECT_EQ(target.Texts[0]->Text, "the open design");
            EXPECT_TRUE(target.Drivers.empty());
        } else {
            target.Drivers.clear();
            ClearElements(target);
            AddText(target, {1, 1}, "the open design");
        }
    }
}

TEST(DesignFile, ImpossibleCountsAndValuesFailTheRead) {
    TempFolder tmp;
    const std::string path = tmp.Path() + "d.bkt";
    fs::create_directories(SupportFolderFor(path));
    TDesign d;
    AddPart(d, TPartType::Resistor, {10, 10}, true);
    AddDriver(d, {20, 20});
    std::vector<std::string> base;
    RecordingMessageSink sink;
    ASSERT_TRUE(BuildDesignLines(d, base, sink));
    const auto at = [&](const std::string& line) { return std::find(base.begin(), base.end(), line) - base.begin(); };
    struct Case {
        const char* name;
        std::ptrdiff_t line;
        std::string text;
    };
    const Case cases[] = {
        {"passive count beyond the file", at("1 //Passives"), "2000000000 //Passives"},
        {"driver count beyond the file", at("1 //Drivers"), "3 //Drivers"},
        {"lines per driver below the fixed fields", at("33 //Lines Per Driver"), "0 //Lines Per Driver"},
        {"lines per passive beyond the file", at("20 //Lines Per Passive"), "2147483647 //Lines Per Passive"},
        {"unknown part type", at("1 //Passives") + 2, " 7 //PartType"},
        {"too few source lines", 1, "2 //Lines"},
        {"negative power", 7, "  -1 //Power"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = base;
        lines[c.line] = c.text;
        TDesign back;
        EXPECT_FALSE(ReadDesignLines(back, lines, path, sink)) << c.name;
    }
    // Counts of zero or less have no elements.
    std::vector<std::string> lines = base;
    lines[at("1 //Passives")] = "-4 //Passives";
    lines.erase(lines.begin() + at("1 //Passives") + 2, lines.begin() + at("1 //Passives") + 22);
    TDesign back;
    ASSERT_TRUE(ReadDesignLines(back, lines, path, sink));
    EXPECT_TRUE(back.Parts.empty());
    EXPECT_EQ(back.Drivers.size(), 1u);
}

TEST(DesignFile, ExtremeValuesStayUsable) {
    TempFolder tmp;
    const std::string path = tmp.Path() + "d.bkt";
    fs::create_directories(SupportFolderFor(path));
    TDesign d;
    AddPart(d, TPartType::Resistor, {10, 10}, true).Value = 0;
    AddText(d, {5, 5}, "t");
    AddDriver(d, {20, 20}).Gain = 0;
    std::vector<std::string> lines;
    RecordingMessageSink sink;
    ASSERT_TRUE(BuildDesignLines(d, lines, sink));
    auto set = [&](const std::string& label, const std::string& value) {
        for (auto& l : lines)
            if (l.size() > label.size() && l.compare(l.size() - label.size(), label.size(), label) == 0)
                l = value + label;
    };
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  -2000000 //dBGain"), lines.end());
    set(" //position X", "  2147483647");
    set(" //Size", "  -2147483648");
    set(" //StepMode", "  99");
    const auto text = std::find(lines.begin(), lines.end(), "t");
    ASSERT_NE(text, lines.end());
    *text = std::string(300000, 'x');  // a very long label in a very large size
    *(text + 3) = "  2147483647 //Size";
    TDesign back;
    ASSERT_TRUE(ReadDesignLines(back, lines, path, sink));
    EXPECT_EQ(back.Parts[0]->Position.X, 1000000);
    EXPECT_EQ(back.Parts[0]->Terminal2.X, 1000003);
    EXPECT_EQ(back.Parts[0]->StepMode, smmPC5);
    EXPECT_EQ(back.Texts[0]->Size, 10000);
    EXPECT_LT(back.Texts[0]->TextRect.Left, back.Texts[0]->TextRect.Right);
    EXPECT_EQ(back.Drivers[0]->Gain, 1e-20);
}

TEST(DesignFile, DriversWithDerivedPhaseAlwaysEndWithAResponse) {
    TempFolder tmp;
    WriteWholeFile(tmp.Path() + "good.frd", MeasurementText(0, false));
    WriteWholeFile(tmp.Path() + "bad.frd", "10 1 1\r\n10 2 2\r\n");  // repeated frequency
    TDesign d;
    TDriver& ok = AddDriver(d, {1, 1});
    ok.Acoustic.FRDFile = tmp.Path() + "good.frd";
    ok.Acoustic.HilbertPhase = true;
    TDriver& bad = AddDriver(d, {1, 2});
    bad.Acoustic.FRDFile = tmp.Path() + "bad.frd";
    bad.Acoustic.HilbertPhase = true;
    TDriver& aborted = AddDriver(d, {1, 3});
    aborted.Acoustic.FRDFile = tmp.Path() + "good.frd";
    aborted.Acoustic.HilbertPhase = true;
    aborted.Acoustic.Tails.LowFreq = 1e9;  // no frequency reaches the lower tail
    const std::string path = tmp.Path() + "d.bkt";
    RecordingMessageSink sink;
    ASSERT_TRUE(WriteDesign(d, path, sink));
    fs::create_directories(SupportFolderFor(path));
    TDesign back;
    ASSERT_TRUE(ReadDesign(back, path, sink));
    EXPECT_EQ(sink.Messages, (std::vector<std::string>{"File Load error: " + SupportFolderFor(path) +
                                                           "bad.frd\nline 2: the same frequency as the line before",
                                                       "error-phase restore aborted!"}));
    for (const auto& drv : back.Drivers) {
        ASSERT_EQ(drv->Acoustic.Response.Re.size(), 500u);
        ASSERT_EQ(drv->Acoustic.Response.Im.size(), 500u);
        EXPECT_TRUE(drv->Acoustic.HilbertPhase);
    }
    EXPECT_EQ(back.Drivers[0]->Acoustic.FRDFile, SupportFolderFor(path) + "good.frd");
    EXPECT_NE(back.Drivers[0]->Acoustic.Response.Re[100], std::pow(10.0, 3.5));
    EXPECT_TRUE(back.Drivers[1]->Acoustic.FRDFile.empty());
    EXPECT_EQ(back.Drivers[1]->Acoustic.Response.Re[100], std::pow(10.0, 3.5));
    EXPECT_EQ(back.Drivers[2]->Acoustic.FRDFile, SupportFolderFor(path) + "good.frd");  // kept for the next save
    EXPECT_EQ(back.Drivers[2]->Acoustic.Response.Re[100], std::pow(10.0, 3.5));
}

// While it lives, the calling thread does without the capabilities that let
// root read and search every folder, so that permission bits count for it as
// for any user. Nothing to give up for a user who is not root.
class TPermissionBitsApply {
public:
    TPermissionBitsApply() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~TPermissionBitsApply() {
        if (lowered_) ::syscall(SYS_capset, &header_, saved_);
    }
    TPermissionBitsApply(const TPermissionBitsApply&) = delete;
    TPermissionBitsApply& operator=(const TPermissionBitsApply&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

TEST(DesignFile, AResponseFolderThatCannotBeListedIsASaveError) {
    TempFolder tmp;
    // The file can be reached, its folder not listed (search but no read
    // permission).
    const std::string folder = tmp.Path() + "unlisted/";
    fs::create_directories(folder);
    WriteWholeFile(folder + "w.frd", MeasurementText(0, false));
    TDesign d;
    AddDriver(d, {1, 1}).Acoustic.FRDFile = folder + "w.frd";
    RecordingMessageSink sink;
    std::vector<std::string> lines;
    bool built = true, listable = false;
    fs::permissions(folder, fs::perms::owner_write | fs::perms::owner_exec);
    {
        const TPermissionBitsApply asAnyUser;
        if (DIR* probe = ::opendir(folder.c_str())) {
            ::closedir(probe);
            listable = true;
        } else {
            built = BuildDesignLines(d, lines, sink);
        }
    }
    fs::permissions(folder, fs::perms::owner_all);
    if (listable) GTEST_SKIP() << "every folder can be listed here";
    EXPECT_FALSE(built);
    EXPECT_EQ(sink.Messages, std::vector<std::string>{"save error"});
}

TEST(DesignFile, SupportFolderAndSafeNames) {
    EXPECT_EQ(SupportFolderFor("/d/TwoWay.bkt"), "/d/!FRD&ZMA/Data!TwoWay/");
    EXPECT_EQ(SupportFolderFor("/d/a.bkt.x.bkt"), "/d/!FRD&ZMA/Data!a/");
    EXPECT_EQ(SupportFolderFor("/d.x/noext"), "/d.x/!FRD&ZMA/Data!noext/");
    EXPECT_EQ(SafeEmbeddedName("woofer.frd"), "woofer.frd");
    EXPECT_EQ(SafeEmbeddedName("../x/../../w.frd"), "w.frd");
    EXPECT_EQ(SafeEmbeddedName("C:\\data\\w.frd"), "w.frd");
    EXPECT_EQ(SafeEmbeddedName(".."), "");
    EXPECT_EQ(SafeEmbeddedName("a/."), "");
    EXPECT_EQ(SafeEmbeddedName(std::string("a\0b", 3)), "");
}

}  // namespace
