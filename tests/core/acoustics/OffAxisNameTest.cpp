#include <gtest/gtest.h>

#include "acoustics/OffAxisName.h"

namespace pelmo {
namespace {

using Status = TOffAxisName::Status;
using C = TOffAxisConvention;
constexpr TPlane H = TPlane::Horizontal;
constexpr TPlane V = TPlane::Vertical;

TEST(OffAxisName, CommonConventionsGiveStemPlaneAndAngle) {
    struct Case {
        const char* name;
        Status status;
        C convention;
        const char* stem;
        TPlane plane;
        double angle;
    };
    const Case cases[] = {
        // ours
        {"woofer@30.frd", Status::Recognised, C::At, "woofer", H, 30},
        {"woofer@-30.frd", Status::Recognised, C::At, "woofer", H, -30},
        {"/m/data/woofer@h7.5.FRD", Status::Recognised, C::At, "woofer", H, 7.5},
        {"woofer@V-20.frd", Status::Recognised, C::At, "woofer", V, -20},
        {"woofer@0.frd", Status::Recognised, C::At, "woofer", H, 0},
        {"woofer@270.frd", Status::Recognised, C::At, "woofer", H, -90},
        {"woofer~2@v180.frd", Status::Recognised, C::At, "woofer~2", V, 180},
        {"woofer@-180.frd", Status::Recognised, C::At, "woofer", H, 180},
        // an "@" whose angle cannot be read is never on axis
        {"woofer@.frd", Status::Unreadable, C::At, "woofer", H, 0},
        {"woofer@old.frd", Status::Unreadable, C::At, "woofer", H, 0},
        {"woofer@h.frd", Status::Unreadable, C::At, "woofer", H, 0},
        {"woofer@1e2.frd", Status::Unreadable, C::At, "woofer", H, 0},
        {"woofer@400.frd", Status::Unreadable, C::At, "woofer", H, 0},
        {"woofer@30 deg.frd", Status::Unreadable, C::At, "woofer", H, 0},
        // hor / ver
        {"SB17 hor 30.frd", Status::Recognised, C::HorVer, "SB17", H, 30},
        {"SB17 ver -10.frd", Status::Recognised, C::HorVer, "SB17", V, -10},
        {"SB17_HOR_45.txt", Status::Recognised, C::HorVer, "SB17", H, 45},
        {"SB17 Ver-10.frd", Status::Recognised, C::HorVer, "SB17", V, -10},
        // _H / _V
        {"Tweeter_H 30.frd", Status::Recognised, C::UnderscoreHV, "Tweeter", H, 30},
        {"Tweeter_V -30.frd", Status::Recognised, C::UnderscoreHV, "Tweeter", V, -30},
        {"Tweeter_h60.frd", Status::Recognised, C::UnderscoreHV, "Tweeter", H, 60},
        // CLIO: plane, then angle, in hundredths of a degree
        {"Mid 0 3000.frd", Status::Recognised, C::Clio, "Mid", H, 30},
        {"Mid 9000 3000.frd", Status::Recognised, C::Clio, "Mid", V, 30},
        {"Mid 9000 -1500", Status::Recognised, C::Clio, "Mid", V, -15},
        {"Mid 0 33000.frd", Status::Recognised, C::Clio, "Mid", H, -30},
        {"Mid 0 99000.frd", Status::NotRecognised, C::At, "", H, 0},
        {"Mid 0 0.frd", Status::Recognised, C::Clio, "Mid", H, 0},
        {"My Mid 0 18000.frd", Status::Recognised, C::Clio, "My Mid", H, 180},
        // plain numbers
        {"woofer30.frd", Status::Recognised, C::Plain, "woofer", H, 30},
        {"woofer-30.frd", Status::Recognised, C::Plain, "woofer", H, -30},
        {"woofer 60.frd", Status::Recognised, C::Plain, "woofer", H, 60},
        {"Mid 4500 3000.frd", Status::NotRecognised, C::At, "", H, 0},  // 4500 is no plane, 3000 no angle
        // nothing to read
        {"woofer.frd", Status::NotRecognised, C::At, "", H, 0},
        {"woofer2024.frd", Status::NotRecognised, C::At, "", H, 0},
        {"30.frd", Status::NotRecognised, C::At, "", H, 0},
        {"woofer 1.2.3.frd", Status::NotRecognised, C::At, "", H, 0},
        {"", Status::NotRecognised, C::At, "", H, 0},
    };
    for (const Case& c : cases) {
        const TOffAxisName r = ParseOffAxisName(c.name);
        ASSERT_EQ(r.status, c.status) << c.name;
        if (c.status == Status::Recognised) {
            EXPECT_EQ(r.Convention, c.convention) << c.name;
            EXPECT_EQ(r.Stem, c.stem) << c.name;
            EXPECT_EQ(r.Plane, c.plane) << c.name;
            EXPECT_DOUBLE_EQ(r.AngleDeg, c.angle) << c.name;
            EXPECT_TRUE(r.Message.empty()) << c.name;
        } else {
            // The message names the file (without its folder).
            const std::string name = c.name;
            EXPECT_NE(r.Message.find(name.substr(name.find_last_of('/') + 1)), std::string::npos) << c.name;
            EXPECT_FALSE(r.Message.empty()) << c.name;
        }
    }
}

}  // namespace
}  // namespace pelmo
