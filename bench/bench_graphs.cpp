// Live tuning with four graph windows open on a three-way design: an SPL
// window with three curves, an impedance window with System and a lookback
// curve, a group delay window and an impulse window. Each of 100 value
// changes runs the solve and paints every window before the next one. The
// median and the worst step are reported as counters (milliseconds).
//
// With --screenshots=DIR [--design=FILE.bkt] the program instead writes PNG
// pictures of the SPL, impedance, group delay, impulse and square-wave
// windows into DIR (of the built-in three-way, or of the design file).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "ThreeWayDesign.h"
#include "base/MessageSink.h"
#include "document/DocumentFlow.h"
#include "engine/Sweep.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/widgets/ModalRunner.h"

using namespace pelmo;

namespace {

double CpuMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return 1000.0 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}
double ThreadCpuMs() { return CpuMs(CLOCK_THREAD_CPUTIME_ID); }
// Every thread of the process: the solve shares its work with helper threads.
double ProcessCpuMs() { return CpuMs(CLOCK_PROCESS_CPUTIME_ID); }

// Resident memory of the process, in megabytes.
double ResidentMb() {
    long kb = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmRSS: %ld", &kb) == 1) break;
        std::fclose(f);
    }
    return static_cast<double>(kb) / 1024.0;
}

struct Session {
    bench::ThreeWayDesign w;
    SilentMessageSink silent;
    TGraphWindows graphs{w.d, silent};

    Session() {
        // The settings dialog of a new curve answers "Ok" at once.
        SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
        TPlotForm* spl = graphs.OpenGraph(TGraphKind::SPL);
        spl->CurveItemClick("S1", false);
        spl->CurveItemClick("S3", false);
        TPlotForm* z = graphs.OpenGraph(TGraphKind::Impedance);
        z->CurveItemClick("S3 (lookback)", false);
        graphs.OpenGraph(TGraphKind::GroupDelay);
        graphs.OpenGraph(TGraphKind::Impulse);
        int i = 0;
        for (TPlotForm* p : graphs.Windows()) {
            p->resize(604, 416);
            p->move(20 + 40 * i, 20 + 40 * i);
            ++i;
        }
        graphs.SolveNow(true);
        QApplication::processEvents();
    }
};

void BM_TuningStepFourWindows(benchmark::State& state) {
    Session s;
    TPart& tuned = *s.w.d.Parts[3];  // the woofer's second shunt capacitor
    const double base = tuned.Value;
    std::vector<double> wall, cpu, processCpu;
    int step = 0;
    for (auto _ : state) {
        // A wheel turn: the value moves by a small factor each time.
        tuned.Value = base * (1.0 + 0.01 * (step % 20));
        ++step;
        const double c0 = ThreadCpuMs(), p0 = ProcessCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        s.graphs.SolveNow(true);
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(ThreadCpuMs() - c0);
        processCpu.push_back(ProcessCpuMs() - p0);
        wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    // Wall time suffers from other processes on a busy machine; the
    // processor time of this thread (which also paints) does not, nor that
    // of all threads (this one and the solve's helpers).
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::sort(processCpu.begin(), processCpu.end());
    state.counters["median_ms"] = wall[wall.size() / 2];
    state.counters["worst_ms"] = wall.back();
    state.counters["median_cpu_ms"] = cpu[cpu.size() / 2];
    state.counters["worst_cpu_ms"] = cpu.back();
    state.counters["median_all_threads_cpu_ms"] = processCpu[processCpu.size() / 2];
    state.counters["resident_mb"] = ResidentMb();
    std::size_t points = 0;
    for (TPlotForm* p : s.graphs.Windows())
        for (const TSeriesDef& c : p->Record().Curves) points += c.MagSeries.Count() + c.PhaseSeries.Count();
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_TuningStepFourWindows)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same without painting: the share of the solve alone.
void BM_TuningStepSolveOnly(benchmark::State& state) {
    Session s;
    TPart& tuned = *s.w.d.Parts[3];
    const double base = tuned.Value;
    int step = 0;
    for (auto _ : state) {
        tuned.Value = base * (1.0 + 0.01 * (step++ % 20));
        SolveGraphs(s.w.d, s.graphs.List(), s.graphs.Solve(), s.silent);
    }
}
BENCHMARK(BM_TuningStepSolveOnly)->Iterations(100)->Unit(benchmark::kMillisecond);

void SaveWindows(TGraphWindows& graphs, const QString& dir) {
    graphs.SolveNow(true);
    QApplication::processEvents();
    const char* names[] = {"spl", "impedance", "groupdelay", "impulse", "squarewave"};
    int i = 0;
    for (TPlotForm* p : graphs.Windows()) {
        p->Replot(true);
        const QString path = dir + "/" + names[i++] + ".png";
        if (!p->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

// The windows of the code-built three-way, or of a design file (read from a
// copy in a temporary folder, so that its support folder goes there).
int Screenshots(const QString& dir, const QString& design) {
    QDir().mkpath(dir);
    if (design.isEmpty()) {
        Session s;
        s.graphs.OpenGraph(TGraphKind::SquareWave)->resize(604, 416);
        SaveWindows(s.graphs, dir);
        return 0;
    }
    QTemporaryDir tmp;
    const QString copy = tmp.filePath(QFileInfo(design).fileName());
    SilentMessageSink silent;
    TDesign d;
    if (!QFile::copy(design, copy) || !OpenDesignFile(d, copy.toStdString(), silent)) return 1;
    SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
    TGraphWindows graphs(d, silent);
    TPlotForm* spl = graphs.OpenGraph(TGraphKind::SPL);
    for (const auto& drv : d.Drivers) spl->CurveItemClick(QString::fromStdString(DriverDesignator(*drv)), false);
    for (TGraphKind k : {TGraphKind::Impedance, TGraphKind::GroupDelay, TGraphKind::Impulse, TGraphKind::SquareWave})
        graphs.OpenGraph(k);
    for (TPlotForm* p : graphs.Windows()) p->resize(604, 416);
    SaveWindows(graphs, dir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString shots, design;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--screenshots=", 14) == 0) shots = argv[i] + 14;
        if (std::strncmp(argv[i], "--design=", 9) == 0) design = argv[i] + 9;
    }
    if (!shots.isEmpty()) return Screenshots(shots, design);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
