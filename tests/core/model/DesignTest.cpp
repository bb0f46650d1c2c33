#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "model/Design.h"
#include "model/StepModes.h"

using namespace pelmo;

namespace {

struct GeometryCase {
    const char* what;
    TPoint t1, t2;
    TRect body;
    TPoint expT1, expT2;
    TRect expBody;
};

TEST(Geometry, TerminalsAndBodiesOfEveryKind) {
    const GeometryCase cases[] = {
        {"vertical part",
         PartTerminals({10, 20}, false).T1,
         PartTerminals({10, 20}, false).T2,
         PartBodyRect({10, 20}, false),
         {10, 17},
         {10, 23},
         {9, 18, 11, 22}},
        {"horizontal part",
         PartTerminals({10, 20}, true).T1,
         PartTerminals({10, 20}, true).T2,
         PartBodyRect({10, 20}, true),
         {7, 20},
         {13, 20},
         {8, 19, 12, 21}},
        {"driver",
         DriverTerminals({50, 40}).T1,
         DriverTerminals({50, 40}).T2,
         DriverBodyRect({50, 40}),
         {49, 39},
         {49, 41},
         {50, 38, 53, 42}},
        {"source",
         SourceTerminals({118, 64}).T1,
         SourceTerminals({118, 64}).T2,
         SourceBodyRect({118, 64}),
         {121, 62},
         {121, 66},
         {114, 61, 120, 67}},
        {"ground", {5, 6}, {5, 6}, GroundBodyRect({5, 6}), {5, 6}, {5, 6}, {4, 8, 6, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.t1, c.expT1);
        EXPECT_EQ(c.t2, c.expT2);
        EXPECT_EQ(c.body, c.expBody);
    }
}

TEST(Geometry, RotatingAPartMovesItsTerminalsAboutItsCentre) {
    TDesign d;
    TPart& p = AddPart(d, TPartType::Resistor, {10, 20}, false);
    EXPECT_EQ(p.Terminal1, (TPoint{10, 17}));
    EXPECT_EQ(p.Terminal2, (TPoint{10, 23}));
    SetPartOrientation(d, p, true);
    EXPECT_EQ(p.Terminal1, (TPoint{7, 20}));
    EXPECT_EQ(p.Terminal2, (TPoint{13, 20}));
    EXPECT_EQ(p.PixelPosition, (TPoint{100, 200}));
    EXPECT_EQ(p.SavedPosition, (TPoint{10, 20}));
}

TEST(Geometry, WiresAndPoints) {
    TWire vertical;
    vertical.End1 = {5, 5};
    vertical.End2 = {5, 12};
    TWire dot;
    dot.End1 = dot.End2 = {5, 5};
    TWire horizontal;
    horizontal.End1 = {9, 3};
    horizontal.End2 = {2, 3};
    EXPECT_FALSE(IsHorizontal(vertical));
    EXPECT_TRUE(IsHorizontal(dot));
    EXPECT_TRUE(IsHorizontal(horizontal));
    EXPECT_TRUE(PointOnWire({5, 9}, vertical));
    EXPECT_TRUE(PointOnWire({5, 12}, vertical));
    EXPECT_FALSE(PointOnWire({5, 13}, vertical));
    EXPECT_FALSE(PointOnWire({6, 9}, vertical));
    EXPECT_TRUE(PointOnWire({2, 3}, horizontal));
    EXPECT_TRUE(PointOnWire({5, 3}, horizontal));
    EXPECT_FALSE(PointOnWire({1, 3}, horizontal));
    EXPECT_TRUE(PointOnWire({5, 5}, dot));
}

TEST(Geometry, PixelToGridRoundsToNearest) {
    EXPECT_EQ(PixelToGrid({104, 96}, 10), (TPoint{10, 10}));
    EXPECT_EQ(PixelToGrid({106, 94}, 10), (TPoint{11, 9}));
    EXPECT_EQ(PixelToGrid({36, 0}, 8), (TPoint{4, 0}));  // 4.5 goes to the even neighbour
}

TEST(Design, StartUpState) {
    TDesign d;
    ASSERT_EQ(d.Grid.size(), 500u);
    EXPECT_EQ(d.Grid.front(), 10.0);
    EXPECT_EQ(d.Grid.back(), 20000.0);
    EXPECT_NEAR(d.OctavesPerStep, 0.02197, 1e-5);
    EXPECT_TRUE(d.Source.Placed);
    EXPECT_EQ(d.Source.Position, (TPoint{118, 64}));
    EXPECT_EQ(d.Source.Terminal1, (TPoint{121, 62}));
    EXPECT_DOUBLE_EQ(d.Source.Vrms, std::sqrt(8.0));
    EXPECT_EQ(d.Source.InternalResistance, 0.001);
    EXPECT_EQ(d.DefaultText.Size, 8);
    EXPECT_EQ(d.DefaultText.Color, 0x800000);
}

TEST(Design, NewPartsTakeTheirTypesDefaults) {
    struct Case {
        TPartType type;
        double value, esr, rating;
        const char* designator;
    } cases[] = {
        {TPartType::Resistor, 10, -1, 10, "R1"},
        {TPartType::Capacitor, 1e-5, 0.05, 250, "C1"},
        {TPartType::Inductor, 1e-3, 0.35, 300, "L1"},
    };
    TDesign d;
    for (const auto& c : cases) {
        TPart& p = AddPart(d, c.type, {20, 10}, true);
        SCOPED_TRACE(c.designator);
        EXPECT_EQ(p.Value, c.value);
        EXPECT_EQ(p.ESR, c.esr);
        EXPECT_EQ(p.Rating, c.rating);
        EXPECT_EQ(p.StepMode, smmPC5);
        EXPECT_EQ(p.State, TPartState::Normal);
        EXPECT_EQ(p.Subckt, -1);
        EXPECT_EQ(p.ChosenTolerance, -1);
        EXPECT_EQ(PartDesignator(p), c.designator);
    }
}

TEST(Design, NewDriverDefaults) {
    TDesign d;
    TDriver& drv = AddDriver(d, {50, 40});
    EXPECT_EQ(DriverDesignator(drv), "S1");
    EXPECT_EQ(drv.Rating, 10);
    EXPECT_EQ(drv.Gain, 1);
    EXPECT_EQ(drv.NominalDia, 6.5);
    EXPECT_EQ(drv.Acoustic.Tails.LowFreq, 100);
    EXPECT_EQ(drv.Acoustic.Tails.HighFreq, 20000);
    EXPECT_EQ(drv.Acoustic.Tails.LowSlope, 12);
    EXPECT_EQ(drv.Acoustic.Tails.HighSlope, 12);
    ASSERT_EQ(drv.Acoustic.Response.Re.size(), 500u);
    ASSERT_EQ(drv.Admittance.Im.size(), 500u);
    for (int k = 0; k < 500; k += 99) {
        EXPECT_DOUBLE_EQ(drv.Acoustic.Response.Re[k], std::pow(10.0, 3.5));
        EXPECT_EQ(drv.Acoustic.Response.Im[k], 0);
        EXPECT_EQ(drv.Admittance.Re[k], 0.125);
    }
    EXPECT_TRUE(drv.Acoustic.AcousticEffect.empty());
}

TEST(Design, DesignatorsReuseTheSmallestFreeNumber) {
    TDesign d;
    for (int n : {1, 2, 4}) AddPart(d, TPartType::Resistor, {10 * n, 10}, true).RefDes = n;
    EXPECT_EQ(AddPart(d, TPartType::Resistor, {60, 10}, true).RefDes, 3);
    EXPECT_EQ(AddPart(d, TPartType::Resistor, {70, 10}, true).RefDes, 5);
    EXPECT_EQ(AddPart(d, TPartType::Capacitor, {80, 10}, true).RefDes, 1);  // own group per type
    EXPECT_EQ(AddDriver(d, {90, 10}).RefDes, 1);
    // Duplicates brought by a file stay as they are; numbering skips past them.
    AppendPart(d).RefDes = 1;
    d.Parts.back()->PartType = TPartType::Inductor;
    AppendPart(d).RefDes = 1;
    d.Parts.back()->PartType = TPartType::Inductor;
    EXPECT_EQ(NextPartRefDes(d, TPartType::Inductor), 2);
    EXPECT_EQ(d.Parts[5]->RefDes, 1);
    EXPECT_EQ(d.Parts[6]->RefDes, 1);
}

TEST(Design, BoundPartsUseTheirBoundValues) {
    TPart p;
    p.Value = 10;
    p.ESR = 0.1;
    p.Rating = 5;
    p.BoundValue = 22;
    p.BoundESR = 0.2;
    p.BoundRating = 50;
    struct Case {
        int subckt;
        const char* partNumber;
        bool bound;
    } cases[] = {{-1, "", false}, {-1, "ABC-12", true}, {0, "", true}, {3, "X", true}};
    for (const auto& c : cases) {
        p.Subckt = c.subckt;
        p.PartNumber = c.partNumber;
        EXPECT_EQ(IsBound(p), c.bound);
        EXPECT_EQ(PartValue(p), c.bound ? 22 : 10);
        EXPECT_EQ(PartESR(p), c.bound ? 0.2 : 0.1);
        EXPECT_EQ(PartRating(p), c.bound ? 50 : 5);
    }
}

TEST(Design, CopyPartCopiesValuesButNotTheDesignator) {
    TDesign d;
    TPart& a = AddPart(d, TPartType::Capacitor, {20, 10}, false);
    a.Equation1 = "C0*2";
    a.PartNumber = "P-1";
    a.BoundValue = 4.7e-6;
    a.ChosenTolerance = 0.05;
    a.SearchTolerance = 0.1;
    a.Vendor = "V";
    TPart& b = AddPart(d, TPartType::Capacitor, {40, 10}, true);
    CopyPart(a, b);
    EXPECT_EQ(b.RefDes, 2);
    EXPECT_EQ(b.Equation1, "C0*2");
    EXPECT_EQ(b.PartNumber, "P-1");
    EXPECT_EQ(b.BoundValue, 4.7e-6);
    EXPECT_EQ(b.ChosenTolerance, 0.05);
    EXPECT_EQ(b.SearchTolerance, 0.1);
    EXPECT_EQ(b.Vendor, "V");
    EXPECT_FALSE(b.IsHorizontal);
    EXPECT_EQ(b.Terminal1, a.Terminal1);
}

TEST(Design, CopyDriverCopiesArraysDeeplyAndKeepsIdentity) {
    TDesign d;
    TDriver& a = AddDriver(d, {50, 40});
    a.Name = "woofer";
    a.Acoustic.FRDFolder = "/some/folder";
    a.Gain = 2;
    a.Acoustic.AcousticEffect.assign(500, {1, 0});
    TDriver& b = AddDriver(d, {70, 40});
    b.Selected = true;
    CopyDriver(a, b);
    EXPECT_EQ(b.Name, "woofer");
    EXPECT_EQ(b.Gain, 2);
    EXPECT_EQ(b.RefDes, 2);
    EXPECT_TRUE(b.Selected);
    EXPECT_TRUE(b.Acoustic.FRDFolder.empty());
    EXPECT_EQ(b.Position, a.Position);
    ASSERT_EQ(b.Acoustic.AcousticEffect.Re.size(), 500u);
    b.Acoustic.Response.Re[0] = -1;
    b.Acoustic.AcousticEffect.Im[3] = 9;
    EXPECT_NE(a.Acoustic.Response.Re[0], -1);
    EXPECT_EQ(a.Acoustic.AcousticEffect.Im[3], 0);
}

TEST(Design, CopyTextKeepsAtMost128Characters) {
    TDesign d;
    TSheetText& a = AddText(d, {30, 30}, std::string(200, 'x'));
    a.Color = 0xFF;
    a.Size = 12;
    TSheetText& b = AddText(d, {0, 0}, "");
    CopyText(d, a, b);
    EXPECT_EQ(b.Text.size(), 128u);
    EXPECT_EQ(b.Color, 0xFF);
    EXPECT_EQ(b.Size, 12);
    EXPECT_EQ(b.TextRect, ComputeTextRect(b, d.Scale, *d.Metrics));
    // Multi-byte characters are never cut in half.
    std::string umlauts;
    for (int i = 0; i < 130; ++i) umlauts += "\xC3\xBC";
    a.Text = umlauts;
    CopyText(d, a, b);
    EXPECT_EQ(b.Text.size(), 256u);
}

TEST(Design, TextRectangleFollowsMetrics) {
    test::FixedTextMetrics metrics(7, 15);
    TSheetText t;
    t.Text = "abc";  // 21 x 15 pixels
    t.Size = 8;
    t.Position = {20, 10};
    const TRect r = ComputeTextRect(t, 10, metrics);
    // Left floor(189.5/10), Right round(210.5/10), Top floor(92.5/10), Bottom round(107.5/10).
    EXPECT_EQ(r, (TRect{18, 9, 21, 11}));
    // The same text moved by a whole number of units keeps its shape, also
    // across the origin (a block's members before placing).
    for (const TPoint at : {TPoint{-20, -10}, TPoint{-1, 0}, TPoint{0, -1}, TPoint{3, 4}}) {
        t.Position = at;
        const TRect m = ComputeTextRect(t, 10, metrics);
        EXPECT_EQ(m, (TRect{r.Left - 20 + at.X, r.Top - 10 + at.Y, r.Right - 20 + at.X, r.Bottom - 10 + at.Y}))
            << at.X << "," << at.Y;
    }
    t.Position = {20, 10};
    t.Text = "";
    test::FixedTextMetrics flat(7, 1);
    const TRect e = ComputeTextRect(t, 10, flat);
    EXPECT_EQ(e.Bottom, e.Top + 1);  // never thinner than one unit
}

TEST(Design, BlockExtentCoversEveryMember) {
    TDesign d;
    TCircuitBlock& b = AppendBlock(d);
    TPart& h = AddPart(d, TPartType::Resistor, {20, 10}, true);    // X 17..23, Y 9..11
    TPart& v = AddPart(d, TPartType::Capacitor, {30, 20}, false);  // X 29..31, Y 17..23
    TGround& g = AddGround(d, {25, 30});                           // body 24..26, 32..33
    TWire& w = AddWire(d, {10, 15}, {12, 15});
    h.Subckt = v.Subckt = g.Subckt = w.Subckt = 0;
    RebuildBlockMembers(d);
    ASSERT_EQ(b.Parts.size(), 2u);
    EXPECT_EQ(b.Grounds.size(), 1u);
    EXPECT_EQ(b.Wires.size(), 1u);
    // X 10..31, Y 9..33
    EXPECT_EQ(b.Center, (TPoint{20, 21}));
    EXPECT_EQ(b.BoundsRect, (TRect{9, 8, 32, 34}));
    // Members with indices out of range are ignored, not crashed on.
    AppendPart(d).Subckt = 5;
    RebuildBlockMembers(d);
    EXPECT_EQ(b.Parts.size(), 2u);
}

TEST(Design, NewDesignEmptiesCollectionsAndResetsTheSource) {
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddDriver(d, {50, 40});
    AddText(d, {5, 5}, "hello");
    d.Source.Inverted = true;
    d.Source.Power = 4;
    d.Source.Vrms = 5.66;
    d.OverallDelay = 1e-3;
    d.FileName = "/x/y.bkt";
    d.Modified = true;
    NewDesign(d);
    EXPECT_TRUE(d.Parts.empty());
    EXPECT_TRUE(d.Drivers.empty());
    EXPECT_TRUE(d.Texts.empty());
    EXPECT_FALSE(d.Source.Inverted);
    EXPECT_EQ(d.OverallDelay, 0);
    EXPECT_DOUBLE_EQ(d.Source.Vrms, std::sqrt(8.0));
    EXPECT_EQ(d.Source.Power, 4);
    EXPECT_EQ(d.FileName, "/x/y.bkt");  // New leaves the file name and the flag alone
    EXPECT_TRUE(d.Modified);
}

}  // namespace
