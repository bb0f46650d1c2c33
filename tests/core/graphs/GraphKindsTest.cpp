#include <gtest/gtest.h>

#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"

namespace pelmo {
namespace {

struct KindCase {
    TGraphKind Kind;
    const char* Title;
    double BottomMin, BottomMax;
    bool Log;
    const char* LeftTitle;
    double LeftMin, LeftMax, LeftStep;
    bool RightVisible;
    double RightMin, RightMax;
};

TEST(GraphKinds, TitlesAndAxesOfEveryKind) {
    const KindCase cases[] = {
        {TGraphKind::SPL, "Frequency Response (#2)", 100, 20000, true, "dBSPL", 60, 120, 5, true, -180, 180},
        {TGraphKind::Impedance, "Impedance (#2)", 10, 20000, true, "Ohms", 0, 24, 2, true, -90, 90},
        {TGraphKind::Filter, "Electrical Response (#2)", 10, 20000, true, "dB", -30, 30, 5, true, -180, 180},
        {TGraphKind::GroupDelay, "Group Delay (#2)", 100, 20000, true, "usec", -400, 1600, 200, false, -180, 180},
        {TGraphKind::Power, "Watts Dissipated (#2)", 10, 20000, true, "Watts", 0, 24, 2, false, -180, 180},
        {TGraphKind::Voltage, "Peak Voltage (#2)", 10, 20000, true, "Vpk", 0, 120, 10, true, -180, 180},
        {TGraphKind::Current, "Current, RMS (#2)", 10, 20000, true, "A rms", 0, 24, 2, true, -180, 180},
        {TGraphKind::Impulse, "Impulse Response (#2)", -1.5, 5, false, "dBSPL", -30, 30, 10, false, -180, 180},
        {TGraphKind::Step, "Step Respose (#2)", -1.5, 10, false, "dBSPL", -30, 30, 10, false, -180, 180},
        {TGraphKind::SquareWave, "Square Wave Response at 1kHz (#2)", -200, 200, false, "dBSPL", -100, 100, 20, false,
         -180, 180},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.Title);
        TGraphRecord g(c.Kind);
        g.WindowNumber = 2;
        EXPECT_EQ(ChartTitle(g), c.Title);
        const TAxisSetup b = BottomAxisSetup(c.Kind);
        EXPECT_EQ(b.Min, c.BottomMin);
        EXPECT_EQ(b.Max, c.BottomMax);
        EXPECT_EQ(b.Log, c.Log);
        const TAxisSetup l = LeftAxisSetup(g);
        EXPECT_EQ(l.Title, c.LeftTitle);
        EXPECT_DOUBLE_EQ(l.Min, c.LeftMin);
        EXPECT_DOUBLE_EQ(l.Max, c.LeftMax);
        EXPECT_DOUBLE_EQ(l.Step, c.LeftStep);
        const TAxisSetup r = RightAxisSetup(c.Kind);
        EXPECT_EQ(r.Visible, c.RightVisible);
        if (r.Visible) {
            EXPECT_EQ(r.Min, c.RightMin);
            EXPECT_EQ(r.Max, c.RightMax);
            EXPECT_FALSE(r.Grid);
        }
    }
    EXPECT_FALSE(BottomAxisSetup(TGraphKind::GroupDelay).Grid);  // group delay: no major grid lines
    EXPECT_FALSE(BottomAxisSetup(TGraphKind::SquareWave).Visible);
    EXPECT_EQ(BottomAxisSetup(TGraphKind::Impulse).Title, "time (msec)");
    EXPECT_EQ(BottomAxisSetup(TGraphKind::SquareWave).Title, "(periods)");
}

TEST(GraphKinds, ScaleFieldsMoveTheLeftAxis) {
    TGraphRecord spl(TGraphKind::SPL);
    spl.DbPerDiv = 2;
    spl.VerticalCenter = 80;
    EXPECT_DOUBLE_EQ(LeftAxisSetup(spl).Min, 68);
    EXPECT_DOUBLE_EQ(LeftAxisSetup(spl).Max, 92);
    TGraphRecord volts(TGraphKind::Voltage);
    SetPerDivision(volts, TVerticalScaleMenu::Volts, 5);
    EXPECT_DOUBLE_EQ(LeftAxisSetup(volts).Max, 60);
    const TAxisSetup gd = GroupDelayAxisAfterChange(50);
    EXPECT_DOUBLE_EQ(gd.Min, -50);
    EXPECT_DOUBLE_EQ(gd.Max, 450);
    TGraphRecord sq(TGraphKind::SquareWave);
    sq.TestFrequency = 2500;
    sq.WindowNumber = 1;
    EXPECT_EQ(ChartTitle(sq), "Square Wave Response at 2.5kHz (#1)");
}

TEST(GraphKinds, MenusAndScaleItems) {
    const auto& order = AddGraphMenuOrder();
    EXPECT_EQ(std::string(GraphKindDescriptor(order[0]).MenuItem), "SPL response (dBSPL)");
    EXPECT_EQ(std::string(GraphKindDescriptor(order[1]).MenuItem), "Impedance (Ohms)");
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(GraphKindDescriptor(order[i]).InMoreMenu, i >= 2);
    // The check marks show the scales a new window is drawn with.
    const TGraphRecord fresh(TGraphKind::Voltage);
    EXPECT_EQ(CheckedScaleItem(fresh, TVerticalScaleMenu::Ohms), "2 ohm");
    EXPECT_EQ(CheckedScaleItem(fresh, TVerticalScaleMenu::Volts), "10V");
    EXPECT_EQ(CheckedScaleItem(fresh, TVerticalScaleMenu::Watts), "2 Watt");
    EXPECT_EQ(CheckedScaleItem(fresh, TVerticalScaleMenu::Amps), "2A");
    EXPECT_EQ(CheckedDbPerDivItem(fresh), "5dB");
    TGraphRecord changed(TGraphKind::Voltage);
    SetPerDivision(changed, TVerticalScaleMenu::Volts, 50);
    EXPECT_EQ(CheckedScaleItem(changed, TVerticalScaleMenu::Volts), "50V");
    changed.VoltsPerDiv = 7;  // no item has it
    EXPECT_EQ(CheckedScaleItem(changed, TVerticalScaleMenu::Volts), "");
    EXPECT_EQ(VerticalScaleItems(TVerticalScaleMenu::Volts).back().Value, 100);
    EXPECT_EQ(VerticalScaleItems(TVerticalScaleMenu::Amps).size(), 6u);
    EXPECT_TRUE(VerticalScaleItems(TVerticalScaleMenu::ResponseScale).empty());
    EXPECT_FALSE(GraphKindDescriptor(TGraphKind::SquareWave).DeltaMenu);
    EXPECT_TRUE(GraphKindDescriptor(TGraphKind::SquareWave).ShowTestFrequency);
    EXPECT_FALSE(GraphKindDescriptor(TGraphKind::Impulse).ShowFrequencyRange);
    EXPECT_TRUE(GraphKindDescriptor(TGraphKind::Filter).ShowGetFile);
    EXPECT_FALSE(GraphKindDescriptor(TGraphKind::Voltage).ShowGetFile);
}

TEST(GraphKinds, PaletteWrapsAndNegativeIsBlack) {
    EXPECT_EQ(PaletteColour(4), (TRgb{0, 0, 255}));
    EXPECT_EQ(PaletteColour(14), (TRgb{0, 0, 255}));
    EXPECT_EQ(PaletteColour(5), (TRgb{250, 3, 3}));
    EXPECT_EQ(PaletteColour(6), (TRgb{252, 170, 1}));
    EXPECT_EQ(PaletteColour(-3), (TRgb{0, 0, 0}));
    EXPECT_EQ(PaletteColour(9), (TRgb{0, 255, 255}));
}

}  // namespace
}  // namespace pelmo
