#include <gtest/gtest.h>

#include "CircuitBuilder.h"
#include "base/MessageSink.h"
#include "graphs/GraphSolve.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;

namespace {
using Names = std::vector<std::string>;

void TwoDriversThreeParts(CircuitBuilder& c) {
    c.Ground();
    c.R(1, 2, 2);
    c.L(2, 3, 1e-3);
    c.C(1, 4, 1e-5);
    c.Driver(3, 0, 8);
    c.Driver(4, 0, 6);
}
}  // namespace

TEST(GraphRecord, CurveMenuNamesPerKind) {
    CircuitBuilder c;
    TwoDriversThreeParts(c);
    EXPECT_EQ(CurveMenuNames(TGraphKind::SPL, c.d),
              (Names{"System", "S1", "S2", "S1 (driver only)", "S2 (driver only)"}));
    EXPECT_EQ(CurveMenuNames(TGraphKind::Impedance, c.d),
              (Names{"System", "S1 (driver only)", "S2 (driver only)", "S1 (lookback)", "S2 (lookback)"}));
    EXPECT_EQ(CurveMenuNames(TGraphKind::Filter, c.d), (Names{"S1", "S2"}));
    EXPECT_EQ(CurveMenuNames(TGraphKind::GroupDelay, c.d), (Names{"System", "S1", "S2"}));
    EXPECT_EQ(CurveMenuNames(TGraphKind::Voltage, c.d), (Names{"S1", "S2", "C1", "L1", "R1"}));
    EXPECT_EQ(CurveMenuNames(TGraphKind::Power, c.d), CurveMenuNames(TGraphKind::Current, c.d));
    EXPECT_EQ(CurveMenuNames(TGraphKind::SquareWave, c.d), (Names{"System", "S1", "S2"}));
}

TEST(GraphRecord, NewCurvesTakeColoursSmoothingAndElements) {
    CircuitBuilder c;
    TwoDriversThreeParts(c);
    TGraphRecord spl(TGraphKind::SPL);
    EXPECT_EQ(spl.VerticalCenter, 90.0);
    EXPECT_TRUE(spl.AutoSystemCurve);
    spl.DefaultSmoothing = 1.0 / 6;
    const TSeriesDef& sys = AddCurve(spl, c.d, "System", true);
    EXPECT_EQ(sys.ColourIndex, 4);
    EXPECT_TRUE(sys.ShowPhase);
    EXPECT_TRUE(spl.AutoScalePending);
    EXPECT_EQ(sys.Smoothing, 1.0 / 6);
    EXPECT_EQ(sys.Subject.Kind, TSubjectKind::System);
    EXPECT_EQ(sys.Element, -1);
    // Red, orange, black, brown, green, magenta, then blue again.
    std::vector<int> colours;
    for (const char* name : {"S1", "S2", "S1 (driver only)", "S2 (driver only)", "S1", "S2", "S1"})
        colours.push_back(AddCurve(spl, c.d, name, false).ColourIndex);
    EXPECT_EQ(colours, (std::vector<int>{5, 6, 0, 1, 2, 3, 4}));
    EXPECT_FALSE(spl.AutoScalePending);
    EXPECT_FALSE(spl.Curves[1].ShowPhase);
    EXPECT_EQ(spl.Curves[1].Subject.Kind, TSubjectKind::Driver);
    EXPECT_EQ(spl.Curves[1].Element, 0);
    EXPECT_TRUE(spl.Curves[3].DriverOnly());
    EXPECT_EQ(spl.Curves[3].Element, 0);
    EXPECT_EQ(spl.Curves[4].Element, 1);
    // Removing the orange curve hands out black next.
    spl.SelectedCurve = 2;
    RemoveCurve(spl, 2);
    EXPECT_EQ(spl.SelectedCurve, 1);
    EXPECT_EQ(AddCurve(spl, c.d, "S2", false).ColourIndex, 0);
    EXPECT_EQ(FindCurve(spl, "s1 (DRIVER ONLY)"), 2);
    EXPECT_EQ(FindCurve(spl, "S9"), -1);

    TGraphRecord power(TGraphKind::Power);
    EXPECT_FALSE(power.AutoSystemCurve);
    const TSeriesDef& l1 = AddCurve(power, c.d, "L1", true);
    EXPECT_FALSE(l1.ShowPhase);  // power windows have no phase
    EXPECT_EQ(l1.Subject.Kind, TSubjectKind::Part);
    EXPECT_EQ(l1.Element, 1);
    EXPECT_EQ(AddCurve(power, c.d, "C1", false).Element, 2);
    EXPECT_EQ(AddCurve(power, c.d, "L7", false).Element, -1);
}

TEST(GraphRecord, RemoveCurvesOfTakesEveryCurveOfTheElement) {
    CircuitBuilder c;
    TwoDriversThreeParts(c);
    TGraphRecord spl(TGraphKind::SPL), z(TGraphKind::Impedance), v(TGraphKind::Voltage);
    for (const char* n : {"System", "S1", "S1 (driver only)", "S2", "S1"}) AddCurve(spl, c.d, n, false);
    for (const char* n : {"S1 (lookback)", "S2 (driver only)", "S1 (driver only)"}) AddCurve(z, c.d, n, false);
    for (const char* n : {"R1", "S1", "L1"}) AddCurve(v, c.d, n, false);
    TGraphList graphs;
    graphs.Add(&spl);
    graphs.Add(&z);
    graphs.Add(&v);
    spl.SelectedCurve = 4;
    EXPECT_EQ(RemoveCurvesOf(graphs, "S1", true), 6);
    auto names = [](const TGraphRecord& g) {
        Names n;
        for (const auto& curve : g.Curves) n.push_back(curve.Name);
        return n;
    };
    EXPECT_EQ(names(spl), (Names{"System", "S2"}));
    EXPECT_EQ(spl.SelectedCurve, 1);
    EXPECT_EQ(names(z), (Names{"S2 (driver only)"}));
    EXPECT_EQ(names(v), (Names{"R1", "L1"}));
    EXPECT_EQ(RemoveCurvesOf(graphs, "S2", false), 0) << "a part's designator never names a driver";
    EXPECT_EQ(RemoveCurvesOf(graphs, "R1", false), 1);
    EXPECT_EQ(names(v), (Names{"L1"}));
    graphs.Remove(&z);
    EXPECT_EQ(graphs.Windows.size(), 2u);
}

TEST(GraphRecord, CurveSubjectsFromTheirNames) {
    const std::pair<const char*, TSubjectKind> cases[] = {
        {"System", TSubjectKind::System},
        {"S1", TSubjectKind::Driver},
        {"S12 (driver only)", TSubjectKind::DriverOnly},
        {"S3 (lookback)", TSubjectKind::Lookback},
        {"C1", TSubjectKind::Part},
        {"R10", TSubjectKind::Part},
        {"L2", TSubjectKind::Part},
    };
    for (const auto& [name, subject] : cases) EXPECT_EQ(ParseCurveCaption(name)->Kind, subject) << name;
}

TEST(GraphRecord, SolveFollowsElementsByNameAndFillsEveryCurve) {
    CircuitBuilder c;
    TwoDriversThreeParts(c);
    TGraphRecord spl(TGraphKind::SPL), v(TGraphKind::Voltage);
    spl.AutoSystemCurve = false;
    for (const char* n : {"System", "S2", "S1 (driver only)"}) AddCurve(spl, c.d, n, true);
    for (const char* n : {"L1", "R1", "C1"}) AddCurve(v, c.d, n, true);
    TGraphList graphs;
    graphs.Add(&spl);
    graphs.Add(&v);
    TGraphSolve solve;
    SilentMessageSink silent;
    SolveGraphs(c.d, graphs, solve, silent);
    for (const TGraphRecord* g : {&spl, &v})
        for (const TSeriesDef& curve : g->Curves) {
            EXPECT_EQ(curve.MagSeries.Count(), 500u) << curve.Name;
            EXPECT_EQ(curve.PhaseSeries.Count(), curve.ShowPhase ? 500u : 0u) << curve.Name;
        }
    EXPECT_EQ(solve.Result.Netlist.NodeCount, 5);
    ASSERT_EQ(solve.Result.DriverContribution.size(), 2u);
    EXPECT_EQ(solve.Result.DriverContribution[1].Mag.size(), 500u);

    // R1 goes: its curve goes with it, the others follow their elements to
    // their new places.
    c.d.Parts.erase(c.d.Parts.begin());
    SolveGraphs(c.d, graphs, solve, silent);
    ASSERT_EQ(v.Curves.size(), 2u);
    EXPECT_EQ(v.Curves[0].Name, "L1");
    EXPECT_EQ(v.Curves[0].Element, 0);
    EXPECT_EQ(v.Curves[1].Element, 1);
    EXPECT_EQ(v.Curves[1].MagSeries.Count(), 500u);
    EXPECT_EQ(spl.Curves[1].Element, 1);

    // A design that is not solved leaves every curve as it was.
    c.d.BlockDesignMode = true;
    spl.Curves[0].MagSeries.Clear();
    SolveGraphs(c.d, graphs, solve, silent);
    EXPECT_FALSE(solve.Result.Solved);
    EXPECT_TRUE(spl.Curves[0].MagSeries.Empty());
}
