#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <fstream>

#include "../EditorFixture.h"
#include "graphs/GraphRecord.h"
#include "gui/dialogs/DriverDialog.h"
#include "gui/dialogs/DriverPlacementFields.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/dialogs/ListeningDialog.h"
#include "gui/dialogs/SourceDialog.h"
#include "gui/dialogs/TailsDialog.h"
#include "gui/dialogs/TextDialog.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "model/AnalysisGrid.h"
#include "values/NumberFormat.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

void WriteFile(const QString& path, const std::string& bytes) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << bytes;
}

// One point per analysis frequency: level(f) dB at phase(f) degrees.
template <class Level>
std::string MeasurementText(Level level, double phase = 0) {
    DataArray grid;
    MakeLogGrid(grid);
    std::string text = "* test data\n";
    for (double f : grid)
        text += FormatFileReal(f) + " " + FormatFileReal(level(f)) + " " + FormatFileReal(phase) + "\n";
    return text;
}

}  // namespace

// The driver, source, response-tails and text dialogs on a live window: the
// file choosers and modal dialogs are answered by the tests.
class TestElementDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        f.Start();
        f.w.SetElementDialogs(nullptr);  // the window's own dialogs
        QVERIFY(folder.isValid());
        const QString frd = folder.filePath("WOOFER.FRD");
        WriteFile(frd, MeasurementText([](double f) { return 80 + 6 * std::log2(f / 1000); }));
        // The companion impedance file in another spelling of the same name.
        WriteFile(folder.filePath("woofer.zma"), MeasurementText([](double) { return 6.0; }, 0));
        WriteFile(folder.filePath("flat.frd"), MeasurementText([](double) { return 70.0; }));
    }

    void cleanupTestCase() {
        SetFileChooser(nullptr);
        SetModalRunner(nullptr);
        SetColourChooser(nullptr);
    }

    // The source, a driver straight across it.
    void init() {
        f.AfterDoubleClickWindow();
        f.w.ElementDialogs().CloseAll();
        f.w.Editor().CancelToIdle();
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        TDesign& d = f.w.Session().Design();
        ClearElements(d);
        d.Settings.clear();
        SetSourcePosition(d, d.Source, {118, 64});
        AddWire(d, {121, 62}, {133, 62});
        AddDriver(d, {134, 63});
        AddWire(d, {133, 64}, {133, 66});
        AddWire(d, {121, 66}, {133, 66});
        f.w.Session().Solve();
        f.w.Session().History().Reset(d);
        f.sink.Messages.clear();
        SetFileChooser(nullptr);
        SetModalRunner(nullptr);
    }

    void filesChosenInTheDialogAreReadWithTheirCompanion() {
        TDriverDialog& dialog = OpenDriverDialog();
        QCOMPARE(dialog.windowTitle(), QString("Select Driver"));
        const DataArray spl = SystemCurve(TGraphKind::SPL), impedance = SystemCurve(TGraphKind::Impedance);
        QString askedFilter;
        SetFileChooser([&](const QString&, const QString&, const QString& filter) {
            askedFilter = filter;
            return folder.filePath("WOOFER.FRD");
        });
        QTest::mouseClick(dialog.ResponseButton(), Qt::LeftButton);
        QVERIFY(askedFilter.contains("*.[fF][rR][dD]"));
        const TDriver& drv = *f.w.Session().Design().Drivers[0];
        QCOMPARE(QString::fromStdString(drv.Acoustic.FRDFile), folder.filePath("WOOFER.FRD"));
        QCOMPARE(QString::fromStdString(drv.ZMAFile), folder.filePath("woofer.zma"));
        QVERIFY(dialog.ResponseBox()->text().contains("WOOFER.FRD"));
        QVERIFY(dialog.ImpedanceBox()->text().contains("woofer.zma"));
        QVERIFY(f.sink.Messages.empty());
        // 86 dB at 2 kHz from the file; 6 ohms flat.
        const DataArray nowSpl = SystemCurve(TGraphKind::SPL), nowImpedance = SystemCurve(TGraphKind::Impedance);
        QVERIFY(nowSpl != spl);
        QVERIFY(nowImpedance != impedance);
        const std::size_t k2k = GridIndex(2000);
        QVERIFY(std::fabs(nowSpl[k2k] - (80 + 6 * std::log2(f.w.Session().Design().Grid[k2k] / 1000))) < 0.05);
        QVERIFY(std::fabs(nowImpedance[k2k] - 6) < 0.01);

        // The "x" beside the response box: back to the default data, on purpose.
        const int solves = f.w.Session().SolveCount();
        dialog.UseDefaultResponse();
        QVERIFY(drv.Acoustic.FRDFile.empty());
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
        const DataArray flat = SystemCurve(TGraphKind::SPL);
        QVERIFY(!flat.empty());
        const auto [low, high] = std::minmax_element(flat.begin(), flat.end());
        QVERIFY(*high - *low < 0.01);  // the default response is flat
    }

    void aCancelledChooserChangesNothing() {
        TDriverDialog& dialog = OpenDriverDialog();
        LoadResponse(dialog, "WOOFER.FRD");
        const TDriver before = *f.w.Session().Design().Drivers[0];
        const int solves = f.w.Session().SolveCount();
        SetFileChooser([](const QString&, const QString&, const QString&) { return QString(); });
        QTest::mouseClick(dialog.ResponseButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.ImpedanceButton(), Qt::LeftButton);
        const TDriver& drv = *f.w.Session().Design().Drivers[0];
        QCOMPARE(drv.Acoustic.FRDFile, before.Acoustic.FRDFile);
        QCOMPARE(drv.ZMAFile, before.ZMAFile);
        QVERIFY(drv.Acoustic.Response == before.Acoustic.Response);
        QVERIFY(drv.Admittance == before.Admittance);
        QCOMPARE(f.w.Session().SolveCount(), solves);
        QVERIFY(f.sink.Messages.empty());
    }

    void aFileThatIsNoMeasurementLeavesTheOldData_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");  // 0 binary, 1 empty, 2 300 MB of nothing
        QTest::newRow("binary") << "binary.frd" << 0;
        QTest::newRow("empty") << "empty.frd" << 1;
        QTest::newRow("300 MB sparse") << "sparse.frd" << 2;
    }
    void aFileThatIsNoMeasurementLeavesTheOldData() {
        QFETCH(QString, name);
        QFETCH(int, kind);
        const QString path = folder.filePath(name);
        if (kind == 0) {
            std::string bytes;
            for (int i = 0; i < 4096; ++i) bytes += char((i * 7919) & 0xff);
            WriteFile(path, bytes);
        } else if (kind == 1) {
            WriteFile(path, "");
        } else {
            WriteFile(path, "");
            QVERIFY(QFile::resize(path, 300LL * 1024 * 1024));
        }
        TDriverDialog& dialog = OpenDriverDialog();
        LoadResponse(dialog, "WOOFER.FRD");
        const TDriver before = *f.w.Session().Design().Drivers[0];
        SetFileChooser([&](const QString&, const QString&, const QString&) { return path; });
        QTest::mouseClick(dialog.ResponseButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.ImpedanceButton(), Qt::LeftButton);
        // Each read says once that it failed, naming the file and then the cause.
        const std::string named = "File Load error: " + path.toStdString() + "\n";
        QCOMPARE(f.sink.Messages.size(), std::size_t(2));
        for (const std::string& m : f.sink.Messages)
            QVERIFY2(m.rfind(named, 0) == 0 && m.size() > named.size(), m.c_str());
        const TDriver& drv = *f.w.Session().Design().Drivers[0];
        QCOMPARE(drv.Acoustic.FRDFile, before.Acoustic.FRDFile);
        QCOMPARE(drv.ZMAFile, before.ZMAFile);
        QVERIFY(drv.Acoustic.Response == before.Acoustic.Response);
        QVERIFY(drv.Admittance == before.Admittance);
        QVERIFY(dialog.ResponseBox()->text().contains("WOOFER.FRD"));
        QFile::remove(path);
    }

    void levelDelayMuteAndInvertSolveAtOnce() {
        TDriverDialog& dialog = OpenDriverDialog();
        LoadResponse(dialog, "WOOFER.FRD");
        TDriver& drv = *f.w.Session().Design().Drivers[0];
        const std::size_t k = GridIndex(1000);
        struct Step {
            const char* what;
            std::function<void()> act;
            std::function<bool()> written;
        } steps[] = {
            {"level up", [&] { dialog.LevelControl()->Step(true); }, [&] { return drv.Gain > 1; }},
            {"delay up", [&] { dialog.DelayControl()->Step(true); }, [&] { return drv.DelaySeconds > 0; }},
            {"invert", [&] { QTest::mouseClick(dialog.InvertBox(), Qt::LeftButton); }, [&] { return drv.Inverted; }},
            {"mute", [&] { QTest::mouseClick(dialog.MuteBox(), Qt::LeftButton); }, [&] { return drv.Muted; }},
        };
        DataArray last = SystemCurve(TGraphKind::SPL);
        for (const Step& s : steps) {
            const int solves = f.w.Session().SolveCount();
            s.act();
            QVERIFY2(s.written(), s.what);
            QVERIFY2(f.w.Session().SolveCount() == solves + 1, s.what);
            const DataArray now = SystemCurve(TGraphKind::SPL);
            if (std::string(s.what) != "invert") QVERIFY2(now != last, s.what);  // one driver: same level
            last = now;
        }
        QVERIFY(last.empty() || last[k] < 0);  // a muted driver leaves nothing to hear
        QVERIFY(f.sink.Messages.empty());
    }

    // The place on the baffle is kept in inches whatever the fields show; a
    // field shown in millimetres writes the inches it stands for, and a unit
    // switch alone writes nothing. With the driver positions used, a move
    // changes what is heard off axis.
    void thePlaceOnTheBaffleIsWrittenInInches() {
        TDriverDialog& dialog = OpenDriverDialog();
        LoadResponse(dialog, "WOOFER.FRD");
        TDriver& drv = *f.w.Session().Design().Drivers[0];
        TListeningSetup setup;
        setup.UseDriverPositions = true;
        setup.HDeg = 30;
        WriteListeningSetup(setup, f.w.Session().Design().Settings);
        TDriverPlacementFields& place = *dialog.Placement();
        using F = TDriverPlacementFields;
        place.Field(F::Diameter)->SetRealValue(6.5);
        place.Field(F::Diameter)->DoValChange();
        QCOMPARE(drv.Acoustic.DiameterInches, 6.5);
        const DataArray before = SystemCurve(TGraphKind::SPL);
        place.SetMillimetres(true);
        QCOMPARE(place.Field(F::Diameter)->RealValue(), 6.5 * 25.4);
        QCOMPARE(drv.Acoustic.DiameterInches, 6.5);  // only shown otherwise
        QVERIFY(place.OtherUnitText()->text().contains("diameter 6.5 in"));
        place.Field(F::X)->SetRealValue(254);
        place.Field(F::X)->DoValChange();
        QCOMPARE(drv.Acoustic.XOffsetInches, 10.0);
        QCOMPARE(drv.Acoustic.DiameterInches, 6.5);
        QVERIFY(SystemCurve(TGraphKind::SPL) != before);
        place.Field(F::VTilt)->Step(true);
        QCOMPARE(drv.Acoustic.VTiltDegrees, 1.0);
        place.SetMillimetres(false);
        QCOMPARE(place.Field(F::X)->RealValue(), 10.0);
    }

    void theListeningDialogKeepsItsSetupWithTheDesign() {
        TDesign& design = f.w.Session().Design();
        TListeningDialog dialog(&f.w);
        dialog.SetSetup(ReadListeningSetup(design.Settings));
        QCOMPARE(dialog.Setup(), TListeningSetup{});
        dialog.DistanceField()->SetRealValue(2.5);
        dialog.HorizontalField()->SetRealValue(-30);
        dialog.DriverPositionsBox()->setChecked(true);
        const TListeningSetup chosen = dialog.Setup();
        QCOMPARE(chosen.DistanceM, 2.5);
        QCOMPARE(chosen.HDeg, -30.0);
        QVERIFY(chosen.UseDriverPositions);
        WriteListeningSetup(chosen, design.Settings);
        TListeningDialog again(&f.w);
        again.SetSetup(ReadListeningSetup(design.Settings));
        QCOMPARE(again.Setup(), chosen);
        WriteListeningSetup({}, design.Settings);

        // Through the Tools menu the change is one undo step.
        f.w.Session().CommitEdit();
        SetModalRunner([](QDialog& d) {
            auto* dialog = qobject_cast<TListeningDialog*>(&d);
            if (!dialog) return int(QDialog::Rejected);
            dialog->DistanceField()->SetRealValue(3);
            return int(QDialog::Accepted);
        });
        auto* action = f.w.findChild<QAction*>("ListeningPosition");
        QVERIFY(action);
        action->trigger();
        SetModalRunner(nullptr);
        QCOMPARE(ReadListeningSetup(design.Settings).DistanceM, 3.0);
        f.w.Editor().Undo();
        QCOMPARE(ReadListeningSetup(f.w.Session().Design().Settings), TListeningSetup{});
    }

    // A catalogue part whose data stand in for the driver's own files: taking
    // the part away reads the files named in the design again (or the default
    // data where there is none) and solves, so graphs and file agree.
    void deselectingAPartReadsTheDriversOwnFilesAgain() {
        TDesign& d = f.w.Session().Design();
        TDriver& drv = *d.Drivers[0];
        drv.Acoustic.FRDFile = folder.filePath("WOOFER.FRD").toStdString();
        drv.PartNumber = "GENERIC W165";  // its data: the flat default
        TDriverDialog& dialog = OpenDriverDialog();
        QVERIFY(dialog.DeselectButton()->isVisible());
        QVERIFY(dialog.PartNumberPanel()->isVisible());
        const DataArray before = SystemCurve(TGraphKind::SPL);
        const int solves = f.w.Session().SolveCount();
        QTest::mouseClick(dialog.DeselectButton(), Qt::LeftButton);
        QVERIFY(drv.PartNumber.empty());
        QVERIFY(!dialog.DeselectButton()->isVisible());
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
        QVERIFY(drv.ZMAFile.empty());
        const DataArray after = SystemCurve(TGraphKind::SPL);
        QVERIFY(after != before);
        QVERIFY(std::fabs(after[GridIndex(1000)] - 80) < 0.05);  // the file's level at 1 kHz
        QVERIFY(f.sink.Messages.empty());
    }

    // A flat response with tails from 100 Hz (24 dB/oct) and 16 kHz
    // (42 dB/oct): leading toward the low tail, lagging toward the high.
    void derivedPhaseThroughTheTailsDialog() {
        TDriverDialog& dialog = OpenDriverDialog();
        LoadResponse(dialog, "flat.frd");
        TDriver& drv = *f.w.Session().Design().Drivers[0];
        QString title;
        SetModalRunner([&](QDialog& d) {
            auto* tails = qobject_cast<TResponseTailsDialog*>(&d);
            if (!tails) return int(QDialog::Rejected);
            title = tails->windowTitle();
            SetField(tails->LowerFrequency(), 100);
            SetField(tails->UpperFrequency(), 16000);
            SetField(tails->LowerSlope(), 24);
            SetField(tails->UpperSlope(), -42);  // shown as the fall it is
            SetField(tails->Delay(), 0);
            if (tails->Invert()->isChecked()) QTest::mouseClick(tails->Invert(), Qt::LeftButton);
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(dialog.DerivedButton(), Qt::LeftButton);
        QCOMPARE(title, QString("Define Response Tails"));
        QVERIFY(drv.Acoustic.HilbertPhase);
        QVERIFY(dialog.DerivedButton()->isChecked());
        QVERIFY(dialog.isVisible());
        QVERIFY(f.sink.Messages.empty());
        const struct {
            double hz, degrees, tolerance;
        } phases[] = {{200, 72, 2}, {1000, 0, 3}, {3000, -36, 2}, {10000, -142, 2}};
        for (const auto& p : phases) {
            const std::size_t k = GridIndex(p.hz);
            const double deg = std::atan2(drv.Acoustic.Response.Im[k], drv.Acoustic.Response.Re[k]) * 180 / M_PI;
            QVERIFY2(std::fabs(deg - p.degrees) < p.tolerance, qPrintable(QString("%1 Hz: %2").arg(p.hz).arg(deg)));
        }

        // "cancel" after changes puts back the settings and the response.
        const TResponseTails tails = drv.Acoustic.Tails;
        const TComplexArray response = drv.Acoustic.Response;
        SetModalRunner([&](QDialog& d) {
            auto* t = qobject_cast<TResponseTailsDialog*>(&d);
            if (!t) return int(QDialog::Rejected);
            SetField(t->LowerSlope(), 12);
            t->reject();
            return int(QDialog::Rejected);
        });
        QTest::mouseClick(dialog.DerivedButton(), Qt::LeftButton);
        QVERIFY(drv.Acoustic.Tails == tails);
        QVERIFY(drv.Acoustic.HilbertPhase);
        QVERIFY(drv.Acoustic.Response == response);

        // Back to the measured phase: zero everywhere in the file.
        QTest::mouseClick(dialog.MeasuredButton(), Qt::LeftButton);
        QVERIFY(!drv.Acoustic.HilbertPhase);
        QVERIFY(std::fabs(drv.Acoustic.Response.Im[GridIndex(3000)]) < 1e-9);
    }

    void theSourceDialogWritesOnlyWhatTheUserChanges() {
        TDesign& d = f.w.Session().Design();
        d.Source.Ohms = 3.2;
        d.Source.Power = 2;
        d.Source.Vrms = std::sqrt(2 * 3.2);
        const std::vector<std::string> before = f.Lines();
        f.MoveTo({118, 64});
        f.Key(Qt::Key_T);
        TSourceDialog& dialog = f.w.ElementDialogs().Source();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QString("Adjust the Audio Power Source"));
        QCOMPARE(f.Lines(), before);  // looking is not changing
        QCOMPARE(dialog.OhmsControl()->RealValue(), 3.2);

        const int solves = f.w.Session().SolveCount();
        QTest::mouseClick(dialog.StandardButton(), Qt::LeftButton);
        QCOMPARE(dialog.VoltsText()->text(), QString("2.82843 Volts RMS"));
        QCOMPARE(d.Source.Power, 1.0);
        QCOMPARE(d.Source.Ohms, 8.0);
        QVERIFY(std::fabs(d.Source.Vrms - std::sqrt(8.0)) < 1e-12);
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
        QTest::mouseClick(dialog.InvertBox(), Qt::LeftButton);
        QVERIFY(d.Source.Inverted);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }

    void aTextKeepsItsSizeAndColourThroughSaveAndReopen() {
        TDesign& d = f.w.Session().Design();
        TSheetText& text = AddText(d, {140, 70}, "old words");
        text.Size = 10;
        SetColourChooser([](const QColor&) { return QColor(200, 100, 50); });
        QString title, wordsShown;
        SetModalRunner([&](QDialog& dlg) {
            auto* t = qobject_cast<TTextDialog*>(&dlg);
            if (!t) return int(QDialog::Rejected);
            title = t->windowTitle();
            wordsShown = t->TextField()->text();
            t->TextField()->setText("Tweeter level -2 dB");
            t->SizeField()->setValue(18);
            QTest::mouseClick(t->ColourSwatch(), Qt::LeftButton);
            return int(QDialog::Rejected);  // Escape keeps the typing too
        });
        QVERIFY(f.w.ElementDialogs().EditTextModal(text));
        SetColourChooser(nullptr);
        QCOMPARE(title, QString("Text Entry"));
        QCOMPARE(wordsShown, QString("old words"));
        QCOMPARE(text.Text, std::string("Tweeter level -2 dB"));
        QCOMPARE(text.Size, 18);
        QCOMPARE(text.Color, 50 << 16 | 100 << 8 | 200);  // blue, green, red

        const std::string path = folder.filePath("texts.bkt").toStdString();
        QVERIFY(WriteDesign(d, path, f.sink));
        Open(path);
        const TDesign& reopened = f.w.Session().Design();
        QCOMPARE(reopened.Texts.size(), std::size_t(1));
        QCOMPARE(reopened.Texts[0]->Text, std::string("Tweeter level -2 dB"));
        QCOMPARE(reopened.Texts[0]->Size, 18);
        QCOMPARE(reopened.Texts[0]->Color, 50 << 16 | 100 << 8 | 200);
        QVERIFY(f.sink.Messages.empty());
    }

    // Every driver's and the source's dialog on each example, without a
    // message; with PELMO_DIALOG_SHOTS set, pictures of them go there.
    void everyDialogOnEveryExample() {
        const QString shots = qEnvironmentVariable("PELMO_DIALOG_SHOTS");
        const QDir examples(QStringLiteral(PELMO_SOURCE_DIR "/examples"));
        const QStringList designs = examples.entryList({"*.bkt"}, QDir::Files);
        QVERIFY(designs.size() >= 3);
        for (const QString& name : designs) {
            f.w.ElementDialogs().CloseAll();
            Open(examples.filePath(name).toStdString());
            QVERIFY2(f.sink.Messages.empty(), qPrintable(name));
            TDesign& d = f.w.Session().Design();
            const std::vector<std::string> before = f.Lines();
            for (int i = 0; i < int(d.Drivers.size()); ++i) {
                QVERIFY(f.w.ElementDialogs().ShowFor({TElementKind::Driver, i}));
                TDriverDialog& dialog = f.w.ElementDialogs().Driver();
                QVERIFY(dialog.isVisible());
                QVERIFY(dialog.ResponseBox()->text().contains(
                    QString::fromStdString(d.Drivers[i]->Acoustic.FRDFile).section('/', -1)));
                if (!shots.isEmpty()) dialog.grab().save(QString("%1/driver-%2-%3.png").arg(shots, name).arg(i));
            }
            QVERIFY(f.w.ElementDialogs().ShowFor({TElementKind::Source, 0}));
            if (!shots.isEmpty())
                f.w.ElementDialogs().Source().grab().save(QString("%1/source-%2.png").arg(shots, name));
            f.w.ElementDialogs().CloseAll();
            QVERIFY2(
                f.sink.Messages.empty(),
                qPrintable(name + ": " + QString::fromStdString(f.sink.Messages.empty() ? "" : f.sink.Messages[0])));
            QCOMPARE(f.Lines(), before);
        }
        if (!shots.isEmpty()) {
            TTextDialog& text = f.w.ElementDialogs().Text();
            SetModalRunner([&](QDialog& dlg) {
                dlg.show();
                dlg.grab().save(shots + "/text.png");
                return int(QDialog::Accepted);
            });
            TSheetText t;
            t.Text = "Crossover at 2.2 kHz";
            t.Size = 12;
            text.Edit(t);
            TDesign& d = f.w.Session().Design();
            for (int i = 0; i < int(d.Drivers.size()); ++i)
                if (!d.Drivers[i]->Acoustic.FRDFile.empty()) {
                    TResponseTailsDialog tails(f.w.Session(), i, QString::fromStdString(d.Drivers[i]->Acoustic.FRDFile),
                                               &f.w);
                    QVERIFY(tails.ReadMeasurement());
                    tails.show();
                    QTest::qWait(50);
                    tails.grab().save(shots + "/tails.png");
                    break;
                }
        }
    }

private:
    void Open(const std::string& path) {
        f.w.Session().Design().Modified = false;
        f.w.OpenFromOutside(path);
        QCOMPARE(f.w.Session().Design().FileName, path);
    }
    TDriverDialog& OpenDriverDialog() {
        f.MoveTo({134, 63});
        f.Key(Qt::Key_T);
        TDriverDialog& dialog = f.w.ElementDialogs().Driver();
        [&] { QVERIFY(dialog.isVisible()); }();
        return dialog;
    }
    void LoadResponse(TDriverDialog& dialog, const QString& name) {
        SetFileChooser([&](const QString&, const QString&, const QString&) { return folder.filePath(name); });
        QTest::mouseClick(dialog.ResponseButton(), Qt::LeftButton);
        SetFileChooser(nullptr);
        f.sink.Messages.clear();
    }
    static void SetField(TEditRealSpin* field, double v) {
        field->SetRealValue(v);
        field->DoValChange();
    }
    std::size_t GridIndex(double hz) const {
        const DataArray& grid = f.w.Session().Design().Grid;
        std::size_t best = 0;
        for (std::size_t k = 1; k < grid.size(); ++k)
            if (std::fabs(std::log(grid[k] / hz)) < std::fabs(std::log(grid[best] / hz))) best = k;
        return best;
    }
    DataArray SystemCurve(TGraphKind kind) {
        for (const TGraphRecord* g : f.w.Session().Graphs().Windows)
            if (g->Kind == kind)
                for (const TSeriesDef& c : g->Curves)
                    if (c.Name == SystemCurveName) return c.MagSeries.Y;
        return {};
    }

    EditorFixture f;
    QTemporaryDir folder;
};

QTEST_MAIN(TestElementDialogs)
#include "tst_elementdialogs.moc"
