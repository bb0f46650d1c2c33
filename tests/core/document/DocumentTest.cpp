#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "document/DataFolder.h"
#include "document/Document.h"
#include "document/IniFile.h"
#include "document/RecentFiles.h"
#include "document/Settings.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(DataFolder, ChoosesTheFolderFromTheEnvironment) {
    ScopedEnv home("HOME", "/home/u");
    {
        ScopedEnv p("PELMO_HOME", "/p/h");
        ScopedEnv x("XDG_DATA_HOME", "/x");
        EXPECT_EQ(DataFolderPath(), "/p/h/");
    }
    {
        ScopedEnv p("PELMO_HOME", nullptr);
        ScopedEnv x("XDG_DATA_HOME", "/x/");
        EXPECT_EQ(DataFolderPath(), "/x/Pelmo/");
    }
    {
        ScopedEnv p("PELMO_HOME", "");
        ScopedEnv x("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(DataFolderPath(), "/home/u/.local/share/Pelmo/");
    }
}

TEST(DataFolder, CreatesTheFolderWithItsSubFolders) {
    TempFolder tmp;
    const std::string root = tmp.Path() + "a/b/Pelmo";
    ScopedEnv p("PELMO_HOME", root.c_str());
    test::RecordingMessageSink sink;
    EXPECT_EQ(PublicDataFolder(sink), root + "/");
    for (const char* sub : {"Examples", "CircuitBlocks", "PartsLists", "Update"})
        EXPECT_TRUE(std::filesystem::is_directory(root + "/" + sub)) << sub;
    EXPECT_TRUE(sink.Messages.empty());
    // A second call finds everything in place.
    EXPECT_EQ(PublicDataFolder(sink), root + "/");
}

TEST(DataFolder, ReportsAFolderThatCannotBeCreated) {
    TempFolder tmp;
    WriteWholeFile(tmp.Path() + "file", "x");
    const std::string root = tmp.Path() + "file/Pelmo";
    ScopedEnv p("PELMO_HOME", root.c_str());
    test::RecordingMessageSink sink;
    EXPECT_EQ(PublicDataFolder(sink), "");
    ASSERT_EQ(sink.Messages.size(), 1u);
    EXPECT_EQ(sink.Messages[0], "Could not create \"" + root + "\" folder!");
}

TEST(DataFolder, CreateFolderWithParents) {
    TempFolder tmp;
    EXPECT_TRUE(CreateFolderWithParents(tmp.Path() + "x/y/z"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp.Path() + "x/y/z"));
    EXPECT_TRUE(CreateFolderWithParents(tmp.Path() + "x/y/z/"));
    EXPECT_TRUE(CreateFolderWithParents("/"));
    WriteWholeFile(tmp.Path() + "f", "");
    EXPECT_FALSE(CreateFolderWithParents(tmp.Path() + "f/g"));
    EXPECT_FALSE(CreateFolderWithParents(""));
}

TEST(Settings, DefaultsWhenAbsentAndRoundTrip) {
    TempFolder tmp;
    TSettings s = ReadSettings(tmp.Path());
    EXPECT_FALSE(s.StartupParts);
    EXPECT_FALSE(s.StartupApp);
    EXPECT_TRUE(s.FirstTime);
    EXPECT_EQ(s.LastAUpDate, 0);
    EXPECT_FALSE(s.NoAppRestart);

    s.StartupParts = true;
    s.LastAUpDate = 45678.25;
    ASSERT_TRUE(WriteSettings(tmp.Path(), s));
    const std::string text = ReadWholeFile(tmp.Path() + "Pelmo.ini");
    EXPECT_NE(text.find("StartupParts=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("StartupApp=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("LastAUpDate=45678.25\r\n"), std::string::npos);
    EXPECT_NE(text.find("[FirstTime]\r\nFirstTime=0\r\n"), std::string::npos);
    EXPECT_EQ(text.find("NoAppRestart"), std::string::npos);  // only the update logic writes it

    const TSettings back = ReadSettings(tmp.Path());
    EXPECT_TRUE(back.StartupParts);
    EXPECT_FALSE(back.FirstTime);
    EXPECT_EQ(back.LastAUpDate, 45678.25);

    ASSERT_TRUE(WriteNoAppRestart(tmp.Path(), true));
    EXPECT_TRUE(ReadSettings(tmp.Path()).NoAppRestart);
    EXPECT_TRUE(ReadSettings(tmp.Path()).StartupParts);  // other keys kept
}

TEST(Settings, ToleratesForeignFiles) {
    TempFolder tmp;
    WriteWholeFile(
        tmp.Path() + "Pelmo.ini",
        "junk\n[updates]\nstartupapp = 7\nLastAUpDate=abc\n[Updates]\nServerURL=http://x\n[FirstTime]\nFirstTime=0");
    const TSettings s = ReadSettings(tmp.Path());
    EXPECT_TRUE(s.StartupApp);  // names ignore case, any non-zero is true
    EXPECT_EQ(s.LastAUpDate, 0);
    EXPECT_FALSE(s.FirstTime);
    ASSERT_TRUE(WriteSettings(tmp.Path(), s));
    EXPECT_EQ(TIniFile::Load(tmp.Path() + "Pelmo.ini").ReadString("Updates", "ServerURL", ""), "http://x");
}

// Every save of an ini file that fails half-way (here: a file size limit
// far below what is written) leaves the old file as it was.
TEST(Settings, AFailedSaveKeepsTheOldFile) {
    TempFolder tmp;
    const std::string settings = tmp.Path() + "Pelmo.ini", mruFile = tmp.Path() + "PelmoMRU.ini";
    const std::string old = "[Updates]\r\nServerURL=http://x\r\n";
    TMostRecentFiles mru;
    mru.IniFileName = mruFile;
    mru.Add("/home/u/Designs/a rather long name for a design.bkt");
    struct Case {
        const char* what;
        std::string path;
        std::function<bool()> save;
    };
    const Case cases[] = {
        {"settings", settings, [&] { return WriteSettings(tmp.Path(), TSettings{}); }},
        {"restart flag", settings, [&] { return WriteNoAppRestart(tmp.Path(), true); }},
        {"recent files", mruFile, [&] { return mru.Save(); }},
    };
    for (const Case& c : cases) {
        WriteWholeFile(c.path, old);
        bool saved;
        {
            pelmo::test::FileSizeLimit limit(36);  // the old file is 31 bytes, every save writes more
            saved = c.save();
        }
        EXPECT_FALSE(saved) << c.what;
        EXPECT_EQ(ReadWholeFile(c.path), old) << c.what;
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.Path())) ++entries;
        EXPECT_LE(entries, 2u) << c.what << ": a temporary file was left behind";
    }
}

TEST(Settings, DateIsDaysSince1899) {
    const double now = NowAsDays();
    EXPECT_GT(now, 46000);  // after 2025
    EXPECT_LT(now, 60000);
}

TEST(RecentFiles, AddingKeepsTheMostRecentFirstWithoutDuplicates) {
    TMostRecentFiles mru;
    for (int i = 1; i <= 8; ++i) mru.Add("/d/f" + std::to_string(i) + ".bkt");
    ASSERT_EQ(mru.Files().size(), 8u);
    EXPECT_EQ(mru.Files().front(), "/d/f8.bkt");

    mru.Add("/d/f9.bkt");  // a ninth drops the oldest
    ASSERT_EQ(mru.Files().size(), 8u);
    EXPECT_EQ(mru.Files().front(), "/d/f9.bkt");
    EXPECT_EQ(mru.Files().back(), "/d/f2.bkt");

    mru.Add("/d/f8.bkt");  // re-opening the second moves it to the top
    ASSERT_EQ(mru.Files().size(), 8u);
    EXPECT_EQ(mru.Files()[0], "/d/f8.bkt");
    EXPECT_EQ(mru.Files()[1], "/d/f9.bkt");

    mru.Add("/D/F9.BKT");  // letter case ignored
    ASSERT_EQ(mru.Files().size(), 8u);
    EXPECT_EQ(mru.Files()[0], "/D/F9.BKT");
    EXPECT_EQ(mru.Files()[1], "/d/f8.bkt");

    mru.Add("/D/F9.BKT");  // already first: nothing changes
    EXPECT_EQ(mru.Files()[1], "/d/f8.bkt");
}

TEST(RecentFiles, MaxFilesIsClamped) {
    TMostRecentFiles mru;
    const std::pair<int, int> cases[] = {{0, 1}, {-5, 1}, {3, 3}, {8, 8}, {9, 8}, {100, 8}};
    for (auto [in, out] : cases) {
        mru.SetMaxFiles(in);
        EXPECT_EQ(mru.MaxFiles(), out) << in;
    }
    mru.SetMaxFiles(2);
    for (const char* f : {"/a", "/b", "/c"}) mru.Add(f);
    EXPECT_EQ(mru.Files(), (std::vector<std::string>{"/c", "/b"}));
}

TEST(RecentFiles, CaptionsAndFile) {
    TempFolder tmp;
    TMostRecentFiles mru;
    mru.IniFileName = tmp.Path() + "PelmoMRU.ini";
    mru.Add("/home/u/Designs/two way.bkt");
    mru.Add("/home/u/Designs/Three.bkt");
    EXPECT_EQ(mru.MenuCaption(0), "&1  Three.bkt");
    EXPECT_EQ(mru.MenuCaption(1), "&2  two way.bkt");
    EXPECT_EQ(mru.MenuCaption(2), "");
    mru.ShowFullPath = true;
    EXPECT_EQ(mru.MenuCaption(0), "&1  /home/u/Designs/Three.bkt");

    ASSERT_TRUE(mru.Save());
    const std::string text = ReadWholeFile(mru.IniFileName);
    EXPECT_EQ(text,
              "[MRU List]\r\n1=/home/u/Designs/Three.bkt\r\n2=/home/u/Designs/two way.bkt\r\n3=\r\n4=\r\n5=\r\n"
              "6=\r\n7=\r\n8=\r\n");

    TMostRecentFiles back;
    back.IniFileName = mru.IniFileName;
    back.Load();
    EXPECT_EQ(back.Files(), mru.Files());
}

// A list bound to its file writes it at every change: a program that is
// killed keeps the designs it opened.
TEST(RecentFiles, ABoundListIsWrittenAtEveryChange) {
    TempFolder tmp;
    TMostRecentFiles mru;
    mru.Add("/d/a.bkt");  // not bound yet: nowhere to write
    mru.IniFileName = tmp.Path() + "PelmoMRU.ini";
    mru.Add("/d/b.bkt");
    TMostRecentFiles back;
    back.IniFileName = mru.IniFileName;
    back.Load();
    EXPECT_EQ(back.Files(), (std::vector<std::string>{"/d/b.bkt", "/d/a.bkt"}));
}

TEST(Document, Captions) {
    EXPECT_EQ(CaptionFor(""), "Pelmo");
    EXPECT_EQ(CaptionFor("/home/u/TwoWay.bkt"), "Pelmo -- TwoWay.bkt");
    EXPECT_EQ(CaptionFor("", true), "*Pelmo");
    EXPECT_EQ(CaptionFor("/home/u/TwoWay.bkt", true), "Pelmo -- *TwoWay.bkt");
    EXPECT_EQ(ExtractFilePath("/home/u/TwoWay.bkt"), "/home/u/");
    EXPECT_EQ(ExtractFileName("TwoWay.bkt"), "TwoWay.bkt");
}

}  // namespace
