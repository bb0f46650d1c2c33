// Any design the reader takes must solve: the netlist numbers every terminal
// within 0 .. NodeCount-1 (or -1), and the solve fills every curve of every
// kind with at most one point per grid frequency (or per sample of a time
// response), without faults or hangs.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "base/MessageSink.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "engine/Netlist.h"
#include "engine/Sweep.h"
#include "files/DesignFile.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"

namespace {

namespace fs = std::filesystem;

const std::string& Root() { return pelmo::fuzz::FuzzFolder("solve"); }

void CheckNode(int n, int count, bool mayBeDropped) {
    if (n >= count || n < (mayBeDropped ? -1 : 0)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmo;
    const std::string path = Root() + "fuzz.bkt";
    static const std::string support = [&] {
        const std::string s = SupportFolderFor(path);
        fs::create_directories(s);
        return s;
    }();
    SilentMessageSink quiet;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TDesign d;
    if (ReadDesignLines(d, SplitLines(Cp1252ToUtf8(bytes)), path, quiet) && d.Parts.size() + d.Drivers.size() < 40) {
        // One window of every kind with every curve its menu offers.
        std::vector<std::unique_ptr<TGraphRecord>> windows;
        TGraphList graphs;
        for (TGraphKind kind : {TGraphKind::SPL, TGraphKind::Impedance, TGraphKind::Filter, TGraphKind::Voltage,
                                TGraphKind::Current, TGraphKind::Power, TGraphKind::GroupDelay, TGraphKind::Impulse,
                                TGraphKind::Step, TGraphKind::SquareWave}) {
            windows.push_back(std::make_unique<TGraphRecord>(kind));
            int i = 0;
            for (const std::string& name : CurveMenuNames(kind, d)) {
                TSeriesDef& c = AddCurve(*windows.back(), d, name, true);
                c.Smoothing = (i++ % 3 == 0) ? 0.0 : (i % 3 == 1 ? 1.0 / 6 : AuditorySmoothing);
            }
            graphs.Add(windows.back().get());
        }
        TGraphSolve solve;
        bool solved = true;
        try {
            SolveGraphs(d, graphs, solve, quiet);
        } catch (const std::exception&) {
            solved = false;  // a block expression that cannot be evaluated ends the solve
        }
        if (solve.Running) __builtin_trap();
        if (solved && (!d.Parts.empty() || !d.Drivers.empty())) {
            const TNetlist& net = solve.Result.Netlist;
            const int count = net.NodeCount;
            CheckNode(net.Source.Node1, count, false);
            CheckNode(net.Source.Node2, count, false);
            for (const TElementNodes& n : net.Parts) {
                CheckNode(n.Node1, count, true);
                CheckNode(n.Node2, count, true);
            }
            for (const TElementNodes& n : net.Drivers) {
                CheckNode(n.Node1, count, true);
                CheckNode(n.Node2, count, true);
            }
            for (const auto& w : windows) {
                // One point per grid frequency, or per sample of a time response.
                const bool time =
                    w->Kind == TGraphKind::Impulse || w->Kind == TGraphKind::Step || w->Kind == TGraphKind::SquareWave;
                const std::size_t most = time ? 16384 : 500;
                for (const TSeriesDef& c : w->Curves)
                    if (c.MagSeries.Count() > most || c.PhaseSeries.Count() > c.MagSeries.Count()) __builtin_trap();
            }
        }
    }
    for (const auto& e : fs::directory_iterator(support)) fs::remove(e.path());
    return 0;
}
