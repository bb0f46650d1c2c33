// What the browsers show of the lists and what choosing an entry does.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "CatalogueTestKit.h"
#include "TestSupport.h"
#include "base/Paths.h"
#include "catalogue/CatalogueBrowse.h"
#include "catalogue/ProgramVersion.h"
#include "model/Design.h"

using namespace pelmo;
using namespace pelmo::test;

namespace {

TPassive Passive(const std::string& pn, double value, const std::string& code, double esr = 0) {
    TPassive p;
    p.PartNumber = pn;
    p.Value = value;
    p.TypeCode = code;
    p.ESR = esr;
    p.Vendor = "ACME";
    p.Model = "model " + pn;
    return p;
}

// Inductors 4.7, 5.6 (air), 5.6 (solid), 6.8 mH, 10 mH (foil), sorted as the lists are.
TPassives Inductors() {
    TPassives l;
    l.Kind = TPassiveKind::Inductor;
    l.Items = {Passive("L47", 4.7, "A", 1.1), Passive("L56A", 5.6, "A", 1.31), Passive("L56S", 5.6, "S", 0.45),
               Passive("L68", 6.8, "A", 1.5), Passive("L100", 10, "F", 0.2)};
    return l;
}

std::vector<std::string> PartNumbers(const TPassives& l, const std::vector<std::size_t>& entries) {
    std::vector<std::string> out;
    for (std::size_t e : entries) out.push_back(l.Items[e].PartNumber);
    return out;
}

}  // namespace

TEST(CatalogueBrowse, TheRowOfThePartsValueOrPartNumber) {
    const TPassives l = Inductors();
    struct Case {
        const char* what;
        double henries;
        std::string partNumber;
        int current;
        bool select, matched;
    };
    const Case cases[] = {
        // Rows count from 0. Two entries within 1 % of 5.6 mH: the middle of
        // the band reaching down to the last row below it is current (L56A),
        // nothing is chosen.
        {"value of two entries", 5.6e-3, "", 1, false, false},
        // 6 mH lies between entries: the one below is shown, not copied
        // (the element has no part number).
        {"value between entries", 6.0e-3, "", 2, true, false},
        // A value that is exactly the last entry's: current, not chosen.
        {"value of the last entry", 10e-3, "", 4, false, false},
        {"value below every entry", 1e-3, "", -1, false, false},
        // The element's own part number wins over its value (ignoring case).
        {"part number", 5.6e-3, "l56s", 2, true, true},
        {"part number not listed", 4.7e-3, "GONE", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TBrowseRows r = PassiveRows(l, {}, c.henries, c.partNumber);
        EXPECT_EQ(r.Entries.size(), 5u);
        EXPECT_EQ(r.Current, c.current);
        EXPECT_EQ(r.Select, c.select);
        EXPECT_EQ(r.Matched, c.matched);
    }
    // Capacitor targets are farads, shown in microfarads.
    TPassives caps;
    caps.Kind = TPassiveKind::Capacitor;
    caps.Items = {Passive("C1", 1, "M"), Passive("C2", 2.2, "M")};
    EXPECT_EQ(PassiveRows(caps, {}, 2.2e-6, "").Current, 1);
}

TEST(CatalogueBrowse, FiltersAndSorting) {
    TPassives l = Inductors();
    l.Items.push_back(Passive("LXX", 12, "Q"));  // a code of no box: always shown
    l.Items[1].Description = "Brooks coil, heavy wire";

    TPassiveFilter noAir;
    noAir.Types = {false, true, true};
    EXPECT_EQ(PartNumbers(l, PassiveRows(l, noAir, 0, "").Entries), (std::vector<std::string>{"L56S", "L100", "LXX"}));
    TPassiveFilter none;
    none.Types = {false, false, false};
    EXPECT_EQ(PartNumbers(l, PassiveRows(l, none, 0, "").Entries), (std::vector<std::string>{"LXX"}));
    // Every word must occur in the part number, the model or the description.
    TPassiveFilter words;
    words.Text = "  brooks   HEAVY ";
    EXPECT_EQ(PartNumbers(l, PassiveRows(l, words, 0, "").Entries), (std::vector<std::string>{"L56A"}));
    words.Text = "model l6";
    EXPECT_EQ(PartNumbers(l, PassiveRows(l, words, 0, "").Entries), (std::vector<std::string>{"L68"}));

    // Sorting by ESR (column 3) descending; the matched entry follows its row.
    const TBrowseRows byEsr = PassiveRows(l, {}, 5.6e-3, "L56S", {3, true});
    EXPECT_EQ(PartNumbers(l, byEsr.Entries), (std::vector<std::string>{"L68", "L56A", "L47", "L56S", "L100", "LXX"}));
    EXPECT_EQ(byEsr.Current, 3);
    // A text column sorts ignoring case; equal keys keep the catalogue's order.
    l.Items[0].Model = "b";
    l.Items[1].Model = "A";
    l.Items[2].Model = "a";
    l.Items[3].Model = "C";
    l.Items[4].Model = "b";
    l.Items[5].Model = "c";
    const int model = 9;  // Value Tol. Watts ESR Type AWG Part# Vendor Manuf. Model
    EXPECT_EQ(PassiveColumnTitle(TPassiveKind::Inductor, PassiveColumns(TPassiveKind::Inductor)[model]), "Model");
    EXPECT_EQ(PartNumbers(l, PassiveRows(l, {}, 0, "", {model, false}).Entries),
              (std::vector<std::string>{"L56A", "L56S", "L47", "L100", "L68", "LXX"}));
}

TEST(CatalogueBrowse, DriverFilters) {
    TCatalogueDrivers l;
    auto add = [&](const char* pn, const char* types, const char* uses, double dia) {
        TCatalogueDriver d;
        d.PartNumber = pn;
        d.TypeLetters = types;
        d.UseLetters = uses;
        d.NominalDia = dia;
        d.Vendor = "ACME";
        l.Items.push_back(d);
    };
    add("T1", "T", "H", 1);
    add("M4", "M", "HP", 4);
    add("W4", "WM", "H", 4.01);
    add("W8", "W", "P", 8);
    add("W12", "W", "H", 12);
    add("S15", "S", "HP", 15);
    struct Case {
        const char* what;
        TDriverFilter filter;
        std::vector<std::string> shown;
    };
    auto filter = [](std::array<bool, 4> t, std::array<bool, 2> u, std::array<bool, 5> s) {
        TDriverFilter f;
        f.Types = t;
        f.Uses = u;
        f.Sizes = s;
        return f;
    };
    const Case cases[] = {
        {"all", {}, {"T1", "M4", "W4", "W8", "W12", "S15"}},
        {"woofers",
         filter({false, true, false, false}, {true, true}, {true, true, true, true, true}),
         {"W4", "W8", "W12"}},
        {"pro", filter({true, true, true, true}, {false, true}, {true, true, true, true, true}), {"M4", "W8", "S15"}},
        // 4 belongs to "2 to 4", 4.01 to "4+ to 8", 12 to "8+ to 12".
        {"2 to 4", filter({true, true, true, true}, {true, true}, {false, true, false, false, false}), {"M4"}},
        {"4+ to 8", filter({true, true, true, true}, {true, true}, {false, false, true, false, false}), {"W4", "W8"}},
        {"8+ to 12 and above",
         filter({true, true, true, true}, {true, true}, {false, false, false, true, true}),
         {"W12", "S15"}},
        {"no use box", filter({true, true, true, true}, {false, false}, {true, true, true, true, true}), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> shown;
        for (std::size_t e : DriverRows(l, c.filter, "").Entries) shown.push_back(l.Items[e].PartNumber);
        EXPECT_EQ(shown, c.shown);
    }
    const TBrowseRows own = DriverRows(l, {}, "w8");
    EXPECT_EQ(own.Current, 3);
    EXPECT_TRUE(own.Select && own.Matched);
    // Sorted by nominal diameter (column 7) descending.
    EXPECT_EQ(DriverRows(l, {}, "w8", {7, true}).Current, 2);
}

TEST(CatalogueBrowse, CellTexts) {
    TPassive c = Passive("C1", 4.7, "M", 0.101);
    c.Tolerance = 5;
    c.Rating = 400;
    c.Cost = 3.456;
    TPassive l = Passive("L1", 5.6, "A", 1.31);
    l.AWG = 18;
    l.Rating = 65;
    TPassive r = Passive("R1", 8.2, "N");
    r.Rating = 10;
    EXPECT_EQ(PassiveColumns(TPassiveKind::Capacitor).size(), 11u);
    EXPECT_EQ(PassiveColumns(TPassiveKind::Inductor).size(), 12u);
    EXPECT_EQ(PassiveColumns(TPassiveKind::Resistor).size(), 10u);
    auto cells = [](TPassiveKind kind, const TPassive& p) {
        std::vector<std::string> out;
        for (TPassiveColumn col : PassiveColumns(kind)) out.push_back(PassiveCell(kind, p, col));
        return out;
    };
    EXPECT_EQ(cells(TPassiveKind::Capacitor, c),
              (std::vector<std::string>{"4.7uF", "5%", "400V", "0.101ohm", "Metal Film", "C1", "ACME", "", "model C1",
                                        "", "$3.46"}));
    EXPECT_EQ(cells(TPassiveKind::Inductor, l), (std::vector<std::string>{"5.6mH", "", "65W", "1.31ohm", "Air Core",
                                                                          "18", "L1", "ACME", "", "model L1", "", ""}));
    EXPECT_EQ(cells(TPassiveKind::Resistor, r),
              (std::vector<std::string>{"8.2ohm", "", "10W", "Non-ind.", "R1", "ACME", "", "model R1", "", ""}));

    TCatalogueDriver d;
    d.TypeLetters = "WM";
    d.UseLetters = "HP";
    d.NominalImpedance = 8;
    d.Sensitivity = 88.46;
    d.FLow = 38.25;
    d.FHigh = 20000;
    d.NominalDia = 6.5;
    std::vector<std::string> row;
    for (TDriverColumn col : DriverColumns()) row.push_back(DriverCell(d, col));
    EXPECT_EQ(row, (std::vector<std::string>{"woofer/mid", "home/pro", "", "", "8ohm", "88.5", "0", "6.5", "38.25",
                                             "20000", "", "", "", ""}));
    d.FHigh = 1234.5;
    EXPECT_EQ(DriverCell(d, TDriverColumn::FHigh), "1235");

    const TPassiveDetails details = PassiveDetailsOf(TPassiveKind::Resistor, r);
    EXPECT_EQ(details.VendorAndPartNumber, "ACME  R1");
    EXPECT_EQ(details.Value, "8.2ohm");
    EXPECT_EQ(details.Tolerance, "");
    EXPECT_EQ(details.Rating, "10W");
    r.Rating = 0.25;  // a quarter watt: the unit is left off
    EXPECT_EQ(PassiveDetailsOf(TPassiveKind::Resistor, r).Rating, "0");
}

TEST(CatalogueBrowse, ChoosingAPassiveBindsThePart) {
    struct Case {
        TPartType type;
        double value, bound;
    };
    for (const Case& c : {Case{TPartType::Capacitor, 4.7, 4.7e-6}, Case{TPartType::Inductor, 5.6, 5.6e-3},
                          Case{TPartType::Resistor, 8.2, 8.2}}) {
        TPart part;
        part.PartType = c.type;
        part.Value = 1;
        part.ESR = 0.5;
        TPassive p = Passive("X1", c.value, "A", 1.31);
        p.Rating = 65;
        ApplyPassive(part, p);
        EXPECT_EQ(part.PartNumber, "X1");
        EXPECT_EQ(part.Vendor, "ACME");
        EXPECT_DOUBLE_EQ(part.BoundValue, c.bound);
        EXPECT_EQ(part.BoundESR, 1.31);
        EXPECT_EQ(part.BoundRating, 65);
        // The solve now takes the catalogue's values; the part's own stay.
        EXPECT_DOUBLE_EQ(PartValue(part), c.bound);
        EXPECT_EQ(PartESR(part), 1.31);
        EXPECT_EQ(part.Value, 1);
    }
}

namespace {

std::string MeasurementText(double level, double phase) {
    std::string s;
    for (double f = 10; f <= 40000; f *= 1.25)
        s += std::to_string(f) + " " + std::to_string(level) + " " + std::to_string(phase) + "\n";
    return s;
}

}  // namespace

TEST(CatalogueBrowse, ChoosingADriverLoadsItsFilesWithFullPaths) {
    TempFolder tmp;
    const std::string parts = tmp.Path() + "PartsLists/";
    CreateFolderWithParents(parts + "ACME_W8/");
    WriteWholeFile(parts + "ACME_W6.frd", MeasurementText(88, -30));
    WriteWholeFile(parts + "ACME_W6.zma", MeasurementText(6, 10));
    CreateFolderWithParents(parts + "ACME_W8/");
    WriteWholeFile(parts + "ACME_W8/W8@15.frd", MeasurementText(80, 0));
    WriteWholeFile(parts + "ACME_W8/W8@0.frd", MeasurementText(91, 0));

    TDesign d;
    TDriver drv;
    drv.Acoustic.HilbertPhase = true;
    drv.Name = "woofer";
    TCatalogueDriver e;
    e.PartNumber = "W6";
    e.Vendor = "ACME";
    e.Manufacturer = "Maker";
    e.Model = "W6 paper";
    e.MaxPower = 80;
    e.NominalDia = 6.5;
    e.EffectiveDia = 5.1;
    e.ResponseFile = "ACME_W6.frd";
    e.ImpedanceFile = "ACME_W6.zma";
    RecordingMessageSink sink;
    ApplyCatalogueDriver(d, drv, e, parts, sink);
    EXPECT_TRUE(sink.Messages.empty());
    EXPECT_EQ(drv.PartNumber, "W6");
    EXPECT_EQ(drv.Acoustic.FRDFile, parts + "ACME_W6.frd");
    EXPECT_EQ(drv.Acoustic.FRDFolder, parts);
    EXPECT_EQ(drv.ZMAFile, parts + "ACME_W6.zma");  // the full path, so that saving embeds it
    EXPECT_FALSE(drv.Acoustic.HilbertPhase);
    EXPECT_EQ(drv.Rating, 80);
    EXPECT_EQ(drv.NominalDia, 6.5);
    EXPECT_EQ(drv.Acoustic.DiameterInches, 5.1);
    EXPECT_EQ(drv.Vendor, "ACME");
    EXPECT_EQ(drv.Description, "Maker W6 paper");
    EXPECT_EQ(drv.Name, "woofer");
    ASSERT_EQ(drv.Acoustic.Response.Re.size(), 500u);
    EXPECT_NEAR(
        20 * std::log10(std::abs(std::complex<double>(drv.Acoustic.Response.Re[250], drv.Acoustic.Response.Im[250]))),
        88, 0.1);
    EXPECT_NEAR(std::abs(1.0 / std::complex<double>(drv.Admittance.Re[250], drv.Admittance.Im[250])), 6, 0.01);

    // A set of responses: the on-axis file of the folder.
    e.ResponseFile = "ACME_W8";
    e.ResponseNames = {"W8@0.frd", "W8@15.frd"};
    e.ResponseCount = 2;
    ApplyCatalogueDriver(d, drv, e, parts, sink);
    EXPECT_EQ(drv.Acoustic.FRDFile, parts + "ACME_W8/W8@0.frd");
    EXPECT_EQ(drv.Acoustic.FRDFolder, parts + "ACME_W8/");
    EXPECT_NEAR(
        20 * std::log10(std::abs(std::complex<double>(drv.Acoustic.Response.Re[250], drv.Acoustic.Response.Im[250]))),
        91, 0.1);

    // Files that are missing, or names that would leave the folder: the
    // default data and a message each, never silence.
    struct Bad {
        const char* what;
        std::string response, names, impedance;
        std::size_t messages;  // one per file
    };
    for (const Bad& b : {Bad{"missing files", "ACME_GONE.frd", "", "ACME_GONE.zma", 2}, Bad{"no files", "", "", "", 2},
                         Bad{"names out of the folder", "../ACME_W6.frd", "", "../x.zma", 2},
                         Bad{"a set name out of the folder", "ACME_W8", "../../W8@0.frd", "/etc/passwd", 2}}) {
        SCOPED_TRACE(b.what);
        TDriver fresh;
        fresh.Acoustic.FRDFile = "/old/woofer.frd";
        fresh.ZMAFile = "/old/woofer.zma";
        e.ResponseFile = b.response;
        e.ResponseNames = b.names.empty() ? std::vector<std::string>{} : std::vector<std::string>{b.names};
        e.ImpedanceFile = b.impedance;
        sink.Messages.clear();
        ApplyCatalogueDriver(d, fresh, e, parts, sink);
        EXPECT_EQ(sink.Messages.size(), b.messages);
        EXPECT_TRUE(fresh.Acoustic.FRDFile.empty());
        EXPECT_TRUE(fresh.ZMAFile.empty());
        EXPECT_TRUE(fresh.Acoustic.FRDFolder.empty());
        ASSERT_EQ(fresh.Acoustic.Response.Re.size(), 500u);
        EXPECT_EQ(fresh.Acoustic.Response.Re[100], std::pow(10.0, 3.5));  // flat 70 dB
        EXPECT_EQ(fresh.Admittance.Re[100], 0.125);                       // 8 ohms
        EXPECT_EQ(fresh.PartNumber, "W6");
    }
}

TEST(ProgramVersion, ComparesWithTheServersVersion) {
    struct Order {
        const char *a, *b;
        int order;
    };
    for (const Order& o : {Order{"0.1.0", "0.1", 0}, Order{"0.10.2", "0.9.9", 1}, Order{"1.0-rc1", "1.0", 0},
                           Order{"v2", "1.99.99", 1}, Order{" 0.1.0 ", "0.1.1", -1}}) {
        std::vector<long> a, b;
        ASSERT_TRUE(ParseVersion(o.a, a));
        ASSERT_TRUE(ParseVersion(o.b, b));
        EXPECT_EQ(CompareVersions(a, b), o.order) << o.a << " vs " << o.b;
    }
    std::vector<long> none;
    EXPECT_FALSE(ParseVersion("<html>", none));

    TempFolder tmp;
    FakeDownloader server;
    const std::string url = "http://h:8000/mirror/PmParts/PelmoVersion.txt";
    EXPECT_EQ(ProgramVersionUrl("http://h:8000/mirror/"), url);
    struct Case {
        const char* what;
        const char* body;  // nullptr: not found
        TVersionCheck::Outcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"newer", "0.2.0\r\n", TVersionCheck::Outcome::Newer,
         "Pelmo 0.2.0 is available; this is Pelmo 0.1.0.\nInstall the new version with your system's package "
         "manager."},
        {"same", "0.1.0\n", TVersionCheck::Outcome::Current, "This Pelmo (0.1.0) is up to date."},
        {"older", "0.0.9", TVersionCheck::Outcome::Current, "This Pelmo (0.1.0) is up to date."},
        {"no number", "<html>moved</html>", TVersionCheck::Outcome::Unreadable,
         "The version file at http://h:8000/mirror/PmParts/PelmoVersion.txt holds no version number."},
        {"missing", nullptr, TVersionCheck::Outcome::Unreachable,
         "Could not find out whether a newer Pelmo exists:\nhttp://h:8000/mirror/PmParts/PelmoVersion.txt was not "
         "found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.Files.clear();
        if (c.body) server.Files[url] = c.body;
        const TVersionCheck check = CheckProgramVersion("http://h:8000/mirror", "0.1.0", server, tmp.Path() + "work");
        EXPECT_EQ(check.State, c.outcome);
        EXPECT_EQ(VersionCheckMessage(check, "0.1.0"), c.message);
        EXPECT_TRUE(FilesBelow(tmp.Path() + "work").empty());  // the fetched file is gone again
    }
}
