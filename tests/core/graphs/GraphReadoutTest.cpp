#include <gtest/gtest.h>

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
