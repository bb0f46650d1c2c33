// The solve heard from where the drivers sit: at the listening point and
// from many directions, against closed forms and against the on-axis solve.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CircuitBuilder.h"
#include "TestSupport.h"
#include "acoustics/DriverGeometry.h"
#include "base/Conversions.h"
#include "engine/DirectionalSum.h"
#include "engine/Sweep.h"
#include "model/AnalysisGrid.h"
#include "model/ListeningSetup.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;

namespace {

constexpr double InchesPerMetre = 1.0 / 0.0254;

// Two drivers with the default flat response, straight across the source.
struct TwoDrivers {
    CircuitBuilder c;
    TDesign& d = c.Design();
    TSolveContext ctx;
    TSolveResult r;
    RecordingMessageSink messages;
    TwoDrivers() {
        c.Ground();
        c.Driver(1, 0, 8);
        c.Driver(1, 0, 8);
        MakeLogGrid(d.Grid);
    }
    TDriver& S(int i) { return *d.Drivers[static_cast<std::size_t>(i)]; }
    void Listen(TListeningSetup s) { WriteListeningSetup(s, d.Settings); }
    void Solve() {
        SolveCircuit(d, TSolveOptions{}, ctx, r, messages);
        ASSERT_EQ(r.SolvedFrequencies, AnalysisPoints);
    }
};

double Db(double mag) { return 20.0 * std::log10(mag); }

}  // namespace

// Two point sources 20 cm apart vertically, heard at 10 m in the vertical
// plane: the level follows |sum (1 m / d_i) exp(-jk (d_i - R))| times the
// level of one driver on axis at 1 m.
TEST(DirectivitySolve, TwoPointSourcesInTheVerticalPlane) {
    TwoDrivers t;
    t.S(0).Acoustic.YOffsetInches = 0.1 * InchesPerMetre;
    t.S(1).Acoustic.YOffsetInches = -0.1 * InchesPerMetre;
    t.Solve();
    const DataArray single = t.r.System.Mag;  // both drivers on axis at one point: 2 x one
    const DataArray singlePhase = t.r.System.Phase;
    constexpr double R = 10.0;
    for (double v : {0.0, 7.5, 20.0, 45.0, 90.0, -33.0, 135.0}) {
        SCOPED_TRACE(v);
        t.Listen({R, 0.0, v, true});
        t.Solve();
        const double py = R * std::sin(v * M_PI / 180.0), pz = R * std::cos(v * M_PI / 180.0);
        int compared = 0;
        for (std::size_t k = 0; k < t.r.Grid.size(); ++k) {
            const double kw = 2.0 * M_PI * t.r.Grid[k] / 344.0;
            std::complex<double> sum = 0.0;
            for (double y : {0.1, -0.1}) {
                const double di = std::hypot(py - y, pz);
                sum += std::polar(1.0 / di, -kw * (di - R));
            }
            // Away from the nulls: no more than 20 dB below both in phase.
            if (std::abs(sum) < 0.1 * 2.0 / R) continue;
            ++compared;
            EXPECT_NEAR(Db(t.r.System.Mag[k]), Db(single[k] / 2.0 * std::abs(sum)), 0.01) << t.r.Grid[k] << " Hz";
            // The longer path lags.
            EXPECT_NEAR(std::remainder(t.r.System.Phase[k] - singlePhase[k] - std::arg(sum) * 180 / M_PI, 360.0), 0.0,
                        1e-6)
                << t.r.Grid[k] << " Hz";
        }
        EXPECT_GT(compared, 250);
    }
}

// What the drivers radiate is worked out once; a solve that changes nothing
// of it only multiplies. Each change makes again what depends on it (and
// the curve moves).
TEST(DirectivitySolve, ResponsesAreKeptUntilWhatTheyAreMadeOfChanges) {
    TwoDrivers t;
    t.S(1).Acoustic.YOffsetInches = 4;
    t.Listen({2.0, 10.0, 20.0, true});
    t.Solve();
    const std::vector<TVec3> directions = {ListeningDirection(0, 0), ListeningDirection(60, 0),
                                           ListeningDirection(0, -40)};
    TDirectionalWork work;
    PressuresAtDirections(t.d, t.r, t.ctx.Directivity, directions, 2.0, -1, work, t.messages);
    EXPECT_EQ(t.ctx.Directivity.Counts().Directivities, 2);
    EXPECT_EQ(t.ctx.Directivity.Counts().Responses, 4);

    struct Case {
        const char* change;
        std::function<void(TwoDrivers&)> apply;
        long directivities, responses;  // made again at the point and in the three directions
        bool moves;                     // the curve at the listening point
    };
    const std::vector<Case> cases = {
        {"nothing (a notch of the wheel)", [](TwoDrivers&) {}, 0, 0, false},
        {"the source level", [](TwoDrivers& x) { x.d.Source.Vrms *= 2; }, 0, 0, true},
        {"the driver's level", [](TwoDrivers& x) { x.S(0).Gain = 0.5; }, 0, 0, true},
        {"one driver moves up", [](TwoDrivers& x) { x.S(0).Acoustic.YOffsetInches = 3; }, 0, 2, true},
        {"its diameter", [](TwoDrivers& x) { x.S(1).Acoustic.DiameterInches = 6.5; }, 1, 2, true},
        {"one driver turns", [](TwoDrivers& x) { x.S(1).Acoustic.HTiltDegrees = 15; }, 0, 2, true},
        {"its response", [](TwoDrivers& x) { x.S(0).Acoustic.Response.Re[300] *= 2; }, 1, 2, true},
        {"the listening angle",
         [](TwoDrivers& x) {
             x.Listen({2.0, 25.0, 20.0, true});
         },
         0, 2, true},
        {"the distance",
         [](TwoDrivers& x) {
             x.Listen({3.0, 25.0, 20.0, true});
         },
         0, 2, true},
        {"the response files", [](TwoDrivers& x) { x.ctx.Directivity.ReloadFiles(); }, 2, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        const auto before = t.ctx.Directivity.Counts();
        const DataArray was = t.r.System.Mag;
        c.apply(t);
        t.Solve();
        PressuresAtDirections(t.d, t.r, t.ctx.Directivity, directions, 2.0, -1, work, t.messages);
        const auto after = t.ctx.Directivity.Counts();
        EXPECT_EQ(after.Directivities - before.Directivities, c.directivities);
        // The point's responses count once per driver made again, the set's once more.
        EXPECT_EQ(after.Responses - before.Responses, c.responses);
        EXPECT_EQ(t.r.System.Mag != was, c.moves);
    }
}

// The sums in many directions take each driver's drive as the solve does:
// heard from the origin's axis at 1 m with the drivers there, they are the
// system response, whatever the delays, levels and inversions.
TEST(DirectivitySolve, DirectionalSumOnAxisIsTheSystemResponse) {
    struct Case {
        const char* name;
        std::function<void(TDesign&)> apply;
    };
    const std::vector<Case> cases = {
        {"plain", [](TDesign&) {}},
        {"a driver's delay", [](TDesign& d) { d.Drivers[1]->DelaySeconds = 3e-4; }},
        {"the design's delay and level",
         [](TDesign& d) {
             d.OverallDelay = 1e-3;
             d.Drivers[0]->Gain = 0.7;
         }},
        {"the source inverted", [](TDesign& d) { d.Source.Inverted = true; }},
        {"a driver inverted, the other muted",
         [](TDesign& d) {
             d.Drivers[0]->Inverted = true;
             d.Drivers[1]->Muted = true;
         }},
        {"an acoustic effect",
         [](TDesign& d) {
             d.Drivers[1]->Acoustic.AcousticEffect.assign(AnalysisPoints, {0.0, 0.5});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwoDrivers t;
        t.c.R(1, 2, 3.0);
        t.c.C(2, 0, 20e-6);
        t.S(1).Terminal1 = CircuitBuilder::At(2);  // behind the low-pass
        c.apply(t.d);
        t.Solve();
        TDirectionalWork work;
        PressuresAtDirections(t.d, t.r, t.ctx.Directivity, {TVec3{0, 0, 1}}, 1.0, -1, work, t.messages);
        DataArray re0, im0, re1, im1;
        const auto& set = t.ctx.Directivity.AtDirections(t.d, t.r.Grid, {TVec3{0, 0, 1}}, 1.0, t.messages);
        SumAtDirections(set, work.Drives, 0, re0, im0);
        SumAtDirections(set, work.Drives, 1, re1, im1);
        for (std::size_t k = 0; k < t.r.Grid.size(); k += 7) {
            const std::complex<double> sum(work.Re[k], work.Im[k]);
            const std::complex<double> system = std::polar(t.r.System.Mag[k], t.r.System.Phase[k] * M_PI / 180.0);
            EXPECT_LE(std::abs(sum - system), 1e-9 * std::abs(system) + 1e-12) << t.r.Grid[k] << " Hz";
            EXPECT_NEAR(re0[k] + re1[k], work.Re[k], 1e-12 * (1 + std::abs(work.Re[k])));
            EXPECT_NEAR(t.r.DriverContribution[1].Mag[k], std::hypot(re1[k], im1[k]),
                        1e-9 * (1 + t.r.DriverContribution[1].Mag[k]));
        }
    }
}

// A point source sends the same everywhere: every spinorama curve is its
// on-axis level, every index 0, as is the directivity index from either
// weighting; a piston of 10 inches is directional high up.
TEST(DirectivitySolve, SpinoramaAndPowerOfAPointSourceAndAPiston) {
    TwoDrivers t;
    t.S(1).Muted = true;
    t.Solve();
    TDirectionalWork work;
    TSpinorama s;
    SpinoramaOf(t.d, t.r, t.ctx.Directivity, 2.0, -1, work, t.messages, s);
    TPowerAndDi sectors, cta;
    PowerAndDiOf(t.d, t.r, t.ctx.Directivity, TPowerWeighting::Sectors, 5.0, 2.0, -1, work, t.messages, sectors);
    PowerAndDiOf(t.d, t.r, t.ctx.Directivity, TPowerWeighting::Cta2034, 0.0, 2.0, -1, work, t.messages, cta);
    for (std::size_t k = 0; k < t.r.Grid.size(); k += 11) {
        const double on = Db(t.r.System.Mag[k]);  // 1 m on axis
        for (double level : {s.On[k], s.ListeningWindow[k], s.EarlyReflections[k], s.SoundPower[k],
                             s.PredictedInRoom[k], sectors.PowerDb[k], cta.PowerDb[k]})
            EXPECT_NEAR(level, on, 1e-9);
        for (double di : {s.Erdi[k], s.Spdi[k], sectors.DiDb[k], cta.DiDb[k]}) EXPECT_NEAR(di, 0.0, 1e-9);
    }

    t.S(0).Acoustic.DiameterInches = 10;
    t.Solve();
    PowerAndDiOf(t.d, t.r, t.ctx.Directivity, TPowerWeighting::Sectors, 5.0, 2.0, -1, work, t.messages, sectors);
    const std::size_t low = 100, high = 450;  // about 46 Hz and 9.5 kHz
    // Nothing behind: half the sphere, but the ring at 90 degrees (87.5 to
    // 92.5 at 5-degree steps) counts whole.
    const double ring = (std::cos(87.5 * M_PI / 180) - std::cos(92.5 * M_PI / 180)) / 2;
    EXPECT_NEAR(sectors.DiDb[low], -10 * std::log10(0.5 + ring / 2), 0.01);
    EXPECT_GT(sectors.DiDb[high], 10.0);
}

// A driver's measured off-axis set counts at its angles; "@" files whose
// angle cannot be read are named once, not on every solve, and not used.
TEST(DirectivitySolve, OffAxisFilesBesideTheResponseFile) {
    TempFolder tmp;
    auto write = [&](const std::string& name, double db) {
        std::ofstream out(tmp.Path() + name);
        for (double f : {5.0, 100.0, 1000.0, 10000.0, 30000.0}) out << f << ' ' << db << " 0\n";
    };
    write("w.frd", 70);
    write("w@30.frd", 64);
    write("w@h-x.frd", 50);
    TwoDrivers t;
    t.S(1).Muted = true;
    t.S(0).Acoustic.FRDFile = tmp.Path() + "w.frd";
    t.Solve();
    const DataArray onAxis = t.r.System.Mag;
    t.Listen({1.0, -30.0, 0.0, true});
    t.Solve();
    t.Solve();
    ASSERT_EQ(t.messages.Messages.size(), 1u);
    EXPECT_NE(t.messages.Messages[0].find("w@h-x.frd"), std::string::npos) << t.messages.Messages[0];
    EXPECT_EQ(t.ctx.Directivity.Counts().SetsRead, 1);
    for (std::size_t k = 0; k < t.r.Grid.size(); k += 13)
        EXPECT_NEAR(Db(t.r.System.Mag[k]) - Db(onAxis[k]), -6.0, 1e-6) << t.r.Grid[k] << " Hz";
}
