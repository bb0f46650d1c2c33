#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "TestSupport.h"
#include "driverdata/TspFile.h"

using namespace pelmo;

namespace {

struct ValueCase {
    const char* Line;
    std::optional<double> TTspValues::*Field;
    double Si;  // the value in SI units
};

// One parameter a line in the forms and units vendors write.
TEST(TspFile, ReadsEveryFormAndUnit) {
    const ValueCase cases[] = {
        {"Re 5.6 ohm", &TTspValues::Re, 5.6},
        {"RE=5.6", &TTspValues::Re, 5.6},
        {"Revc: 3.2 Ohms", &TTspValues::Re, 3.2},
        {"Le 0.55 mH", &TTspValues::Le, 0.55e-3},
        {"Le = 550 uH", &TTspValues::Le, 550e-6},
        {"le\t0.4", &TTspValues::Le, 0.4e-3},
        {"Fs 38 Hz", &TTspValues::Fs, 38},
        {"fs=0.8kHz", &TTspValues::Fs, 800},
        {"Qms 3.4", &TTspValues::Qms, 3.4},
        {"Qes = 0,42", &TTspValues::Qes, 0.42},
        {"QTS: 0.37", &TTspValues::Qts, 0.37},
        {"Vas 24 l", &TTspValues::Vas, 24e-3},
        {"Vas = 24 liters", &TTspValues::Vas, 24e-3},
        {"Vas 24 Litre", &TTspValues::Vas, 24e-3},
        {"Vas 0.024 m^3", &TTspValues::Vas, 0.024},
        {"Vas 0.024 m\xC2\xB3", &TTspValues::Vas, 0.024},
        {"Vas 1 ft^3", &TTspValues::Vas, 0.028316846592},
        {"Vas (l) = 24", &TTspValues::Vas, 24e-3},
        {"Sd 133 cm2", &TTspValues::Sd, 133e-4},
        {"Sd = 133 cm^2", &TTspValues::Sd, 133e-4},
        {"Sd 0.0133 m2", &TTspValues::Sd, 0.0133},
        {"Bl 7.2 Tm", &TTspValues::Bl, 7.2},
        {"BL = 7.2 T*m", &TTspValues::Bl, 7.2},
        {"Mms 14.2 g", &TTspValues::Mms, 14.2e-3},
        {"Mms=0.0142 kg", &TTspValues::Mms, 0.0142},
        {"Cms 1.2 mm/N", &TTspValues::Cms, 1.2e-3},
        {"Cms 1.2e-3 m/N", &TTspValues::Cms, 1.2e-3},
        {"Rms 0.98 kg/s", &TTspValues::Rms, 0.98},
        {"Rms 0.98 N.s/m", &TTspValues::Rms, 0.98},
        {"Xmax 5 mm", &TTspValues::Xmax, 5e-3},
        {"Xmax = 6.5 mm (one way)", &TTspValues::Xmax, 6.5e-3},
    };
    for (const ValueCase& c : cases) {
        std::string why;
        const auto v = ParseTspLines({c.Line}, "w.tsp", why);
        ASSERT_TRUE(v) << c.Line << ": " << why;
        ASSERT_TRUE((*v.*c.Field).has_value()) << c.Line;
        EXPECT_NEAR(*(*v.*c.Field), c.Si, 1e-9 * std::abs(c.Si)) << c.Line;
    }
}

struct RefusalCase {
    std::vector<std::string> Lines;
    const char* Expected;  // part of the message
};

TEST(TspFile, RefusesWithFileAndLine) {
    const RefusalCase cases[] = {
        {{"Maker: nobody", "Fs 38 Hz", "Vas 24 quarts"}, "w.tsp, line 3: the unit \"quarts\" of Vas is not known."},
        {{"Re = five"}, "w.tsp, line 1: Re has no value"},
        {{"Qts 0.4 x"}, "w.tsp, line 1: the unit \"x\" of Qts"},
        {{"Sd (cm2 = 133"}, "w.tsp, line 1: the unit of Sd is not closed"},
        {{"Model XY-165", "Znom 8 ohm", "SPL 88 dB"}, "w.tsp: no small-signal parameters found"},
        {{}, "w.tsp: no small-signal parameters found"},
    };
    for (const RefusalCase& c : cases) {
        std::string why;
        EXPECT_FALSE(ParseTspLines(c.Lines, "w.tsp", why));
        EXPECT_NE(why.find(c.Expected), std::string::npos) << why;
    }
}

TEST(TspFile, PassesOverOtherLinesAndReadsAFile) {
    pelmo::test::TempFolder folder;
    const std::string path = folder.Path() + "Woofer.tsp";
    pelmo::test::WriteWholeFile(path,
                                "\xEF\xBB\xBF; made up\r\nManufacturer = Nobody\r\n\r\nRe=5.6\r\n# Fs 99\r\n"
                                "Fs = 38 Hz\r\nSPL 88 dB\r\nRMS power 100 W\r\nVas-box: see below\r\n");
    std::string why;
    const auto v = ReadTspFile(path, why);
    ASSERT_TRUE(v) << why;
    EXPECT_EQ(*v->Re, 5.6);
    EXPECT_EQ(*v->Fs, 38);
    EXPECT_FALSE(v->Vas);
    EXPECT_FALSE(v->Rms);

    EXPECT_FALSE(ReadTspFile(folder.Path() + "missing.tsp", why));
    EXPECT_NE(why.find("missing.tsp"), std::string::npos) << why;
}

// A file that gives the mechanical parameters: the usual ones follow from
// them as the model defines them (the model's own derivation goes back).
TEST(TspFile, WorksOutTheUsualParametersFromTheMechanicalOnes) {
    TDriverModelParams given;
    given.Re = 5.6;
    given.Le = 0.55e-3;
    given.Fs = 38;
    given.Qms = 3.4;
    given.Qes = 0.42;
    given.Vas = 24e-3;
    given.Sd = 133e-4;
    const TDriverModelDerived m = DeriveDriverModel(given);
    TTspValues v;
    v.Re = given.Re;
    v.Le = given.Le;
    v.Sd = given.Sd;
    v.Mms = m.Mms;
    v.Cms = m.Cms;
    v.Rms = m.Rms;
    v.Bl = m.Bl;
    const TDriverModelParams p = ModelParamsFromTsp(v, {});
    EXPECT_NEAR(p.Fs, given.Fs, 1e-9 * given.Fs);
    EXPECT_NEAR(p.Qms, given.Qms, 1e-9 * given.Qms);
    EXPECT_NEAR(p.Qes, given.Qes, 1e-9 * given.Qes);
    EXPECT_NEAR(p.Vas, given.Vas, 1e-9 * given.Vas);

    // Qts with one of its two parts gives the other; what is missing stays.
    TTspValues q;
    q.Qts = 1 / (1 / 3.4 + 1 / 0.42);
    q.Qms = 3.4;
    TDriverModelParams base;
    base.Fs = 50;
    const TDriverModelParams r = ModelParamsFromTsp(q, base);
    EXPECT_NEAR(r.Qes, 0.42, 1e-12);
    EXPECT_EQ(r.Fs, 50);
}

}  // namespace
