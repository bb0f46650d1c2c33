#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "files/DesignFile.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;

namespace {

using Lines = std::vector<std::string>;

Lines DesignLines(TDesign& d) {
    Lines lines;
    RecordingMessageSink sink;
    EXPECT_TRUE(BuildDesignLines(d, lines, sink));
    return lines;
}

}  // namespace

// What the settings hold, line by line, and the setup read from them: a value
// that is missing, unreadable or out of range is its default; angles wrap.
TEST(ListeningSetup, ReadFallsBackPerValueAndWrapsAngles) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> lines;
        TListeningSetup expected;
    };
    const std::vector<Case> cases = {
        {"nothing", {}, {}},
        {"all given",
         {{ListeningDistanceKey, "2.5"},
          {ListeningHKey, "30"},
          {ListeningVKey, "-10"},
          {ListeningUseDriverPositionsKey, "T"}},
         {2.5, 30, -10, true}},
        {"limits of the distance", {{ListeningDistanceKey, "0.1"}}, {0.1, 0, 0, false}},
        {"too near", {{ListeningDistanceKey, "0.09"}, {ListeningUseDriverPositionsKey, "T"}}, {1, 0, 0, true}},
        {"too far", {{ListeningDistanceKey, "100.5"}}, {}},
        {"zero and negative distances", {{ListeningDistanceKey, "-2"}}, {}},
        {"unreadable values",
         {{ListeningDistanceKey, "2 m"}, {ListeningHKey, "thirty"}, {ListeningUseDriverPositionsKey, "yes"}},
         {}},
        {"not finite", {{ListeningDistanceKey, "inf"}, {ListeningHKey, "nan"}}, {}},
        {"angles wrap into (-180, 180]", {{ListeningHKey, "190"}, {ListeningVKey, "-180"}}, {1, -170, 180, false}},
        {"whole turns", {{ListeningHKey, "-720"}, {ListeningVKey, "370"}}, {1, 0, 10, false}},
        {"over the top stays", {{ListeningVKey, "100"}}, {1, 0, 100, false}},
        {"switch off written", {{ListeningUseDriverPositionsKey, "F"}, {ListeningDistanceKey, "3"}}, {3, 0, 0, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDesignSettings s;
        s.Set("graphs.layout", "tiled");  // another program setting beside them
        for (const auto& [key, value] : c.lines) s.Set(key, value);
        const TListeningSetup got = ReadListeningSetup(s);
        EXPECT_EQ(got.DistanceM, c.expected.DistanceM);
        EXPECT_EQ(got.HDeg, c.expected.HDeg);
        EXPECT_EQ(got.VDeg, c.expected.VDeg);
        EXPECT_EQ(got.UseDriverPositions, c.expected.UseDriverPositions);
    }
}

// The default setup leaves the design file as it was, byte for byte (and
// takes its lines out again); any other is four lines that read back the same.
TEST(ListeningSetup, DesignFileLinesAndRoundTrip) {
    TempFolder tmp;
    TDesign d;
    AddDriver(d, {20, 20}).Name = "Woofer";
    d.Settings.Set("graphs.layout", "tiled");
    const Lines plain = DesignLines(d);

    WriteListeningSetup(TListeningSetup{}, d.Settings);
    EXPECT_EQ(DesignLines(d), plain);

    const TListeningSetup setup{2.5, -30, 15.5, true};
    WriteListeningSetup(setup, d.Settings);
    const Lines with = DesignLines(d);
    const Lines tail(with.end() - 7, with.end());
    EXPECT_EQ(tail, (Lines{"1 //Setup", "5 //Lines", "graphs.layout = tiled", "listening.distance_m = 2.5",
                           "listening.h_deg = -30", "listening.v_deg = 15.5", "listening.use_driver_positions = T"}));
    TDesign back;
    RecordingMessageSink sink;
    ASSERT_TRUE(ReadDesignLines(back, with, tmp.Path() + "d.bkt", sink));
    EXPECT_TRUE(ReadListeningSetup(back.Settings) == setup);

    // Back to the default: the lines go, the other setting stays.
    WriteListeningSetup(TListeningSetup{}, d.Settings);
    EXPECT_EQ(DesignLines(d), plain);

    // Out of range on the way in: stored as it reads back.
    WriteListeningSetup({std::numeric_limits<double>::infinity(), 540, -90, false}, d.Settings);
    EXPECT_EQ(d.Settings.Text(ListeningDistanceKey, ""), "1");
    EXPECT_EQ(d.Settings.Text(ListeningHKey, ""), "180");
    EXPECT_EQ(d.Settings.Text(ListeningUseDriverPositionsKey, ""), "F");
}
