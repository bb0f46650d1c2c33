#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>

#include "CircuitBuilder.h"
#include "TestSupport.h"
#include "acoustics/ModelledDriver.h"
#include "acoustics/OffAxisSet.h"
#include "model/AnalysisGrid.h"
#include "model/DesignSettings.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;

namespace {

TModelSetup VentedOnBaffle() {
    TModelSetup s;
    s.Box = EnclosureKind::Vented;
    s.VbLitres = 24;
    s.FbHz = 38;
    s.Baffle = ModelBaffleKind::Rectangle;
    s.WidthMm = 200;
    s.HeightMm = 350;
    s.YMm = -60;
    s.RoundoverMm = 10;
    return s;
}

TEST(ModelledDriver, SetupSurvivesTheDesignSettings) {
    TModelSetup s = VentedOnBaffle();
    s.Box = EnclosureKind::PassiveRadiator;
    s.Baffle = ModelBaffleKind::Circle;
    s.LeExponent = 0.7;
    s.Watts = 12.5;
    TDesignSettings settings;
    EXPECT_FALSE(HasModelSetup(settings));
    WriteModelSetup(s, settings);
    EXPECT_TRUE(HasModelSetup(settings));
    EXPECT_EQ(settings.Text("model.box", ""), "pr");
    EXPECT_EQ(ReadModelSetup(settings), s);

    // Unreadable values fall back one by one.
    settings.Set("model.vas", "lots");
    settings.Set("model.box", "barrel");
    TModelSetup fallback;
    fallback.VasLitres = 7;
    const TModelSetup read = ReadModelSetup(settings, fallback);
    EXPECT_EQ(read.VasLitres, 7);
    EXPECT_EQ(read.Box, fallback.Box);
    EXPECT_EQ(read.Watts, 12.5);
}

// The baffle's factor is the slow part: it is made again only for fields
// that change it.
TEST(ModelledDriver, PreviewReusesTheBaffleFactor) {
    TModelPreviewer previewer;
    TModelSetup s = VentedOnBaffle();
    const struct {
        double TModelSetup::*Field;
        double Value;
        std::size_t Solves;  // after the change
    } steps[] = {
        {&TModelSetup::VbLitres, 30, 1},    {&TModelSetup::FsHz, 40, 1}, {&TModelSetup::Watts, 5, 1},
        {&TModelSetup::WidthMm, 250, 2},    {&TModelSetup::YMm, -40, 3}, {&TModelSetup::SdCm2, 120, 4},
        {&TModelSetup::DiameterMm, 300, 4},  // not a circle: no change
    };
    ASSERT_TRUE(previewer.Update(s).Problem.empty());
    EXPECT_EQ(previewer.BaffleSolves(), 1u);
    for (const auto& step : steps) {
        s.*step.Field = step.Value;
        ASSERT_TRUE(previewer.Update(s).Problem.empty());
        EXPECT_EQ(previewer.BaffleSolves(), step.Solves);
    }
    // The preview is the box's response times the factor of the baffle as
    // it is now; without the baffle the box's response alone.
    const TModelPreview& v = previewer.Update(s);
    const TDriverModelData box = EvaluateEnclosure(ModelDriverParams(s), ModelEnclosure(s), v.Freq);
    const auto factor = BaffleFactor(ModelBaffle(s), ModelBaffleSource(s), TBaffleListener{}, v.Freq);
    for (std::size_t k = 0; k < v.Freq.size(); k += 37)
        EXPECT_NEAR(v.SplDb[k], box.SplDb[k] + 20 * std::log10(std::abs(factor[k])), 1e-9);
    s.Baffle = ModelBaffleKind::None;
    previewer.Update(s);
    for (std::size_t k = 0; k < v.Freq.size(); k += 37) EXPECT_NEAR(v.SplDb[k], box.SplDb[k], 1e-9);
    EXPECT_EQ(v.Vent.size(), v.Freq.size());

    s.Qes = -1;
    EXPECT_NE(previewer.Update(s).Problem, "");
    EXPECT_TRUE(previewer.Preview().SplDb.empty());
}

// What a driver given the files sounds like: on axis its response times its
// acoustic effect is the model on the baffle; off axis, the off-axis file
// times the acoustic effect (which the program applies in every direction)
// is the model on the baffle heard from there.
TEST(ModelledDriver, FilesGiveTheModelOnTheBaffleInEveryDirection) {
    TempFolder folder;
    RecordingMessageSink sink;
    const TModelSetup s = VentedOnBaffle();
    TModelFiles files;
    ASSERT_TRUE(WriteModelFiles(s, folder.Path() + "Models/", "Woofer", files, sink)) << sink.Messages.at(0);
    EXPECT_EQ(files.OffAxis.size(), 18u);
    EXPECT_EQ(ListOffAxisFiles(files.Frd).Files.size(), 18u);

    test::CircuitBuilder c;
    c.Source(1, 0).Ground();
    c.Driver(1, 0, 8);
    TDesign& d = c.Design();
    ASSERT_TRUE(LoadModelFiles(d, 0, files, EffectiveDiameterInches(s), sink));
    const TDriver& drv = *d.Drivers[0];
    EXPECT_EQ(drv.Acoustic.FRDFile, files.Frd);
    EXPECT_EQ(drv.Acoustic.AcousticFile, files.Baffle);
    EXPECT_NEAR(drv.Acoustic.DiameterInches, 2 * std::sqrt(133e-4 / std::numbers::pi) / 0.0254, 1e-12);

    const DataArray& grid = d.Grid;
    const TDriverModelParams p = ModelDriverParams(s);
    const TEnclosure box = ModelEnclosure(s);
    const auto points = SolveEnclosure(p, box, grid);
    const TBaffleDiffraction diffraction(ModelBaffle(s), ModelBaffleSource(s), grid);
    const auto onAxis = diffraction.Factor(TBaffleListener{});
    const auto h30 = diffraction.Factor(TBaffleListener{30, 0, 0});
    const std::vector<TMeasuredAngle> set = LoadOffAxisSet(files.Frd, grid, sink);
    const TMeasuredAngle* at30 = nullptr;
    for (const TMeasuredAngle& m : set)
        if (m.Plane == TPlane::Horizontal && m.AngleDeg == 30) at30 = &m;
    ASSERT_NE(at30, nullptr);
    for (std::size_t k = 50; k < grid.size(); k += 61) {
        const std::complex<double> effect(drv.Acoustic.AcousticEffect.Re[k], drv.Acoustic.AcousticEffect.Im[k]);
        const std::complex<double> response(drv.Acoustic.Response.Re[k], drv.Acoustic.Response.Im[k]);
        const std::complex<double> off(at30->Response.Re[k], at30->Response.Im[k]);
        const std::complex<double> model = points[k].Pressure / 20e-6;
        // Levels as the files hold them (dB re 20 uPa), with 4 decimals.
        EXPECT_NEAR(20 * std::log10(std::abs(response * effect)), 20 * std::log10(std::abs(model * onAxis[k])), 2e-3)
            << grid[k];
        EXPECT_NEAR(20 * std::log10(std::abs(off * effect)), 20 * std::log10(std::abs(model * h30[k])), 2e-3)
            << grid[k];
        const std::complex<double> z(1.0 / std::complex<double>(drv.Admittance.Re[k], drv.Admittance.Im[k]));
        EXPECT_NEAR(std::abs(z), std::abs(points[k].Impedance), 1e-3 * std::abs(points[k].Impedance));
    }

    // The same name without the baffle takes the off-axis set away again.
    TModelSetup plain = s;
    plain.Baffle = ModelBaffleKind::None;
    ASSERT_TRUE(WriteModelFiles(plain, folder.Path() + "Models/", "Woofer", files, sink));
    EXPECT_TRUE(ListOffAxisFiles(files.Frd).Files.empty());
    ASSERT_TRUE(LoadModelFiles(d, 0, files, 0, sink));
    EXPECT_TRUE(d.Drivers[0]->Acoustic.AcousticEffect.empty());
    EXPECT_EQ(d.Drivers[0]->Acoustic.AcousticFile, "");

    // Names that would reach outside the folder or into the set are refused.
    for (const char* bad : {"", "a/b", "x@h10", ".."})
        EXPECT_FALSE(WriteModelFiles(plain, folder.Path(), bad, files, sink)) << bad;
}

}  // namespace
