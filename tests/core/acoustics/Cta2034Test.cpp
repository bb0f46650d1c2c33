#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "acoustics/Cta2034.h"

namespace pelmo {
namespace {

constexpr TPlane H = TPlane::Horizontal;
constexpr TPlane V = TPlane::Vertical;
constexpr std::size_t Nf = 4;

// Every position given the same (frequency-independent) real pressure
// p(direction).
TSpinorama FieldOf(const std::function<double(const TVec3&)>& p, double distanceM = 1.0) {
    std::vector<double> re(CtaPositionCount * Nf), im(CtaPositionCount * Nf, 0.0);
    for (std::size_t n = 0; n < CtaPositionCount; ++n)
        for (std::size_t k = 0; k < Nf; ++k) re[n * Nf + k] = p(CtaDirections()[n]);
    TSpinorama s;
    ComputeSpinorama(re.data(), im.data(), Nf, distanceM, s);
    return s;
}

TEST(Cta2034, PositionIndices) {
    for (std::size_t n = 0; n < CtaPositionCount; ++n) {
        const TPlanePosition& p = CtaPositions()[n];
        EXPECT_EQ(CtaPositionIndex(p.Plane, static_cast<int>(p.AngleDeg)), static_cast<int>(n));
    }
    EXPECT_EQ(CtaPositionIndex(V, 0), CtaPositionIndex(H, 0));
    EXPECT_EQ(CtaPositionIndex(V, 180), CtaPositionIndex(H, 180));
    EXPECT_EQ(CtaPositionIndex(H, -180), CtaPositionIndex(H, 180));
    EXPECT_EQ(CtaPositionIndex(H, 15), -1);
}

// The standard's table of weights, which the geometry must give: front
// (one half-orbit's share), then 10 ... 40 degrees; symmetric front to back
// and alike in both planes.
TEST(Cta2034, PowerWeightsAreTheStandardsTable) {
    const double table[] = {0.000604486, 0.004730189, 0.008955027, 0.012387354, 0.014989611};
    const auto& w = CtaPowerWeights();
    for (int i = 0; i < 5; ++i) {
        const int a = 10 * i;
        EXPECT_NEAR(w[CtaPositionIndex(H, a)], table[i], 1e-9) << a;
        EXPECT_NEAR(w[CtaPositionIndex(H, 180 - a)], table[i], 1e-9) << a;
        if (a > 0) {
            EXPECT_EQ(w[CtaPositionIndex(H, -a)], w[CtaPositionIndex(H, a)]) << a;
            EXPECT_EQ(w[CtaPositionIndex(V, a)], w[CtaPositionIndex(H, a)]) << a;
            EXPECT_EQ(w[CtaPositionIndex(V, -a)], w[CtaPositionIndex(H, a)]) << a;
        }
    }
    double total = 0;
    for (double x : w) total += x;
    EXPECT_NEAR(total, 0.996373, 1e-6);
}

// Sources of known directivity fed to all 70 positions. An omni source has
// every curve alike; the standard's grid is not an exact quadrature, so an
// ideal dipole and cardioid (both 10 log10 3 = 4.771 dB of true DI) come out
// as the standard quotes them.
TEST(Cta2034, SourcesOfKnownDirectivity) {
    struct Case {
        const char* what;
        std::function<double(const TVec3&)> p;
        double distanceM, onMinusSp;
    };
    const Case cases[] = {{"omni at 1 m", [](const TVec3&) { return 1.0; }, 1, 0},
                          {"omni at 4 m", [](const TVec3&) { return 0.25; }, 4, 0},  // 1 m / R, referred to 1 m
                          {"dipole", [](const TVec3& u) { return u.z; }, 1, 4.416},
                          {"cardioid", [](const TVec3& u) { return 0.5 * (1 + u.z); }, 1, 4.680}};
    for (const Case& c : cases) {
        const TSpinorama s = FieldOf(c.p, c.distanceM);
        for (std::size_t k = 0; k < Nf; ++k) {
            EXPECT_NEAR(s.On[k], 0.0, 1e-12) << c.what;
            EXPECT_NEAR(s.On[k] - s.SoundPower[k], c.onMinusSp, 0.0005) << c.what;
            if (c.onMinusSp != 0) continue;
            for (const DataArray* x : {&s.ListeningWindow, &s.EarlyReflections, &s.PredictedInRoom, &s.Floor,
                                       &s.Ceiling, &s.FrontWall, &s.SideWall, &s.RearWall, &s.Erdi, &s.Spdi})
                EXPECT_NEAR((*x)[k], 0.0, 1e-12) << c.what;
        }
    }
}

// Which position feeds which curve: each of the 70 sounds alone, and the
// energies of LW, ER, SP and PIR are its shares of each (the standard's
// groups, listed here by hand).
TEST(Cta2034, EachPositionFeedsItsCurves) {
    using Members = std::vector<std::pair<TPlane, int>>;
    const Members window = {{H, 0}, {H, 10}, {H, 20}, {H, 30}, {H, -10}, {H, -20}, {H, -30}, {V, 10}, {V, -10}};
    const std::vector<Members> reflections = {
        {{V, -20}, {V, -30}, {V, -40}},                                                                   // floor
        {{V, 40}, {V, 50}, {V, 60}},                                                                      // ceiling
        {{H, 0}, {H, 10}, {H, 20}, {H, 30}, {H, -10}, {H, -20}, {H, -30}},                                // front wall
        {{H, 40}, {H, 50}, {H, 60}, {H, 70}, {H, 80}, {H, -40}, {H, -50}, {H, -60}, {H, -70}, {H, -80}},  // sides
        {{H, 90}, {H, -90}, {H, 180}}};                                                                   // rear wall
    auto in = [](const Members& m, TPlane p, int a) {
        return std::find(m.begin(), m.end(), std::pair(p, a)) != m.end();
    };
    auto energy = [](double db) { return db <= -400 ? 0.0 : std::pow(10.0, db / 10); };
    double total = 0;
    for (double w : CtaPowerWeights()) total += w;
    for (std::size_t n = 0; n < CtaPositionCount; ++n) {
        const TPlane plane = CtaPositions()[n].Plane;
        const int angle = static_cast<int>(CtaPositions()[n].AngleDeg);
        const double lw = in(window, plane, angle) ? 1.0 / 9 : 0.0;
        double er = 0;
        for (const Members& group : reflections)
            if (in(group, plane, angle)) er += 0.2 / static_cast<double>(group.size());
        const double sp = CtaPowerWeights()[n] / total;
        const TSpinorama s = FieldOf([&](const TVec3& u) {
            const TVec3 d = CtaDirections()[n];
            return u.x == d.x && u.y == d.y && u.z == d.z ? 1.0 : 0.0;
        });
        EXPECT_NEAR(energy(s.ListeningWindow[0]), lw, 1e-12) << n;
        EXPECT_NEAR(energy(s.EarlyReflections[0]), er, 1e-12) << n;
        EXPECT_NEAR(energy(s.SoundPower[0]), sp, 1e-12) << n;
        EXPECT_NEAR(energy(s.PredictedInRoom[0]), 0.12 * lw + 0.44 * er + 0.44 * sp, 1e-12) << n;
        EXPECT_NEAR(energy(s.On[0]), n == 0 ? 1.0 : 0.0, 1e-12) << n;
    }
}

TEST(Cta2034, LevelsGiveWhatPressuresGive) {
    std::vector<double> re(CtaPositionCount * Nf), im(CtaPositionCount * Nf), db(CtaPositionCount * Nf);
    for (std::size_t i = 0; i < re.size(); ++i) {
        re[i] = std::cos(0.37 * i) * (1 + i % 5);
        im[i] = std::sin(0.21 * i);
        db[i] = 10 * std::log10(re[i] * re[i] + im[i] * im[i]);
    }
    TSpinorama a, b;
    ComputeSpinorama(re.data(), im.data(), Nf, 2.0, a);
    ComputeSpinoramaFromLevels(db.data(), Nf, 2.0, b);
    for (std::size_t k = 0; k < Nf; ++k) {
        EXPECT_NEAR(a.PredictedInRoom[k], b.PredictedInRoom[k], 1e-9);
        EXPECT_NEAR(a.Erdi[k], b.Erdi[k], 1e-9);
        EXPECT_NEAR(a.Spdi[k], b.Spdi[k], 1e-9);
    }
}

}  // namespace
}  // namespace pelmo
