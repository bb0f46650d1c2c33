#include <gtest/gtest.h>

#include <cmath>

#include "graphs/GraphReadout.h"

namespace pelmo {
namespace {

TEST(GraphReadout, TextsPerKind) {
    const TReadoutPoint p{1500, 90.254, 45.5};
    struct Case {
        TGraphKind Kind;
        bool Phase;
        const char* Text;
    } cases[] = {
        {TGraphKind::SPL, true, "1.5kHz, 90.25 dBSPL or 45.5\xC2\xB0"},
        {TGraphKind::SPL, false, "1.5kHz, 90.25 dBSPL"},
        {TGraphKind::Filter, true, "1.5kHz, 90.25 dB or 45.5\xC2\xB0"},
        {TGraphKind::Impedance, false, "1.5kHz, 90.25 Ohms"},
        {TGraphKind::Voltage, false, "1.5kHz, 90.25 Vpk"},
        {TGraphKind::Current, true, "1.5kHz, 90.25 Arms or 45.5\xC2\xB0"},
        {TGraphKind::Power, true, "1.5kHz, 90.25 W"},  // never a phase text
        {TGraphKind::Impulse, true, "1500 msec"},
        {TGraphKind::Step, false, "1500 msec"},
        {TGraphKind::GroupDelay, true, "90.25 usec"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ReadoutText(c.Kind, p, {}, false, c.Phase).value_or("(none)"), c.Text);
    }
    EXPECT_FALSE(ReadoutText(TGraphKind::SquareWave, p, {}, false, false).has_value());
}

TEST(GraphReadout, DeltaModeAddsASecondLine) {
    const TReadoutPoint cursor{1000, 93.1, 10};
    const TReadoutPoint ref{3500, 90, 40};
    EXPECT_EQ(ReadoutText(TGraphKind::SPL, cursor, ref, true, false).value(),
              "1kHz, 93.1 dBSPL\nd=[-2.5kHz, 3.1 dBSPL]");
    EXPECT_EQ(ReadoutText(TGraphKind::Impedance, cursor, ref, true, true).value(),
              "1kHz, 93.1 Ohms or 10\xC2\xB0\nd=[-2.5kHz, 3.1 Ohms or -30\xC2\xB0]");
    EXPECT_EQ(ReadoutText(TGraphKind::Impulse, {0.5, 3, 0}, {1.25, 0, 0}, true, false).value(),
              "0.5 msec\nd=[-0.75 msec]");
}

}  // namespace
}  // namespace pelmo

namespace pelmo {
namespace {

TEST(GraphReadout, OnACurve) {
    const TReadoutPoint p{1500, 90.254, 45.5}, ref{1000, 88, 40};
    struct Case {
        TGraphKind Kind;
        bool Phase, Delta;
        const char* Text;
    } cases[] = {
        {TGraphKind::SPL, true, false, "S1: 1.5kHz, 90.25 dBSPL or 45.5\xC2\xB0"},
        {TGraphKind::Impedance, false, true, "S1: 1.5kHz, 90.25 Ohms\nd=[500Hz, 2.25 Ohms]"},
        {TGraphKind::GroupDelay, false, false, "S1: 1.5kHz, 90.25 usec"},
        {TGraphKind::Impulse, false, false, "S1: 1500 msec, 90.25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(CurveReadoutText(c.Kind, "S1", p, ref, c.Delta, c.Phase).value_or("(none)"), c.Text);
    }
    EXPECT_FALSE(CurveReadoutText(TGraphKind::SquareWave, "S1", p, ref, false, false).has_value());
}

TEST(GraphReadout, CurveValueBetweenPoints) {
    const DataArray x{10, 100, 1000}, y{0, 10, 30};
    struct Case {
        double At;
        bool Log;
        double Want;  // NaN: outside
    } cases[] = {
        {10, true, 0},  {100, true, 10},  {1000, true, 30},  {std::sqrt(10.0) * 10, true, 5},
        {55, false, 5}, {550, false, 20}, {9.99, true, NAN}, {1001, false, NAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.At);
        const double v = CurveValueAt(x, y, c.At, c.Log);
        if (std::isnan(c.Want))
            EXPECT_TRUE(std::isnan(v));
        else
            EXPECT_NEAR(v, c.Want, 1e-9);
    }
    EXPECT_TRUE(std::isnan(CurveValueAt({}, {}, 1, true)));
}

}  // namespace
}  // namespace pelmo
