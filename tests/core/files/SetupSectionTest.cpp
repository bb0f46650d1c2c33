#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "files/DesignFile.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;
using Entries = std::vector<TDesignSettings::TEntry>;

// A design with a driver (whose embedded files come before the settings) and
// a part, and the path it is read from.
struct SetupFixture {
    TempFolder tmp;
    std::string path = tmp.Path() + "d.bkt";
    TDesign d;
    SetupFixture() {
        fs::create_directories(SupportFolderFor(path));
        AddPart(d, TPartType::Resistor, {10, 10}, true);
        AddDriver(d, {20, 20}).Name = "Woofer";
    }
    Lines Build() {
        Lines lines;
        RecordingMessageSink sink;
        EXPECT_TRUE(BuildDesignLines(d, lines, sink));
        return lines;
    }
};

TEST(SetupSection, SettingsAreCountedLinesAfterTheDriversAndReadBackUnchanged) {
    SetupFixture f;
    f.d.Settings.SetReal("listen.distance", 2.5);
    f.d.Settings.Set("graphs.layout", "tiled, 2 columns // wide");
    f.d.Settings.SetBool("listen.floor", true);
    f.d.Settings.Set("empty", "");
    const Lines lines = f.Build();
    const Lines tail(lines.end() - 6, lines.end());
    EXPECT_EQ(tail, (Lines{"1 //Setup", "4 //Lines", "listen.distance = 2.5",
                           "graphs.layout = tiled, 2 columns // wide", "listen.floor = T", "empty = "}));

    TDesign back;
    RecordingMessageSink sink;
    ASSERT_TRUE(ReadDesignLines(back, lines, f.path, sink));
    EXPECT_EQ(back.Settings, f.d.Settings);
    EXPECT_EQ(back.Drivers.size(), 1u);
    Lines again;
    ASSERT_TRUE(BuildDesignLines(back, again, sink));
    EXPECT_EQ(again, lines);
}

// Setup sections as files may bring them: every one reads, and keeps the
// settings a line can be read as.
TEST(SetupSection, AnySetupSectionReadsAndKeepsWhatItCan) {
    const struct {
        const char* what;
        Lines section;
        Entries expected;
    } cases[] = {
        {"no section (a file cut after the drivers)", {}, {}},
        {"the count line only", {"1 //Setup"}, {}},
        {"no settings", {"1 //Setup", "0 //Lines"}, {}},
        {"keys of a newer program",
         {"1 //Setup", "2 //Lines", "future.thing = 3", "x = y"},
         {{"future.thing", "3"}, {"x", "y"}}},
        {"lines past the count are not settings", {"1 //Setup", "1 //Lines", "a = 1", "b = 2"}, {{"a", "1"}}},
        {"a count beyond the end of the file", {"1 //Setup", "2147483647 //Lines", "a = 1"}, {{"a", "1"}}},
        {"a negative count", {"1 //Setup", "-3 //Lines", "a = 1"}, {}},
        {"a count that is no number", {"1 //Setup", "many //Lines", "a = 1"}, {}},
        {"lines without a key are passed over",
         {"1 //Setup", "4 //Lines", "no equals sign", " = no key", "k=v=w", ""},
         {{"k", "v=w"}}},
        {"a key twice keeps its first place and last value",
         {"1 //Setup", "3 //Lines", "a = 1", "b = 2", "a = 3"},
         {{"a", "3"}, {"b", "2"}}},
        {"another section after the drivers", {"1 //Options", "1 //Lines", "a = 1"}, {}},
        {"the second line is no lines count", {"1 //Setup", "1 //Other", "a = 1"}, {}},
    };
    SetupFixture f;
    Lines head = f.Build();
    head.resize(head.size() - 2);  // without "1 //Setup", "0 //Lines"
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Lines lines = head;
        lines.insert(lines.end(), c.section.begin(), c.section.end());
        TDesign back;
        RecordingMessageSink sink;
        ASSERT_TRUE(ReadDesignLines(back, lines, f.path, sink));
        EXPECT_EQ(back.Settings.Entries(), c.expected);
        EXPECT_EQ(back.Parts.size(), 1u);
        EXPECT_EQ(back.Drivers.size(), 1u);
    }
}

}  // namespace
