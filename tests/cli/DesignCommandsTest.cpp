#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TestSupport.h"
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
    EXPECT_EQ(missing.Err, "FileOpen failed\n");
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
    EXPECT_EQ(bad.Err, "File Save failed!\n");
    EXPECT_EQ(RunCli({"roundtrip", in}).ExitCode, 2);
}

}  // namespace
