#include <gtest/gtest.h>
#include <stdlib.h>

#include "TestSupport.h"

using pelmo::test::RunCli;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

// PELMO_HOME points at a fresh folder for the life of the object.
struct FreshHome {
    TempFolder folder;
    std::string old;
    bool had = false;
    FreshHome() {
        if (const char* h = ::getenv("PELMO_HOME")) had = true, old = h;
        ::setenv("PELMO_HOME", folder.Path().c_str(), 1);
    }
    ~FreshHome() {
        if (had)
            ::setenv("PELMO_HOME", old.c_str(), 1);
        else
            ::unsetenv("PELMO_HOME");
    }
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

int Lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

TEST(CliParts, ShippedCatalogueFillsAFreshDataFolder) {
    FreshHome home;
    const auto first = RunCli({"parts", "update"});
    ASSERT_EQ(first.ExitCode, 0) << first.Err;
    EXPECT_EQ(first.Err, "");
    EXPECT_EQ(first.Out,
              "Capacitors: 50 added, 0 updated, 0 removed\n"
              "Inductors: 50 added, 0 updated, 0 removed\n"
              "Resistors: 75 added, 0 updated, 0 removed\n"
              "Drivers: 7 added, 0 updated, 0 removed\n");
    const struct {
        const char* list;
        const char* head;
        int entries;
    } lists[] = {{"C", "# Capacitors", 50},
                 {"l", "# Inductors", 50},
                 {"R", "# Resistors", 75},
                 {"S", "# Drivers", 7},
                 {"V", "# Vendors", 1}};
    for (const auto& l : lists) {
        const auto r = RunCli({"parts", "list", l.list});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(FirstLine(r.Out).rfind(l.head, 0), 0u) << r.Out;
        EXPECT_NE(FirstLine(r.Out).find(", " + std::to_string(l.entries) + " entries"), std::string::npos) << r.Out;
        EXPECT_EQ(Lines(r.Out), l.entries + 2) << l.list;
    }
    const auto drivers = RunCli({"parts", "list", "S"}).Out;
    EXPECT_NE(drivers.find("GENERIC_GW-200/ (5 files)"), std::string::npos) << drivers;
    EXPECT_NE(RunCli({"parts", "list", "C"}).Out.find("GCN-10U\tGENERIC\t10 uF\t10 %\t100 V\t1.59 ohm\tN"),
              std::string::npos);

    // The shipped files are older than this merge: nothing changes.
    const auto second = RunCli({"parts", "update"});
    ASSERT_EQ(second.ExitCode, 0) << second.Err;
    EXPECT_NE(second.Out.find("Resistors: 0 added, 0 updated, 0 removed"), std::string::npos);
    EXPECT_EQ(Lines(RunCli({"parts", "list", "R"}).Out), 77);
}

TEST(CliParts, FailuresAndUsage) {
    FreshHome home;
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* err;
    } cases[] = {
        {{"parts", "update", "--server", "http://127.0.0.1:1"}, 1, "Could not reach Pelmo internet site."},
        {{"parts", "update", "--server", "file:///no/such/folder"},
         1,
         " Could not connect to Pelmo web site.\r\nPlease check your internet connection."},
        {{"parts"}, 2, "missing update or list"},
        {{"parts", "list", "X"}, 2, "unknown list X"},
        {{"parts", "list"}, 2, "list needs one of"},
        {{"parts", "update", "--server"}, 2, "--server needs a URL"},
        {{"parts", "fetch"}, 2, "unknown parts command fetch"},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.ExitCode, c.exit) << c.args.back();
        EXPECT_NE(r.Err.find(c.err), std::string::npos) << r.Err;
    }
    // A list that was never fetched is empty.
    EXPECT_EQ(Lines(RunCli({"parts", "list", "C"}).Out), 2);

    // The server of the settings file is the default.
    WriteWholeFile(home.folder.Path() + "Pelmo.ini", "[Updates]\r\nCatalogueServer=http://127.0.0.1:1\r\n");
    const auto r = RunCli({"parts", "update"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("Could not reach Pelmo internet site."), std::string::npos) << r.Err;
}

}  // namespace
