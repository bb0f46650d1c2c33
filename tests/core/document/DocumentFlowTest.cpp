#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "TestSupport.h"
#include "base/FileProblem.h"
#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "document/RecentFiles.h"
#include "files/DesignFile.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::FileSizeLimit;
using pelmo::test::ReadWholeFile;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;
namespace fs = std::filesystem;
using Answer = MessageSink::Answer;

namespace {

// A document whose dialogs answer from a script and whose hooks are logged.
struct Fixture {
    TempFolder tmp;
    std::string data = tmp.Path() + "data/";
    TDesign d;
    TMostRecentFiles recent;
    RecordingMessageSink sink;
    std::vector<std::string> log;
    std::string openAnswer, saveAnswer;
    TDocument doc{d, recent, sink, data, Hooks()};

    Fixture() {
        fs::create_directories(data + "Examples");
        // The per-user cache of designs whose folder cannot be written.
        ::setenv("XDG_CACHE_HOME", (tmp.Path() + "cache").c_str(), 1);
    }

    TDocumentHooks Hooks() {
        TDocumentHooks h;
        h.ChooseOpenFile = [this](const std::string& folder, const std::string& name) {
            log.push_back("open dialog " + folder + "|" + name);
            return openAnswer;
        };
        h.ChooseSaveFile = [this](const std::string& folder, const std::string& name) {
            log.push_back("save dialog " + folder + "|" + name);
            return saveAnswer;
        };
        h.EndEditing = [this] { log.push_back("end editing"); };
        h.ResetGraphs = [this] { log.push_back("reset graphs"); };
        h.DesignOpened = [this] { log.push_back("opened"); };
        h.CaptionChanged = [this](const std::string& c) { log.push_back("caption " + c); };
        return h;
    }

    // A saved design with one part at the given x.
    std::string MakeDesign(const std::string& path, int x) {
        TDesign other;
        AddPart(other, TPartType::Resistor, {x, 10}, true);
        RecordingMessageSink quiet;
        EXPECT_TRUE(WriteDesign(other, path, quiet));
        return path;
    }
};

TEST(DocumentFlow, OpenFromTheRecentListReadsWithoutADialog) {
    Fixture f;
    const std::string path = f.MakeDesign(f.tmp.Path() + "TwoWay.bkt", 33);
    f.doc.OpenDialogFileName = "before.bkt";
    f.d.Modified = true;
    f.sink.Answers = {Answer::No};
    ASSERT_TRUE(f.doc.Open(TDocument::TOpenKind::Recent, path));
    EXPECT_EQ(f.sink.Questions, std::vector<std::string>{"Save current design?"});
    EXPECT_TRUE(fs::is_directory(f.tmp.Path() + "!FRD&ZMA/Data!TwoWay"));
    EXPECT_EQ(f.log,
              (std::vector<std::string>{"end editing", "reset graphs", "caption Pelmo -- TwoWay.bkt", "opened"}));
    EXPECT_EQ(f.d.FileName, path);
    EXPECT_FALSE(f.d.Modified);
    ASSERT_EQ(f.d.Parts.size(), 1u);
    EXPECT_EQ(f.d.Parts[0]->Position.X, 33);
    EXPECT_EQ(f.recent.Files(), std::vector<std::string>{path});
    EXPECT_EQ(f.doc.OpenDialogFileName, "before.bkt");  // restored afterwards
    EXPECT_TRUE(f.sink.Messages.empty());
}

TEST(DocumentFlow, OpenKeepsTheDesignWhenItsSaveDoesNotHappen) {
    struct Case {
        Answer answer;
        std::string dialog;  // the Save dialog's answer
        bool limitSize;      // writing fails
        bool opens;
    };
    const Case cases[] = {
        {Answer::No, "", false, true},
        {Answer::Cancel, "", false, false},
        {Answer::Yes, "mine.bkt", false, true},
        {Answer::Yes, "", false, false},         // Save dialog cancelled
        {Answer::Yes, "mine.bkt", true, false},  // the save failed
    };
    for (const Case& c : cases) {
        Fixture f;
        const std::string other = f.MakeDesign(f.tmp.Path() + "other.bkt", 44);
        AddText(f.d, {1, 1}, "mine");
        f.d.Modified = true;
        f.sink.Answers = {c.answer};
        f.saveAnswer = c.dialog.empty() ? "" : f.tmp.Path() + c.dialog;
        bool opened;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (c.limitSize) limit = std::make_unique<FileSizeLimit>(10);
            opened = f.doc.Open(TDocument::TOpenKind::Recent, other);
        }
        const std::string what = std::to_string(static_cast<int>(c.answer)) + " " + c.dialog;
        EXPECT_EQ(opened, c.opens) << what;
        EXPECT_EQ(f.d.Texts.size(), c.opens ? 0u : 1u) << what;
        EXPECT_EQ(f.d.Modified, !c.opens) << what;
        EXPECT_EQ(f.sink.Questions, std::vector<std::string>{SaveCurrentDesignText}) << what;
    }
}

TEST(DocumentFlow, OpenFailuresKeepTheOpenDesign) {
    Fixture f;
    AddText(f.d, {1, 1}, "mine");
    f.d.FileName = "/somewhere/mine.bkt";
    // A design file that is cut off.
    const std::string bad = f.tmp.Path() + "bad.bkt";
    WriteWholeFile(bad, "1 //VoltageSource\r\n7 //Lines\r\n  3 //Vrms\r\n");
    f.openAnswer = bad;
    EXPECT_FALSE(f.doc.Open(TDocument::TOpenKind::Dialog));
    EXPECT_EQ(f.sink.Messages,
              std::vector<std::string>{"FileOpen failed\n" + bad + ": damaged or not a design file: line 9 missing"});
    ASSERT_EQ(f.d.Texts.size(), 1u);
    EXPECT_EQ(f.d.FileName, "/somewhere/mine.bkt");
    EXPECT_TRUE(f.recent.Files().empty());

    // A recent file that no longer exists: the same message with the cause,
    // and no support folder is made beside it.
    f.sink.Messages.clear();
    const std::string gone = f.tmp.Path() + "gone/gone.bkt";
    EXPECT_FALSE(f.doc.Open(TDocument::TOpenKind::Recent, gone));
    EXPECT_EQ(f.sink.Messages, std::vector<std::string>{"FileOpen failed\n" + gone + ": No such file or directory"});
    EXPECT_FALSE(fs::exists(f.tmp.Path() + "gone"));
    ASSERT_EQ(f.d.Texts.size(), 1u);

    // A support folder that cannot be made beside the design ("!FRD&ZMA" is
    // a file) nor in the cache (a file where the cache should be): nothing
    // else happens.
    fs::create_directories(f.tmp.Path() + "ro");
    const std::string good = f.MakeDesign(f.tmp.Path() + "ro/good.bkt", 5);
    WriteWholeFile(f.tmp.Path() + "ro/!FRD&ZMA", "in the way");
    WriteWholeFile(f.tmp.Path() + "cache", "in the way too");
    f.sink.Messages.clear();
    f.log.clear();
    EXPECT_FALSE(f.doc.Open(TDocument::TOpenKind::Recent, good));
    EXPECT_EQ(f.sink.Messages, std::vector<std::string>{FileProblemText(
                                   SupportFolderErrorText, CachedSupportFolderFor(good), "Not a directory")});
    EXPECT_EQ(f.log, std::vector<std::string>{"end editing"});
    EXPECT_EQ(f.d.Texts.size(), 1u);

    // A cancelled dialog does nothing at all.
    f.openAnswer.clear();
    f.log.clear();
    EXPECT_FALSE(f.doc.Open(TDocument::TOpenKind::Dialog));
    EXPECT_EQ(f.log.size(), 1u);  // only the dialog
}

// A path that is not a design file is refused before anything is made: no
// support folder beside it, none of its missing parent folders.
TEST(DocumentFlow, APathThatIsNoDesignFileLeavesNothingBehind) {
    Fixture f;
    const std::string in = f.tmp.Path() + "in/";
    fs::create_directories(in + "folder.bkt");
    ASSERT_EQ(::mkfifo((in + "pipe.bkt").c_str(), 0600), 0);
    WriteWholeFile(in + "locked.bkt", "1 //VoltageSource\r\n");
    ::chmod((in + "locked.bkt").c_str(), 0);
    struct Case {
        std::string path;
        const char* cause;
    };
    std::vector<Case> cases = {
        {f.tmp.Path() + "no/such/x.bkt", "No such file or directory"},
        {in + "folder.bkt", "Is a directory"},
        {in + "pipe.bkt", "not a regular file"},
    };
    if (::geteuid() != 0) cases.push_back({in + "locked.bkt", "Permission denied"});  // root reads it anyway
    for (const Case& c : cases) {
        TDesign d;
        AddText(d, {1, 1}, "mine");
        RecordingMessageSink sink;
        EXPECT_FALSE(OpenDesignFile(d, c.path, sink)) << c.path;
        EXPECT_EQ(sink.Messages, std::vector<std::string>{"FileOpen failed\n" + c.path + ": " + c.cause});
        EXPECT_FALSE(fs::exists(f.tmp.Path() + "no")) << c.path;
        EXPECT_FALSE(fs::exists(in + "!FRD&ZMA")) << c.path;
        EXPECT_FALSE(fs::exists(f.tmp.Path() + "cache")) << c.path;
        EXPECT_EQ(d.Texts.size(), 1u) << c.path;
    }
}

// A design in a folder that cannot be written (a read-only share, the
// installed examples) reads through a folder of its own in the cache, says so
// once and leaves its folder as it was; Save then asks for another place, and
// what it writes carries the measurements.
TEST(DocumentFlow, ADesignInAFolderThatCannotBeWrittenReadsThroughTheCache) {
    Fixture f;
    const std::string ro = f.tmp.Path() + "ro/";
    fs::create_directories(ro);
    WriteWholeFile(f.tmp.Path() + "w.frd", "10 80 0\r\n1000 85 -10\r\n20000 80 -90\r\n");
    TDesign made;
    AddDriver(made, {50, 10}).Acoustic.FRDFile = f.tmp.Path() + "w.frd";
    const std::string path = ro + "TwoWay.bkt";
    ASSERT_TRUE(WriteDesign(made, path, f.sink));
    const TFolderCheck readOnly = [&](const std::string& folder) { return folder.rfind(ro, 0) != 0; };

    TDesign d;
    RecordingMessageSink sink;
    ASSERT_TRUE(OpenDesignFile(d, path, sink, readOnly));
    const std::string cache = CachedSupportFolderFor(path);
    EXPECT_EQ(cache.rfind(f.tmp.Path() + "cache/Pelmo/Designs/TwoWay-", 0), 0u) << cache;
    EXPECT_EQ(sink.Messages, std::vector<std::string>{CachedSupportNoticeText(path, cache)});
    ASSERT_EQ(d.Drivers.size(), 1u);
    EXPECT_EQ(d.Drivers[0]->Acoustic.FRDFile, cache + "w.frd");
    EXPECT_NEAR(d.Drivers[0]->Acoustic.Response.Re[0], 1e4, 1.0);  // 80 dB at 10 Hz from the file, not the default
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(ro)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"TwoWay.bkt"});

    // One folder per design path; what an earlier open left there goes.
    EXPECT_NE(CachedSupportFolderFor(f.tmp.Path() + "other/TwoWay.bkt"), cache);
    WriteWholeFile(cache + "w@30.frd", "10 1 0\r\n20 1 0\r\n");
    f.doc.SetFolderCheck(readOnly);
    ASSERT_TRUE(f.doc.Open(TDocument::TOpenKind::Recent, path));
    EXPECT_FALSE(fs::exists(cache + "w@30.frd"));

    f.d.Modified = true;
    f.saveAnswer = f.tmp.Path() + "Mine.bkt";
    f.log.clear();
    ASSERT_TRUE(f.doc.Save());
    EXPECT_EQ(f.log.front(), "save dialog " + f.data + "|" + f.data + "TwoWay.bkt");
    EXPECT_EQ(f.d.FileName, f.saveAnswer);
    EXPECT_NE(ReadWholeFile(f.saveAnswer).find("**FRD 1 for driver 0\r\nw.frd //frd filename\r\n10 80 0\r\n"),
              std::string::npos);

    // The file system's own answer; a folder with a mode that forbids writing
    // only stops a user other than root.
    EXPECT_TRUE(CanWriteFolder(f.tmp.Path() + "made/on/the/way/"));
    EXPECT_FALSE(CanWriteFolder(f.tmp.Path() + "w.frd/sub/"));
    if (::geteuid() != 0) {
        fs::remove_all(cache);
        ::chmod(ro.c_str(), 0555);
        TDesign again;
        EXPECT_TRUE(OpenDesignFile(again, path, sink));
        EXPECT_TRUE(fs::exists(cache + "w.frd"));
        ::chmod(ro.c_str(), 0755);
    }
}

TEST(DocumentFlow, ExamplesOpenInTheExamplesFolderAndAreNeverSavedOver) {
    Fixture f;
    const std::string example = f.MakeDesign(f.data + "Examples/Demo.bkt", 7);
    f.doc.OpenDialogFolder = "/elsewhere/";
    f.doc.OpenDialogFileName = "/elsewhere/last.bkt";
    f.openAnswer = example;
    ASSERT_TRUE(f.doc.Open(TDocument::TOpenKind::Examples));
    EXPECT_EQ(f.log.front(), "open dialog " + f.data + "Examples/|");
    EXPECT_EQ(f.doc.OpenDialogFileName, "/elsewhere/last.bkt");

    const std::string before = ReadWholeFile(example);
    f.d.Parts[0]->Value = 99;
    f.d.Modified = true;
    f.log.clear();
    f.saveAnswer.clear();  // the user cancels the Save As dialog
    EXPECT_FALSE(f.doc.Save());
    EXPECT_EQ(f.log, std::vector<std::string>{"save dialog " + f.data + "|"});
    EXPECT_TRUE(f.doc.SaveDialogCancelled());
    EXPECT_EQ(ReadWholeFile(example), before);

    f.saveAnswer = f.tmp.Path() + "Mine.bkt";
    ASSERT_TRUE(f.doc.Save());
    EXPECT_FALSE(f.doc.SaveDialogCancelled());
    EXPECT_EQ(f.d.FileName, f.saveAnswer);
    EXPECT_FALSE(f.d.Modified);
    EXPECT_EQ(f.doc.Caption(), "Pelmo -- Mine.bkt");
    EXPECT_EQ(f.recent.Files().front(), f.saveAnswer);

    // Now titled outside the examples: a plain Save writes without a dialog.
    f.log.clear();
    ASSERT_TRUE(f.doc.Save());
    EXPECT_EQ(f.log, std::vector<std::string>{"caption Pelmo -- Mine.bkt"});
}

TEST(DocumentFlow, AFailedSaveKeepsTheOldFileAndClearsTheName) {
    Fixture f;
    const std::string path = f.MakeDesign(f.tmp.Path() + "keep.bkt", 3);
    const std::string before = ReadWholeFile(path);
    f.d.FileName = path;
    for (int i = 0; i < 40; ++i) AddPart(f.d, TPartType::Capacitor, {i, 50}, true);
    {
        FileSizeLimit limit(before.size() + 10);  // room for the old file, not for the new one
        EXPECT_FALSE(f.doc.Save());
    }
    EXPECT_EQ(f.sink.Messages, std::vector<std::string>{"File Save failed!\n" + path + ": File too large"});
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_TRUE(f.d.FileName.empty());
    for (const auto& e : fs::directory_iterator(f.tmp.Path()))
        EXPECT_EQ(e.path().filename().string().find(".keep.bkt."), std::string::npos) << "temporary file left behind";

    // Other causes, each named with the path.
    struct Case {
        std::string path;
        const char* cause;
    };
    fs::create_directories(f.tmp.Path() + "folder.bkt");
    const Case cases[] = {
        {f.tmp.Path() + "no/such/x.bkt", "No such file or directory"},
        {f.tmp.Path() + "folder.bkt", "Is a directory"},
    };
    for (const Case& c : cases) {
        f.sink.Messages.clear();
        EXPECT_FALSE(SaveDesignFile(f.d, c.path, f.sink));
        EXPECT_EQ(f.sink.Messages, std::vector<std::string>{"File Save failed!\n" + c.path + ": " + c.cause});
    }

    // The next Save asks for a name.
    f.saveAnswer = path;
    f.sink.Messages.clear();
    ASSERT_TRUE(f.doc.Save());
    EXPECT_NE(ReadWholeFile(path), before);
}

TEST(DocumentFlow, CloseAndNewAskBeforeLosingChanges) {
    struct Case {
        Answer answer;
        std::string dialog;  // the Save dialog's answer
        bool limitSize;      // writing fails
        bool closes;
    };
    const Case cases[] = {
        {Answer::No, "", false, true},       {Answer::Cancel, "", false, false},
        {Answer::Yes, "", false, false},                                           // Save dialog cancelled
        {Answer::Yes, "x.bkt", false, true}, {Answer::Yes, "x.bkt", true, false},  // the save failed: stay
    };
    for (const Case& c : cases) {
        Fixture f;
        f.d.Modified = true;
        f.sink.Answers = {c.answer};
        f.saveAnswer = c.dialog.empty() ? "" : f.tmp.Path() + c.dialog;
        bool closes;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (c.limitSize) limit = std::make_unique<FileSizeLimit>(10);
            closes = f.doc.ConfirmClose();
        }
        EXPECT_EQ(closes, c.closes) << static_cast<int>(c.answer) << " " << c.dialog << " " << c.limitSize;
    }

    Fixture f;
    EXPECT_TRUE(f.doc.ConfirmClose());  // clean: no question
    EXPECT_TRUE(f.sink.Questions.empty());

    // New: an untitled, clean, empty design; a cancelled question keeps it.
    AddPart(f.d, TPartType::Resistor, {1, 1}, true);
    f.d.FileName = "/x/y.bkt";
    f.d.Modified = true;
    f.sink.Answers = {Answer::Cancel};
    EXPECT_FALSE(f.doc.New());
    EXPECT_EQ(f.d.Parts.size(), 1u);
    f.sink.Answers = {Answer::No};
    EXPECT_TRUE(f.doc.New());
    EXPECT_TRUE(f.d.Parts.empty());
    EXPECT_TRUE(f.d.FileName.empty());
    EXPECT_FALSE(f.d.Modified);
    EXPECT_EQ(f.log.back(), "caption Pelmo");
}

// In the block designer the drawing is a block: Save, Save As and the Yes of
// the close question write it through the block's own command, never as a
// design; opening or starting a design goes back to the schematic first.
TEST(DocumentFlow, TheBlockDesignerSavesTheBlockAndLeavesBeforeOpening) {
    struct Case {
        Answer answer;
        bool blockSaved;  // the block's save dialog gives a name
        bool closes;
    };
    const Case cases[] = {
        {Answer::Yes, true, true},
        {Answer::Yes, false, false},
        {Answer::No, false, true},
        {Answer::Cancel, false, false},
    };
    for (const Case& c : cases) {
        Fixture f;
        int blockSaves = 0;
        TDocumentHooks h = f.Hooks();
        h.SaveBlock = [&] {
            ++blockSaves;
            if (c.blockSaved) f.d.Modified = false;
            return c.blockSaved;
        };
        f.doc.SetHooks(h);
        f.d.BlockDesignMode = true;
        f.d.Modified = true;
        f.saveAnswer = f.tmp.Path() + "never.bkt";
        f.sink.Answers = {c.answer};
        EXPECT_EQ(f.doc.ConfirmClose(), c.closes) << static_cast<int>(c.answer);
        EXPECT_EQ(blockSaves, c.answer == Answer::Yes ? 1 : 0);
        EXPECT_FALSE(fs::exists(f.saveAnswer));
        EXPECT_EQ(f.doc.Save(), c.blockSaved);
        EXPECT_EQ(f.doc.SaveAs(), c.blockSaved);
        EXPECT_FALSE(fs::exists(f.saveAnswer));
    }

    Fixture f;
    const std::string path = f.MakeDesign(f.tmp.Path() + "TwoWay.bkt", 33);
    f.d.BlockDesignMode = true;
    f.d.Modified = true;
    bool leave = false;
    int asked = 0;
    TDocumentHooks h = f.Hooks();
    h.LeaveBlockDesigner = [&] {
        ++asked;
        if (leave) {
            f.d.BlockDesignMode = false;
            f.d.Modified = false;
        }
        return leave;
    };
    f.doc.SetHooks(h);
    // The user stays in the designer: nothing is opened or replaced.
    EXPECT_FALSE(f.doc.Open(TDocument::TOpenKind::Recent, path));
    EXPECT_FALSE(f.doc.New());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(f.d.Parts.empty());
    EXPECT_TRUE(f.d.BlockDesignMode);
    // Back in the schematic (asked there), the design opens without a second question.
    leave = true;
    EXPECT_TRUE(f.doc.Open(TDocument::TOpenKind::Recent, path));
    EXPECT_EQ(f.d.Parts.size(), 1u);
    EXPECT_TRUE(f.sink.Questions.empty());
}

}  // namespace
