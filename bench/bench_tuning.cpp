// One wheel notch while tuning, as the user has it: the main window with an
// example open, four graph windows, T pressed over a capacitor and the wheel
// turned on its value control. Three setups: the three-way example with SPL
// (the system and the three drivers), impedance, group delay and impulse;
// the directivity example with SPL, impedance, spinorama and polar map; and
// the directivity example with SPL and impedance only, the baseline that
// tells what the two directional windows add to a notch. A step is timed from
// sending the wheel event to the control until every graph window has
// painted itself again (value written, circuit solved, curves replotted,
// sheet label redrawn, window contents painted).
//
// The median and worst step are reported as counters in milliseconds, both
// wall-clock and the processor time of the GUI thread (which does all of
// it; the latter does not suffer from other processes on a busy machine).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "base/MessageSink.h"
#include "gui/app/MainWindow.h"
#include "gui/dialogs/ComponentDialog.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetView.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/Pcs.h"
#include "qcustomplot.h"

using namespace pelmo;

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1000.0 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

// Counts the paints of the graph windows' charts.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

struct TuningSetup {
    const char* Design;  // an example's file name
    std::size_t Drivers;
    std::vector<TGraphKind> Extra;  // opened beside the design's own windows
    std::size_t Windows;            // open in all, once the extra ones are
};

struct TuningSession {
    QTemporaryDir home;
    SilentMessageSink silent;
    std::unique_ptr<TMainWindow> w;
    std::vector<PaintCounter> counters;
    TComponentDialog* dialog = nullptr;
    bool ok = false;

    explicit TuningSession(const TuningSetup& setup) {
        qputenv("PELMO_HOME", home.path().toUtf8());
        SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
        const QString design = home.filePath(setup.Design);
        if (!QFile::copy(QStringLiteral(PELMO_SOURCE_DIR "/examples/") + setup.Design, design)) return;
        w = std::make_unique<TMainWindow>();
        w->SetMessageSink(&silent);
        w->SetStartupDesign(design.toStdString());
        w->show();
        w->activateWindow();
        // Offscreen a window may never count as active; the wheel events
        // below go to the control directly, so the wait only lets it settle.
        (void)QTest::qWaitForWindowActive(w.get(), 500);
        TDesign& d = w->Session().Design();
        if (d.Drivers.size() != setup.Drivers) return;

        TGraphWindows& graphs = w->GraphWindows();
        for (TPlotForm* p : graphs.Windows())
            if (p->Record().Kind == TGraphKind::SPL)
                for (std::size_t i = 1; i <= setup.Drivers; ++i)
                    p->CurveItemClick(("S" + std::to_string(i)).c_str(), false);
        for (TGraphKind kind : setup.Extra) graphs.OpenGraph(kind);
        if (graphs.Windows().size() != setup.Windows) return;
        counters = std::vector<PaintCounter>(graphs.Windows().size());
        int i = 0;
        for (TPlotForm* p : graphs.Windows()) {
            p->resize(604, 416);
            p->show();
            p->Graph()->installEventFilter(&counters[i++]);
        }
        QApplication::processEvents();

        // T over the first capacitor.
        std::size_t c = 0;
        while (c < d.Parts.size() && d.Parts[c]->PartType != TPartType::Capacitor) ++c;
        if (c == d.Parts.size()) return;
        TSheetView& view = w->View();
        const QPoint at(d.Parts[c]->Position.X * view.Scale(), d.Parts[c]->Position.Y * view.Scale());
        QWidget* sheet = view.Sheet();
        QMouseEvent move(QEvent::MouseMove, at, sheet->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(sheet, &move);
        QTest::keyClick(view.Panel(), Qt::Key_T);
        dialog = &w->ElementDialogs().Component();
        ok = dialog->isVisible();
        QApplication::processEvents();
    }

    int TotalPaints() const {
        int n = 0;
        for (const PaintCounter& c : counters) n += c.Paints;
        return n;
    }
    bool AllPaintedSince(const std::vector<int>& before) const {
        for (std::size_t i = 0; i < counters.size(); ++i)
            if (counters[i].Paints == before[i]) return false;
        return true;
    }

    // One notch on the value control; returns when every window has painted.
    bool Notch(bool up) {
        std::vector<int> before;
        for (const PaintCounter& c : counters) before.push_back(c.Paints);
        QWidget* control = dialog->ValueControl();
        const QPoint p(control->width() / 2, control->height() / 2);
        QWheelEvent e(p, control->mapToGlobal(p), QPoint(), QPoint(0, up ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(control, &e);
        QElapsedTimer guard;
        guard.start();
        while (!AllPaintedSince(before)) {
            if (guard.elapsed() > 5000) return false;
            QApplication::processEvents(QEventLoop::AllEvents);
        }
        return true;
    }
};

void BM_WheelNotch(benchmark::State& state, const TuningSetup& setup) {
    TuningSession s(setup);
    if (!s.ok) {
        state.SkipWithError("the tuning session did not start");
        return;
    }
    const int solvesBefore = s.w->Session().SolveCount();
    std::vector<double> wall, cpu;
    int step = 0;
    for (auto _ : state) {
        // Up and down in turns of five notches: the value stays in range.
        const bool up = (step++ / 5) % 2 == 0;
        const double c0 = ThreadCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        if (!s.Notch(up)) {
            state.SkipWithError("a graph window did not paint again");
            return;
        }
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(ThreadCpuMs() - c0);
        wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    state.counters["median_ms"] = wall[wall.size() / 2];
    state.counters["worst_ms"] = wall.back();
    state.counters["median_cpu_ms"] = cpu[cpu.size() / 2];
    state.counters["worst_cpu_ms"] = cpu.back();
    state.counters["solves_per_notch"] =
        static_cast<double>(s.w->Session().SolveCount() - solvesBefore) / static_cast<double>(wall.size());
}
BENCHMARK_CAPTURE(BM_WheelNotch, FourWindows,
                  TuningSetup{"ThreeWay.bkt", 3, {TGraphKind::GroupDelay, TGraphKind::Impulse}, 4})
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WheelNotch, Directional,
                  TuningSetup{"TwoWayDirectivity.bkt", 2, {TGraphKind::Spinorama, TGraphKind::PolarMap}, 4})
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WheelNotch, DirectionalBaseline, TuningSetup{"TwoWayDirectivity.bkt", 2, {}, 2})
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
