#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "base/Conversions.h"
#include "editor/ElementDialogRules.h"

using namespace pelmo;

TEST(ElementDialogRules, DesignatorColours) {
    const struct {
        int refDes;
        TColourCode colour;
    } cases[] = {
        {12, {255, 0, 0}},    {10, {0, 0, 0}},       {1, {128, 0, 0}},    {7, {234, 0, 234}},
        {9, {255, 255, 255}}, {-3, {255, 255, 255}}, {23, {255, 128, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(DesignatorColour(c.refDes), c.colour) << c.refDes;
}

TEST(ElementDialogRules, DelaysAsDistances) {
    EXPECT_NEAR(DelayInSeconds(1.0), 73.84e-6, 0.01e-6);
    EXPECT_DOUBLE_EQ(DelayInSeconds(39.37), 1.0 / 344.0);
    EXPECT_NEAR(DelayInInches(1.0 / 344.0), 39.37, 1e-9);

    TDriver drv;
    drv.DelaySeconds = DelayInSeconds(2.5);
    EXPECT_FALSE(ApplyDriverDelayInches(drv, DelayInInches(drv.DelaySeconds)));  // the shown figure is no change
    EXPECT_TRUE(ApplyDriverDelayInches(drv, 0));
    EXPECT_EQ(drv.DelaySeconds, 0);
}

TEST(ElementDialogRules, TypedLevelIsKeptAsGiven) {
    TDriver drv;
    drv.Gain = 1;
    EXPECT_EQ(DriverLevelDb(drv), 0);
    EXPECT_TRUE(ApplyDriverLevelDb(drv, -1.75));
    EXPECT_EQ(drv.Gain, DbToLin(-1.75));
    EXPECT_EQ(DriverLevelDb(drv), -1.75);  // not a figure worked back from the gain
    EXPECT_FALSE(ApplyDriverLevelDb(drv, -1.75));
    // A gain set by other means shows its own figure.
    drv.Gain = 0.5;
    EXPECT_NEAR(DriverLevelDb(drv), -6.0206, 1e-4);
}

TEST(ElementDialogRules, SourceLevels) {
    const struct {
        double watts, ohms, vrms;
    } cases[] = {{1, 8, 2.8284271247461903}, {2, 4, 2.8284271247461903}, {100, 8, 28.284271247461902}};
    for (const auto& c : cases) EXPECT_NEAR(SourceVrms({c.watts, c.ohms}), c.vrms, 1e-12);

    TSource src;
    src.Vrms = 4;
    src.Power = -1;  // only the voltage known
    const TSourceLevel shown = SourceLevelOf(src);
    EXPECT_EQ(shown.Ohms, 8);
    EXPECT_EQ(shown.Watts, 2);

    // Showing writes nothing; a 3.2 ohm source keeps its ohms until changed.
    src = {};
    src.Vrms = std::sqrt(3.2);
    src.Power = 1;
    src.Ohms = 3.2;
    EXPECT_EQ(SourceLevelOf(src).Ohms, 3.2);
    EXPECT_TRUE(ApplySourceLevel(src, StandardSourceLevel));
    EXPECT_EQ(src.Ohms, 8);
    EXPECT_EQ(src.Power, 1);
    EXPECT_DOUBLE_EQ(src.Vrms, std::sqrt(8.0));
    EXPECT_FALSE(ApplySourceLevel(src, StandardSourceLevel));
    EXPECT_TRUE(ApplySourceLevel(src, {1, 4.4}));
    EXPECT_EQ(src.Ohms, 4);  // whole ohms
}

TEST(ElementDialogRules, CompanionImpedanceFile) {
    test::TempFolder tmp;
    const std::string dir = tmp.Path();
    // A folder whose name holds ".frd" must not be cut.
    std::filesystem::create_directories(dir + "set.frd.d");
    const std::string sub = dir + "set.frd.d/";
    for (const char* f : {"WOOFER.ZMA", "tweeter.frd", "tweeter.zma", "Mid.FRD", "mid.zma", "x.frd"})
        test::WriteWholeFile(sub + f, "");
    // Where cutting the whole path at ".frd" would lead.
    test::WriteWholeFile(dir + "set.zma", "");
    std::filesystem::create_directories(sub + "dir.zma");

    const struct {
        const char* chosen;
        std::string companion;
    } cases[] = {
        {"woofer.frd", sub + "WOOFER.ZMA"},  // letter case ignored
        {"tweeter.frd", sub + "tweeter.zma"},
        {"Mid.FRD", sub + "mid.zma"},
        {"x.frd", ""},      // none there
        {"dir.frd", ""},    // a folder is no file
        {"other.frd", ""},  // looked up by the file's own name, never its folder's
    };
    for (const auto& c : cases) EXPECT_EQ(CompanionImpedanceFile(sub + c.chosen), c.companion) << c.chosen;
    EXPECT_EQ(CompanionImpedanceFile(dir + "missing/woofer.frd"), "");
    EXPECT_EQ(CompanionImpedanceFile(""), "");
}

TEST(ElementDialogRules, AnyCasePatterns) {
    EXPECT_EQ(AnyCasePattern("frd"), "*.[fF][rR][dD]");
    EXPECT_EQ(AnyCasePattern("zma"), "*.[zZ][mM][aA]");
}

// The dialog stays where it is unless it hides the element or leaves the
// screen; then beside the main window, inside it away from the element, or in
// a corner of a small screen.
TEST(ElementDialogRules, DialogsKeepClearOfTheTunedElement) {
    const TScreenRect screen{0, 0, 1920, 1080};
    const TScreenRect main{0, 0, 910, 1030};
    const TScreenRect element{100, 100, 40, 30};
    const struct {
        const char* what;
        std::optional<TScreenRect> current;
        TScreenRect main, element, screen;
        int x, y;
    } cases[] = {
        {"first time: right of the main window", std::nullopt, main, element, screen, 910, 0},
        {"kept where the user left it", TScreenRect{400, 600, 0, 0}, main, element, screen, 400, 600},
        {"over the element: moved away", TScreenRect{90, 90, 0, 0}, main, element, screen, 910, 0},
        {"off the screen: moved back", TScreenRect{1800, 0, 0, 0}, main, element, screen, 910, 0},
        {"no room right: below", std::nullopt, {0, 0, 1800, 500}, element, screen, 0, 500},
        {"no room around: inside, away from the element",
         std::nullopt,
         {0, 0, 1920, 1080},
         element,
         screen,
         1920 - 480,
         1080 - 250},
        {"small screen: over the main window, away from the element",
         std::nullopt,
         {0, 0, 350, 550},
         {150, 400, 40, 30},
         {0, 0, 800, 600},
         0,
         0},
        {"small screen, nothing clear over the window: a corner of the screen",
         std::nullopt,
         {0, 0, 400, 600},
         {20, 20, 250, 560},
         {0, 0, 800, 600},
         800 - 480,
         0},
    };
    for (const auto& c : cases) {
        const TScreenRect r = PlaceElementDialog(c.current, 480, 250, c.main, c.element, c.screen);
        EXPECT_EQ(r.X, c.x) << c.what;
        EXPECT_EQ(r.Y, c.y) << c.what;
        EXPECT_FALSE(Overlap(r, c.element)) << c.what;
    }
}
