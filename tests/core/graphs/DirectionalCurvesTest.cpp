// The directional windows' curves: what the core's directional sums give,
// filled by the graph solve, following a value change, and the rules of the
// set of curves a window shows.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "CircuitBuilder.h"
#include "TestSupport.h"
#include "acoustics/PreferenceScore.h"
#include "engine/DirectionalSum.h"
#include "graphs/DirectionalCurves.h"
#include "graphs/GraphCurves.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "model/ListeningSetup.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;
using pelmo::test::RecordingMessageSink;

namespace {

// A two-way: S1 straight across the source, S2 behind a capacitor, 15 cm
// above it, heard at 2 m; a window of each directional kind.
struct TwoWay {
    CircuitBuilder c;
    TDesign& d = c.Design();
    TPart* cap = nullptr;
    TGraphList graphs;
    TGraphSolve solve;
    RecordingMessageSink messages;
    std::vector<std::unique_ptr<TGraphRecord>> windows;

    explicit TwoWay(bool apart = true) {
        c.Ground();
        c.Driver(1, 0, 8);
        cap = &c.C(1, 2, 10e-6);
        c.Driver(2, 0, 8);
        MakeLogGrid(d.Grid);
        if (apart) {
            d.Drivers[0]->Acoustic.DiameterInches = 6.5;
            d.Drivers[1]->Acoustic.YOffsetInches = 0.15 / 0.0254;
            d.Drivers[1]->Acoustic.DiameterInches = 1;
        }
        WriteListeningSetup({2.0, 0.0, 0.0, false}, d.Settings);
    }
    TGraphRecord& Window(TGraphKind kind, const TCurveSubject& subject = {}) {
        windows.push_back(std::make_unique<TGraphRecord>(kind));
        TGraphRecord& g = *windows.back();
        ChooseCurve(g, d, subject, true);
        graphs.Add(&g);
        return g;
    }
    void Solve() { SolveGraphs(d, graphs, solve, messages); }
    TDirectivityCache& Cache() { return solve.Context.Directivity; }
    const DataArray& Grid() const { return solve.Result.Grid; }
};

// The curve's value at grid index k (every frequency solves here).
double At(const TSeriesDef& c, std::size_t k) { return c.MagSeries.Y.at(k); }

// What the core gives for a directional window's trace, level by grid index.
using TExpected = std::function<DataArray(TwoWay&, TGraphRecord&, int driver, int trace)>;

DataArray SpinoramaTrace(TwoWay& t, TGraphRecord&, int driver, int trace) {
    TDirectionalWork w;
    TSpinorama s;
    SpinoramaOf(t.d, t.solve.Result, t.Cache(), 2.0, driver, w, t.messages, s);
    const DataArray* all[] = {
        &s.On, &s.ListeningWindow, &s.EarlyReflections, &s.SoundPower, &s.PredictedInRoom, &s.Erdi, &s.Spdi};
    return *all[trace];
}

DataArray PowerTrace(TwoWay& t, TGraphRecord& g, int driver, int trace) {
    TDirectionalWork w;
    TPowerAndDi p;
    PowerAndDiOf(t.d, t.solve.Result, t.Cache(), TPowerWeighting::Sectors, g.Directional.SectorStepDeg, 2.0, driver, w,
                 t.messages, p);
    const DataArray* all[] = {&p.OnDb, &p.PowerDb, &p.DiDb};
    return *all[trace];
}

// The level toward one angle of the window's plane, referred to 1 m.
DataArray LevelToward(TwoWay& t, TPlane plane, double angle, int driver) {
    TDirectionalWork w;
    PressuresAtDirections(t.d, t.solve.Result, t.Cache(), {PlaneDirection(plane, angle)}, 2.0, driver, w, t.messages);
    DataArray level(w.Re.size());
    for (std::size_t k = 0; k < level.size(); ++k)
        level[k] = 10 * std::log10(w.Re[k] * w.Re[k] + w.Im[k] * w.Im[k]) + 20 * std::log10(2.0);
    return level;
}

DataArray OffAxisTrace(TwoWay& t, TGraphRecord& g, int driver, int trace) {
    return LevelToward(t, g.Directional.Plane, OffAxisAngles(g.Directional).at(static_cast<std::size_t>(trace)),
                       driver);
}

}  // namespace

// Each window's curves equal what the core's functions give, for the system
// and for one driver alone, and follow a part's value.
TEST(DirectionalCurves, WindowsShowTheCoreCurvesAndFollowAValue) {
    struct Case {
        TGraphKind Kind;
        std::size_t Traces;
        TExpected Expected;
    } cases[] = {
        {TGraphKind::Spinorama, 7, SpinoramaTrace},
        {TGraphKind::PowerAndDi, 3, PowerTrace},
        {TGraphKind::OffAxis, 7, OffAxisTrace},  // V 0 ... 90 in 15 degree steps
    };
    for (const Case& k : cases) {
        for (int driver : {-1, 1}) {
            SCOPED_TRACE(std::string(GraphKindDescriptor(k.Kind).Name) + " driver " + std::to_string(driver));
            TwoWay t;
            const TCurveSubject subject =
                driver < 0 ? TCurveSubject{} : TCurveSubject::OfDriver(TSubjectKind::Driver, *t.d.Drivers[1]);
            TGraphRecord& g = t.Window(k.Kind, subject);
            ASSERT_EQ(g.Curves.size(), k.Traces);
            for (double capacitance : {10e-6, 4.7e-6}) {
                t.cap->Value = capacitance;
                t.Solve();
                for (std::size_t i = 0; i < k.Traces; ++i) {
                    const DataArray expected = k.Expected(t, g, driver, static_cast<int>(i));
                    ASSERT_EQ(g.Curves[i].MagSeries.Count(), t.Grid().size());
                    for (std::size_t f : {60u, 250u, 330u, 420u})
                        EXPECT_NEAR(At(g.Curves[i], f), expected[f], 1e-9) << g.Curves[i].Name << " " << f;
                }
            }
        }
    }
}

// A smaller capacitor moves the tweeter's part up: its curves move with it.
TEST(DirectionalCurves, CurvesFollowEveryNotch) {
    TwoWay t;
    TGraphRecord& spin = t.Window(TGraphKind::Spinorama);
    TGraphRecord& map = t.Window(TGraphKind::PolarMap);
    t.Solve();
    const DataArray on = spin.Curves[0].MagSeries.Y;
    const DataArray levels = map.Map.LevelsDb;
    const std::string note = spin.Note;
    t.cap->Value = 2.2e-6;
    t.Solve();
    EXPECT_LT(spin.Curves[0].MagSeries.Y[300], on[300] - 0.5);  // about 2.5 kHz
    EXPECT_NE(map.Map.LevelsDb, levels);
    EXPECT_NE(spin.Note, note);
}

// The polar map: its cells are the levels toward its angles, relative to on
// axis when asked; the -6 dB lines lie where the levels cross that edge.
TEST(DirectionalCurves, PolarMapCellsAndLines) {
    for (bool normalised : {false, true}) {
        SCOPED_TRACE(normalised);
        TwoWay t;
        TGraphRecord& g = t.Window(TGraphKind::PolarMap);
        g.Directional.Normalised = normalised;
        t.Solve();
        const TLevelMap& m = g.Map;
        ASSERT_EQ(m.AnglesDeg.size(), 73u);
        ASSERT_EQ(m.LevelsDb.size(), 73u * m.Freq.size());
        const DataArray on = LevelToward(t, TPlane::Vertical, 0, -1);
        for (double angle : {-150.0, -30.0, 0.0, 45.0, 180.0}) {
            const DataArray level = LevelToward(t, TPlane::Vertical, angle, -1);
            const auto a = static_cast<std::size_t>(std::lround((angle + 180) / 5));
            for (std::size_t k : {100u, 300u, 450u})
                EXPECT_NEAR(m.LevelsDb[a * m.Freq.size() + k], level[k] - (normalised ? on[k] : 0.0), 1e-9)
                    << angle << " " << k;
        }
        // At 10 kHz the pair beams: the lines lie between the first cells
        // out from 0 degrees at or below the edge and the cells before them.
        const std::size_t k = 450, nf = m.Freq.size();
        const double upper = g.Curves[0].MagSeries.Y.at(k), lower = g.Curves[1].MagSeries.Y.at(k);
        const double edge = m.LevelsDb[36 * nf + k] - 6;
        EXPECT_GT(upper, 0);
        EXPECT_LT(upper, 90);
        EXPECT_LT(lower, 0);
        EXPECT_GT(lower, -90);
        const auto out = static_cast<std::size_t>(std::ceil((upper + 180) / 5 - 1e-9));
        EXPECT_LE(m.LevelsDb[out * nf + k], edge);
        for (std::size_t a = 36; a < out; ++a) EXPECT_GT(m.LevelsDb[a * nf + k], edge);
        const auto outLow = static_cast<std::size_t>(std::floor((lower + 180) / 5 + 1e-9));
        EXPECT_LE(m.LevelsDb[outLow * nf + k], edge);
        for (std::size_t a = outLow + 1; a <= 36; ++a) EXPECT_GT(m.LevelsDb[a * nf + k], edge);
    }
}

// Two drivers at one point, no diameters: an omni source. Every spinorama
// curve is the on-axis one and the indices are 0.
TEST(DirectionalCurves, AnOmniDesignHasOneCurveAndNoDirectivity) {
    TwoWay t(false);
    TGraphRecord& spin = t.Window(TGraphKind::Spinorama);
    TGraphRecord& power = t.Window(TGraphKind::PowerAndDi);
    t.Solve();
    for (std::size_t k = 0; k < t.Grid().size(); k += 37) {
        const double on = At(spin.Curves[0], k);
        for (std::size_t i = 1; i < 5; ++i) EXPECT_NEAR(At(spin.Curves[i], k), on, 1e-9) << spin.Curves[i].Name;
        EXPECT_NEAR(At(spin.Curves[5], k), 0.0, 1e-9);
        EXPECT_NEAR(At(spin.Curves[6], k), 0.0, 1e-9);
        EXPECT_NEAR(At(power.Curves[0], k), on, 1e-9);
        EXPECT_NEAR(At(power.Curves[1], k), on, 1e-9);
        EXPECT_NEAR(At(power.Curves[2], k), 0.0, 1e-9);
    }
    const TSpinorama s = [&] {
        TDirectionalWork w;
        TSpinorama out;
        SpinoramaOf(t.d, t.solve.Result, t.Cache(), 2.0, -1, w, t.messages, out);
        return out;
    }();
    const TPreferenceScore p = PreferenceScore(t.Grid(), s.On, s.ListeningWindow, s.SoundPower, s.PredictedInRoom);
    EXPECT_EQ(spin.Note, PreferenceScoreNote("System", p));
}

// The set a window shows: its names and axes, a subject chosen in place of
// the last, and the off-axis curves following the view.
TEST(DirectionalCurves, TheSetOfAWindow) {
    struct Case {
        TGraphKind Kind;
        std::function<void(TDirectionalView&)> View;
        std::vector<std::string> Names;
        std::vector<bool> Right;
    } cases[] = {
        {TGraphKind::Spinorama,
         {},
         {"On Axis", "Listening Window", "Early Reflections", "Sound Power", "Predicted In-Room", "ERDI", "SPDI"},
         {false, false, false, false, false, true, true}},
        {TGraphKind::PowerAndDi, {}, {"On Axis", "Sound Power", "DI"}, {false, false, true}},
        {TGraphKind::OffAxis,
         [](TDirectionalView& v) {
             v.Plane = TPlane::Horizontal;
             v.AngleStepDeg = 30;
             v.MaxAngleDeg = 180;
         },
         {"H 0\xC2\xB0", "H 30\xC2\xB0", "H 60\xC2\xB0", "H 90\xC2\xB0", "H 120\xC2\xB0", "H 150\xC2\xB0",
          "H 180\xC2\xB0"},
         std::vector<bool>(7, false)},
        {TGraphKind::OffAxis,
         [](TDirectionalView& v) { v.AngleStepDeg = 0; },  // taken as 10 degrees
         {"V 0\xC2\xB0", "V 10\xC2\xB0", "V 20\xC2\xB0", "V 30\xC2\xB0", "V 40\xC2\xB0", "V 50\xC2\xB0", "V 60\xC2\xB0",
          "V 70\xC2\xB0", "V 80\xC2\xB0", "V 90\xC2\xB0"},
         std::vector<bool>(10, false)},
        {TGraphKind::PolarMap, {}, {"-6 dB", ""}, {false, false}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(GraphKindDescriptor(k.Kind).Name);
        TwoWay t;
        const TCurveSubject s2 = TCurveSubject::OfDriver(TSubjectKind::Driver, *t.d.Drivers[1]);
        TGraphRecord& g = t.Window(k.Kind);
        EXPECT_FALSE(g.AutoSystemCurve);
        if (k.View) {
            k.View(g.Directional);
            RenewCurveSet(g, t.d);
        }
        ASSERT_EQ(g.Curves.size(), k.Names.size());
        for (std::size_t i = 0; i < g.Curves.size(); ++i) {
            EXPECT_EQ(g.Curves[i].Name, k.Names[i]);
            EXPECT_EQ(g.Curves[i].RightAxis, k.Right[i]);
            EXPECT_EQ(g.Curves[i].Trace, static_cast<int>(i));
        }
        EXPECT_EQ(HoldAvailable(g), k.Kind != TGraphKind::PolarMap);
        // Choosing a driver shows it in place of the system, every curve.
        const TCurveChoice choice = ChooseCurve(g, t.d, s2, false);
        EXPECT_TRUE(choice.Added);
        EXPECT_FALSE(choice.ShowDialog);
        EXPECT_EQ(FindCurve(g, TCurveSubject{}), -1);
        ASSERT_EQ(g.Curves.size(), k.Names.size());
        for (const TSeriesDef& c : g.Curves) EXPECT_EQ(c.Element, 1);
        // Choosing it again keeps the curves.
        EXPECT_FALSE(ChooseCurve(g, t.d, s2, false).Added);
        // The driver's curves go with the driver.
        t.d.Drivers.pop_back();
        EXPECT_EQ(RebindCurveElements(t.graphs, t.d), static_cast<int>(k.Names.size()));
        EXPECT_TRUE(g.Curves.empty());
    }
}

// The readout of a map: the nearest cell, and nothing outside it.
TEST(DirectionalCurves, MapReadoutAndLines) {
    TGraphRecord g(TGraphKind::PolarMap);
    g.Directional.Plane = TPlane::Horizontal;
    TLevelMap& m = g.Map;
    m.Freq = {100, 1000, 10000};
    m.AnglesDeg = {-20, -10, 0, 10, 20};
    // Per angle, at 100 Hz, 1 kHz and 10 kHz.
    m.LevelsDb = {-1, -9, -20,  //
                  0,  -3, -12,  //
                  0,  0,  0,    //
                  0,  -4, -3,   //
                  -1, -8, -9};
    struct Case {
        double F, A;
        const char* Text;
    } cases[] = {
        {1000, 0, "1kHz, H 0\xC2\xB0, 0 dB"},
        {400, 12, "1kHz, H 10\xC2\xB0, -4 dB"},    // nearer 1 kHz than 100 Hz on a log scale
        {250, -14, "100Hz, H -10\xC2\xB0, 0 dB"},  // nearer 100 Hz
        {9000, -20, "10kHz, H -20\xC2\xB0, -20 dB"},
        {50, 0, nullptr},
        {20000, 0, nullptr},
        {1000, 25, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.F);
        const auto text = MapReadoutText(g, c.F, c.A);
        if (c.Text) {
            ASSERT_TRUE(text);
            EXPECT_EQ(*text, c.Text);
        } else {
            EXPECT_FALSE(text);
        }
    }
    TChartCurve upper, lower;
    BeamEdges(m, upper, lower);
    ASSERT_EQ(upper.Count(), 3u);
    // 100 Hz never reaches -6 dB: the map's ends.
    EXPECT_EQ(upper.Y[0], 20);
    EXPECT_EQ(lower.Y[0], -20);
    // 1 kHz: up from -4 at 10 to -8 at 20 (-6 halfway); down from -3 at -10
    // to -9 at -20.
    EXPECT_DOUBLE_EQ(upper.Y[1], 15);
    EXPECT_DOUBLE_EQ(lower.Y[1], -15);
    // 10 kHz: 0 to -3 at 10 and -9 at 20; -12 already at -10.
    EXPECT_DOUBLE_EQ(upper.Y[2], 15);
    EXPECT_DOUBLE_EQ(lower.Y[2], -5);
}
