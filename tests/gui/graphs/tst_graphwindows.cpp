// Graph windows driven through their menus, dialogs and pointer, offscreen.

#include <qcustomplot.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <fstream>

#include "GraphTestDesign.h"
#include "driverdata/MeasurementFile.h"
#include "graphs/CurveExport.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotOverlays.h"
#include "gui/graphs/PlotReadout.h"
#include "gui/graphs/PlotScales.h"
#include "gui/graphs/SeriesEdit.h"
#include "gui/graphs/ValueDialog.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"

using namespace pelmo;
using namespace pelmo::test;

namespace {

QColor PenColour(QCPGraph* g) { return g ? g->pen().color() : QColor(); }

QPoint PixelAt(TPlotForm* w, double x, double y) {
    return {static_cast<int>(w->Graph()->xAxis->coordToPixel(x)), static_cast<int>(w->Graph()->yAxis->coordToPixel(y))};
}

}  // namespace

class TestGraphWindows : public QObject {
    Q_OBJECT

    // What the next modal dialogs do: each call pops the front.
    std::vector<std::function<int(QDialog&)>> dialogs_;
    int dialogsShown_ = 0;

    std::function<int(QDialog&)> Ok() {
        return [](QDialog&) { return TSeriesEditForm::ResultOk; };
    }

private slots:
    void init() {
        dialogs_.clear();
        dialogsShown_ = 0;
        SetModalRunner([this](QDialog& d) {
            ++dialogsShown_;
            if (dialogs_.empty()) return int(QDialog::Accepted);
            auto f = dialogs_.front();
            dialogs_.erase(dialogs_.begin());
            return f(d);
        });
    }
    void cleanup() { SetModalRunner({}); }

    void everyKindOpensFromTheMenu() {
        DriversDesign t(2);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        QMenu addGraph;
        gw.FillAddGraphMenu(&addGraph);
        QCOMPARE(Captions(&addGraph), QStringList({"SPL response (dBSPL)", "Impedance (Ohms)", "   more"}));
        QMenu* more = FindItem(&addGraph, "   more")->menu();
        QCOMPARE(Captions(more),
                 QStringList({"filter response (dB)", "Group Delay (usec)", "Component Power dissipation (W)",
                              "Component Voltage (V)", "Component Current (A)", "Impulse response", "Step response",
                              "Square Wave Response", "Spinorama (CTA-2034)", "Sound power and DI",
                              "Off-axis responses", "Polar map"}));

        struct Expect {
            QString Item;
            QString Title;
            bool Log;
            double LeftMin, LeftMax;
            bool System;
        } expects[] = {
            {"SPL response (dBSPL)", "Frequency Response (#1)", true, 60, 120, true},
            {"Impedance (Ohms)", "Impedance (#1)", true, 0, 24, true},
            {"filter response (dB)", "Electrical Response (#1)", true, -30, 30, false},
            {"Group Delay (usec)", "Group Delay (#1)", true, -400, 1600, true},
            {"Component Power dissipation (W)", "Watts Dissipated (#1)", true, 0, 24, false},
            {"Component Voltage (V)", "Peak Voltage (#1)", true, 0, 120, false},
            {"Component Current (A)", "Current, RMS (#1)", true, 0, 24, false},
            {"Impulse response", "Impulse Response (#1)", false, -30, 30, true},
            {"Step response", "Step Respose (#1)", false, -30, 30, true},
            {"Square Wave Response", "Square Wave Response at 1kHz (#1)", false, -100, 100, true},
        };
        for (const Expect& e : expects) {
            QAction* item = FindItem(&addGraph, e.Item);
            if (!item) item = FindItem(more, e.Item);
            QVERIFY2(item, qPrintable(e.Item));
            item->trigger();
            TPlotForm* w = gw.Windows().back();
            QCOMPARE(w->ChartTitle(), e.Title);
            QCOMPARE(w->TitleElement()->text(), e.Title);
            QCOMPARE(w->Graph()->xAxis->scaleType() == QCPAxis::stLogarithmic, e.Log);
            QCOMPARE(w->Graph()->yAxis->range().lower, e.LeftMin);
            QCOMPARE(w->Graph()->yAxis->range().upper, e.LeftMax);
            QCOMPARE(w->Record().Curves.size(), e.System ? std::size_t(1) : std::size_t(0));
            QCOMPARE(w->windowTitle(), QString("Pelmo"));
        }
        // The SPL window got its blue System curve with phase and points at once.
        TPlotForm* spl = gw.Windows()[0];
        QCOMPARE(PenColour(spl->MagGraph(0)), QColor(0, 0, 255));
        QCOMPARE(spl->MagGraph(0)->name(), QString("Sys"));
        QCOMPARE(spl->PhaseGraph(0)->name(), QString::fromUtf8("Sys\xC2\xB0"));
        QVERIFY(spl->PhaseGraph(0)->visible());
        QCOMPARE(spl->MagGraph(0)->data()->size(), 500);
        QCOMPARE(spl->PhaseGraph(0)->data()->size(), 500);
        QCOMPARE(spl->Record().ColourCounter, 4);
        QCOMPARE(gw.Windows()[1]->MagGraph(0)->data()->size(), 500);  // impedance
        QCOMPARE(gw.Windows()[3]->MagGraph(0)->data()->size(), 500);  // group delay
        QVERIFY(spl->Overlays().HoldButton()->isVisibleTo(spl));
        QVERIFY(!gw.Windows()[2]->Overlays().HoldButton()->isVisibleTo(gw.Windows()[2]));
        // Windows open where they fit on the screen, never on top of the one
        // before.
        for (TPlotForm* w : gw.Windows())
            QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(w->frameGeometry()));
        QVERIFY(gw.Windows()[1]->pos() != gw.Windows()[0]->pos());

        // Scale menus by kind.
        QVERIFY(FindItem(spl->Scales().Menu(), "vertical center"));
        QVERIFY(!FindItem(spl->Scales().Menu(), "Test Frequency"));
        QVERIFY(FindItem(gw.Windows()[9]->Scales().Menu(), "Test Frequency"));
        QVERIFY(!FindItem(gw.Windows()[9]->Scales().Menu(), "Min Frequency"));
        QVERIFY(FindItem(gw.Windows()[1]->CurvesMenu(), "Get File"));
        QVERIFY(!FindItem(gw.Windows()[5]->CurvesMenu(), "Get File"));
        QVERIFY(!gw.Windows()[9]->PointerReadout().DeltaMenu());
        // The filter window exports its drivers; voltage lists parts after a separator.
        QCOMPARE(Captions(gw.Windows()[2]->ExportFrdMenu()), QStringList({"S1", "S2"}));
        QCOMPARE(Captions(gw.Windows()[5]->CurvesMenu()), QStringList({"S1", "S2", "-", "R1", "R2"}));
    }

    // A window the user closes goes at the next turn of the event loop; when
    // the windows' owner goes first (the program ends), it takes the window
    // along, which then does not report to an owner that is gone.
    void aWindowClosedJustBeforeItsOwnerGoesGoesWithIt() {
        DriversDesign t(1);
        RecordingSink sink;
        QPointer<TPlotForm> closed;
        QPointer<TPlotForm> open;
        {
            TGraphWindows gw(t.d, sink);
            QMenu addGraph;
            gw.FillAddGraphMenu(&addGraph);
            FindItem(&addGraph, "SPL response (dBSPL)")->trigger();
            FindItem(&addGraph, "Impedance (Ohms)")->trigger();
            closed = gw.Windows().front();
            open = gw.Windows().back();
            QVERIFY(closed->close());
            QCOMPARE(gw.Windows().size(), std::size_t(1));
            QVERIFY(closed);
        }
        QVERIFY(!closed);
        QVERIFY(!open);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void newCurvesTakeThePaletteInOrderAndReuseARemovedColour() {
        DriversDesign t(4);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        const QStringList names{"S1", "S2", "S3", "S4", "S1 (driver only)", "S2 (driver only)", "S3 (driver only)"};
        for (int i = 0; i < names.size(); ++i) dialogs_.push_back(Ok());
        for (const QString& n : names) FindItem(spl->CurvesMenu(), n)->trigger();
        QCOMPARE(dialogsShown_, 7);  // a user's new curve opens the settings dialog
        const QList<QColor> expected{QColor(0, 0, 255),    QColor(250, 3, 3), QColor(252, 170, 1), QColor(0, 0, 0),
                                     QColor(168, 107, 81), QColor(0, 128, 0), QColor(234, 0, 234), QColor(0, 0, 255)};
        for (int i = 0; i < expected.size(); ++i) QCOMPARE(PenColour(spl->MagGraph(i)), expected[i]);
        QVERIFY(FindItem(spl->CurvesMenu(), "S2")->isChecked());
        QVERIFY(!FindItem(spl->CurvesMenu(), "S4 (driver only)")->isChecked());
        // A user's curve starts without phase; a driver-only curve too.
        QVERIFY(!spl->PhaseGraph(1)->visible());
        QVERIFY(spl->Record().Curves[5].DriverOnly());

        // Choosing the orange S2 again and removing it: the next curve is black.
        dialogs_.push_back([](QDialog&) { return TSeriesEditForm::ResultRemove; });
        FindItem(spl->CurvesMenu(), "S2")->trigger();
        QCOMPARE(spl->Record().Curves.size(), std::size_t(7));
        QVERIFY(!FindItem(spl->CurvesMenu(), "S2")->isChecked());
        dialogs_.push_back(Ok());
        FindItem(spl->CurvesMenu(), "S4 (driver only)")->trigger();
        QCOMPARE(spl->Record().Curves.back().ColourIndex, 0);
        QCOMPARE(PenColour(spl->MagGraph(7)), QColor(0, 0, 0));
        QCOMPARE(spl->Graph()->graphCount(), 4 + 2 * 8);  // hold and file curves, two per curve
    }

    void aCurveChosenFromTheMenuIsSolvedOnceOrAroundItsDialog() {
        struct Case {
            TGraphKind kind;
            const char* item;
            int dialogs, solves;
        };
        const Case cases[] = {
            {TGraphKind::Impulse, "S1", 0, 1},  // a new quiet curve: no dialog, one solve
            {TGraphKind::Power, "S2", 0, 1},
            {TGraphKind::SPL, "S1", 1, 2},          // shown while its dialog is open, then solved with its settings
            {TGraphKind::Impulse, "System", 1, 1},  // an existing curve: its dialog, then one solve
        };
        for (const Case& c : cases) {
            DriversDesign t(2);
            RecordingSink sink;
            TGraphWindows gw(t.d, sink);
            int solves = 0;
            gw.SolveHook = [&] {
                ++solves;
                gw.SolveNow();
            };
            TPlotForm* w = gw.OpenGraph(c.kind);
            solves = 0;
            dialogsShown_ = 0;
            FindItem(w->CurvesMenu(), c.item)->trigger();
            QCOMPARE(dialogsShown_, c.dialogs);
            QCOMPARE(solves, c.solves);
        }
    }

    void theValueDialogKeepsItsArrangement() {
        // One row, the field then "ok", 300 x 41 at the desktop font.
        TValueDialog d;
        d.show();
        QCOMPARE(d.size(), QSize(300, 41));
        QCOMPARE(d.Field()->geometry(), QRect(8, 10, 230, 22));
        QCOMPARE(d.OkButton()->geometry(), QRect(246, 9, 46, 24));
    }

    void aValueDialogSolvesOncePerNewValue() {
        // A new value typed and then "ok" (which raises the value once more):
        // one solve, not one for the value, one for "ok" and one after closing.
        struct Case {
            TGraphKind kind;
            double value;
        };
        const Case cases[] = {
            {TGraphKind::Impulse, 5000}, {TGraphKind::GroupDelay, 50}, {TGraphKind::SquareWave, 2000}};
        for (const Case& c : cases) {
            DriversDesign t(1);
            RecordingSink sink;
            TGraphWindows gw(t.d, sink);
            int solves = 0;
            gw.SolveHook = [&] {
                ++solves;
                gw.SolveNow();
            };
            TPlotForm* w = gw.OpenGraph(c.kind);
            solves = 0;
            dialogs_.push_back([&](QDialog& d) {
                auto& f = static_cast<TValueDialog&>(d);
                f.Field()->SetRealValue(c.value);
                f.Field()->DoValChange();
                f.OkClick();
                return f.result();
            });
            QAction* open = nullptr;
            const QString item = c.kind == TGraphKind::SquareWave ? "Test Frequency" : "vertical scale";
            for (QAction* a : w->Scales().Menu()->actions())
                if (a->text() == item && a->isVisible()) open = a;
            if (c.kind == TGraphKind::Impulse)
                for (QAction* a : w->menuBar()->actions())
                    if (a->text() == "Scale") open = a;
            QVERIFY(open);
            open->trigger();
            QCOMPARE(solves, 1);
        }
    }

    void windowNumbersCountPerKindAndRestartAfterAnOpen() {
        DriversDesign t(1);
        RecordingSink sink;
        QWidget main;
        main.setGeometry(100, 80, 600, 400);
        TGraphWindows gw(t.d, sink, &main);
        gw.OpenGraph(TGraphKind::Impedance);
        TPlotForm* second = gw.OpenGraph(TGraphKind::Impedance);
        QCOMPARE(second->ChartTitle(), QString("Impedance (#2)"));
        QCOMPARE(gw.OpenGraph(TGraphKind::SPL)->ChartTitle(), QString("Frequency Response (#1)"));
        QMenu toFront;
        gw.SetGraphToFrontMenu(&toFront);
        QCOMPARE(Captions(&toFront), QStringList({"Impedance (#1)", "Impedance (#2)", "Frequency Response (#1)"}));
        gw.SetCaption("Pelmo -- TwoWay.bkt");

        gw.OpenDefaultGraphs();
        QCOMPARE(gw.Windows().size(), std::size_t(2));
        QCOMPARE(gw.Windows()[0]->ChartTitle(), QString("Frequency Response (#1)"));
        QCOMPARE(gw.Windows()[1]->ChartTitle(), QString("Impedance (#1)"));
        QCOMPARE(gw.OpenGraph(TGraphKind::Impedance)->ChartTitle(), QString("Impedance (#2)"));
        QCOMPARE(Captions(&toFront), QStringList({"Frequency Response (#1)", "Impedance (#1)", "Impedance (#2)"}));
        for (TPlotForm* w : gw.Windows()) QCOMPARE(w->windowTitle(), QString("Pelmo -- TwoWay.bkt"));
        // The default windows: System with phase, beside the main window, half its height.
        for (int i = 0; i < 2; ++i) {
            TPlotForm* w = gw.Windows()[std::size_t(i)];
            QCOMPARE(w->Record().Curves.size(), std::size_t(1));
            QVERIFY(w->Record().Curves[0].ShowPhase);
            QCOMPARE(w->Record().Curves[0].ColourIndex, 4);
            QCOMPARE(w->Record().ColourCounter, 4);
            QCOMPARE(w->frameGeometry().left(), main.frameGeometry().right() + 1);
            QCOMPARE(w->frameGeometry().width(), main.frameGeometry().width());
        }
        QCOMPARE(gw.Windows()[0]->frameGeometry().top(), main.frameGeometry().top());
        QCOMPARE(gw.Windows()[1]->frameGeometry().top(),
                 main.frameGeometry().top() + main.frameGeometry().height() / 2);

        // Closing a window takes it off the lists.
        gw.Windows()[2]->close();
        QCOMPARE(gw.Windows().size(), std::size_t(2));
        QCOMPARE(gw.List().Windows.size(), std::size_t(2));
        QCOMPARE(toFront.actions().size(), 2);
    }

    void deletingADriverRemovesItsCurvesFromEveryWindow() {
        DriversDesign t(2);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        TPlotForm* z = gw.OpenGraph(TGraphKind::Impedance);
        TPlotForm* v = gw.OpenGraph(TGraphKind::Voltage);
        for (int i = 0; i < 6; ++i) dialogs_.push_back(Ok());
        for (const char* n : {"S1", "S1 (driver only)", "S2"}) FindItem(spl->CurvesMenu(), n)->trigger();
        for (const char* n : {"S1 (lookback)", "S1 (driver only)"}) FindItem(z->CurvesMenu(), n)->trigger();
        FindItem(v->CurvesMenu(), "S1")->trigger();
        QCOMPARE(z->MagGraph(1)->data()->size(), 500);  // lookback points

        gw.RemoveCurvesOf(DriverDesignator(*t.d.Drivers[0]), true);
        auto names = [](TPlotForm* w) {
            QStringList out;
            for (const TSeriesDef& c : w->Record().Curves) out << QString::fromStdString(c.Name);
            return out;
        };
        QCOMPARE(names(spl), QStringList({"System", "S2"}));
        QCOMPARE(names(z), QStringList({"System"}));
        QCOMPARE(names(v), QStringList());
        QCOMPARE(spl->Graph()->graphCount(), 4 + 4);
        QCOMPARE(PenColour(spl->MagGraph(1)), QColor(0, 0, 0));  // S2 kept its colour
        QVERIFY(!FindItem(spl->CurvesMenu(), "S1")->isChecked());

        // The driver itself goes; the next solve and the menus go on without it.
        t.d.Drivers.erase(t.d.Drivers.begin());
        gw.SolveNow();
        QVERIFY(!FindItem(spl->CurvesMenu(), "S1"));
        QCOMPARE(spl->MagGraph(1)->data()->size(), 500);

        // Elements destroyed without notice (a new design): their curves are
        // dropped at the next solve instead of being followed.
        ClearElements(t.d);
        gw.SolveNow();
        QCOMPARE(names(spl), QStringList({"System"}));
    }

    void removedSystemCurveIsNotAddedAgainAndHoldHides() {
        DriversDesign t(1);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        QVERIFY(spl->Overlays().HoldButton()->isVisibleTo(spl));

        // Hold keeps the old curve while a part value changes; Clear drops it.
        spl->Overlays().HoldClick();
        QVERIFY(spl->Overlays().HoldMag()->visible());
        QVERIFY(spl->Overlays().HoldPhase()->visible());
        QVERIFY(spl->Overlays().ClearButton()->isVisibleTo(spl));
        QCOMPARE(spl->Overlays().HoldMag()->data()->size(), 500);
        const double held = spl->Overlays().HoldMag()->data()->at(250)->value;
        t.d.Parts[0]->Value = 20;
        gw.SolveNow();
        QCOMPARE(spl->Overlays().HoldMag()->data()->at(250)->value, held);
        QVERIFY(spl->MagGraph(0)->data()->at(250)->value < held - 3);
        QCOMPARE(spl->Overlays().HoldMag()->layer()->name(), QString("hold"));
        spl->Overlays().ClearClick();
        QVERIFY(!spl->Overlays().HoldMag()->visible());
        QCOMPARE(spl->Overlays().HoldMag()->data()->size(), 0);
        QVERIFY(!spl->Overlays().ClearButton()->isVisibleTo(spl));

        dialogs_.push_back([](QDialog&) { return TSeriesEditForm::ResultRemove; });
        FindItem(spl->CurvesMenu(), "System")->trigger();
        QVERIFY(spl->Record().Curves.empty());
        QVERIFY(!spl->Overlays().HoldButton()->isVisibleTo(spl));
        // Nothing listed: no empty legend frame.
        QVERIFY(!spl->Graph()->legend->visible());
        gw.SolveNow();
        gw.SolveNow();
        QVERIFY(spl->Record().Curves.empty());
        QVERIFY(!FindItem(spl->CurvesMenu(), "System")->isChecked());

        // Export without the System curve says so and writes nothing.
        spl->ExportSystemClick(false);
        QCOMPARE(sink.Messages, std::vector<std::string>{"cannot export unless System curve is displayed"});
    }

    void curveSettingsDialog() {
        DriversDesign t(1);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        TPlotForm* z = gw.OpenGraph(TGraphKind::Impedance);
        TSeriesEditForm& dialog = gw.SeriesEdit();

        struct Seen {
            QString Text, Label, Caption;
            int Height = 0;
            bool SmoothingShown = false;
            int PhaseViewRow = 0;  // the height the phase view row adds; 0 when hidden
            QStringList PhaseViews;
        };
        Seen seen;
        auto look = [&](QDialog& d) {
            auto& f = static_cast<TSeriesEditForm&>(d);
            QStringList views;
            for (int i = 0; i < f.PhaseViewList()->count(); ++i) views << f.PhaseViewList()->itemText(i);
            seen = {f.SmoothingList()->currentText(),
                    f.Label()->text(),
                    f.windowTitle(),
                    f.height(),
                    f.SmoothingList()->isVisibleTo(&f),
                    f.PhaseViewList()->isVisibleTo(&f) ? f.PhaseViewList()->sizeHint().height() + 6 : 0,
                    views};
            return TSeriesEditForm::ResultOk;
        };
        spl->Record().Curves[0].Smoothing = 0.05;
        dialogs_.push_back(look);
        FindItem(spl->CurvesMenu(), "System")->trigger();
        QCOMPARE(seen.Text, QString("1/12 octave"));
        // The specified 158 pixels and the row that chooses how the phase is drawn.
        QVERIFY(seen.PhaseViewRow > 0);
        QCOMPARE(seen.Height, 158 + seen.PhaseViewRow);
        QCOMPARE(seen.PhaseViews, QStringList({"wrapped", "unwrapped", "excess phase"}));
        QVERIFY(seen.SmoothingShown);
        QCOMPARE(seen.Label, QString("select curve color for \"System\""));
        QCOMPARE(seen.Caption, QString("System"));
        spl->Record().Curves[0].Smoothing = 1000;
        dialogs_.push_back(look);
        FindItem(spl->CurvesMenu(), "System")->trigger();
        QCOMPARE(seen.Text, QString("auditory ERB "));
        dialogs_.push_back(look);
        FindItem(z->CurvesMenu(), "System")->trigger();
        QCOMPARE(seen.Height, 129);
        QVERIFY(!seen.SmoothingShown);
        QCOMPARE(seen.PhaseViewRow, 0);

        // Changes apply live: a swatch recolours before "Ok", the phase box
        // hides the phase, the smoothing list smooths; "Ok" keeps them and
        // makes the smoothing the window's default.
        QColor during;
        int phasePointsDuring = -1;
        dialogs_.push_back([&](QDialog& d) {
            auto& f = static_cast<TSeriesEditForm&>(d);
            QTest::mouseClick(f.Swatch(6), Qt::LeftButton);
            during = PenColour(spl->MagGraph(0));
            f.PhaseBox()->click();
            f.SmoothingList()->setCurrentIndex(4);
            emit f.SmoothingList()->activated(4);
            f.PhaseViewList()->setCurrentIndex(2);
            emit f.PhaseViewList()->activated(2);
            phasePointsDuring = spl->PhaseGraph(0)->data()->size();
            return TSeriesEditForm::ResultOk;
        });
        FindItem(spl->CurvesMenu(), "System")->trigger();
        QCOMPARE(during, QColor(252, 170, 1));
        QCOMPARE(phasePointsDuring, 0);  // solved at once, without phase points
        QCOMPARE(spl->Record().Curves[0].ColourIndex, 6);
        QVERIFY(!spl->Record().Curves[0].ShowPhase);
        QVERIFY(!spl->PhaseGraph(0)->visible());
        QCOMPARE(spl->Record().Curves[0].Smoothing, 1.0 / 3);
        QCOMPARE(spl->Record().Curves[0].PhaseView, TPhaseView::Excess);
        QCOMPARE(spl->Record().DefaultSmoothing, 1.0 / 3);
        QCOMPARE(&dialog, &gw.SeriesEdit());

        // "Remove this Curve" removes it although it was recoloured live.
        dialogs_.push_back([&](QDialog& d) {
            auto& f = static_cast<TSeriesEditForm&>(d);
            QTest::mouseClick(f.Swatch(2), Qt::LeftButton);
            f.RemoveButton()->click();
            return f.result();
        });
        FindItem(z->CurvesMenu(), "System")->trigger();
        QVERIFY(z->Record().Curves.empty());
        QCOMPARE(z->Graph()->graphCount(), 4);
    }

    void exportOfTheSplSystemCurveWithoutPhase() {
        DriversDesign t(1);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        spl->Record().Curves[0].ShowPhase = false;
        gw.SolveNow();
        QTemporaryDir dir;
        const QString path = dir.filePath("system.frd");
        QString title, filter, suffix;
        gw.ChooseSaveFile = [&](QWidget*, const QString& t, const QString& f, const QString& s) {
            title = t;
            filter = f;
            suffix = s;
            return path;
        };
        QVERIFY(FindItem(spl->FileMenu(), "Export system FRD file"));
        QVERIFY(!FindItem(spl->FileMenu(), "Export system ZMA file"));
        FindItem(spl->FileMenu(), "Export system FRD file")->trigger();
        QCOMPARE(title, QString("save data to FRD impedance file"));
        QCOMPARE(suffix, QString("frd"));
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        QCOMPARE(lines.size(), std::size_t(505));
        QCOMPARE(lines[3], std::string("\" FREQ [Hz], MAG [dB]\r"));
        for (std::size_t i = 5; i < lines.size(); ++i)
            QVERIFY(lines[i].size() > 2 && lines[i].substr(lines[i].size() - 2) == "\t\r");
        DataArray f, m, p;
        QVERIFY(ReadMeasurementFile(path.toStdString(), f, m, p, sink));
        QCOMPARE(f.size(), std::size_t(500));
        QVERIFY(std::abs(m[250] - spl->MagGraph(0)->data()->at(250)->value) < 0.001);

        // A filter window exports a driver's curve only when it shows it.
        TPlotForm* filter1 = gw.OpenGraph(TGraphKind::Filter);
        FindItem(filter1->ExportFrdMenu(), "S1")->trigger();
        QCOMPARE(sink.Messages.back(), std::string("cannot export unless selected curve is displayed"));
    }

    void redrawAfterASolvePaintsWhatAFullRedrawPaints() {
        DriversDesign t(2);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        dialogs_.push_back(Ok());
        FindItem(spl->CurvesMenu(), "S2")->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(spl));
        gw.SolveNow(true);
        spl->Overlays().HoldClick();
        spl->Replot(true);
        t.d.Parts[1]->Value = 30;
        gw.SolveNow(true);  // only the curves' layer is drawn again
        const QImage afterSolve = spl->Graph()->grab().toImage();
        spl->Replot(true);
        const QImage full = spl->Graph()->grab().toImage();
        QCOMPARE(afterSolve, full);
    }

    // Several windows draw their curves side by side on the worker pool:
    // every window must show what a full redraw of it shows, and Qt must
    // not object to the painting off the GUI thread.
    void curvesDrawnOnSeveralThreadsPaintWhatAFullRedrawPaints() {
        DriversDesign t(2);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        std::vector<TPlotForm*> windows;
        for (TGraphKind kind :
             {TGraphKind::SPL, TGraphKind::Impedance, TGraphKind::GroupDelay, TGraphKind::Impulse, TGraphKind::SPL})
            windows.push_back(gw.OpenGraph(kind));
        dialogs_.push_back(Ok());
        FindItem(windows[0]->CurvesMenu(), "S2")->trigger();
        for (TPlotForm* w : windows) QVERIFY(QTest::qWaitForWindowExposed(w));
        gw.SolveNow(true);
        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
                if (type != QtDebugMsg && type != QtInfoMsg) warnings << m;
            });
        for (double value : {30.0, 12.0, 55.0}) {
            t.d.Parts[1]->Value = value;
            gw.SolveNow(true);  // only the curves' layers are drawn again
            for (TPlotForm* w : windows) {
                const QImage afterSolve = w->Graph()->grab().toImage();
                w->Replot(true);
                QCOMPARE(afterSolve, w->Graph()->grab().toImage());
            }
        }
        qInstallMessageHandler(previous);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    }

    void readoutAndDeltaMode() {
        DriversDesign t(1);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        spl->resize(800, 500);
        QVERIFY(QTest::qWaitForWindowExposed(spl));
        spl->Graph()->replot();
        spl->PointerReadout().MouseMove(PixelAt(spl, 1000, 90));
        QVERIFY(spl->PointerReadout().Label()->isVisibleTo(spl));
        QVERIFY(spl->PointerReadout().Label()->text().contains("Hz, "));
        QVERIFY(spl->PointerReadout().Label()->text().contains(" dBSPL or "));  // the System curve shows phase
        QVERIFY(!spl->PointerReadout().Label()->text().contains("d=["));
        spl->PointerReadout().SetDeltaReferenceClick();
        QVERIFY(spl->PointerReadout().DeltaMode());
        QVERIFY(FindItem(spl->PointerReadout().DeltaMenu(), "delta mode Off"));
        spl->PointerReadout().MouseMove(PixelAt(spl, 3000, 95));
        const QString text = spl->PointerReadout().Label()->text();
        QVERIFY2(text.contains("\nd=[") && text.endsWith("]"), qPrintable(text));
        QVERIFY(spl->PointerReadout().PopupEnabled());
        // Outside the plotting area: no readout, no pop-up menu.
        spl->PointerReadout().MouseMove(QPoint(2, 2));
        QVERIFY(!spl->PointerReadout().Label()->isVisibleTo(spl));
        QVERIFY(!spl->PointerReadout().PopupEnabled());
        spl->PointerReadout().DeltaModeOffClick();
        QVERIFY(!spl->PointerReadout().DeltaMode());
        QVERIFY(!FindItem(spl->PointerReadout().DeltaMenu(), "delta mode Off"));
    }

    // The readout is as wide as its longest line up to 250 pixels, so a
    // line breaks only where it would pass that: the position, the delta
    // and a group delay each stay on one line.
    void readoutBreaksOnlyAtItsWidest_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("delta");
        QTest::addColumn<int>("fontPixels");  // 0: as the window has it
        QTest::addColumn<int>("lines");
        QTest::newRow("SPL with phase") << int(TGraphKind::SPL) << false << 0 << 1;
        QTest::newRow("SPL in delta mode") << int(TGraphKind::SPL) << true << 0 << 2;
        QTest::newRow("impedance in delta mode") << int(TGraphKind::Impedance) << true << 0 << 2;
        QTest::newRow("group delay") << int(TGraphKind::GroupDelay) << false << 0 << 1;
        QTest::newRow("a font too large for one line") << int(TGraphKind::SPL) << false << 30 << 1;
    }
    void readoutBreaksOnlyAtItsWidest() {
        QFETCH(int, kind);
        QFETCH(bool, delta);
        QFETCH(int, fontPixels);
        QFETCH(int, lines);
        DriversDesign t(1);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* w = gw.OpenGraph(TGraphKind(kind));
        w->resize(800, 500);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->Graph()->replot();
        QLabel* readout = w->PointerReadout().Label();
        if (fontPixels) {
            QFont f = readout->font();
            f.setPixelSize(fontPixels);
            readout->setFont(f);
        }
        const QCPRange x = w->Graph()->xAxis->range(), y = w->Graph()->yAxis->range();
        const double fx = std::sqrt(x.lower * x.upper), fy = y.lower + 0.6 * y.size();
        w->PointerReadout().MouseMove(PixelAt(w, fx, fy));
        if (delta) {
            w->PointerReadout().SetDeltaReferenceClick();
            w->PointerReadout().MouseMove(PixelAt(w, fx * 1.7, y.lower + 0.3 * y.size()));
        }
        QVERIFY(readout->isVisibleTo(w));
        const QString text = readout->text();
        QCOMPARE(text.count('\n') + 1, lines);
        // The same text in a label that never breaks a line.
        QLabel whole(text);
        whole.setFont(readout->font());
        whole.setFrameStyle(readout->frameStyle());
        whole.setMargin(readout->margin());
        const QSize unbroken = whole.sizeHint();
        const QString what = QString("\"%1\" is %2x%3, unbroken %4x%5")
                                 .arg(text)
                                 .arg(readout->width())
                                 .arg(readout->height())
                                 .arg(unbroken.width())
                                 .arg(unbroken.height());
        if (unbroken.width() <= TPlotReadout::MaxWidth) {
            QVERIFY2(readout->size() == unbroken, qPrintable(what));
        } else {
            // Wrapped at the widest, and tall enough for every line it makes.
            QVERIFY2(readout->width() == TPlotReadout::MaxWidth, qPrintable(what));
            QVERIFY2(readout->height() > unbroken.height(), qPrintable(what));
            QCOMPARE(readout->height(), readout->heightForWidth(readout->width()));
        }
        // Its top-right corner 5 pixels left of the chart's right edge.
        QCOMPARE(readout->geometry().right() + 1, w->Graph()->width() - 5);
    }

    void getFileOverlaysAMeasurementFile() {
        DriversDesign t(1);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        const QString file = QString(PELMO_TEST_DATA_DIR) + "/real/dpohanlon_crossover/AN25F-4@0.frd";
        QString filter;
        gw.ChooseOpenFile = [&](QWidget*, const QString&, const QString& f, const QString&) {
            filter = f;
            return file;
        };
        dialogs_.push_back([](QDialog& d) {
            auto& f = static_cast<TSeriesEditForm&>(d);
            if (f.windowTitle() != "From File") return -1;
            QTest::mouseClick(f.Swatch(3), Qt::LeftButton);
            f.PhaseBox()->setChecked(true);
            return TSeriesEditForm::ResultOk;
        });
        spl->GetFileAction()->trigger();
        QVERIFY(filter.startsWith("FRD response files"));
        DataArray fr, m, p;
        QVERIFY(ReadMeasurementFile(file.toStdString(), fr, m, p, sink));
        QCOMPARE(spl->Overlays().FileMag()->data()->size(), int(fr.size()));
        QVERIFY(spl->Overlays().FileMag()->visible());
        QVERIFY(spl->Overlays().FilePhase()->visible());
        QCOMPARE(PenColour(spl->Overlays().FileMag()), QColor(234, 0, 234));
        QCOMPARE(spl->Overlays().FileColour(), 3);
        QCOMPARE(spl->GetFileAction()->text(), QString("From File: AN25F-4@0.frd"));
        QVERIFY(spl->GetFileAction()->isChecked());
        QCOMPARE(spl->Record().Curves[0].FileName, file.toStdString());

        // "Remove this Curve" in file mode drops the overlay.
        dialogs_.push_back([](QDialog&) { return TSeriesEditForm::ResultRemove; });
        spl->GetFileAction()->trigger();
        QVERIFY(!spl->Overlays().FileMag()->visible());
        QCOMPARE(spl->Overlays().FileMag()->data()->size(), 0);
        QCOMPARE(spl->GetFileAction()->text(), QString("Get File"));
        QVERIFY(!spl->GetFileAction()->isChecked());

        // A file that cannot be read leaves no overlay.
        gw.ChooseOpenFile = [](QWidget*, const QString&, const QString&, const QString&) {
            return QString("/nonexistent/x.frd");
        };
        dialogs_.push_back(Ok());
        spl->GetFileAction()->trigger();
        QVERIFY(!spl->Overlays().FileMag()->visible());
        QVERIFY(!sink.Messages.empty());
    }

    void scaleMenusApplyLive() {
        DriversDesign t(1);
        RecordingSink sink;
        TGraphWindows gw(t.d, sink);
        TPlotForm* z = gw.OpenGraph(TGraphKind::Impedance);
        QMenu* ohms = nullptr;
        for (QAction* a : z->Scales().Menu()->actions())
            if (a->text() == "vertical scale" && a->isVisible() && a->menu()) ohms = a->menu();
        QVERIFY(ohms);
        QVERIFY(FindItem(ohms, "2 ohm")->isChecked());
        FindItem(ohms, "5 ohm")->trigger();
        QVERIFY(FindItem(ohms, "5 ohm")->isChecked());
        QVERIFY(!FindItem(ohms, "2 ohm")->isChecked());
        QCOMPARE(z->Graph()->yAxis->range().upper, 60.0);

        // Min Frequency: limits from the axis, every value applied at once.
        double lo = 0, hi = 0;
        dialogs_.push_back([&](QDialog& d) {
            auto& f = static_cast<TValueDialog&>(d);
            lo = f.Field()->MinValue();
            hi = f.Field()->MaxValue();
            f.Field()->Step(true);  // 10 -> 20 in the digit pattern
            return int(QDialog::Accepted);
        });
        FindItem(z->Scales().Menu(), "Min Frequency")->trigger();
        QCOMPARE(lo, 10.0);
        QCOMPARE(hi, 10000.0);
        QCOMPARE(z->Graph()->xAxis->range().lower, 20.0);

        TPlotForm* sq = gw.OpenGraph(TGraphKind::SquareWave);
        QString caption;
        QString titleDuring;
        dialogs_.push_back([&](QDialog& d) {
            auto& f = static_cast<TValueDialog&>(d);
            caption = f.windowTitle();
            f.Field()->SetRealValue(2000);
            f.Field()->DoValChange();
            titleDuring = sq->ChartTitle();
            return int(QDialog::Accepted);
        });
        FindItem(sq->Scales().Menu(), "Test Frequency")->trigger();
        QCOMPARE(caption, QString("Test Frequency"));
        QCOMPARE(titleDuring, QString("Square Wave Response at 2kHz (#1)"));
        QCOMPARE(sq->Record().TestFrequency, 2000.0);

        TPlotForm* gd = gw.OpenGraph(TGraphKind::GroupDelay);
        dialogs_.push_back([&](QDialog& d) {
            auto& f = static_cast<TValueDialog&>(d);
            f.Field()->SetRealValue(50);
            f.Field()->DoValChange();
            return int(QDialog::Accepted);
        });
        for (QAction* a : gd->Scales().Menu()->actions())
            if (a->text() == "vertical scale" && a->isVisible()) a->trigger();
        QCOMPARE(gd->Record().UsecPerDiv, 50.0);
        QCOMPARE(gd->Graph()->yAxis->range().lower, -50.0);
        QCOMPARE(gd->Graph()->yAxis->range().upper, 450.0);

        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        dialogs_.push_back([&](QDialog& d) {
            auto& f = static_cast<TValueDialog&>(d);
            caption = f.windowTitle();
            f.Field()->Step(true);  // integer steps of the dB per division
            return int(QDialog::Accepted);
        });
        FindItem(spl->Scales().Menu(), "vertical center")->trigger();
        QCOMPARE(caption, QString("Vertical Center value"));
        QCOMPARE(spl->Record().VerticalCenter, 95.0);
        QCOMPARE(spl->Graph()->yAxis->range().upper, 125.0);
    }
};

QTEST_MAIN(TestGraphWindows)
#include "tst_graphwindows.moc"
