// Every curve of every graph kind, on the benchmarks' three-way and on each
// shipped example, against the points the solve gave before it was made to
// run several frequencies at once on several threads (tests/data/
// solve_golden.txt). The sweep's arithmetic is meant to be the same operation
// for operation; the transforms may round differently in the last bits. A
// point passes when it lies within 1e-12 of the larger of its own magnitude
// and the largest magnitude of its curve (phases: of 180 degrees), so that
// values crossing zero are judged against the curve's scale.
//
// PELMO_RECORD_GOLDEN=FILE writes the points to FILE instead of comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ThreeWayDesign.h"
#include "document/DocumentFlow.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"

using namespace pelmo;

namespace {

namespace fs = std::filesystem;

const std::string GoldenFile = std::string(PELMO_TEST_DATA_DIR) + "/solve_golden.txt";

// Every so many points of a curve are kept: enough to catch any fault of one
// frequency band or time span, few enough for a small file.
constexpr std::size_t FrequencyStride = 13;
constexpr std::size_t TimeStride = 97;

bool IsTimeKind(TGraphKind k) {
    return k == TGraphKind::Impulse || k == TGraphKind::Step || k == TGraphKind::SquareWave;
}

// One line per chart curve: "design|kind|curve|mag or phase|count|values".
void Describe(const std::string& design, const TGraphRecord& g, std::map<std::string, std::vector<double>>& out) {
    const std::size_t stride = IsTimeKind(g.Kind) ? TimeStride : FrequencyStride;
    for (const TSeriesDef& c : g.Curves) {
        for (int phase = 0; phase < 2; ++phase) {
            const TChartCurve& s = phase ? c.PhaseSeries : c.MagSeries;
            std::vector<double> values{static_cast<double>(s.Count())};
            for (std::size_t i = 0; i < s.Count(); i += stride) values.push_back(s.Y[i]);
            if (!s.Empty()) values.push_back(s.Y.back());
            out[design + "|" + std::to_string(ToInt(g.Kind)) + "|" + c.Name + "|" + (phase ? "phase" : "mag")] =
                std::move(values);
        }
    }
}

// A window of every kind with every curve the kind offers, phases shown,
// System SPL curves also smoothed by a sixth of an octave and by the ear.
void SolveEveryCurve(const std::string& name, TDesign& d, std::map<std::string, std::vector<double>>& out) {
    const TGraphKind kinds[] = {TGraphKind::Voltage,    TGraphKind::Current, TGraphKind::SPL,
                                TGraphKind::Impedance,  TGraphKind::Power,   TGraphKind::Filter,
                                TGraphKind::GroupDelay, TGraphKind::Impulse, TGraphKind::Step,
                                TGraphKind::SquareWave};
    std::vector<std::unique_ptr<TGraphRecord>> records;
    TGraphList graphs;
    for (TGraphKind kind : kinds) {
        records.push_back(std::make_unique<TGraphRecord>(kind));
        TGraphRecord& g = *records.back();
        for (const std::string& curve : CurveMenuNames(kind, d)) AddCurve(g, d, curve, true).ShowPhase = true;
        graphs.Add(&g);
    }
    TGraphRecord smoothed(TGraphKind::SPL);
    AddCurve(smoothed, d, "System", true).Smoothing = 1.0 / 6.0;
    graphs.Add(&smoothed);
    TGraphRecord auditory(TGraphKind::SPL);
    AddCurve(auditory, d, "System", true).Smoothing = AuditorySmoothing;
    graphs.Add(&auditory);
    TGraphSolve solve;
    test::RecordingMessageSink messages;
    SolveGraphs(d, graphs, solve, messages);
    EXPECT_TRUE(messages.Messages.empty()) << name;
    for (std::size_t i = 0; i < records.size(); ++i) Describe(name, *records[i], out);
    Describe(name + " 1/6", smoothed, out);
    Describe(name + " ERB", auditory, out);
}

// Every design, each changed by `prepare` before it is solved.
std::map<std::string, std::vector<double>> SolveAllDesigns(const std::function<void(TDesign&)>& prepare = {}) {
    std::map<std::string, std::vector<double>> out;
    bench::ThreeWayDesign threeWay;
    if (prepare) prepare(threeWay.d);
    SolveEveryCurve("benchmark three-way", threeWay.d, out);
    const std::string examples = std::string(PELMO_SOURCE_DIR) + "/examples/";
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(examples))
        if (e.path().extension() == ".bkt") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        test::TempFolder folder;
        fs::copy_file(examples + name, folder.Path() + name);
        TDesign d;
        test::RecordingMessageSink messages;
        EXPECT_TRUE(OpenDesignFile(d, folder.Path() + name, messages)) << name;
        if (prepare) prepare(d);
        SolveEveryCurve(name, d, out);
    }
    return out;
}

std::map<std::string, std::vector<double>> ReadGolden() {
    std::map<std::string, std::vector<double>> golden;
    std::ifstream in(GoldenFile);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t bar = line.rfind('|');
        if (bar == std::string::npos) continue;
        std::istringstream values(line.substr(bar + 1));
        std::vector<double>& v = golden[line.substr(0, bar)];
        std::string word;
        while (values >> word) v.push_back(std::strtod(word.c_str(), nullptr));
    }
    return golden;
}

}  // namespace

TEST(SolveGolden, EveryCurveAsBeforeWithinTheLastBits) {
    const auto now = SolveAllDesigns();
    if (const char* record = std::getenv("PELMO_RECORD_GOLDEN")) {
        std::ofstream out(record);
        for (const auto& [key, values] : now) {
            out << key << '|';
            char buffer[32];
            for (double v : values) {
                std::snprintf(buffer, sizeof buffer, " %.17g", v);
                out << buffer;
            }
            out << '\n';
        }
        GTEST_SKIP() << "recorded " << now.size() << " curves to " << record;
    }
    const auto golden = ReadGolden();
    ASSERT_GT(golden.size(), 500u) << GoldenFile;
    EXPECT_EQ(now.size(), golden.size());
    double worst = 0;
    std::string worstAt;
    for (const auto& [key, expected] : golden) {
        SCOPED_TRACE(key);
        const auto it = now.find(key);
        ASSERT_NE(it, now.end());
        const std::vector<double>& got = it->second;
        ASSERT_EQ(got.size(), expected.size());
        ASSERT_EQ(got[0], expected[0]) << "point count";
        const bool phase = key.size() > 6 && key.compare(key.size() - 6, 6, "|phase") == 0;
        double scale = phase ? 180.0 : 0.0;
        for (std::size_t i = 1; i < expected.size(); ++i) scale = std::max(scale, std::fabs(expected[i]));
        for (std::size_t i = 1; i < expected.size(); ++i) {
            const double a = got[i], b = expected[i];
            // Exact agreement, including infinities; otherwise within the bound.
            if (a == b || (std::isnan(a) && std::isnan(b))) continue;
            const double relative = std::fabs(a - b) / std::max(std::fabs(b), scale);
            if (relative > worst) {
                worst = relative;
                worstAt = key + " #" + std::to_string(i);
            }
            EXPECT_LE(relative, 1e-12) << "point " << i << ": " << a << " against " << b;
        }
    }
    std::printf("largest relative difference %.3g at %s\n", worst, worstAt.empty() ? "-" : worstAt.c_str());
}

// Heard from where the drivers sit, with every driver at the origin, untilted,
// and the listener 1 m away on axis, every curve of every design is what it
// is without: bit for bit.
TEST(SolveGolden, DriverPositionsAtTheOriginChangeNoCurve) {
    // A design that uses its driver positions is compared with itself not
    // using them.
    const auto plain = SolveAllDesigns([](TDesign& d) { WriteListeningSetup(TListeningSetup{}, d.Settings); });
    const auto positioned = SolveAllDesigns([](TDesign& d) {
        for (auto& drv : d.Drivers) {
            TDriverAcoustics& a = drv->Acoustic;
            a.XOffsetInches = a.YOffsetInches = a.ZOffsetInches = a.HTiltDegrees = a.VTiltDegrees = 0;
        }
        TListeningSetup setup;
        setup.UseDriverPositions = true;
        WriteListeningSetup(setup, d.Settings);
    });
    ASSERT_EQ(positioned.size(), plain.size());
    for (const auto& [key, values] : plain) {
        SCOPED_TRACE(key);
        const auto it = positioned.find(key);
        ASSERT_NE(it, positioned.end());
        ASSERT_EQ(it->second.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (std::isnan(values[i]) && std::isnan(it->second[i])) continue;
            ASSERT_EQ(std::memcmp(&values[i], &it->second[i], sizeof(double)), 0)
                << "point " << i << ": " << it->second[i] << " against " << values[i];
        }
    }
}
