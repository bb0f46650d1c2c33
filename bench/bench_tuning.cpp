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

#include "GuiNotch.h"
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
    std::unique_ptr<bench::TPaintWatch> charts;
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
        charts = std::make_unique<bench::TPaintWatch>(graphs.Windows().size());
        std::size_t i = 0;
        for (TPlotForm* p : graphs.Windows()) {
            p->resize(604, 416);
            p->show();
            charts->Watch(i++, p->Graph());
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
};

void BM_WheelNotch(benchmark::State& state, const TuningSetup& setup) {
    TuningSession s(setup);
    if (!s.ok) {
        state.SkipWithError("the tuning session did not start");
        return;
    }
    const int solvesBefore = s.w->Session().SolveCount();
    QWidget* control = s.dialog->ValueControl();
    bench::TimeNotches(
        state, [&](bool up) { return s.charts->Notch(control, up); }, "a graph window did not paint again");
    state.counters["solves_per_notch"] =
        static_cast<double>(s.w->Session().SolveCount() - solvesBefore) / static_cast<double>(state.iterations());
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

int main(int argc, char** argv) { return pelmo::bench::RunGuiBenchmarks(argc, argv); }
