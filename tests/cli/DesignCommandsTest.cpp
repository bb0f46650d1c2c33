#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "TestSupport.h"
#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "files/DesignFile.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::RecordingMessageSink;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

std::string MakeDesign(const TempFolder& tmp) {
    WriteWholeFile(tmp.Path() + "w.frd", "10 80 0\r\n1000 85 -10\r\n20000 80 -90\r\n");
    WriteWholeFile(tmp.Path() + "w.zma", "10 8 0\r\n1000 6 10\r\n20000 12 40\r\n");
    TDesign d;
    AddPart(d, TPartType::Resistor, {10, 10}, true);
    AddPart(d, TPartType::Capacitor, {20, 10}, true);
    AddPart(d, TPartType::Inductor, {30, 10}, false);
    AddPart(d, TPartType::Capacitor, {40, 10}, false);
    TDriver& drv = AddDriver(d, {50, 10});
    drv.Acoustic.FRDFile = tmp.Path() + "w.frd";
    drv.ZMAFile = tmp.Path() + "w.zma";
    AddDriver(d, {60, 10});
    RecordingMessageSink sink;
    const std::string path = tmp.Path() + "d.bkt";
    EXPECT_TRUE(WriteDesign(d, path, sink));
    return path;
}

TEST(CliDesign, InfoListsSourcePartsAndDrivers) {
    TempFolder tmp;
    const std::string path = MakeDesign(tmp);
    const auto r = RunCli({"info", path});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    // Designators in collection order, each with its two node numbers.
    std::istringstream out(r.Out);
    for (const char* name : {"source", "R1", "C1", "L1", "C2", "S1", "S2"}) {
        std::string line, designator;
        ASSERT_TRUE(std::getline(out, line)) << name;
        std::istringstream fields(line);
        int n1 = 0, n2 = 0;
        std::string extra;
        EXPECT_TRUE(fields >> designator >> n1 >> n2) << line;
        EXPECT_FALSE(fields >> extra) << line;
        EXPECT_EQ(designator, name);
    }
    EXPECT_EQ(r.Err, "");

    const auto missing = RunCli({"info", tmp.Path() + "none.bkt"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Err, "FileOpen failed\n" + tmp.Path() + "none.bkt: No such file or directory\n");
    EXPECT_EQ(RunCli({"info"}).ExitCode, 2);
}

TEST(CliDesign, RoundtripWritesTheSameDesignAgain) {
    TempFolder tmp;
    const std::string in = MakeDesign(tmp);
    const std::string out = tmp.Path() + "out.bkt";
    const auto r = RunCli({"roundtrip", in, out});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(in));
    EXPECT_TRUE(std::filesystem::exists(tmp.Path() + "!FRD&ZMA/Data!d/w.frd"));

    const auto bad = RunCli({"roundtrip", in, tmp.Path() + "no/such/folder/x.bkt"});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_EQ(bad.Err, "File Save failed!\n" + tmp.Path() + "no/such/folder/x.bkt: No such file or directory\n");
    EXPECT_EQ(RunCli({"roundtrip", in}).ExitCode, 2);
}

// Every command that reads a design refuses a path that names none before it
// makes anything: no folder appears where the path pointed.
TEST(CliDesign, APathThatIsNoDesignLeavesNothingBehind) {
    TempFolder tmp;
    const std::string missing = tmp.Path() + "no/such/x.bkt";
    const std::string out = tmp.Path() + "out.bkt";
    const std::vector<std::vector<std::string>> commands = {
        {"info", missing},
        {"curve", missing, "spl", "System"},
        {"roundtrip", missing, out},
        {"tolerance", missing},
        {"optimize", missing, "--vary", "C1", "--out", out},
        {"listen", missing, tmp.Path() + "in.wav", tmp.Path() + "out.wav"},
    };
    for (const auto& args : commands) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.ExitCode, 1) << args[0];
        EXPECT_EQ(r.Err, "FileOpen failed\n" + missing + ": No such file or directory\n") << args[0];
        EXPECT_TRUE(std::filesystem::is_empty(tmp.Path())) << args[0];
    }
}

// A design whose folder cannot be written reads through a folder of its own
// in the per-user cache, with the same results and one note on stderr. As
// root a folder's mode stops nothing: a file named like the support folder
// stands in the way instead.
TEST(CliDesign, ADesignWhoseFolderCannotBeWrittenReadsThroughTheCache) {
    TempFolder tmp;
    const std::string writable = MakeDesign(tmp);
    const auto expected = RunCli({"curve", writable, "spl", "S1 (driver only)"});
    ASSERT_EQ(expected.ExitCode, 0) << expected.Err;

    struct Case {
        const char* name;
        bool chmod;  // a read-only folder; else a file in the way
    };
    std::vector<Case> cases = {{"blocked", false}};
    if (::geteuid() != 0) cases.push_back({"readonly", true});
    const std::string cacheHome = tmp.Path() + "cache";
    ::setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);  // for this process and pelmo-cli alike
    for (const Case& c : cases) {
        const std::string folder = tmp.Path() + c.name + "/";
        std::filesystem::create_directories(folder);
        const std::string path = folder + "d.bkt";
        std::filesystem::copy_file(writable, path);
        if (c.chmod)
            ::chmod(folder.c_str(), 0555);
        else
            WriteWholeFile(folder + "!FRD&ZMA", "in the way");
        const auto r = RunCli({"curve", path, "spl", "S1 (driver only)"});
        if (c.chmod) ::chmod(folder.c_str(), 0755);
        const std::string cache = CachedSupportFolderFor(path);
        EXPECT_EQ(r.ExitCode, 0) << c.name;
        EXPECT_EQ(r.Out, expected.Out) << c.name;
        EXPECT_EQ(r.Err, CachedSupportNoticeText(path, cache) + "\n") << c.name;
        EXPECT_EQ(cache.rfind(cacheHome + "/Pelmo/Designs/d-", 0), 0u) << cache;
        EXPECT_EQ(ReadWholeFile(cache + "w.frd"), ReadWholeFile(tmp.Path() + "w.frd")) << c.name;
        EXPECT_FALSE(std::filesystem::is_directory(folder + "!FRD&ZMA")) << c.name;
    }
    ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace
