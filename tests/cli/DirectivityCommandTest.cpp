#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "files/DesignFile.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::RunCli;
using pelmo::test::TempFolder;

namespace {

// Two drivers (default data: 8 ohms, flat 70 dB) in parallel behind a
// milliohm, `spacingIn` inches apart vertically around the origin, and the
// listening setup given.
std::string TwoDriverDesign(const TempFolder& tmp, const std::string& name, double spacingIn,
                            const TListeningSetup& setup = {}) {
    TDesign d;
    const TPoint t1 = d.Source.Terminal1, t2 = d.Source.Terminal2;  // (121, 62), (121, 66)
    AddGround(d, t2);
    AddPart(d, TPartType::Resistor, {t1.X + 3, t1.Y}, true).Value = 0.001;  // (121, 62) - (127, 62)
    for (int x : {127, 131}) {
        TDriver& drv = AddDriver(d, {x + 1, t1.Y + 1});  // (x, 62) - (x, 64)
        AddWire(d, drv.Terminal2, {x, t2.Y});
        drv.Acoustic.YOffsetInches = x == 127 ? spacingIn / 2 : -spacingIn / 2;
    }
    AddWire(d, {127, t1.Y}, {131, t1.Y});
    AddWire(d, {131, t2.Y}, {127, t2.Y});
    AddWire(d, {127, t2.Y}, t2);
    WriteListeningSetup(setup, d.Settings);
    RecordingMessageSink sink;
    const std::string path = tmp.Path() + name;
    EXPECT_TRUE(WriteDesign(d, path, sink));
    return path;
}

std::vector<std::vector<double>> Rows(const std::string& out, std::string* comments = nullptr) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#') {
            if (comments) *comments += line + "\n";
            continue;
        }
        std::istringstream f(line);
        std::vector<double> row;
        double v;
        while (f >> v) row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(CliDirectivity, ArgumentErrorsAreUsageErrors) {
    TempFolder tmp;
    const std::string design = TwoDriverDesign(tmp, "two.bkt", 8);
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"curve", design, "spl", "System", "--at", "X7"}, "--at needs a direction"},
        {{"curve", design, "spl", "System", "--at", "H"}, "--at needs a direction"},
        {{"curve", design, "spl", "System", "--at", "H30H10"}, "--at needs a direction"},
        {{"curve", design, "spl", "System", "--at", "V1e999"}, "--at needs a direction"},
        {{"curve", design, "spl", "System", "--distance", "-1"}, "--distance takes 0.1 to 100"},
        {{"curve", design, "spl", "System", "--distance", "0"}, "--distance takes 0.1 to 100"},
        {{"curve", design, "spl", "System", "--distance", "101"}, "--distance takes 0.1 to 100"},
        {{"curve", design, "spl", "System", "--distance"}, "--distance needs a value"},
        {{"curve", design, "spl", "System", "--weights", "sector"}, "are for soundpower and di"},
        {{"curve", design, "soundpower", "System", "--weights", "flat"}, "--weights takes sector or cta2034"},
        {{"curve", design, "di", "System", "--at", "H30"}, "soundpower and di take"},
        {{"curve", design, "di", "System", "--step", "0"}, "--step takes 1 to 90"},
        {{"curve", design, "di", "System", "--weights", "cta2034", "--step", "5"}, "--step is for the sector"},
        {{"spinorama"}, "needs DESIGN.bkt"},
        {{"spinorama", design, "--distance", "-1"}, "--distance takes 0.1 to 100"},
        {{"spinorama", design, "--smoothing", "1"}, "unknown option --smoothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.ExitCode, 2);
        EXPECT_NE(r.Err.find(c.says), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
    for (const auto& args : std::vector<std::vector<std::string>>{{"curve", design, "di", "S9"},
                                                                  {"spinorama", design, "--driver", "S9"}}) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.ExitCode, 1) << r.Err;
        EXPECT_NE(r.Err.find("\"S9\""), std::string::npos) << r.Err;
    }
}

// --at and --distance put the listening point into the design's setup: the
// same curve as a design saved with that setup; "1,5" reads as 1.5; the
// vertical lobe of two drivers 20 cm apart shows 30 degrees up.
TEST(CliDirectivity, ListeningPointFromTheCommandLineOrTheDesign) {
    TempFolder tmp;
    const std::string plain = TwoDriverDesign(tmp, "plain.bkt", 0.2 / 0.0254);
    const std::string saved = TwoDriverDesign(tmp, "saved.bkt", 0.2 / 0.0254, {1.5, 0, 30, true});
    const auto onAxis = RunCli({"curve", plain, "spl", "System", "--smoothing", "0"});
    const auto given =
        RunCli({"curve", plain, "spl", "System", "--smoothing", "0", "--at", "v30", "--distance", "1,5"});
    const auto own = RunCli({"curve", saved, "spl", "System", "--smoothing", "0"});
    ASSERT_EQ(onAxis.ExitCode, 0) << onAxis.Err;
    ASSERT_EQ(given.ExitCode, 0) << given.Err;
    EXPECT_EQ(given.Out, own.Out);
    const auto a = Rows(onAxis.Out), b = Rows(given.Out);
    ASSERT_EQ(a.size(), 500u);
    ASSERT_EQ(b.size(), 500u);
    // 20 cm at 30 degrees: half a wavelength of path difference near 1720 Hz.
    double deepest = 0, at = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (b[k][1] - a[k][1] < deepest) deepest = b[k][1] - a[k][1], at = a[k][0];
    EXPECT_LT(deepest, -20.0);
    EXPECT_NEAR(at, 1720, 60);
}

// The spinorama's columns and score, and the sound power and index, of one
// point source: every curve is the on-axis level, every index 0.
TEST(CliDirectivity, SpinoramaAndPowerOfAPointSource) {
    TempFolder tmp;
    const std::string design = TwoDriverDesign(tmp, "omni.bkt", 0);
    const auto spin = RunCli({"spinorama", design, "--distance", "3"});
    ASSERT_EQ(spin.ExitCode, 0) << spin.Err;
    std::string comments;
    const auto rows = Rows(spin.Out, &comments);
    EXPECT_EQ(spin.Out.substr(0, spin.Out.find('\n')), "# Hz\tON\tLW\tER\tSP\tPIR\tERDI\tSPDI");
    EXPECT_NE(comments.find("\n# preference score "), std::string::npos) << comments;
    EXPECT_EQ(spin.Out.rfind("# preference score ", std::string::npos), spin.Out.rfind('#'));
    ASSERT_EQ(rows.size(), 500u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 8u);
        for (std::size_t c = 2; c <= 5; ++c) EXPECT_NEAR(row[c], row[1], 1e-6);
        EXPECT_NEAR(row[6], 0.0, 1e-6);
        EXPECT_NEAR(row[7], 0.0, 1e-6);
    }
    for (const std::vector<std::string>& extra :
         std::vector<std::vector<std::string>>{{}, {"--weights", "cta2034"}, {"--step", "7,5"}}) {
        std::vector<std::string> args = {"curve", design, "di", "S2"};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto di = RunCli(args);
        ASSERT_EQ(di.ExitCode, 0) << di.Err;
        const auto points = Rows(di.Out);
        ASSERT_EQ(points.size(), 500u);
        for (const auto& p : points) EXPECT_NEAR(p[1], 0.0, 1e-6);
    }
    const auto power = RunCli({"curve", design, "soundpower", "System"});
    const auto points = Rows(power.Out);
    ASSERT_EQ(points.size(), 500u);
    EXPECT_NEAR(points[100][1], rows[100][1], 1e-6);
}

// The curve command prints a directional window's whole set; for one point
// source every direction hears the same, so each set is flat across angles.
TEST(CliDirectivity, CurveSetsOfEveryDirectionalKind) {
    TempFolder tmp;
    const std::string design = TwoDriverDesign(tmp, "omni.bkt", 0);
    const auto spin = RunCli({"spinorama", design});
    ASSERT_EQ(spin.ExitCode, 0) << spin.Err;
    const auto spinRows = Rows(spin.Out);
    struct Case {
        const char* kind;
        std::string header;
        std::vector<double> expected;  // per column after Hz; NaN: the on-axis level
    };
    const double on = std::nan("");
    const Case cases[] = {
        {"spinorama",
         "# Hz\tOn Axis\tListening Window\tEarly Reflections\tSound Power\tPredicted In-Room\tERDI\tSPDI",
         {on, on, on, on, on, 0, 0}},
        {"powerdi", "# Hz\tOn Axis\tSound Power\tDI", {on, on, 0}},
        {"offaxis", "# Hz\tV 0°\tV 15°\tV 30°\tV 45°\tV 60°\tV 75°\tV 90°", {on, on, on, on, on, on, on}},
        {"polarmap", "# Hz\t-6 dB\tcurve 2", {180, -180}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const auto r = RunCli({"curve", design, c.kind, "System"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), c.header);
        const auto rows = Rows(r.Out);
        ASSERT_EQ(rows.size(), spinRows.size());
        for (std::size_t k = 0; k < rows.size(); k += 37) {
            ASSERT_EQ(rows[k].size(), c.expected.size() + 1);
            for (std::size_t i = 0; i < c.expected.size(); ++i)
                EXPECT_NEAR(rows[k][i + 1], std::isnan(c.expected[i]) ? spinRows[k][1] : c.expected[i], 1e-6)
                    << "row " << k << " column " << i + 1;
        }
    }
}
