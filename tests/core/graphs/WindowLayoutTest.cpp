#include <gtest/gtest.h>

#include "CircuitBuilder.h"
#include "graphs/GraphKinds.h"
#include "graphs/WindowLayout.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;

namespace {

TWindowLayout Zoomed() {
    TWindowLayout l = WindowLayoutOf(TGraphRecord(TGraphKind::SPL));
    l.WindowNumber = 2;
    l.Curves = {{"System", 4, true, 1.0 / 24.0, TPhaseView::Excess},
                {"S1 (driver only)", 5, false, AuditorySmoothing, TPhaseView::Unwrapped}};
    l.VerticalCenter = 85.5;
    l.DbPerDiv = 2;
    l.Bottom = TAxisSpan{200, 5000};
    l.Left = TAxisSpan{70.25, 95};
    l.Legend = {false, true, 0.125, 0.5};
    l.Geometry = TWindowRect{-20, 30, 640, 400};
    return l;
}

TWindowLayout Voltage() {
    TWindowLayout l = WindowLayoutOf(TGraphRecord(TGraphKind::Voltage));
    l.WindowNumber = 1;
    l.Curves = {{"C1", 6, true, 0.0}, {"R1", 0, false, 0.0}};
    l.VoltsPerDiv = 5;
    l.Legend.Outside = true;
    return l;
}

TWindowLayout SquareWave() {
    TWindowLayout l = WindowLayoutOf(TGraphRecord(TGraphKind::SquareWave));
    l.TestFrequency = 440;
    l.ResponseScale = 0.25;
    l.Left = TAxisSpan{-50, 50};
    return l;
}

TWindowLayout OffAxis() {
    TWindowLayout l = WindowLayoutOf(TGraphRecord(TGraphKind::OffAxis));
    l.Curves = {{"S2", 0, false, 0.0}};
    l.Directional.Plane = TPlane::Horizontal;
    l.Directional.AngleStepDeg = 10;
    return l;
}

}  // namespace

TEST(WindowLayout, RoundTripsThroughTheSettings) {
    const std::vector<std::vector<TWindowLayout>> cases = {
        {},
        {Zoomed()},
        {Zoomed(), Voltage(), SquareWave(), OffAxis()},
        {WindowLayoutOf(TGraphRecord(TGraphKind::Impedance))},
    };
    for (const auto& windows : cases) {
        TDesignSettings s;
        s.Set("listening.distance_m", "2");
        s.Set("window.9.kind", "spl");  // left over from a save with more windows
        WriteWindowLayouts(windows, s);
        EXPECT_EQ(ReadWindowLayouts(s), windows) << windows.size() << " windows";
        EXPECT_EQ(s.Text("listening.distance_m", ""), "2");  // other keys stay
        EXPECT_FALSE(s.Has("window.9.kind"));
    }
}

TEST(WindowLayout, ReaderSurvivesAnyText) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> lines;
        std::size_t windows;
        std::function<void(const TWindowLayout&)> check;
    };
    const TWindowLayout spl = WindowLayoutOf(TGraphRecord(TGraphKind::SPL));
    const std::vector<Case> cases = {
        {"unknown kind skipped",
         {{"window.1.kind", "wobble"}, {"window.2.kind", "impedance"}},
         1,
         [](const TWindowLayout& l) { EXPECT_EQ(l.Kind, TGraphKind::Impedance); }},
        {"numbering gap ends the list", {{"window.1.kind", "spl"}, {"window.3.kind", "spl"}}, 1, nullptr},
        {"bad numbers keep defaults",
         {{"window.1.kind", "spl"},
          {"window.1.db_per_div", "-5"},
          {"window.1.vertical_center", "nan"},
          {"window.1.number", "x"},
          {"window.1.xaxis", "100"},
          {"window.1.yaxis", "90 60"},
          {"window.1.legend", "inside 1e400 0"}},
         1,
         [spl](const TWindowLayout& l) {
             EXPECT_EQ(l.DbPerDiv, spl.DbPerDiv);
             EXPECT_EQ(l.VerticalCenter, spl.VerticalCenter);
             EXPECT_EQ(l.WindowNumber, 0);
             EXPECT_FALSE(l.Bottom);
             EXPECT_FALSE(l.Left);
             EXPECT_FALSE(l.Legend.Moved);
         }},
        {"log axis below zero dropped",
         {{"window.1.kind", "spl"}, {"window.1.xaxis", "-10 1000"}},
         1,
         [](const TWindowLayout& l) { EXPECT_FALSE(l.Bottom); }},
        {"legend clamped into the plot",
         {{"window.1.kind", "spl"}, {"window.1.legend", "inside -3 7"}},
         1,
         [](const TWindowLayout& l) {
             EXPECT_TRUE(l.Legend.Moved);
             EXPECT_EQ(l.Legend.Left, 0.0);
             EXPECT_EQ(l.Legend.Top, 1.0);
         }},
        {"absurd geometry dropped",
         {{"window.1.kind", "spl"}, {"window.1.geometry", "0 0 1e9 20"}},
         1,
         [](const TWindowLayout& l) { EXPECT_FALSE(l.Geometry); }},
        {"tiny window grows",
         {{"window.1.kind", "spl"}, {"window.1.geometry", "5 6 3 4"}},
         1,
         [](const TWindowLayout& l) {
             EXPECT_EQ(l.Geometry, (TWindowRect{5, 6, 100, 100}));
         }},
        {"curve list with blanks and junk",
         {{"window.1.kind", "spl"}, {"window.1.curves", " ,System,, Q7 ,"}, {"window.1.curve.1.smoothing", "-1"}},
         1,
         [spl](const TWindowLayout& l) {
             ASSERT_EQ(l.Curves.size(), 2u);
             EXPECT_EQ(l.Curves[0].Name, "System");
             EXPECT_EQ(l.Curves[0].Smoothing, spl.DefaultSmoothing);
         }},
    };
    for (const Case& c : cases) {
        TDesignSettings s;
        for (const auto& [k, v] : c.lines) s.Set(k, v);
        const auto windows = ReadWindowLayouts(s);
        ASSERT_EQ(windows.size(), c.windows) << c.what;
        if (c.check) c.check(windows.front());
    }
}

TEST(WindowLayout, CurvesComeBackAsTheDesignOffersThem) {
    CircuitBuilder c;
    c.Ground();
    c.R(1, 2, 2);
    c.C(1, 3, 1e-5);
    c.Driver(2, 0, 8);
    TWindowLayout l = Zoomed();
    l.Curves.push_back({"S7", 3, false, 0.0});      // no such driver
    l.Curves.push_back({"R1", 3, false, 0.0});      // not in an SPL window
    l.Curves.push_back({"system", 2, false, 0.0});  // the same curve again
    TGraphRecord g(TGraphKind::SPL);
    g.AutoSystemCurve = true;
    ApplyLayoutCurves(l, g, c.d);
    ASSERT_EQ(g.Curves.size(), 2u);
    EXPECT_EQ(g.Curves[1].Name, "S1 (driver only)");
    EXPECT_EQ(g.Curves[1].ColourIndex, 5);
    EXPECT_EQ(g.Curves[1].Smoothing, AuditorySmoothing);
    EXPECT_EQ(g.Curves[1].PhaseView, TPhaseView::Unwrapped);
    EXPECT_TRUE(g.Curves[0].ShowPhase);
    EXPECT_FALSE(g.AutoSystemCurve);
    EXPECT_EQ(g.ColourCounter, 5);  // the next new curve takes the colour after the last

    // A window that shows a set of curves takes its subject back.
    TGraphRecord off(TGraphKind::OffAxis);
    TWindowLayout o = OffAxis();
    o.Curves = {{"S1", 0, false, 0.0}};
    ApplyLayoutScales(o, off);
    ApplyLayoutCurves(o, off, c.d);
    ASSERT_FALSE(off.Curves.empty());
    EXPECT_EQ(off.Curves.front().Subject, (TCurveSubject{TSubjectKind::Driver, TPartType::Resistor, 1}));
    EXPECT_EQ(off.Directional.Plane, TPlane::Horizontal);
}

TEST(WindowPlacement, NewWindowsTileBesideTheMainWindowAndStayOnScreen) {
    const TWindowRect screen{0, 0, 1280, 800};
    const TWindowRect main{0, 0, 590, 750};
    std::vector<TWindowRect> taken;
    for (int i = 0; i < 12; ++i) {
        const TWindowRect r = PlaceNewWindow(604, 390, main, screen, taken);
        EXPECT_TRUE(screen.Contains(r)) << i;
        if (i < 2) {  // two fit right of the main window, one above the other
            EXPECT_EQ(r.X, main.Right()) << i;
            EXPECT_FALSE(r.Intersects(main)) << i;
            for (const TWindowRect& t : taken) EXPECT_FALSE(r.Intersects(t)) << i;
        }
        taken.push_back(r);
    }
    EXPECT_EQ(taken[1].Y, 390);
    // Beside a main window that leaves less than a window's width, the new
    // one is narrowed rather than laid over the main window.
    const TWindowRect narrow = PlaceNewWindow(604, 416, {0, 0, 350, 750}, {0, 0, 800, 800}, {});
    EXPECT_EQ(narrow, (TWindowRect{350, 0, 450, 416}));
    // A window larger than the screen is shrunk onto it.
    EXPECT_TRUE(screen.Contains(PlaceNewWindow(3000, 2000, main, screen, {})));
}

TEST(WindowPlacement, ClampAndTile) {
    const TWindowRect screen{0, 0, 1280, 800};
    struct Clamp {
        TWindowRect in, out;
    };
    for (const Clamp& c : std::vector<Clamp>{{{-500, -500, 600, 400}, {0, 0, 600, 400}},
                                             {{2500, 1500, 600, 400}, {680, 400, 600, 400}},
                                             {{10, 10, 2560, 1600}, {0, 0, 1280, 800}},
                                             {{100, 100, 600, 400}, {100, 100, 600, 400}}})
        EXPECT_EQ(ClampOntoArea(c.in, screen), c.out);

    for (const TWindowRect& main :
         {TWindowRect{0, 0, 590, 750}, TWindowRect{0, 0, 1280, 300}, TWindowRect{0, 0, 1280, 800}}) {
        for (int n : {1, 2, 3, 5, 12}) {
            const auto cells = TileWindows(n, main, screen);
            ASSERT_EQ(static_cast<int>(cells.size()), n);
            for (std::size_t i = 0; i < cells.size(); ++i) {
                EXPECT_TRUE(screen.Contains(cells[i])) << n;
                for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(cells[i].Intersects(cells[j])) << n;
            }
        }
    }
}
