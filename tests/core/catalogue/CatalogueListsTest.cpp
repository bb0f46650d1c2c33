#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/TextFile.h"
#include "catalogue/CatalogueLists.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

TPassive Capacitor(const std::string& pn, double value) {
    TPassive p;
    p.PartNumber = pn;
    p.Date = CatalogueDateOf(2025, 3, 4);
    p.Value = value;
    p.Rating = 250;
    p.Tolerance = 5;
    p.ESR = 0.0335;
    p.Vendor = "ACME";
    p.Model = "MKP, axial";
    p.Description = "film \"audio\" cap";
    p.Manufacturer = "Maker";
    p.Picture = "ACME_c.jpg";
    p.TypeCode = "M";
    p.WebLink = "http://example.com/c?id=1";
    p.Cost = 3.456;
    return p;
}

TCatalogueDriver Driver(const std::string& pn, double dia) {
    TCatalogueDriver d;
    d.PartNumber = pn;
    d.Date = CatalogueDateOf(2025, 1, 2);
    d.TypeLetters = "WM";
    d.UseLetters = "H";
    d.Vendor = "ACME";
    d.Model = "W8";
    d.Description = "8 in woofer";
    d.Manufacturer = "Maker";
    d.MaxPower = 80;
    d.Sensitivity = 88.4;
    d.FLow = 35;
    d.FHigh = 3000;
    d.NominalDia = dia;
    d.EffectiveDia = 6.5;
    d.NominalImpedance = 8;
    d.ResponseFile = "ACME_W8";
    d.ResponseNames = {"W8@0.frd", "W8@30.frd", "sub/W8@60.frd"};
    d.ResponseCount = 3;
    d.ImpedanceFile = "ACME_W8.zma";
    d.ParameterFile = "ACME_W8.tsp";
    d.Cost = 49.9;
    return d;
}

TEST(CatalogueLists, LinesFollowTheFileLayout) {
    TPassive p = Capacitor("C-1", 4.7);
    EXPECT_EQ(PassiveLine(p),
              "C-1,03/04/2025,4.7,250,5,0.034,,ACME,MKP^, axial,\"film \"\"audio\"\" cap\",Maker,ACME_c.jpg,M,"
              "http://example.com/c?id=1,3.46,");
    // Tolerance up to 0.1, AWG up to 1 and cost up to 0.01 are written empty.
    p.Tolerance = 0.1;
    p.AWG = 16.4;
    p.Cost = 0.01;
    EXPECT_EQ(PassiveLine(p).substr(0, 32), "C-1,03/04/2025,4.7,250,,0.034,16");
    EXPECT_EQ(PassiveLine(p).substr(PassiveLine(p).size() - 2), ",,");

    EXPECT_EQ(DriverLine(Driver("W-8", 8)),
              "W-8,01/02/2025,WM,H,ACME,W8,8 in woofer,Maker,80,88.4,35,3000,8,6.5,0,0,8,,,ACME_W8,3,W8@0.frd,"
              "W8@30.frd,sub/W8@60.frd,ACME_W8.zma,ACME_W8.tsp,49.9");
    TVendorInfo v;
    v.Name = "ACME";
    v.Text2 = "X";
    v.Active = true;
    v.Dates[1] = CatalogueDateOf(2024, 12, 31);
    EXPECT_EQ(VendorLine(v), "ACME,X,,Y,12/30/1899,12/31/2024,12/30/1899,12/30/1899,12/30/1899");
}

TEST(CatalogueLists, FolderRoundTrip) {
    TempFolder tmp;
    TCatalogue c;
    c.Capacitors.Date = CatalogueDateOf(2025, 5, 6);
    c.Capacitors.Items = {Capacitor("C-1", 4.7), Capacitor("C-2", 10)};
    c.Inductors.Items = {Capacitor("L-1", 1.5)};
    c.Inductors.Items[0].AWG = 18;
    c.Inductors.Items[0].TypeCode = "A";
    c.Drivers.Items = {Driver("T-1", 1), Driver("W-8", 8)};
    c.Drivers.Items[0].ResponseNames.clear();
    c.Drivers.Items[0].ResponseCount = 0;
    c.Drivers.Items[0].ResponseFile = "ACME_T1.frd";
    TVendorInfo v;
    v.Name = "ACME";
    v.Text2 = "A, B";
    v.Active = true;
    v.Dates = {1, 2, 3, 4, 5};
    c.Vendors.Items = {v};
    c.Vendors.Date = CatalogueDateOf(2025, 5, 7);
    ASSERT_TRUE(WriteCatalogue(tmp.Path(), c));
    EXPECT_EQ(ReadWholeFile(tmp.Path() + "V.pmd").substr(0, 13), "05/07/2025,\r\n");

    TListReadReport report;
    const TCatalogue back = ReadCatalogue(tmp.Path(), &report);
    EXPECT_EQ(report.BadLines, 0);
    // Written again, every file comes out byte for byte the same.
    TempFolder again;
    ASSERT_TRUE(WriteCatalogue(again.Path(), back));
    for (const char* name : {"C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"})
        EXPECT_EQ(ReadWholeFile(again.Path() + name), ReadWholeFile(tmp.Path() + name)) << name;
    ASSERT_EQ(back.Drivers.Items.size(), 2u);
    EXPECT_EQ(back.Drivers.Items[0].PartNumber, "T-1");  // sorted by nominal diameter
    EXPECT_EQ(back.Drivers.Items[1].ResponseNames, Driver("W-8", 8).ResponseNames);
    EXPECT_EQ(back.Capacitors.Items[0].Description, "film \"audio\" cap");
    EXPECT_EQ(back.Vendors.Items[0].Text2, "A, B");
    EXPECT_EQ(back.Capacitors.Date, CatalogueDateOf(2025, 5, 6));
}

TEST(CatalogueLists, ReadingSkipsWhatDoesNotParse) {
    TempFolder tmp;
    const std::string good1 = PassiveLine(Capacitor("B", 22)), good2 = PassiveLine(Capacitor("A", 2.2));
    const struct {
        std::string text;
        std::size_t entries;
        int bad;
        TCatalogueDate date;
    } cases[] = {
        {"", 0, 0, 0},
        {"not a date\r\n" + good1, 0, 0, 0},  // no date: the list stays empty
        {"01/01/2025\r\n" + good1 + "\r\nC,01/01/2025,x\r\n\r\n" + good2, 2, 1, CatalogueDateOf(2025, 1, 1)},
        {"01/01/2025\nC,01/01/2025,1,,,,,,\n" + good2, 1, 1, CatalogueDateOf(2025, 1, 1)},  // no vendor
        {"01/01/2025\r\nC,bad date,1,2,,,,V,,,,,,,,", 1, 0, CatalogueDateOf(2025, 1, 1)},   // date 0, kept
    };
    for (const auto& c : cases) {
        WriteWholeFile(tmp.Path() + "C.pmd", c.text);
        TListReadReport report;
        const TPassives list = ReadPassiveList(tmp.Path() + "C.pmd", TPassiveKind::Capacitor, &report);
        EXPECT_EQ(list.Items.size(), c.entries) << c.text;
        EXPECT_EQ(report.BadLines, c.bad) << c.text;
        EXPECT_EQ(list.Date, c.date) << c.text;
        if (c.entries == 2) {
            EXPECT_EQ(list.Items[0].PartNumber, "A");  // ascending value
        }
    }
    // A missing file is an empty list.
    EXPECT_TRUE(ReadDriverList(tmp.Path() + "none.pmd").Items.empty());
}

TEST(CatalogueLists, OnAxisResponseOfAnArchive) {
    TCatalogueDriver d = Driver("W", 8);
    EXPECT_EQ(DriverResponsePath("/p/", d), "/p/ACME_W8/W8@0.frd");
    d.ResponseNames = {"a.FRD", "b@0.FRD"};
    EXPECT_EQ(DriverResponsePath("/p/", d), "/p/ACME_W8/b@0.FRD");
    d.ResponseNames.clear();
    d.ResponseFile = "ACME_W8.frd";
    EXPECT_EQ(DriverResponsePath("/p/", d), "/p/ACME_W8.frd");
}

}  // namespace
