#include <gtest/gtest.h>

#include "TestSupport.h"
#include "graphs/GraphCurves.h"
#include "graphs/GraphRecord.h"
#include "model/Design.h"

namespace pelmo {
namespace {

struct TwoDrivers {
    TDesign d;
    TwoDrivers() {
        AddDriver(d, {20, 20});
        AddDriver(d, {40, 20});
        AddPart(d, TPartType::Resistor, {10, 10}, true);
        AddPart(d, TPartType::Capacitor, {10, 30}, true);
    }
};

TEST(GraphCurves, MenuLayoutPerKind) {
    TwoDrivers t;
    const TCurveMenuLayout filter = CurveMenuLayout(TGraphKind::Filter, t.d);
    EXPECT_EQ(filter.Items, (std::vector<std::string>{"S1", "S2"}));
    EXPECT_TRUE(filter.ExportFrd);
    EXPECT_EQ(filter.ExportItems, (std::vector<std::string>{"S1", "S2"}));
    EXPECT_FALSE(filter.ExportSystemFrd);
    const TCurveMenuLayout power = CurveMenuLayout(TGraphKind::Power, t.d);
    ASSERT_EQ(power.SeparatorBefore, 2);
    EXPECT_EQ(power.Items[2], "C1");
    EXPECT_EQ(CurveMenuLayout(TGraphKind::SPL, t.d).SeparatorBefore, -1);
    EXPECT_TRUE(CurveMenuLayout(TGraphKind::SPL, t.d).ExportSystemFrd);
    EXPECT_TRUE(CurveMenuLayout(TGraphKind::Impedance, t.d).ExportSystemZma);
    EXPECT_EQ(CurveNameFromCaption("S&1 (driver only)"), "S1 (driver only)");
}

TEST(GraphCurves, ChoosingAddsOnceAndDecidesOnTheDialog) {
    TwoDrivers t;
    TGraphRecord spl(TGraphKind::SPL);
    const TCurveChoice sys = ChooseCurve(spl, t.d, "System", true);
    EXPECT_TRUE(sys.Added);
    EXPECT_FALSE(sys.ShowDialog);
    EXPECT_FALSE(spl.AutoSystemCurve);
    EXPECT_TRUE(spl.Curves[0].ShowPhase);
    EXPECT_EQ(spl.Curves[0].ColourIndex, 4);

    const TCurveChoice s1 = ChooseCurve(spl, t.d, "S1", false);
    EXPECT_TRUE(s1.Added);
    EXPECT_TRUE(s1.ShowDialog);
    EXPECT_FALSE(s1.DialogAtTopLeft);
    EXPECT_FALSE(spl.Curves[1].ShowPhase);

    const TCurveChoice again = ChooseCurve(spl, t.d, "s1", false);
    EXPECT_FALSE(again.Added);
    EXPECT_EQ(again.Index, 1);
    EXPECT_TRUE(again.ShowDialog);
    EXPECT_EQ(spl.Curves.size(), 2u);

    const TCurveChoice only = ChooseCurve(spl, t.d, "S2 (driver only)", false);
    EXPECT_TRUE(only.DriverOnlyItem);
    EXPECT_TRUE(only.DialogAtTopLeft);
    EXPECT_TRUE(spl.Curves[2].DriverOnly());

    // Windows without a phase axis add curves quietly.
    for (TGraphKind k :
         {TGraphKind::Power, TGraphKind::Impulse, TGraphKind::Step, TGraphKind::GroupDelay, TGraphKind::SquareWave}) {
        TGraphRecord g(k);
        const TCurveChoice c = ChooseCurve(g, t.d, k == TGraphKind::Power ? "R1" : "S1", false);
        EXPECT_TRUE(c.Added);
        EXPECT_FALSE(c.ShowDialog) << ToInt(k);
        EXPECT_TRUE(ChooseCurve(g, t.d, k == TGraphKind::Power ? "R1" : "S1", false).ShowDialog) << ToInt(k);
    }
}

TEST(GraphCurves, ConfirmingSetsSelectionAndSplDefaultSmoothing) {
    TwoDrivers t;
    TGraphRecord spl(TGraphKind::SPL), z(TGraphKind::Impedance);
    ChooseCurve(spl, t.d, "System", true);
    ChooseCurve(spl, t.d, "S1", false);
    spl.Curves[1].Smoothing = 1.0 / 3;
    ConfirmCurve(spl, 1, false);
    EXPECT_EQ(spl.SelectedCurve, 1);
    EXPECT_EQ(spl.DefaultSmoothing, 1.0 / 3);
    ChooseCurve(spl, t.d, "S1 (driver only)", false);
    spl.Curves[2].Smoothing = 1;
    ConfirmCurve(spl, 2, true);
    EXPECT_EQ(spl.DefaultSmoothing, 1.0 / 3);
    ChooseCurve(z, t.d, "System", true);
    z.Curves[0].Smoothing = 1;
    ConfirmCurve(z, 0, false);
    EXPECT_EQ(z.DefaultSmoothing, 1.0 / 24);
    EXPECT_TRUE(HoldAvailable(spl));
    RemoveCurve(spl, 0);
    EXPECT_FALSE(HoldAvailable(spl));
}

TEST(GraphCurves, CurvesOfReplacedElementsAreBoundAgainOrRemoved) {
    TwoDrivers t;
    TGraphRecord spl(TGraphKind::SPL), v(TGraphKind::Voltage);
    TGraphList list;
    list.Add(&spl);
    list.Add(&v);
    for (const char* n : {"System", "S1", "S2 (driver only)", "S2"}) ChooseCurve(spl, t.d, n, false);
    for (const char* n : {"R1", "C1", "S1"}) ChooseCurve(v, t.d, n, false);
    EXPECT_EQ(RebindCurveElements(list, t.d), 0);

    // The elements are destroyed and made again (as undo or a reread does):
    // S2 and C1 come back at new places, S1 and R1 do not.
    ClearElements(t.d);
    AddPart(t.d, TPartType::Inductor, {10, 10}, true);
    TDriver& s2 = AddDriver(t.d, {20, 20});
    s2.RefDes = 2;
    AddPart(t.d, TPartType::Capacitor, {10, 30}, true);
    EXPECT_EQ(RebindCurveElements(list, t.d), 3);
    ASSERT_EQ(spl.Curves.size(), 3u);
    EXPECT_EQ(spl.Curves[1].Name, "S2 (driver only)");
    EXPECT_EQ(spl.Curves[1].Element, 0);
    EXPECT_EQ(spl.Curves[2].Element, 0);
    ASSERT_EQ(v.Curves.size(), 1u);
    EXPECT_EQ(v.Curves[0].Element, 1);
}

TEST(GraphCurves, SmoothingListChoice) {
    EXPECT_STREQ(SmoothingItems[static_cast<std::size_t>(SmoothingItemFor(0.05))], "1/12 octave");
    EXPECT_STREQ(SmoothingItems[static_cast<std::size_t>(SmoothingItemFor(1000))], "auditory ERB ");
    EXPECT_STREQ(SmoothingItems[static_cast<std::size_t>(SmoothingItemFor(0.005))], "none");
    // Every item's own value brings back that item.
    for (std::size_t i = 0; i < SmoothingValues.size(); ++i)
        EXPECT_EQ(SmoothingItemFor(SmoothingValues[i]), static_cast<int>(i)) << SmoothingItems[i];
    EXPECT_EQ(SmoothingValueOf(-1), 0.0);
    EXPECT_EQ(SmoothingValueOf(7), 1000.0);
}

TEST(GraphCurves, SettingsDialogLayout) {
    struct Case {
        TGraphKind Kind;
        bool FileMode, DriverOnly;
        int Height;
        bool Phase, Smoothing;
    } cases[] = {
        {TGraphKind::SPL, false, false, 158, true, true},
        {TGraphKind::SPL, false, true, 158, true, false},
        {TGraphKind::SPL, true, false, 129, true, false},
        {TGraphKind::Impedance, false, false, 129, true, false},
        {TGraphKind::Filter, true, false, 129, true, false},
        {TGraphKind::Power, false, false, 129, false, false},
        {TGraphKind::GroupDelay, false, false, 129, false, false},
    };
    for (const Case& c : cases) {
        const TSeriesEditLayout l = SeriesEditLayout(c.Kind, c.FileMode, c.DriverOnly);
        EXPECT_EQ(l.Height, c.Height) << c.Kind;
        EXPECT_EQ(l.PhaseBox, c.Phase) << c.Kind;
        EXPECT_EQ(l.Smoothing, c.Smoothing) << c.Kind;
    }
    EXPECT_EQ(SeriesEditLabel("S1"), "select curve color for \"S1\"");
}

}  // namespace
}  // namespace pelmo
