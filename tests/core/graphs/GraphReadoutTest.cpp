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
        {gkSPL, true, "1.5kHz, 90.25 dBSPL or 45.5\xC2\xB0"},
        {gkSPL, false, "1.5kHz, 90.25 dBSPL"},
        {gkFilter, true, "1.5kHz, 90.25 dB or 45.5\xC2\xB0"},
        {gkImpedance, false, "1.5kHz, 90.25 Ohms"},
        {gkVoltage, false, "1.5kHz, 90.25 Vpk"},
        {gkCurrent, true, "1.5kHz, 90.25 Arms or 45.5\xC2\xB0"},
        {gkPower, true, "1.5kHz, 90.25 W"},  // never a phase text
        {gkImpulse, true, "1500 msec"},
        {gkStep, false, "1500 msec"},
        {gkGroupDelay, true, "90.25 usec"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ReadoutText(c.Kind, p, {}, false, c.Phase).value_or("(none)"), c.Text);
    }
    EXPECT_FALSE(ReadoutText(gkSquareWave, p, {}, false, false).has_value());
}

TEST(GraphReadout, DeltaModeAddsASecondLine) {
    const TReadoutPoint cursor{1000, 93.1, 10};
    const TReadoutPoint ref{3500, 90, 40};
    EXPECT_EQ(ReadoutText(gkSPL, cursor, ref, true, false).value(), "1kHz, 93.1 dBSPL\nd=[-2.5kHz, 3.1 dBSPL]");
    EXPECT_EQ(ReadoutText(gkImpedance, cursor, ref, true, true).value(),
              "1kHz, 93.1 Ohms or 10\xC2\xB0\nd=[-2.5kHz, 3.1 Ohms or -30\xC2\xB0]");
    EXPECT_EQ(ReadoutText(gkImpulse, {0.5, 3, 0}, {1.25, 0, 0}, true, false).value(), "0.5 msec\nd=[-0.75 msec]");
}

}  // namespace
}  // namespace pelmo
