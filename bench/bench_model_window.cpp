// One wheel notch in Tools > Model a Driver, as the user has it: the window
// open over the two-way example with a vented box on a rectangular baffle,
// the wheel turned on a field. A step is timed from sending the wheel event
// until all three preview charts have painted again (value read, model
// worked out, curves replotted, charts painted). Two fields: the box's
// volume (the baffle's factor is reused) and the driver's place on the
// baffle (the factor is worked out again).
//
// The median and worst step are reported as counters in milliseconds, both
// wall-clock and the processor time of the GUI thread.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "base/MessageSink.h"
#include "gui/app/MainWindow.h"
#include "gui/tools/ModelDriverWindow.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "qcustomplot.h"

using namespace pelmo;

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1000.0 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

struct ModelSession {
    QTemporaryDir home;
    SilentMessageSink silent;
    std::unique_ptr<TMainWindow> w;
    TModelDriverWindow* window = nullptr;
    std::vector<PaintCounter> counters = std::vector<PaintCounter>(3);
    bool ok = false;

    ModelSession() {
        qputenv("PELMO_HOME", home.path().toUtf8());
        // The options dialog of a first start answers at once.
        SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
        const QString design = home.filePath("TwoWay.bkt");
        if (!QFile::copy(QStringLiteral(PELMO_SOURCE_DIR "/examples/TwoWay.bkt"), design)) return;
        w = std::make_unique<TMainWindow>();
        w->SetMessageSink(&silent);
        w->SetStartupDesign(design.toStdString());
        w->show();
        (void)QTest::qWaitForWindowActive(w.get(), 500);
        for (QAction* top : w->menuBar()->actions())
            if (top->text().remove('&') == "Tools" && top->menu())
                for (QAction* a : top->menu()->actions())
                    if (a->text() == "Model a Driver…") a->trigger();
        window = w->findChild<TModelDriverWindow*>();
        if (!window) return;
        TModelSetup s;
        s.Box = EnclosureKind::Vented;
        s.Baffle = ModelBaffleKind::Rectangle;
        s.YMm = -60;
        window->SetSetup(s);
        window->resize(1100, 800);
        for (int i = 0; i < 3; ++i) window->Chart(i)->installEventFilter(&counters[static_cast<std::size_t>(i)]);
        QApplication::processEvents();
        ok = window->isVisible() && window->Preview().Problem.empty();
    }

    bool AllPaintedSince(const std::vector<int>& before) const {
        for (std::size_t i = 0; i < counters.size(); ++i)
            if (counters[i].Paints == before[i]) return false;
        return true;
    }

    bool Notch(QWidget* control, bool up) {
        std::vector<int> before;
        for (const PaintCounter& c : counters) before.push_back(c.Paints);
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

void WheelNotches(benchmark::State& state, const char* key) {
    ModelSession s;
    if (!s.ok) {
        state.SkipWithError("the model window did not start");
        return;
    }
    QWidget* control = s.window->Field(key);
    std::vector<double> wall, cpu;
    int step = 0;
    for (auto _ : state) {
        const bool up = (step++ / 5) % 2 == 0;
        const double c0 = ThreadCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        if (!s.Notch(control, up)) {
            state.SkipWithError("a chart did not paint again");
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
    state.counters["baffle_solves"] = static_cast<double>(s.window->BaffleSolves());
}

void BM_ModelWindowNotchVb(benchmark::State& state) { WheelNotches(state, "vb"); }
void BM_ModelWindowNotchBafflePlace(benchmark::State& state) { WheelNotches(state, "y"); }
BENCHMARK(BM_ModelWindowNotchVb)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelWindowNotchBafflePlace)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
