#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "AcousticsTestSupport.h"
#include "TestSupport.h"
#include "acoustics/Directivity.h"
#include "acoustics/OffAxisSet.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MeasurementFile.h"

namespace pelmo {
namespace {

constexpr TPlane H = TPlane::Horizontal;
constexpr TPlane V = TPlane::Vertical;

void WriteFrd(const std::string& path, double db, double phaseDeg) {
    std::string text = "Freq dB phase\n";
    for (double f = 10; f <= 40000; f *= 1.05) {
        char line[64];
        std::snprintf(line, sizeof line, "%.4f %.3f %.2f\n", f, db - 0.2 * std::log2(f / 10), phaseDeg);
        text += line;
    }
    test::WriteWholeFile(path, text);
}

TEST(OffAxisSet, TheFilesBesideTheDriversResponse) {
    test::TempFolder folder;
    const std::string& p = folder.Path();
    for (const char* name :
         {"woofer.frd", "woofer@30.frd", "woofer@h-60.frd", "WOOFER@V20.FRD", "woofer@0.frd", "woofer@old.frd",
          "woofer@.frd", "woofer_old.frd", "woofer30.frd", "tweeter@30.frd", "woofer@45.zma", "Mid hor 0.frd",
          "Mid hor 30.frd", "Mid ver -10.frd", "Mid_H 30.frd", "SB17-8.frd", "SB17-4.frd"})
        WriteFrd(p + name, 80, 10);
    test::WriteWholeFile(p + "woofer@90.frd", "not a measurement\n");

    struct Case {
        const char* main;
        std::vector<std::string> files;  // in name order
        std::vector<std::string> unreadable;
    };
    const Case cases[] = {
        {"woofer.frd",
         {"WOOFER@V20.FRD", "woofer@30.frd", "woofer@90.frd", "woofer@h-60.frd"},
         {"woofer@.frd", "woofer@old.frd"}},
        {"woofer@0.frd",
         {"WOOFER@V20.FRD", "woofer@30.frd", "woofer@90.frd", "woofer@h-60.frd"},
         {"woofer@.frd", "woofer@old.frd"}},
        {"Mid hor 0.frd", {"Mid hor 30.frd", "Mid ver -10.frd"}, {}},
        // a model number is not an angle
        {"SB17-8.frd", {}, {}},
    };
    for (const Case& c : cases) {
        const TOffAxisListing l = ListOffAxisFiles(p + c.main);
        std::vector<std::string> files;
        for (const TOffAxisFile& f : l.Files) files.push_back(f.Path.substr(p.size()));
        EXPECT_EQ(files, c.files) << c.main;
        EXPECT_EQ(l.Unreadable, c.unreadable) << c.main;
    }

    // Read: the unreadable names in one message for the driver, the broken
    // file with the reader's messages, the rest fitted as the FRD is.
    const DataArray grid = test::AnalysisGrid();
    test::RecordingMessageSink sink;
    const std::vector<TMeasuredAngle> set = LoadOffAxisSet(p + "woofer.frd", grid, sink);
    ASSERT_EQ(set.size(), 3u);
    EXPECT_EQ(set[0].Plane, V);
    EXPECT_EQ(set[0].AngleDeg, 20);
    EXPECT_EQ(set[2].AngleDeg, -60);
    ASSERT_EQ(sink.Messages.size(), 3u);
    EXPECT_EQ(sink.Messages[0],
              "woofer.frd: off-axis files ignored, their angle cannot be read: woofer@.frd, woofer@old.frd");
    EXPECT_NE(sink.Messages[1].find("woofer@90"), std::string::npos);
    EXPECT_EQ(sink.Messages[2], "File Load error: " + p + "woofer@90.frd");

    DataArray f, l, ph;
    TComplexArray expected;
    ASSERT_TRUE(ReadMeasurementFile(p + "woofer@30.frd", f, l, ph, sink));
    ASSERT_TRUE(FitResponseOnGrid(f, l, ph, grid, expected.Re, expected.Im, sink));
    const TDriverDirectivity d(grid, test::DelayedResponse(grid, 0, 0), 6.5, true, set);
    TComplexArray at30;
    at30.Re.resize(grid.size());
    at30.Im.resize(grid.size());
    d.ResponseAt(PlaneDirection(H, 30), at30.Re.data(), at30.Im.data());
    EXPECT_TRUE(test::SameBits(at30, expected));
}

}  // namespace
}  // namespace pelmo
