// Every dialog and window of the program shows the whole text of its
// labels, buttons, check boxes, radio buttons, group titles, fields and
// lists, at the desktop's font and at a font a fifth larger. CTest runs this
// program at QT_SCALE_FACTOR 1 and 2. With PELMO_SCREENSHOT_DIR set, it saves
// a picture of every window there.
#include <qcustomplot.h>
#include <sndfile.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>

#include "../GuiTestSupport.h"
#include "../TextFit.h"
#include "../catalogue/CatalogueGuiKit.h"
#include "audio/AudioFile.h"
#include "catalogue/CatalogueUpdate.h"
#include "gui/app/OptionsDialog.h"
#include "gui/blocks/BlockConfigurationForm.h"
#include "gui/blocks/BlockMenuCommands.h"
#include "gui/catalogue/DriverBrowser.h"
#include "gui/catalogue/PartBrowser.h"
#include "gui/catalogue/UpdateProgressDialog.h"
#include "gui/dialogs/BlockVariablesDialog.h"
#include "gui/dialogs/ComponentDialog.h"
#include "gui/dialogs/DriverDialog.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/dialogs/ListeningDialog.h"
#include "gui/dialogs/SourceDialog.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotOverlays.h"
#include "gui/graphs/PlotReadout.h"
#include "gui/graphs/PlotScales.h"
#include "gui/graphs/SeriesEdit.h"
#include "gui/tools/ListenWindow.h"
#include "gui/tools/ModelDriverWindow.h"
#include "gui/tools/OptimizeWindow.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/StepSizeDialog.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

// A second of a 16-bit stereo tone.
bool WriteRecording(const std::string& path) {
    constexpr int rate = 48000;
    std::vector<double> s(2 * rate);
    for (int i = 0; i < rate; ++i) s[2 * i] = s[2 * i + 1] = 0.3 * std::sin(2 * M_PI * 440.0 * i / rate);
    TAudioWriter w;
    std::string error;
    return w.Create(path, rate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, error) && w.Write(s.data(), rate, error) &&
           w.Close(error);
}

// The program with the three-way example open, at one font.
struct TProgram {
    QTemporaryDir dir;
    RecordingSink sink;
    std::unique_ptr<TMainWindow> w;
    QString recording;
    double fontScale = 0;

    bool Start(double scale) {
        fontScale = scale;
        // The browsers show the shipped catalogue's entries and details.
        if (!FillPartsLists()) return false;
        w = std::make_unique<TMainWindow>();
        w->SetMessageSink(&sink);
        const QString copy = dir.filePath("ThreeWay.bkt");
        QFile::remove(copy);
        if (!QFile::copy(QString(PELMO_SOURCE_DIR) + "/examples/ThreeWay.bkt", copy)) return false;
        w->SetStartupDesign(copy.toStdString());
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get())) return false;
        recording = dir.filePath("tone.wav");
        return WriteRecording(recording.toStdString()) && w->Session().Design().Drivers.size() == 3;
    }
    TDesign& D() { return w->Session().Design(); }
    int FirstPart(TPartType type) {
        for (std::size_t i = 0; i < D().Parts.size(); ++i)
            if (D().Parts[i]->PartType == type && D().Parts[i]->Subckt < 0) return static_cast<int>(i);
        return -1;
    }
};

void SaveShot(QWidget& window, const QString& name, double fontScale) {
    const QString dir = qEnvironmentVariable("PELMO_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QString file = name;
    file.replace(QRegularExpression("[^A-Za-z0-9]+"), "-");
    window.grab().save(
        QStringLiteral("%1/%2-font%3-x%4.png")
            .arg(dir, file, QString::number(qRound(fontScale * 100)), QString::number(window.devicePixelRatio())));
}

// Shows a window as the user sees it and lists its cut texts.
QStringList Inspect(QWidget& window, const QString& name, double fontScale) {
    if (!window.isVisible()) window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return {name + ": not shown"};
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    SaveShot(window, name, fontScale);
    return CutTexts(window, name);
}

// Runs a command that shows a modal dialog and inspects the dialog while it
// is up; the dialog is then cancelled.
QStringList InspectModal(const QString& name, double fontScale, const std::function<void()>& command) {
    QStringList faults{name + ": no dialog came up"};
    SetModalRunner([&](QDialog& d) {
        faults = Inspect(d, name, fontScale);
        d.hide();
        return int(QDialog::Rejected);
    });
    command();
    SetModalRunner({});
    return faults;
}

// A spin control's step menu: the item of `action`, whose dialog is inspected.
QStringList InspectStepDialog(const QString& name, double fontScale, TStepMenuAction action) {
    TEditRealSpin spin;
    spin.SetUnits("Hz");
    spin.SetRealValue(161.051);
    SetMenuRunner([action](QMenu& menu, QPoint) -> QAction* {
        for (QAction* a : menu.actions())
            if (!a->isSeparator() && a->data().toInt() == int(action)) return a;
        return nullptr;
    });
    QStringList faults = InspectModal(name, fontScale, [&] { spin.ShowStepMenu(); });
    SetMenuRunner({});
    return faults;
}

using TOpen = std::function<QStringList(TProgram&, const QString& name)>;

TPlotForm* Graph(TProgram& p, TGraphKind kind) {
    for (TPlotForm* f : p.w->GraphWindows().Windows())
        if (f->Kind() == kind) return f;
    return p.w->GraphWindows().OpenGraph(kind);
}

// An element dialog shown for an element of the example.
TOpen ElementDialog(TElementKind kind, std::function<int(TProgram&)> index, std::function<QDialog&(TProgram&)> dialog) {
    return [=](TProgram& p, const QString& name) {
        p.w->ElementDialogs().CloseAll();
        if (!p.w->ElementDialogs().ShowFor({kind, index(p)})) return QStringList{name + ": not shown"};
        QStringList faults = Inspect(dialog(p), name, p.fontScale);
        p.w->ElementDialogs().CloseAll();
        return faults;
    };
}

// A graph window with the pointer's readout in it.
TOpen GraphWindow(TGraphKind kind) {
    return [=](TProgram& p, const QString& name) {
        TPlotForm& form = *Graph(p, kind);
        form.show();
        form.PointerReadout().MouseMove(form.Graph()->axisRect()->rect().center());
        return Inspect(form, name, p.fontScale);
    };
}

TOpen ScaleDialog(TGraphKind kind, std::function<void(TPlotForm&)> click, std::function<void(TPlotForm&)> before = {}) {
    return [=](TProgram& p, const QString& name) {
        TPlotForm& form = *Graph(p, kind);
        if (before) before(form);
        return InspectModal(name, p.fontScale, [&] { click(form); });
    };
}

// Every window and dialog, in the states where its texts change.
const std::vector<std::pair<const char*, TOpen>>& Windows() {
    static const std::vector<std::pair<const char*, TOpen>> windows = {
        {"main window", [](TProgram& p, const QString& name) { return Inspect(*p.w, name, p.fontScale); }},
        {"options",
         [](TProgram& p, const QString& name) {
             p.w->Options().Load();
             QStringList faults = Inspect(p.w->Options(), name, p.fontScale);
             p.w->Options().hide();
             return faults;
         }},
        {"options after a check",
         [](TProgram& p, const QString& name) {
             TOptionsDialog& o = p.w->Options();
             o.Load();
             o.show();
             // A catalogue server that is not there: the result names it.
             o.ServerField()->setText(p.dir.filePath("no/such/catalogue/server/folder/for/this/check"));
             QTest::mouseClick(o.CheckProgramButton(), Qt::LeftButton);
             QStringList faults = Inspect(o, name, p.fontScale);
             if (o.CheckResult()->text().size() < 80)
                 faults << name + ": the result is short: " + o.CheckResult()->text();
             // The settings as they were.
             o.ServerField()->clear();
             o.done(QDialog::Accepted);
             return faults;
         }},
        {"listen",
         [](TProgram& p, const QString& name) {
             MenuAction(*p.w, "Tools", "Listen…")->trigger();
             return Inspect(*p.w->findChild<TListenWindow*>(), name, p.fontScale);
         }},
        {"listen with a recording",
         [](TProgram& p, const QString& name) {
             MenuAction(*p.w, "Tools", "Listen…")->trigger();
             auto& listen = *p.w->findChild<TListenWindow*>();
             QSignalSpy taken(&listen, &TListenWindow::FilterTaken);
             if (!listen.OpenAudioFile(p.recording)) return QStringList{name + ": " + listen.StatusText()};
             if (taken.isEmpty() && !taken.wait(20000)) return QStringList{name + ": no filter"};
             QStringList faults = Inspect(listen, name, p.fontScale);
             listen.close();
             return faults;
         }},
        {"optimize",
         [](TProgram& p, const QString& name) {
             MenuAction(*p.w, "Tools", "Optimize…")->trigger();
             auto& window = *p.w->findChild<TOptimizeWindow*>();
             QStringList faults = Inspect(window, name, p.fontScale);
             window.close();
             return faults;
         }},
        {"model a driver",
         [](TProgram& p, const QString& name) {
             MenuAction(*p.w, "Tools", "Model a Driver…")->trigger();
             auto& window = *p.w->findChild<TModelDriverWindow*>();
             // Every group's rows shown that a vented box on a baffle has.
             TModelSetup s;
             s.Box = EnclosureKind::Vented;
             s.Baffle = ModelBaffleKind::Rectangle;
             s.YMm = -60;
             window.SetSetup(s);
             QStringList faults = Inspect(window, name, p.fontScale);
             window.close();
             return faults;
         }},
        {"SPL graph with hold",
         [](TProgram& p, const QString& name) {
             TPlotForm& form = *Graph(p, TGraphKind::SPL);
             form.Overlays().HoldClick();
             form.PointerReadout().MouseMove(form.Graph()->axisRect()->rect().center());
             QStringList faults = Inspect(form, name, p.fontScale);
             form.Overlays().ClearClick();
             return faults;
         }},
        {"impedance graph", GraphWindow(TGraphKind::Impedance)},
        {"filter graph", GraphWindow(TGraphKind::Filter)},
        {"group delay graph", GraphWindow(TGraphKind::GroupDelay)},
        {"power graph", GraphWindow(TGraphKind::Power)},
        {"voltage graph", GraphWindow(TGraphKind::Voltage)},
        {"current graph", GraphWindow(TGraphKind::Current)},
        {"impulse graph", GraphWindow(TGraphKind::Impulse)},
        {"step graph", GraphWindow(TGraphKind::Step)},
        {"square wave graph", GraphWindow(TGraphKind::SquareWave)},
        {"spinorama graph", GraphWindow(TGraphKind::Spinorama)},
        {"power and DI graph", GraphWindow(TGraphKind::PowerAndDi)},
        {"off-axis graph", GraphWindow(TGraphKind::OffAxis)},
        {"polar map graph", GraphWindow(TGraphKind::PolarMap)},
        {"curve settings",
         [](TProgram& p, const QString& name) {
             TSeriesEditForm& series = p.w->GraphWindows().SeriesEdit();
             series.Window = Graph(p, TGraphKind::SPL);
             series.GraphKind = TGraphKind::SPL;
             series.CurveIndex = 0;
             series.CurveName = "System";
             series.FileMode = false;
             series.Prepare();
             QStringList faults = Inspect(series, name, p.fontScale);
             series.hide();
             return faults;
         }},
        {"min frequency", ScaleDialog(
                              TGraphKind::SPL, [](TPlotForm& f) { f.Scales().MinFrequencyClick(); },
                              [](TPlotForm& f) { f.Graph()->xAxis->setRangeLower(161.051); })},
        {"max frequency", ScaleDialog(TGraphKind::SPL, [](TPlotForm& f) { f.Scales().MaxFrequencyClick(); })},
        {"vertical center", ScaleDialog(TGraphKind::SPL, [](TPlotForm& f) { f.Scales().VerticalCenterClick(); })},
        {"usec per division",
         ScaleDialog(TGraphKind::GroupDelay, [](TPlotForm& f) { f.Scales().MicrosecondsClick(); })},
        {"response scale", ScaleDialog(TGraphKind::Impulse, [](TPlotForm& f) { f.Scales().ResponseScaleClick(); })},
        {"test frequency", ScaleDialog(TGraphKind::SquareWave, [](TPlotForm& f) { f.Scales().TestFrequencyClick(); })},
        {"step size, increment",
         [](TProgram& p, const QString& name) {
             return InspectStepDialog(name, p.fontScale, TStepMenuAction::FloatIncrement);
         }},
        {"step size, multiply",
         [](TProgram& p, const QString& name) {
             return InspectStepDialog(name, p.fontScale, TStepMenuAction::FloatMultiply);
         }},
        {"step size, whole numbers",
         [](TProgram& p, const QString& name) {
             return InspectStepDialog(name, p.fontScale, TStepMenuAction::IntegerRound);
         }},
        {"resistor", ElementDialog(
                         TElementKind::Resistor, [](TProgram& p) { return p.FirstPart(TPartType::Resistor); },
                         [](TProgram& p) -> QDialog& { return p.w->ElementDialogs().Component(); })},
        {"capacitor", ElementDialog(
                          TElementKind::Capacitor, [](TProgram& p) { return p.FirstPart(TPartType::Capacitor); },
                          [](TProgram& p) -> QDialog& { return p.w->ElementDialogs().Component(); })},
        {"inductor", ElementDialog(
                         TElementKind::Inductor, [](TProgram& p) { return p.FirstPart(TPartType::Inductor); },
                         [](TProgram& p) -> QDialog& { return p.w->ElementDialogs().Component(); })},
        {"driver", ElementDialog(
                       TElementKind::Driver, [](TProgram&) { return 0; },
                       [](TProgram& p) -> QDialog& { return p.w->ElementDialogs().Driver(); })},
        {"listening position",
         [](TProgram& p, const QString& name) {
             TListeningDialog dialog(p.w.get());
             dialog.SetSetup({2.5, -161.051, 12.5, true});
             dialog.show();
             return Inspect(dialog, name, p.fontScale);
         }},
        {"source", ElementDialog(
                       TElementKind::Source, [](TProgram&) { return 0; },
                       [](TProgram& p) -> QDialog& { return p.w->ElementDialogs().Source(); })},
        {"response tails",
         [](TProgram& p, const QString& name) {
             // Values with many digits.
             TResponseTails& tails = p.D().Drivers[0]->Acoustic.Tails;
             tails.LowFreq = 161.051;
             tails.HighFreq = 16105.1;
             tails.LowSlope = 37.5;
             tails.HighSlope = -118.5;
             tails.DelayInches = -12.345;
             p.w->ElementDialogs().ShowFor({TElementKind::Driver, 0});
             // "derived" off and on again, when it was on: the dialog comes up.
             auto click = [&] { QTest::mouseClick(p.w->ElementDialogs().Driver().DerivedButton(), Qt::LeftButton); };
             QStringList faults = InspectModal(name, p.fontScale, click);
             if (faults == QStringList{name + ": no dialog came up"}) faults = InspectModal(name, p.fontScale, click);
             p.w->ElementDialogs().CloseAll();
             return faults;
         }},
        {"text",
         [](TProgram& p, const QString& name) {
             return InspectModal(name, p.fontScale, [&] { p.w->ElementDialogs().EditTextModal(*p.D().Texts[0]); });
         }},
        {"part browser",
         [](TProgram& p, const QString& name) {
             const int part = p.FirstPart(TPartType::Capacitor);
             p.w->ElementDialogs().ShowFor({TElementKind::Capacitor, part});
             QStringList faults =
                 InspectModal(name, p.fontScale, [&] { p.w->ElementDialogs().PartBrowser()->Browse(part); });
             p.w->ElementDialogs().CloseAll();
             return faults;
         }},
        {"driver browser",
         [](TProgram& p, const QString& name) {
             p.w->ElementDialogs().ShowFor({TElementKind::Driver, 0});
             QStringList faults =
                 InspectModal(name, p.fontScale, [&] { p.w->ElementDialogs().DriverBrowser()->Browse(0); });
             p.w->ElementDialogs().CloseAll();
             return faults;
         }},
        {"catalogue update",
         [](TProgram& p, const QString& name) {
             TUpdateProgressDialog progress(p.w.get());
             progress.show();
             TUpdateProgress now;
             now.Vendor = "Loudspeaker Components International";
             now.Url = "https://catalogue.example.org/vendors/loudspeaker-components-international/parts/2024/all.zip";
             now.VendorIndex = 12;
             now.VendorCount = 14;
             progress.ShowProgress(now);
             return Inspect(progress, name, p.fontScale);
         }},
        // The last ones change the design.
        {"block variables",
         [](TProgram& p, const QString& name) {
             OpenExampleCopy(*p.w, p.dir.path(), "TwoWayBlocks.bkt");
             p.w->ElementDialogs().CloseAll();
             if (!p.w->ElementDialogs().ShowFor({TElementKind::Block, 0})) return QStringList{name + ": not shown"};
             QStringList faults = Inspect(p.w->ElementDialogs().BlockVariables(), name, p.fontScale);
             p.w->ElementDialogs().CloseAll();
             return faults;
         }},
        {"block designer",
         [](TProgram& p, const QString& name) {
             if (!p.w->Blocks().ChangeMode()) return QStringList{name + ": not opened"};
             QStringList faults = Inspect(p.w->Blocks().Form(), name, p.fontScale);
             faults << Inspect(*p.w, name + " (main window)", p.fontScale);
             return faults;
         }},
    };
    return windows;
}

}  // namespace

class TestLabelsFit : public QObject {
    Q_OBJECT

    std::unique_ptr<TProgram> program_;
    QFont desktop_;

private slots:
    void initTestCase() { desktop_ = QApplication::font(); }
    void cleanupTestCase() {
        program_.reset();
        QApplication::setFont(desktop_);
    }

    void everyTextShowsWhole_data() {
        QTest::addColumn<double>("fontScale");
        QTest::addColumn<int>("window");
        for (double scale : {1.0, 1.2})
            for (std::size_t i = 0; i < Windows().size(); ++i)
                QTest::addRow("%s, font %d%%", Windows()[i].first, qRound(scale * 100)) << scale << int(i);
    }
    void everyTextShowsWhole() {
        QFETCH(double, fontScale);
        QFETCH(int, window);
        if (!program_ || program_->fontScale != fontScale) {
            program_.reset();
            QFont f = desktop_;
            f.setPointSizeF(desktop_.pointSizeF() * fontScale);
            QApplication::setFont(f);
            program_ = std::make_unique<TProgram>();
            QVERIFY(program_->Start(fontScale));
        }
        const auto& [name, open] = Windows()[static_cast<std::size_t>(window)];
        const QStringList faults = open(*program_, QString::fromLatin1(name));
        QVERIFY2(faults.isEmpty(), qPrintable("\n" + faults.join('\n')));
    }
};

QTEST_MAIN(TestLabelsFit)
#include "tst_labelsfit.moc"
