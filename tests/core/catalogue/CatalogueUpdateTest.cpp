#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "CatalogueTestKit.h"
#include "TestSupport.h"
#include "base/Paths.h"
#include "catalogue/CatalogueServer.h"
#include "catalogue/CatalogueUpdate.h"
#include "catalogue/CatalogueUrls.h"
#include "document/Settings.h"

using namespace pelmo;
using namespace pelmo::test;
using S = TDownloadResult::Status;

namespace {

const std::string Server = "http://cat.test/mirror";
const std::string Index = "http://cat.test/mirror/PmParts/DeCoderRing.pmd";
const std::string Acme = "http://cat.test/acme/";
const TCatalogueDate Today = CatalogueDateOf(2025, 6, 1);

// A server with one vendor, ACME, whose files the tests fill in.
struct CatalogueFixture : ::testing::Test {
    TempFolder tmp;
    std::string parts = tmp.Path() + "PartsLists/";
    FakeDownloader server;
    TCatalogueUpdateOptions options;

    CatalogueFixture() {
        options.Today = Today;
        server.Files[Index] =
            "\"index of the test server\"\r\n1,\r\nacme,acme ltd,Y,Acme parts,../../acme/dates.pmd\r\n";
        server.Files[Acme + "dates.pmd"] = "05/01/2025\r\n" + Acme + "caps.pmd," + Acme +
                                           "pics//,http://web.test/c\r\n" + Acme + "coils.pmd,,\r\n" + Acme +
                                           "res.pmd,nonsense,\r\n" + Acme + "drivers.pmd," + Acme + "pics," + Acme +
                                           "," + Acme + "frd/," + Acme + "zma," + Acme + "tsp\r\n,,\r\n";
    }

    TCatalogueUpdateSummary Update(const std::atomic<bool>* cancelled = nullptr, const TUpdateProgressFn& p = {}) {
        return RunCatalogueUpdate(parts, Server, server, p, cancelled, options);
    }
    std::string Caps(const std::string& date, const std::string& lines) { return date + "\r\n" + lines; }
};

TEST_F(CatalogueFixture, EarlyStopsShowTheirMessagesAndWriteNothing) {
    const struct {
        const char* what;
        S failure;
        const char* index;
        TUpdateOutcome outcome;
        const char* message;
    } cases[] = {
        {"no connection", S::NoConnection, nullptr, TUpdateOutcome::NoConnection, NoInternetMessage},
        {"404", S::HttpError, nullptr, TUpdateOutcome::NoServer, NoServerMessage},
        {"broken transfer", S::Failed, nullptr, TUpdateOutcome::NoServer, NoServerMessage},
        {"no vendors", S::Ok, "0,\r\nACME,X,Y,,dates.pmd", TUpdateOutcome::NoData, NoCatalogueDataMessage},
        {"empty index", S::Ok, "", TUpdateOutcome::NoData, NoCatalogueDataMessage},
        {"only a header", S::Ok, "\"header\"", TUpdateOutcome::NoData, NoCatalogueDataMessage},
        {"a count beyond any integer", S::Ok, "1e308\r\nACME,X,Y,,dates.pmd", TUpdateOutcome::NoData,
         NoCatalogueDataMessage},
        {"more vendors than an index can have lines", S::Ok, "2097153,\r\nACME,X,Y,,dates.pmd", TUpdateOutcome::NoData,
         NoCatalogueDataMessage},
    };
    for (const auto& c : cases) {
        if (c.failure != S::Ok) server.Failures[Index] = c.failure;
        if (c.index) server.Files[Index] = c.index;
        const auto s = Update();
        EXPECT_EQ(s.Outcome, c.outcome) << c.what;
        EXPECT_EQ(s.Message, c.message) << c.what;
        EXPECT_EQ(FilesBelow(parts), std::vector<std::string>{}) << c.what;
        server.Failures.clear();
    }
    EXPECT_EQ(std::string(NoServerMessage),
              " Could not connect to Pelmo web site.\r\nPlease check your internet connection.");
}

TEST_F(CatalogueFixture, MergesPassivesWithTheirDefaults) {
    server.Files[Acme + "caps.pmd"] =
        Caps("05/01/2025",
             "c1,05/01/2025,M,4.7,5,250,0.02,Maker,MKP,x,y,Film cap,c1.jpg,page.html,$1.50,\r\n"
             "C2,05/01/2025,N,10,10,100,,Maker,NP,x,y,,/c2.PNG,,,\r\n"
             "C3,05/01/2025,,2,,,,,,,,,c3.txt,http://other.test/c3,,\r\n"
             "C4,05/01/2025,q,1,,,,,,,,,,,,\r\n"
             "C5,05/01/2025,F,0,,,,,,,,,,,,\r\n");  // no value: refused
    server.Files[Acme + "pics/c1.jpg"] = "JPEG";
    server.Files[Acme + "pics/c2.PNG"] = "PNG";
    server.Files[Acme + "coils.pmd"] = Caps("05/01/2025",
                                            "L1,05/01/2025,A,3,5,16,100,,M,m,x,y,d,,,\r\n"
                                            "L2,05/01/2025,S,2.5,5,18,50,,M,m,x,y,d,,,\r\n"
                                            "L3,05/01/2025,F,2.7,,,,,,,,,,,,\r\n"
                                            "L4,05/01/2025,,2.7,,,,0.5,,,,,,,,\r\n"
                                            "L5,05/01/2025,Z,1,,,,0.5,,,,,,,,\r\n");
    server.Files[Acme + "res.pmd"] = Caps("05/01/2025",
                                          "R1,05/01/2025,,8.2,5,10,M,m,x,y,d,,,0.80\r\n"
                                          "R2,05/01/2025,x,4,5,10,M,m,x,y,d,,,\r\n"
                                          "R3,05/01/2025,N,4\r\n");  // cut short: refused
    const auto s = Update();
    ASSERT_EQ(s.Outcome, TUpdateOutcome::Updated) << s.Message;
    const TCatalogue c = ReadCatalogue(parts);
    ASSERT_EQ(c.Capacitors.Items.size(), 4u);
    const TPassive& c1 = c.Capacitors.Items[2];  // sorted by value: 1, 2, 4.7, 10
    EXPECT_EQ(c1.PartNumber, "C1");              // upper-cased
    EXPECT_EQ(c1.Vendor, "ACME");
    EXPECT_EQ(c1.Date, Today);
    EXPECT_EQ(c1.Rating, 250);
    EXPECT_EQ(c1.Tolerance, 5);
    EXPECT_EQ(c1.ESR, 0.02);
    EXPECT_EQ(c1.Picture, "ACME_c1.jpg");
    EXPECT_EQ(c1.WebLink, "http://web.test/c/page.html");
    EXPECT_EQ(c1.Cost, 1.5);
    EXPECT_EQ(c1.Description, "Film cap");
    EXPECT_EQ(test::ReadWholeFile(parts + "ACME_c1.jpg"), "JPEG");
    const TPassive& c2 = c.Capacitors.Items[3];
    EXPECT_EQ(c2.ESR, 1.59);  // 10 x 1.59 / 10 uF
    EXPECT_EQ(c2.Picture, "ACME_c2.PNG");
    const TPassive& c3 = c.Capacitors.Items[1];
    EXPECT_EQ(c3.TypeCode, "N");
    EXPECT_EQ(c3.Picture, "");  // not a picture name: not fetched
    EXPECT_EQ(c3.WebLink, "http://other.test/c3");
    EXPECT_EQ(c.Capacitors.Items[0].TypeCode, "N");  // unknown code
    EXPECT_EQ(c.Capacitors.Items[0].ESR, 15.9);      // as non-polar electrolytic: 10 x 1.59 / 1 uF
    EXPECT_EQ(s.BadLines, 2);                        // C5 and R3

    ASSERT_EQ(c.Inductors.Items.size(), 5u);
    std::map<std::string, TPassive> l;
    for (const auto& p : c.Inductors.Items) l[p.PartNumber] = p;
    EXPECT_EQ(l["L1"].AWG, 16);
    EXPECT_EQ(l["L1"].Rating, 100);
    EXPECT_EQ(l["L1"].ESR, 1);    // 3 / 3
    EXPECT_EQ(l["L2"].ESR, 0.2);  // 2.5 / 2.5 x 0.2
    EXPECT_EQ(l["L3"].ESR, 0.6);  // 2.7 / 2.7 x 0.6
    EXPECT_EQ(l["L4"].TypeCode, "N");
    EXPECT_EQ(l["L4"].ESR, 0.5);
    EXPECT_EQ(l["L5"].TypeCode, "A");

    ASSERT_EQ(c.Resistors.Items.size(), 2u);
    EXPECT_EQ(c.Resistors.Items[0].TypeCode, "A");  // "x"
    EXPECT_EQ(c.Resistors.Items[1].TypeCode, "S");  // empty
    EXPECT_EQ(c.Resistors.Items[1].Cost, 0.8);
    EXPECT_EQ(c.Resistors.Items[1].ESR, 0);

    EXPECT_EQ(s.Changes[0].Added, 4);
    EXPECT_EQ(s.Changes[1].Added, 5);
    EXPECT_EQ(s.Changes[2].Added, 2);
    ASSERT_EQ(c.Vendors.Items.size(), 1u);
    EXPECT_EQ(c.Vendors.Items[0].Text2, "ACME LTD");
    EXPECT_EQ(c.Vendors.Items[0].Text3, "Acme parts");
    EXPECT_TRUE(c.Vendors.Items[0].Active);
    EXPECT_EQ(c.Vendors.Items[0].Dates[1], Today);
    EXPECT_EQ(c.Vendors.Items[0].Dates[0], 0);  // a bad line: the date is not advanced
    EXPECT_EQ(c.Vendors.Items[0].Dates[2], 0);
    EXPECT_EQ(c.Vendors.Date, Today);
    // Nothing but the lists and the fetched pictures is left behind.
    EXPECT_EQ(FilesBelow(parts),
              (std::vector<std::string>{"ACME_c1.jpg", "ACME_c2.PNG", "C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"}));
}

TEST_F(CatalogueFixture, DriversBringTheirMeasurementFiles) {
    server.Files[Acme + "drivers.pmd"] = Caps(
        "05/01/2025",
        "W8,05/01/2025,Maker,W8 pro,wm,hp,8,35,3000,100,88.5,8,6.6,0,0,w8,w8.zma,/w8.tsp,,,8 inch woofer,w8.jpg,,99\r\n"
        "T1,05/01/2025,Maker,T1,t,h,6,1500,20000,50,90,1,0.9,0,0,t1.FRD,t1.txt,,,,dome,,,\r\n"
        "W6,05/01/2025,Maker,W6,w,h,8,40,4000,60,87,6.5,5,0,0,bad.zip,,,,,,,,\r\n");
    server.Files[Acme + "frd/w8.zip"] = MakeZip({{"w8@0.frd", "10 90 0\n"},
                                                 {"sub/w8@30.FRD", "10 89 0\n"},
                                                 {"w8.zma", "10 8 0\n"},
                                                 {"readme.txt", "not a measurement"}});
    server.Files[Acme + "frd/bad.zip"] = MakeZip({{"../escape.frd", "x"}});
    server.Files[Acme + "frd/t1.FRD"] = "1000 90 0\n";
    server.Files[Acme + "zma/w8.zma"] = "10 6 0\n";
    server.Files[Acme + "tsp/w8.tsp"] = "Fs 35\n";
    server.Files[Acme + "pics/w8.jpg"] = "JPEG";
    const auto s = Update();
    ASSERT_EQ(s.Outcome, TUpdateOutcome::Updated);
    const TCatalogue c = ReadCatalogue(parts);
    ASSERT_EQ(c.Drivers.Items.size(), 3u);
    const TCatalogueDriver& t1 = c.Drivers.Items[0];  // 1 inch, 6.5, 8
    EXPECT_EQ(t1.ResponseFile, "ACME_t1.FRD");
    EXPECT_EQ(t1.ResponseCount, 0);
    EXPECT_EQ(t1.ImpedanceFile, "");                 // not a ZMA name
    EXPECT_EQ(c.Drivers.Items[1].ResponseFile, "");  // a hostile archive is refused whole
    const TCatalogueDriver& w8 = c.Drivers.Items[2];
    EXPECT_EQ(w8.TypeLetters, "WM");
    EXPECT_EQ(w8.UseLetters, "HP");
    EXPECT_EQ(w8.NominalImpedance, 8);
    EXPECT_EQ(w8.FLow, 35);
    EXPECT_EQ(w8.FHigh, 3000);
    EXPECT_EQ(w8.MaxPower, 100);
    EXPECT_EQ(w8.Sensitivity, 88.5);
    EXPECT_EQ(w8.EffectiveDia, 6.6);
    EXPECT_EQ(w8.ResponseFile, "ACME_w8");  // ".zip" appended to fetch it
    EXPECT_EQ(w8.ResponseNames, (std::vector<std::string>{"sub/w8@30.FRD", "w8@0.frd"}));
    EXPECT_EQ(w8.ResponseCount, 2);
    EXPECT_EQ(w8.ImpedanceFile, "ACME_w8.zma");
    EXPECT_EQ(w8.ParameterFile, "ACME_w8.tsp");
    EXPECT_EQ(w8.Picture, "ACME_w8.jpg");
    EXPECT_EQ(w8.Cost, 99);
    EXPECT_EQ(DriverResponsePath(parts, w8), parts + "ACME_w8/w8@0.frd");
    EXPECT_EQ(
        FilesBelow(parts),
        (std::vector<std::string>{"ACME_t1.FRD", "ACME_w8.jpg", "ACME_w8.tsp", "ACME_w8.zma", "ACME_w8/sub/w8@30.FRD",
                                  "ACME_w8/w8.zma", "ACME_w8/w8@0.frd", "C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"}));
    EXPECT_EQ(s.FailedDownloads, 4);  // the refused archive and the three missing passive files
    EXPECT_TRUE(std::find(server.Requests.begin(), server.Requests.end(), Acme + "frd/w8.zip") !=
                server.Requests.end());
}

// A first update fills the lists; the second one sees the vendor's next files.
TEST_F(CatalogueFixture, SecondUpdateFollowsDatesAndRemovals) {
    options.Today = CatalogueDateOf(2025, 5, 2);
    server.Files[Acme + "caps.pmd"] = Caps("05/01/2025",
                                           "A,05/01/2025,M,1,,,,,,,,,,,,\r\n"
                                           "B,05/01/2025,M,2,,,,,,,,,,,,\r\n"
                                           "C,05/01/2025,M,3,,,,,,,,,,,,\r\n");
    server.Files[Acme + "coils.pmd"] = Caps("05/01/2025", "L,05/01/2025,A,1,,,,,,,,,,,,\r\n");
    server.Files[Acme + "drivers.pmd"] = Caps("05/01/2025", "D,05/01/2025,M,D,w,h,8,,,,,,,,,,,,,,,,,\r\n");
    ASSERT_EQ(Update().Outcome, TUpdateOutcome::Updated);

    const struct {
        const char* what;
        std::string caps;  // the next capacitor file
        std::vector<std::string> after;
        TListChanges changes;
        std::string bValue;
    } cases[] = {
        {"B changed and dated today, A kept although older, C gone",
         Caps("06/01/2025", "B,06/01/2025,M,2.2,,,,,,,,,,,,\r\nA,01/01/2025,M,9,,,,,,,,,,,,\r\n"),
         {"A", "B"},
         {0, 1, 1},
         "2.2"},
        {"a file dated tomorrow is ignored",
         Caps("06/02/2025", "A,06/01/2025,M,1,,,,,,,,,,,,\r\n"),
         {"A", "B", "C"},
         {},
         "2"},
        {"a file older than the last merge is ignored",
         Caps("05/01/2025", "A,05/01/2025,M,1,,,,,,,,,,,,\r\n"),
         {"A", "B", "C"},
         {},
         "2"},
        {"a bad line: nothing removed",
         Caps("06/01/2025", "B,06/01/2025,M,2.5,,,,,,,,,,,,\r\nA,06/01/2025,M,x\r\n"),
         {"A", "B", "C"},
         {0, 1, 0},
         "2.5"},
        {"a file cut in its last line",
         Caps("06/01/2025", "D,06/01/2025,M,4,,,,,,,,,,,,\r\nB,06/01/2025,M,2"),
         {"A", "B", "C", "D"},
         {1, 0, 0},
         "2"},
    };
    TempFolder saved;
    for (const char* f : {"C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"})
        WriteWholeFile(saved.Path() + f, ReadWholeFile(parts + f));
    options.Today = Today;
    for (const auto& c : cases) {
        for (const char* f : {"C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"})
            WriteWholeFile(parts + f, ReadWholeFile(saved.Path() + f));
        server.Files[Acme + "caps.pmd"] = c.caps;
        const auto s = Update();
        ASSERT_EQ(s.Outcome, TUpdateOutcome::Updated) << c.what;
        const TCatalogue cat = ReadCatalogue(parts);
        std::vector<std::string> names;
        std::string b;
        for (const auto& p : cat.Capacitors.Items) {
            names.push_back(p.PartNumber);
            if (p.PartNumber == "B") b = FormatListNumber(p.Value, 3);
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.after) << c.what;
        EXPECT_EQ(b, c.bValue) << c.what;
        EXPECT_EQ(s.Changes[0].Added, c.changes.Added) << c.what;
        EXPECT_EQ(s.Changes[0].Updated, c.changes.Updated) << c.what;
        EXPECT_EQ(s.Changes[0].Removed, c.changes.Removed) << c.what;
        // The other categories' files are older than their last merge.
        EXPECT_EQ(cat.Inductors.Items.size(), 1u) << c.what;
    }
}

// Entries found by part number and vendor ignoring case, duplicates, lines
// for an entry added by an earlier line, deleted and returning vendors: the
// lists come out line for line as they always have.
TEST_F(CatalogueFixture, MergeKeepsItsLinesAndTheirOrder) {
    CreateFolderWithParents(parts);
    WriteWholeFile(parts + "C.pmd",
                   "05/01/2025\r\n"
                   "A1,04/01/2025,1,,,1,,ACME,m,,,,M,,,\r\n"
                   "a1,04/01/2025,2,,,1,,acme,dup,,,,M,,,\r\n"
                   "B1,04/01/2025,3,,,1,,OTHER,,,,,M,,,\r\n"
                   "C1,07/01/2025,4,,,1,,ACME,newer,,,,M,,,\r\n"
                   "D1,04/01/2025,5,,,1,,ACME,gone,,,,M,,,\r\n"
                   "Z1,04/01/2025,6,,,1,,ZED,,,,,M,,,\r\n"
                   "Z2,04/01/2025,0.5,,,1,,zed,,,,,M,,,\r\n");
    WriteWholeFile(parts + "L.pmd", "05/01/2025\r\nZL,04/01/2025,1,,,1,,ZED,,,,,A,,,\r\n");
    WriteWholeFile(parts + "V.pmd",
                   "05/01/2025,\r\nacme,t2,t3,Y,04/01/2025,,,,\r\nOTHER,,,Y,,,,,\r\nACME,second,,N,,,,,\r\n");
    server.Files[Index] =
        "5\r\nOTHER,,DELETE\r\nZED,,delete\r\nACME,acme ltd,Y,Acme,http://cat.test/acme/dates.pmd\r\n"
        "NEW,,Y,,http://cat.test/new/dates.pmd\r\nother,,Y,,http://cat.test/other/dates.pmd\r\n";
    server.Files["http://cat.test/other/dates.pmd"] = "05/01/2025\r\nhttp://cat.test/other/caps.pmd,,\r\n";
    server.Files["http://cat.test/other/caps.pmd"] = Caps("06/01/2025", "X1,06/01/2025,M,3,,,,,,,,,,,,\r\n");
    server.Files[Acme + "caps.pmd"] = Caps("06/01/2025",
                                           "a1,06/01/2025,M,1.5,,,,,,,,,,,,\r\n"
                                           "C1,06/01/2025,M,9,,,,,,,,,,,,\r\n"
                                           "E1,06/01/2025,M,2.5,,,,,,,,,,,,\r\n"
                                           "e1,06/01/2025,F,3.5,,,,,,,,,,,,\r\n"
                                           "B1,06/01/2025,M,3,,,,,,,,,,,,\r\n");
    const auto s = Update();
    ASSERT_EQ(s.Outcome, TUpdateOutcome::Updated);
    EXPECT_EQ(ReadWholeFile(parts + "C.pmd"),
              "06/01/2025\r\n"
              "A1,06/01/2025,1.5,0,,0.318,,ACME,,,,,M,,,\r\n"  // the first entry of that part number
              "B1,06/01/2025,3,0,,0.159,,ACME,,,,,M,,,\r\n"
              "X1,06/01/2025,3,0,,0.159,,OTHER,,,,,M,,,\r\n"   // deleted, then back with another list
              "E1,06/01/2025,3.5,0,,0.045,,ACME,,,,,F,,,\r\n"  // added, then changed by the next line
              "C1,07/01/2025,4,0,,1,,ACME,newer,,,,M,,,\r\n");
    EXPECT_EQ(ReadWholeFile(parts + "L.pmd"), "05/01/2025\r\n");
    EXPECT_EQ(ReadWholeFile(parts + "V.pmd"),
              "06/01/2025,\r\n"
              "acme,ACME LTD,Acme,Y,06/01/2025,12/30/1899,12/30/1899,12/30/1899,12/30/1899\r\n"
              "OTHER,,,Y,06/01/2025,12/30/1899,12/30/1899,12/30/1899,12/30/1899\r\n"
              "ACME,second,,N,12/30/1899,12/30/1899,12/30/1899,12/30/1899,12/30/1899\r\n"
              "ZED,,,N,12/30/1899,12/30/1899,12/30/1899,12/30/1899,12/30/1899\r\n"
              "NEW,,,Y,12/30/1899,12/30/1899,12/30/1899,12/30/1899,12/30/1899\r\n");
}

TEST_F(CatalogueFixture, DeletedVendorLosesItsPassivesButKeepsItsDrivers) {
    server.Files[Index] =
        "2\r\nACME,,Y,,http://cat.test/acme/dates.pmd\r\nOTHER,,Y,,http://cat.test/other/dates.pmd\r\n";
    server.Files["http://cat.test/other/dates.pmd"] =
        "05/01/2025\r\nhttp://cat.test/other/caps.pmd,,\r\n,,\r\n,,\r\nhttp://cat.test/other/drv.pmd,,,,,\r\n";
    server.Files["http://cat.test/other/caps.pmd"] = Caps("05/01/2025", "X1,05/01/2025,M,1,,,,,,,,,,,,\r\n");
    server.Files["http://cat.test/other/drv.pmd"] = Caps("05/01/2025", "XD,05/01/2025,M,D,w,h,8,,,,,,,,,,,,,,,,,\r\n");
    server.Files[Acme + "caps.pmd"] = Caps("05/01/2025", "A1,05/01/2025,M,1,,,,,,,,,,,,\r\n");
    ASSERT_EQ(Update().Outcome, TUpdateOutcome::Updated);
    ASSERT_EQ(ReadCatalogue(parts).Capacitors.Items.size(), 2u);

    server.Files[Index] = "2\r\nACME,,Y,,http://cat.test/acme/dates.pmd\r\nother,,delete\r\n";
    const auto s = Update();
    ASSERT_EQ(s.Outcome, TUpdateOutcome::Updated);
    const TCatalogue c = ReadCatalogue(parts);
    ASSERT_EQ(c.Capacitors.Items.size(), 1u);
    EXPECT_EQ(c.Capacitors.Items[0].Vendor, "ACME");
    ASSERT_EQ(c.Drivers.Items.size(), 1u);
    EXPECT_EQ(c.Drivers.Items[0].Vendor, "OTHER");
    EXPECT_EQ(s.Changes[0].Removed, 1);
    EXPECT_FALSE(c.Vendors.Items[1].Active);
}

TEST_F(CatalogueFixture, CancelLeavesEverythingAsItWas) {
    server.Files[Acme + "caps.pmd"] = Caps("05/01/2025", "A,05/01/2025,M,1,,,,,,,,,a.jpg,,,\r\n");
    server.Files[Acme + "pics/a.jpg"] = "JPEG";
    ASSERT_EQ(Update().Outcome, TUpdateOutcome::Updated);
    const auto before = FilesBelow(parts);
    const std::string caps = ReadWholeFile(parts + "C.pmd");

    server.Files[Acme + "caps.pmd"] = Caps("06/01/2025", "B,06/01/2025,M,1,,,,,,,,,a.jpg,,,\r\n");
    server.Files[Acme + "pics/a.jpg"] = "NEW JPEG";
    for (int stopAfter = 0; stopAfter < 4; ++stopAfter) {
        std::atomic<bool> cancel{false};
        int calls = 0;
        std::vector<std::string> vendors;
        const auto s = Update(&cancel, [&](const TUpdateProgress& p) {
            vendors.push_back(p.Vendor);
            if (++calls > stopAfter) cancel = true;
        });
        EXPECT_EQ(s.Outcome, TUpdateOutcome::Cancelled) << stopAfter;
        EXPECT_EQ(FilesBelow(parts), before) << stopAfter;
        EXPECT_EQ(ReadWholeFile(parts + "C.pmd"), caps);
        EXPECT_EQ(ReadWholeFile(parts + "ACME_a.jpg"), "JPEG");
        EXPECT_EQ(vendors.front(), "");  // the index first
    }
}

// Cancel is looked at every few thousand lines of a long file, not only
// between downloads; wherever it comes, the lists stay as they were.
TEST_F(CatalogueFixture, CancelActsWithinTenThousandLines) {
    server.Files[Acme + "caps.pmd"] = Caps("05/01/2025", "A,05/01/2025,M,1,,,,,,,,,,,,\r\n");
    ASSERT_EQ(Update().Outcome, TUpdateOutcome::Updated);
    const auto before = FilesBelow(parts);
    const std::string caps = ReadWholeFile(parts + "C.pmd"), vendors = ReadWholeFile(parts + "V.pmd");

    const int many = 30000;
    std::string index = std::to_string(many + 1) + "\r\n", longCaps = "06/01/2025\r\n", longDrivers = longCaps;
    for (int i = 0; i < many; ++i) {
        index += "V" + std::to_string(i) + ",,N\r\n";
        longCaps += "P" + std::to_string(i) + ",06/01/2025,M,1,,,,,,,,,,,,\r\n";
        longDrivers += "D" + std::to_string(i) + ",06/01/2025,M,D,w,h,8,,,,,,,,,,,,,,,,,\r\n";
    }
    index += "ACME,,Y,,http://cat.test/acme/dates.pmd\r\n";
    const std::string oneVendor = server.Files[Index],
                      shortCaps = Caps("06/01/2025", "B,06/01/2025,M,1,,,,,,,,,,,,\r\n");
    const struct {
        const char* what;
        std::string index, caps, drivers;
    } cases[] = {
        {"an index of many vendors", index, shortCaps, ""},
        {"a long capacitor file", oneVendor, longCaps, ""},
        {"a long driver file", oneVendor, shortCaps, longDrivers},
    };
    for (const auto& c : cases) {
        server.Files[Index] = c.index;
        server.Files[Acme + "caps.pmd"] = c.caps;
        server.Files[Acme + "drivers.pmd"] = c.drivers;
        for (std::size_t at : {std::size_t{1}, std::size_t{12345}}) {
            std::atomic<bool> cancel{false};
            std::size_t cancelledAt = 0, lastLine = 0;
            const auto s = Update(&cancel, [&](const TUpdateProgress& p) {
                if (p.Lines == 0) return;
                EXPECT_EQ(p.Lines, std::size_t(many) + (c.index == index ? 1 : 0)) << c.what;
                lastLine = p.Line;
                if (p.Line >= at && !cancel) {
                    cancel = true;
                    cancelledAt = p.Line;
                }
            });
            EXPECT_EQ(s.Outcome, TUpdateOutcome::Cancelled) << c.what << " at " << at;
            EXPECT_GT(cancelledAt, 0u) << c.what;
            EXPECT_LT(lastLine, cancelledAt + 10000) << c.what;
            EXPECT_EQ(FilesBelow(parts), before) << c.what;
            EXPECT_EQ(ReadWholeFile(parts + "C.pmd"), caps) << c.what;
            EXPECT_EQ(ReadWholeFile(parts + "V.pmd"), vendors) << c.what;
        }
    }
}

// Every file below a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& f : FilesBelow(folder)) files[f] = ReadWholeFile(folder + f);
    return files;
}

// A write or a move that fails at any step of putting the result in place
// (a full disk) leaves every list and file byte for byte as it was, and no
// working files; then the next update goes through.
TEST_F(CatalogueFixture, FailedWriteAtAnyStepChangesNothing) {
    const auto w8 = [](const char* date) {
        return "W8," + std::string(date) + ",Maker,W8,w,h,8,35,3000,100,88.5,8,6.6,0,0,w8,,,,,,,,99\r\n";
    };
    options.Today = CatalogueDateOf(2025, 5, 2);
    server.Files[Acme + "caps.pmd"] = Caps("05/01/2025", "A,05/01/2025,M,1,,,,,,,,,a.jpg,,,\r\n");
    server.Files[Acme + "pics/a.jpg"] = "JPEG";
    server.Files[Acme + "drivers.pmd"] = Caps("05/01/2025", w8("05/01/2025"));
    server.Files[Acme + "frd/w8.zip"] = MakeZip({{"w8@0.frd", "10 90 0\n"}});
    ASSERT_EQ(Update().Outcome, TUpdateOutcome::Updated);

    // The next files change every list and file, and bring new ones.
    options.Today = Today;
    server.Files[Acme + "caps.pmd"] =
        Caps("06/01/2025", "A,06/01/2025,M,2,,,,,,,,,a.jpg,,,\r\nB,06/01/2025,M,3,,,,,,,,,b.jpg,,,\r\n");
    server.Files[Acme + "pics/a.jpg"] = "NEW JPEG";
    server.Files[Acme + "pics/b.jpg"] = "B JPEG";
    server.Files[Acme + "drivers.pmd"] = Caps("06/01/2025", w8("06/01/2025"));
    server.Files[Acme + "frd/w8.zip"] = MakeZip({{"w8@0.frd", "10 91 0\n"}, {"w8@30.frd", "10 85 0\n"}});
    const auto before = Snapshot(parts);
    ASSERT_EQ(before.count("ACME_w8/w8@0.frd"), 1u);

    FailingFileOps ops;
    options.Files = &ops;
    int steps = 0;
    for (int n = 1; n < 100; ++n) {
        ops.FailAt = n;
        ops.Calls = 0;
        const auto s = Update();
        if (ops.Calls < n) {
            EXPECT_EQ(s.Outcome, TUpdateOutcome::Updated);
            steps = n - 1;
            break;
        }
        EXPECT_EQ(s.Outcome, TUpdateOutcome::WriteFailed) << "step " << n;
        EXPECT_EQ(Snapshot(parts), before) << "step " << n;
        EXPECT_EQ(s.Lists.Capacitors.Items.size(), 1u) << "step " << n;  // the lists as they are
        ASSERT_FALSE(s.Notes.empty());
        EXPECT_NE(s.Notes.back().find(parts), std::string::npos) << s.Notes.back();
        EXPECT_NE(s.Notes.back().find(std::strerror(ENOSPC)), std::string::npos) << s.Notes.back();
    }
    EXPECT_GE(steps, 15);  // five lists written, then every file and list moved aside and in
    const TCatalogue c = ReadCatalogue(parts);
    EXPECT_EQ(c.Capacitors.Items.size(), 2u);
    EXPECT_EQ(c.Vendors.Items[0].Dates[0], Today);
    EXPECT_EQ(ReadWholeFile(parts + "ACME_a.jpg"), "NEW JPEG");
    EXPECT_EQ(ReadWholeFile(parts + "ACME_w8/w8@30.frd"), "10 85 0\n");
}

// A public catalogue server's redirects, and those of the vendors' servers
// it names, may not lead to this machine or a private network; those of a
// local server may.
TEST_F(CatalogueFixture, PublicServerHoldsRedirectsToPublicAddresses) {
    for (bool isPublic : {true, false}) {
        server.Requests.clear();
        server.Scopes.clear();
        server.PublicOrigins.clear();
        if (isPublic) server.PublicOrigins.insert(Index);
        ASSERT_EQ(Update().Outcome, TUpdateOutcome::Updated);
        ASSERT_GT(server.Requests.size(), 2u);
        const auto want = isPublic ? TRedirectScope::PublicOnly : TRedirectScope::Anywhere;
        for (std::size_t i = 1; i < server.Requests.size(); ++i)
            EXPECT_EQ(server.Scopes[i], want) << server.Requests[i] << (isPublic ? " (public)" : " (local)");
    }
}

TEST_F(CatalogueFixture, ServerNamesNeverLeaveThePartsFolder) {
    server.Files[Index] = "1\r\n../../Evil/Name,,Y,,http://cat.test/acme/dates.pmd\r\n";
    server.Files[Acme + "caps.pmd"] = Caps("05/01/2025",
                                           "A,05/01/2025,M,1,,,,,,,,,http://cat.test/x/..%2F..%2Fa.jpg,,,\r\n"
                                           "B,05/01/2025,M,2,,,,,,,,,file:///etc/hostname.jpg,javascript:alert(1),,\r\n"
                                           "C,05/01/2025,M,3,,,,,,,,,http://cat.test/.hidden.gif,,,\r\n");
    server.Files["http://cat.test/x/..%2F..%2Fa.jpg"] = "JPEG";
    server.Files["http://cat.test/.hidden.gif"] = "GIF";
    const auto s = Update();
    ASSERT_EQ(s.Outcome, TUpdateOutcome::Updated);
    EXPECT_EQ(FilesBelow(tmp.Path()),
              (std::vector<std::string>{"PartsLists/C.pmd", "PartsLists/L.pmd", "PartsLists/R.pmd", "PartsLists/S.pmd",
                                        "PartsLists/V.pmd", "PartsLists/_.._.._EVIL_NAME_.._2F.._2Fa.jpg",
                                        "PartsLists/_.._.._EVIL_NAME_.hidden.gif"}));
    for (const std::string& url : server.Requests) EXPECT_EQ(url.rfind("file:", 0), std::string::npos) << url;
    const TCatalogue c = ReadCatalogue(parts);
    EXPECT_EQ(c.Capacitors.Items[0].Vendor, "../../EVIL/NAME");  // the name itself is kept as text
    EXPECT_EQ(c.Capacitors.Items[1].WebLink, "http://web.test/c/javascript:alert(1)");  // only ever a web address
}

}  // namespace

namespace {

TEST(CatalogueServer, SettingAndShippedDefault) {
    TempFolder tmp;
    TSettings s;
    EXPECT_EQ(CatalogueServerUrl(s), PathToFileUrl(std::string(PELMO_SOURCE_DIR) + "/catalogue/"));
    s.CatalogueServer = "http://parts.example/mirror";
    ASSERT_TRUE(WriteSettings(tmp.Path(), s));
    EXPECT_NE(ReadWholeFile(tmp.Path() + "Pelmo.ini").find("CatalogueServer=http://parts.example/mirror\r\n"),
              std::string::npos);
    EXPECT_EQ(CatalogueServerUrl(ReadSettings(tmp.Path())), "http://parts.example/mirror");

    // An installed program finds the catalogue beside its examples.
    CreateFolderWithParents(tmp.Path() + "prefix/bin/");
    CreateFolderWithParents(tmp.Path() + "prefix/share/pelmo/catalogue/PmParts/");
    EXPECT_EQ(ShippedCatalogueFolder(tmp.Path() + "prefix/bin"), tmp.Path() + "prefix/share/pelmo/catalogue/");
    EXPECT_EQ(ShippedCatalogueFolder(tmp.Path() + "elsewhere"), std::string(PELMO_SOURCE_DIR) + "/catalogue/");
}

TEST_F(CatalogueFixture, LeftoversOfAnUnfinishedRunGo) {
    CreateFolderWithParents(parts + ".update-old/files/");
    WriteWholeFile(parts + ".update-old/files/x.jpg", "x");
    std::filesystem::last_write_time(parts + ".update-old",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    CreateFolderWithParents(parts + ".update-running/");
    ASSERT_EQ(Update().Outcome, TUpdateOutcome::Updated);
    EXPECT_FALSE(IsFolder(parts + ".update-old"));
    EXPECT_TRUE(IsFolder(parts + ".update-running"));  // another program's update, still young
}

}  // namespace
