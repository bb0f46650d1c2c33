#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "acoustics/Enclosure.h"
#include "acoustics/EnclosureFiles.h"

using namespace pelmo;
using cplx = std::complex<double>;

namespace {

constexpr double Pi = std::numbers::pi;

// A driver given by fs, Qts (split into Qes and a large Qms) and Vas, with
// no inductance: the lumped circuit the closed forms describe.
TDriverModelParams Driver(double qts, double qms = 1000) {
    TDriverModelParams p;
    p.Re = 6;
    p.Fs = 30;
    p.Qms = qms;
    p.Qes = qts * qms / (qms - qts);
    p.Vas = 50e-3;
    p.Sd = 200e-4;
    return p;
}

TEnclosure Sealed(double vb, double qa = 0) {
    TEnclosure b;
    b.Kind = EnclosureKind::Sealed;
    b.Vb = vb;
    b.Qa = qa;
    return b;
}

TEnclosure Vented(double vb, double fb, double ql = 0) {
    TEnclosure b;
    b.Kind = EnclosureKind::Vented;
    b.Vb = vb;
    b.Fb = fb;
    b.Ql = ql;
    return b;
}

// The level relative to the mass-controlled band, dB.
double RelativeDb(const TDriverModelParams& p, const TEnclosure& box, double f) {
    const auto pt = SolveEnclosure(p, box, {f}).front();
    return 20 * std::log10(std::abs(pt.Pressure) / 20e-6) - DeriveDriverModel(p).Sensitivity;
}

double Decibels(cplx h) { return 20 * std::log10(std::abs(h)); }

DataArray Sweep(double from, double to, double ratio = 1.02) {
    DataArray f;
    for (double x = from; x < to; x *= ratio) f.push_back(x);
    return f;
}

TEST(Enclosure, SealedBoxIsASecondOrderHighPass) {
    // fc = fs sqrt(1 + Vas/Vb), Qtc = Qts sqrt(1 + Vas/Vb); an absorption
    // loss Qa (at fc) adds alpha / ((1 + alpha) Qa) to 1/Qtc.
    struct Case {
        double qts, vbOverVas, qa;
    } cases[] = {{0.35, 1.0, 0}, {0.35, 0.33, 0}, {0.5, 2.0, 0}, {0.25, 0.1, 0}, {0.35, 0.5, 8}, {0.45, 1.0, 3}};
    for (const Case& c : cases) {
        const TDriverModelParams p = Driver(c.qts);
        const TEnclosure box = Sealed(p.Vas * c.vbOverVas, c.qa);
        const double alpha = 1 / c.vbOverVas;
        const double fc = p.Fs * std::sqrt(1 + alpha);
        double invQ = 1 / (DeriveDriverModel(p).Qts * std::sqrt(1 + alpha));
        if (c.qa > 0) invQ += alpha / ((1 + alpha) * c.qa);
        const TEnclosureDerived d = DeriveEnclosure(p, box);
        EXPECT_NEAR(d.Fb, fc, fc * 1e-12);
        EXPECT_NEAR(d.Qtc, 1 / invQ, 1e-12);
        for (double f : Sweep(fc / 20, fc * 50)) {
            const cplx s(0, f / fc);
            EXPECT_NEAR(RelativeDb(p, box, f), Decibels(s * s / (s * s + s * invQ + 1.0)), 0.05)
                << c.qts << " " << c.vbOverVas << " " << c.qa << " at " << f << " Hz";
        }
    }
}

TEST(Enclosure, VentedBoxFollowsTheFourthOrderResponse) {
    // Thiele and Small: G(s) = s^4 T^4 / (s^4 T^4 + a1 s^3 T^3 + a2 s^2 T^2 + a3 s T + 1)
    // with T = 1/sqrt(ws wb), h = fb/fs, alpha = Vas/Vb and the leakage Ql.
    struct Case {
        const char* name;
        double qts, alpha, h, ql;
    } cases[] = {
        {"Vb = Vas, fb = fs", 0.383, 1, 1, 0},
        {"tuned low", 0.3, 2.5, 0.8, 0},
        {"tuned high, leaky", 0.42, 0.8, 1.3, 7},
        {"very leaky", 0.35, 1.5, 1.0, 3},
    };
    for (const Case& c : cases) {
        const TDriverModelParams p = Driver(c.qts);
        const double qt = DeriveDriverModel(p).Qts;
        const double fb = c.h * p.Fs;
        const TEnclosure box = Vented(p.Vas / c.alpha, fb, c.ql);
        const double h = c.h, ql = c.ql > 0 ? c.ql : 1e300, a = c.alpha;
        const double a1 = (ql + h * qt) / (std::sqrt(h) * ql * qt);
        const double a2 = (h + (a + 1 + h * h) * ql * qt) / (h * ql * qt);
        const double a3 = (h * ql + qt) / (std::sqrt(h) * ql * qt);
        const double f0 = std::sqrt(p.Fs * fb);
        for (double f : Sweep(p.Fs / 10, p.Fs * 30)) {
            const cplx s(0, f / f0);
            const cplx s2 = s * s, s4 = s2 * s2;
            const cplx g = s4 / (s4 + a1 * s2 * s + a2 * s2 + a3 * s + 1.0);
            EXPECT_NEAR(RelativeDb(p, box, f), Decibels(g), 0.05) << c.name << " at " << f << " Hz";
        }
    }
    // Thiele's B4: Qts 0.383, fb = fs and, for a2 = 2 + sqrt 2, alpha = sqrt 2
    // (Vb = 0.707 Vas; with Vb = Vas, as above, it is 0 dB at fs): -3.01 dB at
    // fs and the fourth-order Butterworth magnitude.
    const TDriverModelParams p = Driver(1 / std::sqrt(4 + 2 * std::sqrt(2.0)));
    ASSERT_NEAR(DeriveDriverModel(p).Qts, 0.3827, 1e-4);
    const TEnclosure b4 = Vented(p.Vas / std::sqrt(2.0), p.Fs);
    EXPECT_NEAR(RelativeDb(p, b4, p.Fs), -3.01, 0.01);
    EXPECT_NEAR(RelativeDb(p, Vented(p.Vas, p.Fs), p.Fs), 0, 0.01);
    for (double f : Sweep(p.Fs / 10, p.Fs * 30)) {
        const double x = f / p.Fs;
        EXPECT_NEAR(RelativeDb(p, b4, f), 10 * std::log10(std::pow(x, 8) / (1 + std::pow(x, 8))), 0.05) << f;
    }
}

TEST(Enclosure, VentedImpedanceDipsAtTheTuning) {
    // Between the two peaks the impedance falls to its minimum at fb, where
    // the port does the work and the cone stands (exactly Re without losses).
    struct Case {
        double le, ql, qa, tolerance;
    } cases[] = {{0, 0, 0, 0.001}, {0.8e-3, 0, 0, 0.01}, {0, 7, 0, 0.02}, {0.8e-3, 7, 30, 0.03}};
    for (const Case& c : cases) {
        TDriverModelParams p = Driver(0.38, 4);
        p.Le = c.le;
        TEnclosure box = Vented(40e-3, 33, c.ql);
        box.Qa = c.qa;
        double lowest = 1e9, lowestF = 0, peakBelow = 0, peakAbove = 0;
        const DataArray f = Sweep(10, 150, 1.0005);
        const auto pts = SolveEnclosure(p, box, f);
        for (std::size_t k = 0; k < f.size(); ++k) {
            const double z = std::abs(pts[k].Impedance);
            if (f[k] > 20 && f[k] < 50 && z < lowest) lowest = z, lowestF = f[k];
            double& peak = f[k] < 33 ? peakBelow : peakAbove;
            peak = std::max(peak, z);
        }
        EXPECT_NEAR(lowestF, 33, 33 * c.tolerance) << c.le << " " << c.ql << " " << c.qa;
        EXPECT_GT(peakBelow, 3 * lowest);
        EXPECT_GT(peakAbove, 3 * lowest);
        if (c.le == 0 && c.ql == 0) {
            EXPECT_NEAR(std::abs(SolveEnclosure(p, box, {33}).front().Impedance), p.Re, 1e-9);
        }
    }
}

TEST(Enclosure, BoxesAgreeWhereTheyMustAndConserveTheAir) {
    TDriverModelParams p = Driver(0.4, 5);
    p.Le = 0.6e-3;
    p.LeExponent = 0.7;
    p.Resonances = {{2500, 3}};
    p.BaffleWidth = 0.25;
    const DataArray f = Sweep(5, 20000, 1.1);
    auto same = [&](const TEnclosure& a, const TEnclosure& b, double tolerance, const char* what) {
        const auto pa = SolveEnclosure(p, a, f), pb = SolveEnclosure(p, b, f);
        for (std::size_t k = 0; k < f.size(); ++k) {
            EXPECT_NEAR(std::abs(pa[k].Pressure / pb[k].Pressure), 1, tolerance) << what << " at " << f[k];
            EXPECT_NEAR(std::abs(pa[k].Impedance / pb[k].Impedance), 1, tolerance) << what << " at " << f[k];
        }
    };
    // A box of a million times Vas is nearly no box at all.
    TEnclosure infinite;
    same(Sealed(p.Vas * 1e6), infinite, 1e-5, "a huge sealed box");
    // A port given by its size tunes as PortTuning says, and sounds as the
    // port given by that tuning.
    TEnclosure sized = Vented(40e-3, 0);
    sized.PortArea = Pi * 0.035 * 0.035;
    sized.PortLength = 0.12;
    const double fb = PortTuning(40e-3, sized.PortArea, 0.12);
    EXPECT_NEAR(DeriveEnclosure(p, sized).Fb, fb, 1e-9);
    EXPECT_NEAR(PortLengthFor(40e-3, fb, sized.PortArea), 0.12, 1e-12);
    same(sized, Vented(40e-3, fb), 1e-9, "port by size and by tuning");
    // A passive radiator on a very soft suspension is a port of its mass.
    TEnclosure radiator;
    radiator.Kind = EnclosureKind::PassiveRadiator;
    radiator.Vb = 40e-3;
    radiator.Radiator = {0.08, 1e6, 300e-4, 0};
    const double cab = 40e-3 / (1.18 * 344 * 344), map = 0.08 / (300e-4 * 300e-4);
    same(radiator, Vented(40e-3, 1 / (2 * Pi * std::sqrt(map * cab))), 1e-5, "soft radiator and port");

    // Whatever leaves the box is heard: without leaks or shaping the pressure
    // is that of the cone's and the vent's volume velocities together.
    TDriverModelParams plain = Driver(0.4, 5);
    radiator.Radiator = {0.08, 0.4e-3, 300e-4, 6};
    for (const TEnclosure& box : {Vented(40e-3, 30), radiator}) {
        const auto pts = SolveEnclosure(plain, box, f);
        for (std::size_t k = 0; k < f.size(); ++k) {
            const cplx heard =
                cplx(0, 2 * Pi * f[k]) * 1.18 * (plain.Sd * pts[k].ConeVelocity + pts[k].VentFlow) / (2 * Pi);
            EXPECT_NEAR(std::abs(pts[k].Pressure - heard), 0, 1e-9 * std::abs(heard)) << f[k];
        }
    }
}

TEST(Enclosure, PassiveRadiatorNotchesAtItsOwnResonanceAndDipsTheImpedanceAtTheTuning) {
    TDriverModelParams p = Driver(0.38, 4);
    TEnclosure box;
    box.Kind = EnclosureKind::PassiveRadiator;
    box.Vb = 40e-3;
    box.Radiator = {0.12, 0.5e-3, 350e-4, 0};
    const double fp = 1 / (2 * Pi * std::sqrt(0.12 * 0.5e-3));  // 20.5 Hz
    const TEnclosureDerived d = DeriveEnclosure(p, box);
    EXPECT_GT(d.Fb, fp);
    EXPECT_LT(RelativeDb(p, box, fp), -80);
    EXPECT_GT(RelativeDb(p, box, fp * 1.5), -25);
    double lowest = 1e9, lowestF = 0;
    for (double f : Sweep(fp * 1.1, 80, 1.0005)) {
        const double z = std::abs(SolveEnclosure(p, box, {f}).front().Impedance);
        if (z < lowest) lowest = z, lowestF = f;
    }
    EXPECT_NEAR(lowestF, d.Fb, d.Fb * 0.001);
    EXPECT_NEAR(lowest, p.Re, 1e-3);
    // A lossy radiator fills the notch in part.
    box.Radiator.Qmp = 5;
    EXPECT_GT(RelativeDb(p, box, fp), -40);
}

TEST(Enclosure, ExcursionFollowsTheForceAndTheStiffnessAndThePortCarriesTheSound) {
    // Far below resonance the cone is held by both springs: X = (Bl V / Re) /
    // (1/Cms + Sd^2/Cab), peak, with V = sqrt(P Re) RMS.
    TDriverModelParams p = Driver(0.38, 4);
    p.Xmax = 5e-3;
    const TDriverModelDerived m = DeriveDriverModel(p);
    const double watts = 20, peakVolts = std::sqrt(2 * watts * p.Re), cab = 30e-3 / (1.18 * 344 * 344);
    const TExcursion x = EnclosureExcursion(p, Sealed(30e-3), {1, 200}, watts);
    EXPECT_NEAR(x.Cone[0], m.Bl * peakVolts / p.Re / (1 / m.Cms + p.Sd * p.Sd / cab), 1e-3 * x.Cone[0]);
    EXPECT_TRUE(x.Vent.empty());
    EXPECT_NEAR(PowerWithinXmax(p, x, watts), watts * std::pow(5e-3 / x.Cone[0], 2), 1e-9);
    // At fb of a lossless vented box the cone stands and the port alone
    // makes the sound: its air velocity is what the pressure says.
    TEnclosure vented = Vented(40e-3, 33);
    vented.PortArea = 50e-4;
    const TExcursion v = EnclosureExcursion(p, vented, {33}, watts);
    const double w = 2 * Pi * 33, heard = std::abs(SolveEnclosure(p, vented, {33}).front().Pressure);
    EXPECT_NEAR(v.Cone[0], 0, 1e-12);
    EXPECT_NEAR(v.Vent[0], heard * 2 * Pi / (w * 1.18) / 50e-4 * peakVolts / 2.83, 1e-9 * v.Vent[0]);
}

TEST(Enclosure, RefusesWhatItCannotModel) {
    TEnclosure narrowPort = Vented(100e-3, 200);
    narrowPort.PortArea = Pi * 0.01 * 0.01;
    TEnclosure lengthOnly = Vented(10e-3, 0);
    lengthOnly.PortLength = 0.1;
    TEnclosure radiator;
    radiator.Kind = EnclosureKind::PassiveRadiator;
    radiator.Vb = 0.02;
    radiator.Radiator = {0.05, 0, 0.02, 0};
    struct Case {
        TEnclosure box;
        const char* says;
    } cases[] = {
        {Sealed(0), "volume must be a number greater than 0"},
        {Sealed(NAN), "volume must be a number greater than 0"},
        {Sealed(0.02, -1), "Ql and Qa must be numbers not below 0"},
        {Vented(0.02, 0), "tuning frequency must be a number greater than 0"},
        {narrowPort, "cannot tune 100 l to 200 Hz"},
        {lengthOnly, "needs an area"},
        {radiator, "mass, compliance and area must be numbers greater than 0"},
    };
    for (const Case& c : cases) {
        const auto problem = EnclosureProblem(c.box);
        ASSERT_TRUE(problem.has_value()) << c.says;
        EXPECT_NE(problem->find(c.says), std::string::npos) << *problem;
    }
    EXPECT_FALSE(EnclosureProblem(TEnclosure{}).has_value());
}

}  // namespace
