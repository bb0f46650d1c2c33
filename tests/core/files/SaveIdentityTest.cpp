// Opening a design and saving it without a change must write the same bytes,
// save after save: users keep designs in version control.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "TestSupport.h"
#include "base/TextFile.h"
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

// Opens the design at `path` and saves it over itself; returns the bytes
// saved. Reading writes the embedded files into the design's support folder,
// so `path` must lie in a folder of the test's own.
std::string OpenAndSave(const std::string& path) {
    fs::create_directories(SupportFolderFor(path));
    TDesign d;
    RecordingMessageSink sink;
    EXPECT_TRUE(ReadDesign(d, path, sink)) << path;
    EXPECT_TRUE(WriteDesign(d, path, sink)) << path;
    return ReadWholeFile(path);
}

struct Saves {
    std::string First, Second;
};

// The design `bytes` opened and saved twice, under `name` in a fresh folder.
Saves OpenAndSaveTwice(const std::string& bytes, const std::string& name = "design.bkt") {
    TempFolder tmp;
    const std::string path = tmp.Path() + name;
    WriteWholeFile(path, bytes);
    Saves s;
    s.First = OpenAndSave(path);
    s.Second = OpenAndSave(path);
    return s;
}

// The first line where two texts differ, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
    const auto la = SplitLines(a), lb = SplitLines(b);
    for (std::size_t k = 0; k < std::min(la.size(), lb.size()); ++k)
        if (la[k] != lb[k]) return "line " + std::to_string(k + 1) + ": \"" + la[k] + "\" / \"" + lb[k] + "\"";
    return la.size() == lb.size() ? std::string("none")
                                  : "lengths " + std::to_string(la.size()) + " / " + std::to_string(lb.size());
}

std::vector<fs::path> DesignsBelow(const std::string& folder) {
    std::vector<fs::path> found;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".bkt") found.push_back(e.path());
    std::sort(found.begin(), found.end());
    return found;
}

TEST(SaveIdentity, EveryShippedAndTestDesignSavesAsItWasWritten) {
    std::vector<fs::path> designs = DesignsBelow(std::string(PELMO_SOURCE_DIR) + "/examples");
    ASSERT_GE(designs.size(), 4u);
    for (const auto& p : DesignsBelow(std::string(PELMO_TEST_DATA_DIR))) designs.push_back(p);
    for (const fs::path& p : designs) {
        SCOPED_TRACE(p.string());
        const std::string original = ReadWholeFile(p.string());
        const Saves s = OpenAndSaveTwice(original, p.filename().string());
        EXPECT_TRUE(s.First == s.Second) << FirstDifference(s.First, s.Second);
        // Every one of them is written by the current layout: no line changes.
        EXPECT_TRUE(s.First == original) << FirstDifference(original, s.First);
    }
}

// The designs the fuzzers start from are test designs too: hand-made, of
// older layouts, with hostile names or cut short. Those that open may change
// on their first save (as any older layout), never after it.
TEST(SaveIdentity, EveryFuzzSeedDesignThatOpensSavesTheSameBytesFromItsFirstSaveOn) {
    std::vector<fs::path> designs;
    for (const char* corpus : {"design", "solve"})
        for (const auto& p : DesignsBelow(std::string(PELMO_SOURCE_DIR) + "/fuzz/corpus/" + corpus))
            designs.push_back(p);
    ASSERT_GE(designs.size(), 10u);
    std::size_t opened = 0;
    for (const fs::path& p : designs) {
        SCOPED_TRACE(p.string());
        TempFolder tmp;
        const std::string path = tmp.Path() + p.filename().string();
        WriteWholeFile(path, ReadWholeFile(p.string()));
        fs::create_directories(SupportFolderFor(path));
        TDesign d;
        RecordingMessageSink sink;
        if (!ReadDesign(d, path, sink)) continue;
        ++opened;
        ASSERT_TRUE(WriteDesign(d, path, sink));
        const std::string first = ReadWholeFile(path);
        const std::string second = OpenAndSave(path);
        const std::string third = OpenAndSave(path);
        EXPECT_TRUE(first == second) << FirstDifference(first, second);
        EXPECT_TRUE(second == third) << FirstDifference(second, third);
    }
    EXPECT_GE(opened, designs.size() / 2);
}

// A small response or impedance file.
std::string Measurement(double level) {
    std::string t = "* for a test\r\n";
    for (double f = 20; f < 25000; f *= 1.5) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "%.3f\t%.4f\t%.2f\r\n", f, level + std::sin(f / 700), -30 * std::cos(f / 900));
        t += buf;
    }
    return t;
}

// A design made in memory with values no file has given it yet: reals that
// need more than 15 digits, gains set as factors, a source whose Vrms does not
// follow its power and load (as after File > New with a changed level).
TEST(SaveIdentity, ADesignMadeInMemorySavesTheSameBytesAfterEveryReopening) {
    TempFolder tmp;
    const std::string src = tmp.Path() + "measurements/";
    fs::create_directories(src);
    WriteWholeFile(src + "w.frd", Measurement(88));
    WriteWholeFile(src + "w@30.frd", Measurement(85));
    WriteWholeFile(src + "w.zma", Measurement(7));
    WriteWholeFile(src + "t.frd", Measurement(91));
    WriteWholeFile(src + "baffle.frd", Measurement(-1));

    TDesign d;
    d.Source.Power = 100;
    d.Source.Ohms = 8;
    d.Source.Vrms = std::sqrt(8.0);
    d.OverallDelay = 1.0 / 3.0 * 1e-3;
    TCircuitBlock& b = AppendBlock(d);
    b.Title = "Low pass";
    b.VarExpression = {"1/(2*pi*F)", ""};
    b.VarName[0] = "F";
    b.VarValue[0] = 1234.5678901234567;
    b.VarStepMode[0] = smReal;
    TPart& c = AddPart(d, TPartType::Capacitor, {40, 20}, false);
    c.Subckt = 0;
    c.Equation1 = "1/(2*pi*F*8)";
    c.BoundValue = 1.0 / (2 * M_PI * 1234.5678901234567 * 8);
    TPart& r = AddPart(d, TPartType::Resistor, {50, 20}, true);
    r.Value = std::sqrt(2.0);
    r.ChosenTolerance = 0.1 / 3;
    AddGround(d, {60, 30}).Subckt = 0;
    AddWire(d, {1, 2}, {1, 9});
    AddText(d, {30, 40}, "caf\u00E9 // note").Subckt = 0;
    RebuildBlockMembers(d);
    const double gains[] = {0.5, 0.7071067811865476, 3.3, 1e-30, 1e30, 1.0 / 3.0};
    for (std::size_t k = 0; k < std::size(gains); ++k) {
        TDriver& drv = AddDriver(d, {100, 20 + 10 * static_cast<int>(k)});
        drv.Gain = gains[k];
        drv.DelaySeconds = 1e-4 / 7;
        drv.Acoustic.Tails.DelayInches = M_PI;
        if (k == 0) {
            drv.Acoustic.FRDFile = src + "w.frd";
            drv.ZMAFile = src + "w.zma";
            drv.Acoustic.AcousticFile = src + "baffle.frd";
        } else if (k == 1) {
            drv.Acoustic.FRDFile = src + "t.frd";
            drv.ZMAFile = src + "w.zma";
        }
    }
    RecordingMessageSink sink;
    const std::string path = tmp.Path() + "made.bkt";
    ASSERT_TRUE(WriteDesign(d, path, sink));
    const std::string written = ReadWholeFile(path);
    const Saves s = OpenAndSaveTwice(written, "made.bkt");
    EXPECT_TRUE(s.First == written) << FirstDifference(written, s.First);
    EXPECT_TRUE(s.Second == written) << FirstDifference(written, s.Second);
    EXPECT_TRUE(sink.Messages.empty());
}

// Designs of earlier, shorter layouts (and hand-edited ones) may change on
// their first save, never after it. The dB gains a file states are kept as
// they are written.
TEST(SaveIdentity, OlderLayoutsChangeOnTheFirstSaveOnly) {
    const std::string frd = Measurement(90);
    const char* const vrms[] = {"2.82842712474619", "4",   "3.1", "0.123456789012345", "28.2842712474619",
                                "9.99999999999999", "1E-5"};
    const char* const gains[] = {
        "-3", "-6.02059991329", "0.1", "-0.123456789012345", "12.5", "1E-5", "-2000000", "300", "-3.00000000000516",
        "0",  "-0.5",           "2.2", "-19.99999999999"};
    for (const char* v : vrms) {
        SCOPED_TRACE(std::string("Vrms ") + v);
        std::string text = "1 //VoltageSource\r\n5 //Lines\r\n  " + std::string(v) +
                           " //Vrms\r\n  F //Inverted\r\n  100 //position X\r\n  50 //position Y\r\n"
                           "  0.001 //overall delay\r\n"
                           "1 //Passives\r\n11 //Lines Per Passive\r\n 1 //PartType\r\n 3 //RefDes\r\n   //Part#\r\n"
                           "  0.00001 //Value\r\n  1.0E-2 //ESR\r\n  100 //Rating\r\n  10 //position X\r\n"
                           "  12 //position Y\r\n  T  //Is Horizontal\r\n  9 //StepMode\r\n  1 //0short/1val/2open\r\n"
                           "1 //Grounds\r\n2 //Lines Per Ground\r\n 5 //position X\r\n  6 //position Y\r\n"
                           "1 //Wires\r\n4 //Lines Per Wire\r\n 1 //End1 X\r\n  1 //End1 Y\r\n  1 //End2 X\r\n"
                           "  4 //End2 Y\r\n";
        text += std::to_string(std::size(gains)) + " //Drivers\r\n19 //Lines Per Driver\r\n";
        for (std::size_t k = 0; k < std::size(gains); ++k) {
            text += "!Driver " + std::to_string(k) + "\r\n  " + std::to_string(k + 1) +
                    " //RefDes\r\n  Old //Name\r\n   //PartNumber\r\n  60 //position X\r\n  " + std::to_string(10 * k) +
                    " //position Y\r\n  F //Inverted\r\n  F //Muted\r\n  25 //Rating\r\n  " + gains[k] +
                    " //dBGain\r\n  0 //Delay\r\n  0 //Xoffs\r\n  0 //Yoffs\r\n  0 //Zoffs\r\n  0 //Htilt\r\n"
                    "  0 //Vtilt\r\n  0 //dia\r\n  w.frd //FRD filename\r\n   //ZMA filename\r\n";
            if (k == 0)
                text += "**FRD 1 for driver 0\r\nw.frd //frd filename\r\n" + frd + "**END FRD 1 for driver 0\r\n";
        }
        const Saves s = OpenAndSaveTwice(text, "old.bkt");
        EXPECT_TRUE(s.First == s.Second) << FirstDifference(s.First, s.Second);
        const auto saved = SplitLines(s.First);
        for (const char* g : gains)
            EXPECT_NE(std::find(saved.begin(), saved.end(), "  " + std::string(g) + " //dBGain"), saved.end()) << g;
    }
}

}  // namespace
