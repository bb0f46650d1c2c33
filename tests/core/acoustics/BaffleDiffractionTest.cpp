#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "acoustics/BaffleDiffraction.h"
#include "model/AnalysisGrid.h"

using namespace pelmo;
using cplx = std::complex<double>;

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double C = 344.0;
constexpr double MmToIn = 1 / 25.4;

double Db(cplx a) { return 20 * std::log10(std::abs(a)); }

DataArray Grid() {
    DataArray g;
    MakeLogGrid(g);
    return g;
}

TBaffle Circle(double diameterMm) {
    TBaffle b;
    b.Shape = BaffleShape::Circle;
    b.DiameterIn = diameterMm * MmToIn;
    return b;
}

TBaffle Rectangle(double widthMm, double heightMm) {
    TBaffle b;
    b.WidthIn = widthMm * MmToIn;
    b.HeightIn = heightMm * MmToIn;
    return b;
}

TBaffle Moved(TBaffle b, double xMm, double yMm) {
    b.CentreXIn = xMm * MmToIn;
    b.CentreYIn = yMm * MmToIn;
    return b;
}

TBaffleSource At(double xMm, double yMm, double diameterMm = 0) {
    return {xMm * MmToIn, yMm * MmToIn, diameterMm * MmToIn};
}

// The model summed plainly over points 0.1 mm apart along the outline, each
// with the angle it subtends, for a point source: independent of how the
// program cuts and integrates.
cplx FineSum(const TBaffle& b, const TBaffleSource& s, const TBaffleListener& l, double f) {
    const double k = 2 * Pi * f / C, hr = l.HDeg * Pi / 180, vr = l.VDeg * Pi / 180;
    const double ux = std::sin(hr) * std::cos(vr), uy = std::sin(vr), uz = std::cos(hr) * std::cos(vr);
    const double sx = s.XIn * 0.0254, sy = s.YIn * 0.0254, r = l.DistanceM;  // design coordinates
    const double px = r * ux - sx, py = r * uy - sy, pz = r * uz, r0 = std::sqrt(px * px + py * py + pz * pz);
    const double front = r == 0 ? uz : pz / r0;
    cplx sum = 0;
    auto add = [&](double x, double y, double tx, double ty, double len) {  // x, y from the driver
        const double rho = std::hypot(x, y), dtheta = (x * ty - y * tx) / (rho * rho) * len;
        const double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y) + pz * pz);
        const double delta = r == 0 ? rho - (x * ux + y * uy) : rho + d - r0, amp = r == 0 ? 1 : r0 / d;
        sum += dtheta / (2 * Pi) * amp * std::polar(1.0, -k * delta);
    };
    const double cx = b.CentreXIn * 0.0254 - sx, cy = b.CentreYIn * 0.0254 - sy;
    if (b.Shape == BaffleShape::Circle) {
        const double a = b.DiameterIn * 0.0254 / 2;
        const int n = static_cast<int>(2 * Pi * a / 1e-4);
        for (int i = 0; i < n; ++i) {
            const double phi = (i + 0.5) * 2 * Pi / n;
            add(cx + a * std::cos(phi), cy + a * std::sin(phi), -std::sin(phi), std::cos(phi), 2 * Pi * a / n);
        }
    } else {
        const double w = b.WidthIn * 0.0254 / 2, h = b.HeightIn * 0.0254 / 2;
        const double x[5] = {-w, w, w, -w, -w}, y[5] = {-h, -h, h, h, -h};
        for (int side = 0; side < 4; ++side) {
            const double len = std::hypot(x[side + 1] - x[side], y[side + 1] - y[side]);
            const double tx = (x[side + 1] - x[side]) / len, ty = (y[side + 1] - y[side]) / len;
            const int n = static_cast<int>(len / 1e-4);
            for (int i = 0; i < n; ++i)
                add(cx + x[side] + tx * (i + 0.5) * len / n, cy + y[side] + ty * (i + 0.5) * len / n, tx, ty, len / n);
        }
    }
    return front > 1e-9 ? 1.0 - 0.5 * sum : front < -1e-9 ? 0.5 * sum : cplx(0.5);
}

TEST(BaffleDiffraction, PointSourceAtTheCentreOfACircleMatchesTheClosedForm) {
    // 1 - 1/2 g D e^(-jka) on axis, a = 0.2 m: -6.02 dB at low frequencies,
    // +3.52 dB near c / 2a = 860 Hz, then ripple of the same depth for ever.
    const DataArray f = Grid();
    const double a = 0.2;
    struct Case {
        const char* name;
        double pistonMm, roundoverMm, distanceM;
    } cases[] = {
        {"far away", 0, 0, 0}, {"at 1 km", 0, 0, 1000}, {"a 100 mm piston", 100, 0, 0}, {"a roundover", 0, 20, 0}};
    for (const Case& c : cases) {
        TBaffle baffle = Circle(400);
        baffle.RoundoverIn = c.roundoverMm * MmToIn;
        const auto factor = BaffleFactor(baffle, At(0, 0, c.pistonMm), {0, 0, c.distanceM}, f);
        ASSERT_EQ(factor.size(), f.size());
        double peak = -100, peakF = 0;
        for (std::size_t i = 0; i < f.size(); ++i) {
            const double k = 2 * Pi * f[i] / C;
            double g = 1 / std::sqrt(1 + std::pow(k * c.roundoverMm / 1000, 2));
            if (c.pistonMm > 0) {
                const double x = k * c.pistonMm / 2000;
                g *= 2 * std::cyl_bessel_j(1.0, x) / x;
            }
            const cplx expected = 1.0 - 0.5 * g * std::polar(1.0, -k * a);
            EXPECT_NEAR(Db(factor[i]), Db(expected), 0.1) << c.name << " at " << f[i] << " Hz";
            EXPECT_NEAR(std::arg(factor[i] / expected) * 180 / Pi, 0, 0.5) << c.name << " at " << f[i] << " Hz";
            if (f[i] < 2000 && Db(factor[i]) > peak) peak = Db(factor[i]), peakF = f[i];
        }
        EXPECT_NEAR(Db(BaffleFactor(baffle, At(0, 0, c.pistonMm), {0, 0, c.distanceM}, {0.5}).front()), -6.02, 0.001)
            << c.name;
        if (c.pistonMm == 0 && c.roundoverMm == 0) {
            EXPECT_NEAR(peak, 3.52, 0.01) << c.name;
            EXPECT_NEAR(peakF, C / (2 * a), 10) << c.name;
        }
    }
}

TEST(BaffleDiffraction, MatchesAFineSumOverTheOutline) {
    // The program cuts the outline coarsely and integrates each element in
    // closed form; a plain sum over points 0.1 mm apart must agree at every
    // frequency, on and off axis, near and far, in front, behind and in the
    // plane of the baffle.
    struct Case {
        const char* name;
        TBaffle baffle;
        TBaffleSource source;
        TBaffleListener listener;
    } cases[] = {
        {"tweeter high on a narrow baffle", Rectangle(200, 350), At(0, 100), {0, 0, 0}},
        {"off-centre tweeter, 30 deg right", Rectangle(250, 400), At(-40, 90), {30, 0, 0}},
        {"off-centre tweeter, 45 deg left, 20 deg down", Rectangle(250, 400), At(-40, 90), {-45, -20, 0}},
        {"near the corner, at 1.5 m", Rectangle(300, 300), At(110, 110), {10, 5, 1.5}},
        {"woofer low on a tall baffle, 60 deg up", Rectangle(220, 900), At(0, -300), {0, 60, 0}},
        {"behind the baffle", Rectangle(250, 400), At(-40, 90), {150, 0, 0}},
        {"behind, at 2 m", Rectangle(250, 400), At(30, -20), {-120, 30, 2}},
        {"in the plane of the baffle", Rectangle(250, 400), At(-40, 90), {90, 0, 0}},
        {"baffle away from the design's origin, at 1 m", Moved(Rectangle(300, 200), 60, -40), At(20, 10), {15, 5, 1}},
        {"off-centre on a circle", Circle(300), At(50, -70), {20, 10, 0}},
        {"off-centre on a circle, behind", Circle(300), At(50, -70), {180, 0, 0}},
    };
    DataArray f;
    for (double x = 20; x < 20001; x *= 1.41) f.push_back(x);
    f.push_back(20000);
    for (const Case& c : cases) {
        const auto factor = BaffleFactor(c.baffle, c.source, c.listener, f);
        for (std::size_t i = 0; i < f.size(); ++i) {
            const cplx expected = FineSum(c.baffle, c.source, c.listener, f[i]);
            // 0.003 of the direct sound: 0.03 dB at the level of the direct sound.
            EXPECT_LT(std::abs(factor[i] - expected), 0.003)
                << c.name << " at " << f[i] << " Hz: " << factor[i] << " against " << expected;
        }
    }
}

TEST(BaffleDiffraction, LowFrequenciesHearASourceInFullSpaceOnBothSides) {
    // At low frequencies and far away the edges take away half of the direct
    // sound in front and give half of it behind: 0.5 everywhere, in phase.
    const DataArray f = {0.001, 0.002};
    struct Case {
        TBaffle baffle;
        TBaffleSource source;
        TBaffleListener listener;
    } cases[] = {{Rectangle(250, 400), At(-100, -150), {40, -30, 0}}, {Rectangle(250, 400), At(60, 0), {180, 0, 0}},
                 {Rectangle(250, 400), At(60, 0), {-90, 0, 0}},       {Circle(500), At(-10, 30, 150), {170, -40, 0}},
                 {Rectangle(5000, 2000), At(2400, 0), {70, 0, 0}},    {Rectangle(20, 20), At(0, 0), {0, 100, 0}}};
    for (const Case& c : cases) {
        const auto factor = BaffleFactor(c.baffle, c.source, c.listener, f);
        EXPECT_NEAR(factor[0].real(), 0.5, 1e-4) << c.listener.HDeg << " " << c.listener.VDeg;
        EXPECT_NEAR(factor[0].imag(), 0, 1e-4) << c.listener.HDeg << " " << c.listener.VDeg;
    }
}

TEST(BaffleDiffraction, RefusesWhatItCannotModel) {
    TBaffle bigRoundover = Rectangle(200, 300);
    bigRoundover.RoundoverIn = 100 * MmToIn;
    TBaffle moved = Rectangle(200, 300);
    moved.CentreXIn = 500 * MmToIn;  // the driver at the design's origin is then off the baffle
    struct Case {
        TBaffle baffle;
        TBaffleSource source;
        const char* says;
    } cases[] = {
        {Rectangle(0, 300), At(0, 0), "width must be a number greater than 0"},
        {Circle(NAN), At(0, 0), "diameter must be a number greater than 0"},
        {Rectangle(200, 300), At(100, 0), "centre must lie inside the baffle"},
        {moved, At(0, 0), "centre must lie inside the baffle"},
        {Rectangle(200, 300), At(0, 120, 80), "reaches over the edge"},
        {Rectangle(200, 300), At(0, 0, -5), "diameter must be a number not below 0"},
        {bigRoundover, At(0, 0), "roundover radius"},
        {Rectangle(2e6, 300), At(0, 0), "at most 100 m"},
    };
    for (const Case& c : cases) {
        const auto problem = BaffleProblem(c.baffle, c.source);
        ASSERT_TRUE(problem.has_value()) << c.says;
        EXPECT_NE(problem->find(c.says), std::string::npos) << *problem;
    }
    moved.CentreXIn = 50 * MmToIn;  // the baffle's centre 50 mm right: the driver sits 50 mm left of it
    EXPECT_FALSE(BaffleProblem(moved, At(0, 0)).has_value());
}

}  // namespace
