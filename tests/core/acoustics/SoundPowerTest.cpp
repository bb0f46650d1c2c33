#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "acoustics/Cta2034.h"
#include "acoustics/SoundPower.h"

namespace pelmo {
namespace {

TEST(SoundPower, SectorsCoverTheSphereOnceAtAnyStep) {
    struct Case {
        double step;
        double used;
        std::size_t positions;
    };
    const Case cases[] = {{10, 10, 70}, {5, 5, 142}, {7, 180.0 / 26, 102}, {90, 90, 6}, {180, 180, 2}, {0, 10, 70}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(PlaneStepDeg(c.step), c.used) << c.step;
        const std::vector<double> w = SectorWeights(c.step);
        ASSERT_EQ(w.size(), c.positions) << c.step;
        double total = 0;
        for (double x : w) total += x;
        EXPECT_NEAR(total, 1.0, 1e-12) << c.step;
    }
    // At 10 degrees the positions are the spinorama's, in its order.
    const std::vector<TPlanePosition> p = PlanePositions(10);
    for (std::size_t n = 0; n < CtaPositionCount; ++n) {
        EXPECT_EQ(p[n].Plane, CtaPositions()[n].Plane);
        EXPECT_EQ(p[n].AngleDeg, CtaPositions()[n].AngleDeg);
    }
}

// Unlike the standard's weights, the sectors integrate a field that turns
// about the axis: an ideal dipole and cardioid have 10 log10 3 dB of DI.
TEST(SoundPower, DipoleAndCardioidDirectivityIndex) {
    struct Case {
        const char* what;
        std::function<double(const TVec3&)> p;
        double step;
    };
    const Case cases[] = {
        {"dipole", [](const TVec3& u) { return u.z; }, 5},
        {"cardioid", [](const TVec3& u) { return 0.5 * (1 + u.z); }, 5},
        {"dipole", [](const TVec3& u) { return u.z; }, 2},
        {"cardioid, heard at 3 m", [](const TVec3& u) { return 0.5 * (1 + u.z) / 3; }, 10},
    };
    for (const Case& c : cases) {
        const std::vector<TVec3> dirs = PlaneDirections(c.step);
        const std::size_t nf = 3;
        std::vector<double> re(dirs.size() * nf), im(dirs.size() * nf, 0.0);
        for (std::size_t n = 0; n < dirs.size(); ++n)
            for (std::size_t k = 0; k < nf; ++k) re[n * nf + k] = c.p(dirs[n]);
        TPowerAndDi out;
        const double distance = std::string(c.what).find("3 m") != std::string::npos ? 3.0 : 1.0;
        PowerAndDi(re.data(), im.data(), nf, c.step, distance, out);
        for (std::size_t k = 0; k < nf; ++k) {
            EXPECT_NEAR(out.DiDb[k], 10 * std::log10(3.0), 0.02) << c.what << " " << c.step;
            EXPECT_NEAR(out.OnDb[k], 0.0, 1e-12) << c.what;
        }
    }
}

}  // namespace
}  // namespace pelmo
