#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TestSupport.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "driverdata/MeasurementFile.h"
#include "files/BlockFile.h"
#include "files/DesignFile.h"
#include "files/ValueLines.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

TEST(TextCodec, MapsWindows1252BothWaysAndKeepsEveryByte) {
    EXPECT_EQ(Cp1252ToUtf8("\x80 \xB0 \xE9 \x96"), "\u20AC \u00B0 \u00E9 \u2013");
    EXPECT_EQ(Utf8ToCp1252("\u20AC \u00B0 \u00E9 \u2013"), "\x80 \xB0 \xE9 \x96");
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    // No Windows-1252 byte, broken UTF-8, a surrogate: "?" each.
    EXPECT_EQ(Utf8ToCp1252("a\u4E2Db"), "a?b");
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80x"), "???x");
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");
}

TEST(TextFile, SplitsAtEveryKindOfLineEnd) {
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\r\nb", {"a", "", "b"}},
        {"\n", {""}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(TextFile, WritesWindows1252WithCrLfAndReadsItBack) {
    TempFolder tmp;
    const std::string path = tmp.Path() + "t.txt";
    ASSERT_TRUE(WriteTextLines(path, {"caf\u00E9 //x", "", "20\u00B0"}));
    EXPECT_EQ(ReadWholeFile(path), "caf\xE9 //x\r\n\r\n20\xB0\r\n");
    const auto lines = ReadTextLines(path);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"caf\u00E9 //x", "", "20\u00B0"}));
    EXPECT_FALSE(ReadTextLines(tmp.Path() + "missing"));
    EXPECT_FALSE(ReadTextLines(tmp.Path()));  // a folder is not a file
}

TEST(TextFile, AtomicWriteReplacesOrLeavesTheOldFileIntact) {
    TempFolder tmp;
    const std::string path = tmp.Path() + "design.bkt";
    WriteWholeFile(path, "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadWholeFile(path), "new");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A symbolic link under the name is replaced, its target left alone.
    const std::string target = tmp.Path() + "target";
    WriteWholeFile(target, "keep");
    const std::string link = tmp.Path() + "link";
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(WriteFileAtomically(link, "x", false));
    EXPECT_EQ(ReadWholeFile(target), "keep");
    EXPECT_EQ(ReadWholeFile(link), "x");

    // A folder that cannot take the temporary file: the old file stays.
    std::filesystem::create_directory(tmp.Path() + "ro");
    const std::string ro = tmp.Path() + "ro/d.bkt";
    WriteWholeFile(ro, "old");
    ::chmod((tmp.Path() + "ro").c_str(), 0555);
    if (::geteuid() != 0) {
        EXPECT_FALSE(WriteFileAtomically(ro, "new"));
        EXPECT_EQ(ReadWholeFile(ro), "old");
    }
    ::chmod((tmp.Path() + "ro").c_str(), 0755);
    // Writing over a folder fails and leaves no temporary file behind.
    EXPECT_FALSE(WriteFileAtomically(tmp.Path() + "ro", "x"));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.Path())) ++entries;
    EXPECT_EQ(entries, 4u);  // design.bkt, target, link, ro
}

// Files far beyond anything the program writes (here sparse, so they cost no
// disk): every reader refuses them at once instead of reading, or reserving,
// their whole size.
TEST(TextFile, ReadersRefuseFilesBeyondTheSizeLimit) {
    TempFolder tmp;
    const off_t sizes[] = {static_cast<off_t>(MaxReadFileBytes) + 1, off_t{1} << 40};
    for (const off_t size : sizes) {
        const std::string path = tmp.Path() + "huge" + std::to_string(size) + ".frd";
        WriteWholeFile(path, "20 85 0\r\n");
        if (::truncate(path.c_str(), size) != 0) GTEST_SKIP() << "no sparse file of " << size << " bytes here";
        EXPECT_FALSE(ReadFileBytes(path)) << size;
        EXPECT_FALSE(ReadTextLines(path)) << size;

        RecordingMessageSink messages;
        DataArray f{1.0}, v{1.0}, p;
        EXPECT_FALSE(ReadMeasurementFile(path, f, v, p, messages)) << size;
        EXPECT_TRUE(f.empty() && v.empty()) << size;
        EXPECT_EQ(messages.Messages, std::vector<std::string>{"file load error! -- huge" + std::to_string(size) + "\n" +
                                                              path + ": File too large"});

        TDesign d;
        EXPECT_FALSE(ReadDesign(d, path, messages)) << size;
        TCircuitBlock block;
        EXPECT_FALSE(ReadBlockFile(d, path, block, -1)) << size;
    }
}

// The lines of a file read in pieces are the lines of the whole text, also
// where a line end falls on the edge between two pieces.
TEST(TextFile, ForEachFileLineGivesTheLinesOfTheWholeText) {
    TempFolder tmp;
    const std::size_t piece = 65536;
    std::vector<std::string> texts = {"", "a", "a\r\nb\r\n", "a\r\rb", "\n", "a\n\r\nb\r"};
    for (const std::size_t edge : {piece - 2, piece - 1, piece, piece + 1, 2 * piece - 1}) {
        for (const char* end : {"\r\n", "\r", "\n", "\n\r", "\r\r\n"}) {
            std::string t(edge, 'x');
            t += end;
            t += "tail";
            texts.push_back(t);
            texts.push_back(std::string(edge, 'x') + end);
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string path = tmp.Path() + "t" + std::to_string(i);
        WriteWholeFile(path, texts[i]);
        std::vector<std::string> lines;
        ASSERT_TRUE(ForEachFileLine(path, [&](std::string_view l) {
            lines.emplace_back(l);
            return true;
        })) << i;
        EXPECT_EQ(lines, SplitLines(texts[i])) << i;
    }
    // The reader can stop it.
    int seen = 0;
    EXPECT_FALSE(ForEachFileLine(tmp.Path() + "t2", [&](std::string_view) { return ++seen < 1; }));
    EXPECT_EQ(seen, 1);
}

// Lines up to the limits read; one line or one byte more and every reader
// refuses the file with its own failure.
TEST(TextFile, FilesBeyondTheLineLimitsAreRefused) {
    TempFolder tmp;
    struct Case {
        const char* name;
        std::string text;
        bool ok;
    };
    const std::string longest(MaxTextLineBytes, '*');
    const Case cases[] = {
        {"longest line", longest + "\r\n10 1 2\r\n20 3 4\r\n", true},
        {"longest line last", "10 1 2\r\n20 3 4\r\n" + longest, true},
        {"a byte more", longest + "*\r\n10 1 2\r\n20 3 4\r\n", false},
        {"most lines", std::string(MaxTextLines - 2, '\n') + "10 1 2\n20 3 4", true},
        {"a line more", std::string(MaxTextLines - 1, '\n') + "10 1 2\n20 3 4", false},
        {"a line more, CR LF", std::string(MaxTextLines - 1, '\r') + "\n10 1 2\r\n20 3 4\r\n\r\n", false},
    };
    for (const Case& c : cases) {
        const std::string path = tmp.Path() + "lines.frd";
        WriteWholeFile(path, c.text);
        std::size_t count = 0;
        EXPECT_EQ(ForEachFileLine(path, [&](std::string_view) { return ++count > 0; }), c.ok) << c.name;
        EXPECT_EQ(ReadTextLines(path).has_value(), c.ok) << c.name;
        RecordingMessageSink messages;
        DataArray f, v, p;
        EXPECT_EQ(ReadMeasurementFile(path, f, v, p, messages), c.ok) << c.name;
        EXPECT_EQ(f.size(), c.ok ? 2u : 0u) << c.name;
        EXPECT_EQ(messages.Messages.size(), c.ok ? 0u : 1u) << c.name;
        TDesign d;
        EXPECT_FALSE(ReadDesign(d, path, messages)) << c.name;  // not a design in any case
    }
}

TEST(ValueLines, ReadsValueTextLabelsAndNumbers) {
    struct Case {
        const char* line;
        const char* value;
        const char* label;
        int i;
        double r;
        bool b;
    };
    const Case cases[] = {
        {"  2.82842712474619 //Vrms", "2.82842712474619", "Vrms", 0, 2.82842712474619, false},
        {"  T  //Is Horizontal", "T", "Is Horizontal", 0, 0, true},
        {" 12 //RefDes", "12", "RefDes", 12, 12, false},
        {"\t-3\t//x", "-3", "x", -3, -3, false},
        {"  1E-5 //Value", "1E-5", "Value", 0, 1e-5, false},
        {"  0.00001 //Value", "0.00001", "Value", 0, 1e-5, false},
        {"  t //flag", "t", "flag", 0, 0, false},
        {"  abc //x", "abc", "x", 0, 0, false},
        {"no label here", "", "", 0, 0, false},
        {"a // b //c", "a", "c", 0, 0, false},
        {"  99999999999 //big", "99999999999", "big", 0, 99999999999.0, false},
        {"", "", "", 0, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValueText(c.line), c.value) << c.line;
        EXPECT_EQ(LabelText(c.line), c.label) << c.line;
        EXPECT_EQ(LineInt(c.line), c.i) << c.line;
        EXPECT_EQ(LineReal(c.line), c.r) << c.line;
        EXPECT_EQ(LineBool(c.line), c.b) << c.line;
    }
    EXPECT_EQ(ValueLine(FileReal(1e-5), "Value"), "  1E-5 //Value");
    EXPECT_EQ(ValueLine(FileInt(-1), "Subckt#,-1 if none"), "  -1 //Subckt#,-1 if none");
    EXPECT_EQ(ValueLine(FileBool(true), "x", " "), " T //x");
}

TEST(ValueLines, ReaderRefusesMissingLinesAndImpossibleCounts) {
    TLineReader r({"3 //Parts", "2 //Lines", "a", "b", "c", "d", "e", "f", "0 //Empty", "-7 //Lines"});
    EXPECT_EQ(r.Raw(2), "a");
    EXPECT_THROW(r.Raw(10), EFileFormatError);
    const TSectionHead h = r.Section(0, 1);
    EXPECT_EQ(h.Count, 3);
    EXPECT_EQ(h.LinesPerElement, 2);
    EXPECT_EQ(h.First, 2u);
    EXPECT_THROW(r.Section(0, 3), EFileFormatError);  // fewer lines than each element needs
    const TSectionHead empty = r.Section(8, 5);       // no elements: the size does not matter
    EXPECT_EQ(empty.Count, 0);
    EXPECT_EQ(empty.First, 10u);

    // A count far beyond the file fails before anything is built for it.
    TLineReader huge({"2000000000 //Parts", "1 //Lines", "x"});
    EXPECT_THROW(huge.Section(0, 1), EFileFormatError);
    TLineReader negative({"-5 //Parts", "1 //Lines"});
    EXPECT_EQ(negative.Section(0, 1).Count, 0);
    TLineReader zeroSize({"4 //Parts", "0 //Lines", "x"});
    EXPECT_THROW(zeroSize.Section(0, 0), EFileFormatError);
}

TEST(ValueLines, WriterKeepsOneRecordPerLine) {
    TLineWriter w;
    w.Add("first\r\nsecond");
    w.Value("1", "x");
    EXPECT_EQ(w.Lines(), (std::vector<std::string>{"first  second", "  1 //x"}));
    EXPECT_EQ(w.Encoded(), "first  second\r\n  1 //x\r\n");
}

}  // namespace
