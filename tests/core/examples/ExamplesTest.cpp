// The shipped examples: every design opens and every curve of every graph kind
// solves without a message, the sums are as flat as the examples' README
// says, every circuit block reads back, evaluates and computes what its title
// promises, and the installer copies them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <map>
#include <numbers>

#include "TestSupport.h"
#include "base/Conversions.h"
#include "blocks/CircuitBlocks.h"
#include "document/DocumentFlow.h"
#include "document/ShippedFiles.h"
#include "files/BlockFile.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;

namespace {

namespace fs = std::filesystem;
using cplx = std::complex<double>;
constexpr double Pi = std::numbers::pi;

const std::string ExamplesFolder = std::string(PELMO_SOURCE_DIR) + "/examples/";

std::vector<std::string> FilesWithExtension(const std::string& folder, const std::string& ext) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ext) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Opens a copy of an example, so the source tree gets no support folder.
bool OpenCopy(TDesign& d, const TempFolder& folder, const std::string& name, MessageSink& messages) {
    fs::copy_file(ExamplesFolder + name, folder.Path() + name);
    return OpenDesignFile(d, folder.Path() + name, messages);
}

TEST(ShippedExamples, EveryDesignOpensAndEveryCurveSolvesWithoutAMessage) {
    const TGraphKind kinds[] = {TGraphKind::Voltage,    TGraphKind::Current, TGraphKind::SPL,
                                TGraphKind::Impedance,  TGraphKind::Power,   TGraphKind::Filter,
                                TGraphKind::GroupDelay, TGraphKind::Impulse, TGraphKind::Step,
                                TGraphKind::SquareWave};
    for (const std::string& name : FilesWithExtension(ExamplesFolder, ".bkt")) {
        SCOPED_TRACE(name);
        TempFolder folder;
        TDesign d;
        RecordingMessageSink messages;
        ASSERT_TRUE(OpenCopy(d, folder, name, messages));
        EXPECT_TRUE(messages.Messages.empty()) << messages.Messages.front();
        ASSERT_GE(d.Drivers.size(), 2u);
        for (const auto& drv : d.Drivers) {
            EXPECT_FALSE(drv->Acoustic.FRDFile.empty());
            EXPECT_FALSE(drv->ZMAFile.empty());
            EXPECT_NE(drv->Description.find("modelled, not measured"), std::string::npos);
        }
        int curves = 0;
        for (TGraphKind kind : kinds) {
            for (const std::string& curveName : CurveMenuNames(kind, d)) {
                SCOPED_TRACE(std::to_string(ToInt(kind)) + " " + curveName);
                TGraphRecord g(kind);
                TSeriesDef& c = AddCurve(g, d, curveName, true);
                c.ShowPhase = KindHasPhase(kind);
                TGraphList graphs;
                graphs.Add(&g);
                TGraphSolve solve;
                SolveGraphs(d, graphs, solve, messages);
                EXPECT_TRUE(messages.Messages.empty());
                messages.Messages.clear();
                ASSERT_FALSE(c.MagSeries.Empty());
                for (double y : c.MagSeries.Y) ASSERT_TRUE(std::isfinite(y));
                ++curves;
            }
        }
        EXPECT_GT(curves, 30);
    }
}

TEST(ShippedExamples, SumAsFlatAsTheirReadmeSays) {
    // The figures of examples/README.md, with a little room for rounding.
    struct Claim {
        double halfSpreadDb, minOhms;
    };
    const std::map<std::string, Claim> claims = {
        {"TwoWay.bkt", {0.65, 6.0}},       {"TwoWayDerivedPhase.bkt", {0.66, 6.0}}, {"ThreeWay.bkt", {0.53, 3.9}},
        {"TwoWayBlocks.bkt", {0.69, 5.7}},
        {"TwoWayDirectivity.bkt", {0.63, 6.0}},
        {"TwoWayModelled.bkt", {1.6, 5.5}},
    };
    ASSERT_EQ(FilesWithExtension(ExamplesFolder, ".bkt").size(), claims.size()) << "an example missing from the README";
    for (const auto& [name, claim] : claims) {
        SCOPED_TRACE(name);
        TempFolder folder;
        TDesign d;
        RecordingMessageSink messages;
        ASSERT_TRUE(OpenCopy(d, folder, name, messages));
        TGraphRecord g(TGraphKind::Impedance);
        TSeriesDef& z = AddCurve(g, d, "System", true);
        TGraphList graphs;
        graphs.Add(&g);
        TGraphSolve solve;
        SolveGraphs(d, graphs, solve, messages);
        const DataArray& system = solve.Result.System.Mag;
        ASSERT_EQ(system.size(), d.Grid.size());
        double lo = 1e9, hi = -1e9;
        for (std::size_t k = 0; k < d.Grid.size(); ++k) {
            if (d.Grid[k] < 200 || d.Grid[k] > 15000) continue;
            lo = std::min(lo, LinToDb(system[k]));
            hi = std::max(hi, LinToDb(system[k]));
        }
        EXPECT_LE((hi - lo) / 2, claim.halfSpreadDb);
        EXPECT_GT(lo, 78);  // a sensible level, not a flat sum of nearly nothing
        for (std::size_t i = 0; i < z.MagSeries.Count(); ++i) {
            if (z.MagSeries.X[i] < 20) continue;
            EXPECT_GE(z.MagSeries.Y[i], claim.minOhms) << z.MagSeries.X[i];
        }
    }
}

TEST(ShippedExamples, OpenedSolvedAndSavedUnchangedTheyAreTheFilesShipped) {
    // Opening solves the design (which evaluates its blocks); saving it then
    // must not change a byte.
    for (const std::string& name : FilesWithExtension(ExamplesFolder, ".bkt")) {
        SCOPED_TRACE(name);
        TempFolder folder;
        TDesign d;
        RecordingMessageSink messages;
        ASSERT_TRUE(OpenCopy(d, folder, name, messages));
        TGraphList graphs;
        TGraphSolve solve;
        SolveGraphs(d, graphs, solve, messages);
        ASSERT_TRUE(SaveDesignFile(d, folder.Path() + name, messages));
        EXPECT_TRUE(ReadWholeFile(folder.Path() + name) == ReadWholeFile(ExamplesFolder + name));
        EXPECT_TRUE(messages.Messages.empty());
    }
}

// A block file read and evaluated with its stored variable values; its part
// values by the first letters of their expressions' roles.
struct EvaluatedBlock {
    TDesign d;
    TCircuitBlock b;
    std::vector<double> R, L, C;  // member values of each type, in file order
};

void Evaluate(EvaluatedBlock& e, const std::string& path) {
    ASSERT_TRUE(ReadBlockFile(e.d, path, e.b, -1));
    RecordingMessageSink messages;
    e.b.NeedsEval = true;
    ASSERT_NO_THROW(EvaluateBlock(e.b, BlockEvaluator(), messages));
    EXPECT_TRUE(messages.Messages.empty());
    for (const TPart* p : e.b.Parts) {
        EXPECT_FALSE(p->Equation1.empty());
        EXPECT_TRUE(std::isfinite(p->BoundValue) && p->BoundValue > 0) << p->Equation1;
        (p->PartType == TPartType::Resistor   ? e.R
         : p->PartType == TPartType::Inductor ? e.L
                                              : e.C)
            .push_back(p->BoundValue);
    }
}

TEST(ShippedBlocks, ReadBackAndEvaluateWithTitledVariables) {
    const auto names = FilesWithExtension(ExamplesFolder + "CircuitBlocks", ".pbk");
    EXPECT_EQ(names, (std::vector<std::string>{"HighPass2.pbk", "LPad.pbk", "LowPass2.pbk", "Notch.pbk", "Zobel.pbk"}));
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EvaluatedBlock e;
        Evaluate(e, ExamplesFolder + "CircuitBlocks/" + name);
        EXPECT_FALSE(e.b.Title.empty());
        EXPECT_FALSE(e.b.Parts.empty());
        EXPECT_FALSE(e.b.Wires.empty() && e.b.Grounds.empty());
        int user = 0;
        for (int v = 2; v <= 4; ++v) {
            if (e.b.VarName[v].empty()) continue;
            ++user;
            EXPECT_FALSE(e.b.VarDesc[v].empty()) << e.b.VarName[v];  // shown as the tuning hint
            EXPECT_GT(e.b.VarValue[v], 0) << e.b.VarName[v];
        }
        EXPECT_GE(user, 2);
    }
}

double Var(const TCircuitBlock& b, const std::string& name) {
    for (int v = 0; v < BlockVarCount; ++v)
        if (b.VarName[v] == name) return b.VarValue[v];
    ADD_FAILURE() << "no variable " << name;
    return 0;
}

cplx Parallel(cplx a, cplx b) { return a * b / (a + b); }

TEST(ShippedBlocks, ComputeWhatTheirTitlesPromise) {
    // Values are rounded to E48 (steps of about 5 %): results within 3 %.
    const std::string folder = ExamplesFolder + "CircuitBlocks/";
    for (const char* name : {"LowPass2.pbk", "HighPass2.pbk"}) {
        SCOPED_TRACE(name);
        EvaluatedBlock e;
        Evaluate(e, folder + name);
        ASSERT_EQ(e.L.size(), 1u);
        ASSERT_EQ(e.C.size(), 1u);
        const double F = Var(e.b, "F"), Z = Var(e.b, "Z"), Q = Var(e.b, "Q");
        EXPECT_NEAR(1 / (2 * Pi * std::sqrt(e.L[0] * e.C[0])), F, F * 0.03);
        EXPECT_NEAR(Z * std::sqrt(e.C[0] / e.L[0]), Q, Q * 0.03);  // the section's Q into Z
    }
    {
        EvaluatedBlock e;
        Evaluate(e, folder + "LPad.pbk");
        ASSERT_EQ(e.R.size(), 2u);
        const double A = Var(e.b, "A"), Z = Var(e.b, "Z");
        const double load = e.R[1] * Z / (e.R[1] + Z);
        EXPECT_NEAR(20 * std::log10(load / (e.R[0] + load)), -A, 0.3);
        EXPECT_NEAR(e.R[0] + load, Z, Z * 0.03);  // the amplifier sees the driver's impedance
    }
    {
        EvaluatedBlock e;
        Evaluate(e, folder + "Zobel.pbk");
        const double Re = Var(e.b, "Re"), Le = Var(e.b, "Le") * 1e-3;
        // Across Re + jwLe, the pair leaves a resistive Re at every frequency.
        for (double f : {100.0, 2000.0, 20000.0}) {
            const double w = 2 * Pi * f;
            const cplx z = Parallel(cplx(Re, w * Le), cplx(e.R[0], -1 / (w * e.C[0])));
            EXPECT_NEAR(std::abs(z), Re, Re * 0.03) << f;
        }
    }
    {
        EvaluatedBlock e;
        Evaluate(e, folder + "Notch.pbk");
        const double F = Var(e.b, "F"), D = Var(e.b, "D"), Zd = Var(e.b, "Zd");
        EXPECT_NEAR(1 / (2 * Pi * std::sqrt(e.L[0] * e.C[0])), F, F * 0.03);
        auto lossDb = [&](double f) {
            const double w = 2 * Pi * f;
            const cplx tank = 1.0 / (1.0 / e.R[0] + cplx(0, w * e.C[0]) + 1.0 / cplx(0, w * e.L[0]));
            return -20 * std::log10(std::abs(Zd / (Zd + tank)));
        };
        EXPECT_NEAR(lossDb(F), D, 0.3);
        EXPECT_LT(lossDb(F / 4), 0.5);  // a notch, not a shelf
        EXPECT_LT(lossDb(F * 4), 0.5);
    }
}

TEST(ShippedFiles, InstallsEveryExampleAndBlock) {
    TempFolder data;
    const TInstallReport r = InstallShippedFiles(ShippedFilesFolder(), data.Path());
    EXPECT_TRUE(r.Failed.empty());
    auto has = [&](const std::string& rel) { return std::count(r.Copied.begin(), r.Copied.end(), rel) == 1; };
    for (const std::string& name : FilesWithExtension(ExamplesFolder, ".bkt")) EXPECT_TRUE(has("Examples/" + name));
    for (const std::string& name : FilesWithExtension(ExamplesFolder + "CircuitBlocks", ".pbk"))
        EXPECT_TRUE(has("CircuitBlocks/" + name));
    EXPECT_TRUE(has("Examples/Drivers/Woofer165.frd"));
    EXPECT_TRUE(has("Examples/README.md"));
    for (const std::string& rel : r.Copied) EXPECT_EQ(rel.find("!FRD&ZMA"), std::string::npos) << rel;
}

}  // namespace
