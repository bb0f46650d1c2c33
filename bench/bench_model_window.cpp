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

#include "GuiNotch.h"
#include "base/MessageSink.h"
#include "gui/app/MainWindow.h"
#include "gui/tools/ModelDriverWindow.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "qcustomplot.h"

using namespace pelmo;

namespace {

struct ModelSession {
    QTemporaryDir home;
    SilentMessageSink silent;
    std::unique_ptr<TMainWindow> w;
    TModelDriverWindow* window = nullptr;
    bench::TPaintWatch charts{3};
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
        for (int i = 0; i < 3; ++i) charts.Watch(static_cast<std::size_t>(i), window->Chart(i));
        QApplication::processEvents();
        ok = window->isVisible() && window->Preview().Problem.empty();
    }
};

void WheelNotches(benchmark::State& state, const char* key) {
    ModelSession s;
    if (!s.ok) {
        state.SkipWithError("the model window did not start");
        return;
    }
    QWidget* control = s.window->Field(key);
    bench::TimeNotches(
        state, [&](bool up) { return s.charts.Notch(control, up); }, "a chart did not paint again");
    state.counters["baffle_solves"] = static_cast<double>(s.window->BaffleSolves());
}

void BM_ModelWindowNotchVb(benchmark::State& state) { WheelNotches(state, "vb"); }
void BM_ModelWindowNotchBafflePlace(benchmark::State& state) { WheelNotches(state, "y"); }
BENCHMARK(BM_ModelWindowNotchVb)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelWindowNotchBafflePlace)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return pelmo::bench::RunGuiBenchmarks(argc, argv); }
