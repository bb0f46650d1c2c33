#include <gtest/gtest.h>

#include "GeometryPrint.h"
#include "TestSupport.h"
#include "base/Rounding.h"
#include "editor/SheetLabels.h"
#include "editor/ViewGeometry.h"

using namespace pelmo;

namespace {

std::vector<int> ZoomRun(int s, bool in) {
    std::vector<int> run;
    while (auto next = ZoomStepScale(s, in)) {
        s = *next;
        run.push_back(s);
        if (run.size() > 20) break;
    }
    return run;
}

TEST(Zoom, StepsFromTheStartScaleAndTheirLimits) {
    EXPECT_EQ(ZoomRun(10, true), (std::vector<int>{12, 14, 16, 20, 24}));
    EXPECT_EQ(ZoomRun(10, false), (std::vector<int>{8, 6}));
    EXPECT_FALSE(ZoomStepScale(24, true).has_value()) << "24 + 4 = 28 is outside 5..27";
    EXPECT_EQ(ZoomRun(28, false), (std::vector<int>{20, 16, 12, 10, 8, 6})) << "from Fit all's largest";
    EXPECT_EQ(ZoomRun(4, true).front(), 6);
    EXPECT_FALSE(ZoomStepScale(4, false).has_value());
}

TEST(Zoom, RequestsAreKeptEvenAndInRange) {
    const struct {
        int request;
        std::optional<int> scale;
    } cases[] = {{4, std::nullopt}, {5, 6}, {10, 10}, {13, 14}, {27, 28}, {28, std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(SheetScaleRequest(c.request), c.scale) << c.request;
}

TEST(FitAll, ScaleFromTheExtentNeverOdd) {
    const struct {
        TRect extent;
        int w, h;
        int scale;
    } cases[] = {
        {{0, 0, 38, 18}, 400, 400, 10},    // 400/40 = 10
        {{0, 0, 37, 18}, 400, 400, 10},    // 400/39 = 10.2
        {{0, 0, 38, 18}, 440, 400, 10},    // 11 made even
        {{0, 0, 254, 126}, 800, 600, 4},   // large design: 3.1 raised to 4
        {{10, 10, 12, 12}, 800, 600, 28},  // tiny design: capped
        {{0, 0, 98, 10}, 2700, 2000, 26},  // 27 made even
    };
    for (const auto& c : cases) {
        const int s = FitAllScale(c.extent, c.w, c.h);
        EXPECT_EQ(s, c.scale);
        EXPECT_EQ(s % 2, 0);
    }
    EXPECT_EQ(ExtentCentre({10, 20, 41, 31}), (TPoint{25, 25}));
}

TEST(CentreScroll, MiddleOfTheSheetScrollsToTheMiddle) {
    // Scale 10: panel 2562 wide, view 800 wide, 40 extra pixels of range.
    const auto pos = CentreScrollPosition(128, 10, 256, 40, 800, 2562, 800);
    ASSERT_TRUE(pos.has_value());
    EXPECT_NEAR(*pos, (2562 - 800) / 2, 20);
    EXPECT_EQ(CentreScrollPosition(0, 10, 256, 40, 800, 2562, 800), RoundToInt(1762.0 * (-380.0) / 1760.0));
    EXPECT_FALSE(CentreScrollPosition(64, 10, 128, 6, 1280, 1282, 1280).has_value());
}

TEST(DrawingExtent, EveryKindContributes) {
    TDesign d;
    SetSourcePosition(d, d.Source, {118, 64});
    d.Source.LabelRect = SourceSymbolBox(d.Source);
    TRect e = DrawingExtent(d);
    EXPECT_EQ(e, (TRect{114, 61, 121, 67})) << "the source reaches right to its terminals";

    TDriver& drv = AddDriver(d, {50, 40});
    drv.LabelRect = DriverSymbolBox(drv);
    AddGround(d, {60, 90});
    AddWire(d, {100, 10}, {140, 10});
    e = DrawingExtent(d);
    EXPECT_EQ(e, (TRect{49, 10, 140, 93}));
}

TEST(LabelTexts, ValuesInTheirFormats) {
    TDesign d;
    TPart& c = AddPart(d, TPartType::Capacitor, {20, 10}, true);
    c.Value = 4.7e-7;
    TPart& l = AddPart(d, TPartType::Inductor, {40, 10}, true);
    l.Value = 1.5e-3;
    TPart& r = AddPart(d, TPartType::Resistor, {60, 10}, true);
    r.Value = 4700;
    TPart& r2 = AddPart(d, TPartType::Resistor, {80, 10}, true);
    r2.Value = 999.96;
    EXPECT_EQ(PartValueText(c), "0.47uF");
    EXPECT_EQ(PartValueText(l), "1.5mH");
    EXPECT_EQ(PartValueText(r), "4.7k");
    EXPECT_EQ(PartValueText(r2), "1k");

    r.PartNumber = "MOX-4K7";
    r.BoundValue = 4300;
    EXPECT_EQ(PartValueText(r), "4.3k") << "a bound part shows its bound value";
    EXPECT_EQ(PartNumberText(r), "#MOX-4K7");
    r.State = TPartState::Shorted;
    EXPECT_EQ(PartValueText(r), "");
    EXPECT_EQ(PartNumberText(r), "");

    TDriver& drv = AddDriver(d, {100, 40});
    drv.Gain = 1.00005;
    EXPECT_EQ(DriverNameText(drv), "S1");
    drv.Gain = 1.0002;
    EXPECT_EQ(DriverNameText(drv), "S1m");
    drv.Gain = 1;
    drv.DelaySeconds = 2e-7;
    EXPECT_EQ(DriverNameText(drv), "S1m");

    EXPECT_EQ(SourceVoltageText(d.Source), "2.828Vrms");
    EXPECT_EQ(SourcePowerText(d.Source), "1W (8 ohm)");
}

TEST(LabelPlacement, CentredAcrossOrAlongTheBox) {
    TPlacedLabel h = PlaceLabel({"R1", {170, 70, 230, 80}, false}, 20, 12);
    EXPECT_EQ(h.Origin, (TPoint{190, 70}));
    EXPECT_EQ(h.TextRect, (TRect{190, 70, 210, 82}));

    TPlacedLabel wide = PlaceLabel({"a long label", {230, 80, 170, 70}, false}, 100, 12);
    EXPECT_EQ(wide.Origin, (TPoint{170, 70})) << "never left of the box, corners put in order";

    TPlacedLabel v = PlaceLabel({"C1", {160, 70, 170, 130}, true}, 20, 12);
    EXPECT_EQ(v.Origin, (TPoint{160, 110}));
    EXPECT_EQ(v.TextRect, (TRect{160, 90, 172, 110}));
}

// A label is written widened where that fits its box; one that would pass
// the box's ends is widened only up to them, never narrower than its font.
TEST(LabelLayout, WideningStopsAtTheEndsOfTheBox) {
    struct Case {
        double widening;
        int text, box;
        double written;
    };
    const Case cases[] = {
        {1.25, 40, 61, 1.25},       // fits widened
        {1.25, 50, 61, 61.0 / 50},  // widened up to the box's ends
        {1.25, 70, 61, 1.0},        // longer than the box even plain
        {1.0, 70, 61, 1.0},         // a plain font stays plain
        {1.25, 0, 61, 1.25},        // nothing written
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(FittedWidening(c.widening, c.text, c.box), c.written) << c.text << " in " << c.box;

    // "#GCM-12U5" on a vertical capacitor: 54 pixels, 67 widened by 1.25,
    // in a box 61 long: written between the part's terminals.
    test::FixedTextMetrics metrics(6, 12);
    TDesign d;
    TPart& c = AddPart(d, TPartType::Capacitor, {20, 10}, false);
    c.PartNumber = "GCM-12U5";
    c.BoundValue = 12e-6;
    const TLabelLayout layout = LayoutPartLabels(c, 10, metrics);
    ASSERT_EQ(layout.Labels.size(), 3u);
    const TPlacedLabel& number = layout.Labels[2];
    EXPECT_EQ(number.Text, "#GCM-12U5");
    EXPECT_DOUBLE_EQ(number.Widening, 61.0 / 54);
    // From the lower terminal up to the upper one (y 130 and 70).
    EXPECT_EQ(number.TextRect.Bottom, 130);
    EXPECT_EQ(number.TextRect.Top, 69);
    EXPECT_DOUBLE_EQ(layout.Labels[0].Widening, 1.25) << "a short name keeps its widening";
}

TEST(LabelLayout, LabelRectGrowsFromTheSymbolBox) {
    test::FixedTextMetrics metrics(6, 12);  // widening 1.2 * 10 / 12 = 1 horizontally
    TDesign d;
    TPart& r = AddPart(d, TPartType::Resistor, {20, 10}, true);
    const TLabelLayout layout = LayoutPartLabels(r, 10, metrics);
    ASSERT_EQ(layout.Labels.size(), 2u) << "no part number";
    EXPECT_EQ(layout.Labels[0].Text, "R1");
    EXPECT_EQ(layout.Labels[0].Origin, (TPoint{194, 72})) << "box x 170..230, y r(72.5)=72";
    EXPECT_EQ(layout.Labels[1].Text, "10");
    EXPECT_EQ(layout.LabelRect, (TRect{17, 7, 23, 11}));

    r.PartNumber = "a-very-long-part-number";  // 23 characters, 138 pixels
    r.BoundValue = 10;
    const TLabelLayout wide = LayoutPartLabels(r, 10, metrics);
    EXPECT_EQ(wide.LabelRect, (TRect{17, 7, 31, 12}));

    TPart& v = AddPart(d, TPartType::Inductor, {60, 40}, false);
    const TLabelLayout vertical = LayoutPartLabels(v, 10, metrics);
    ASSERT_EQ(vertical.Labels.size(), 2u);
    EXPECT_TRUE(vertical.Labels[0].Vertical);
    EXPECT_EQ(vertical.LabelRect.Left, 57);

    d.Metrics = &metrics;
    UpdateLabelRects(d);
    EXPECT_EQ(d.Parts[0]->LabelRect, wide.LabelRect);
    EXPECT_EQ(d.Source.LabelRect.Top, 60) << "the Vrms label above the box";
}

}  // namespace
