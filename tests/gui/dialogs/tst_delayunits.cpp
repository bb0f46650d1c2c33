#include <QRegularExpression>
#include <QtTest>
#include <cmath>

#include "../EditorFixture.h"
#include "document/Settings.h"
#include "gui/dialogs/DelayUnitChoice.h"
#include "gui/dialogs/DriverDialog.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/dialogs/SourceDialog.h"
#include "gui/widgets/EditReal.h"

using namespace pelmo;
using namespace pelmo::guitest;

// The delay of a driver and of the source, typed in microseconds,
// millimetres or inches: the design keeps seconds, whatever the unit.
class TestDelayUnits : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        f.Start();
        f.w.SetElementDialogs(nullptr);  // the window's own dialogs
    }

    void init() {
        f.AfterDoubleClickWindow();
        f.w.ElementDialogs().CloseAll();
        f.w.Editor().CancelToIdle();
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        TDesign& d = f.w.Session().Design();
        ClearElements(d);
        SetSourcePosition(d, d.Source, {118, 64});
        AddWire(d, {121, 62}, {133, 62});
        AddDriver(d, {134, 63});
        AddWire(d, {133, 64}, {133, 66});
        AddWire(d, {121, 66}, {133, 66});
        d.OverallDelay = 0;
        f.w.Session().Solve();
        f.w.Session().History().Reset(d);
    }

    void typedDelayRoundTrips_data() {
        QTest::addColumn<bool>("source");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("shown");
        const double us = 1e-6, mm = 1e-3 / 344.0, in = 1 / (344.0 * 39.37);
        for (bool source : {false, true}) {
            const char* who = source ? "source" : "driver";
            auto row = [&](const char* name, TDelayUnit u, const char* typed, double seconds, const char* shown) {
                QTest::newRow(qPrintable(QString("%1, %2").arg(who, name)))
                    << source << int(u) << QString(typed) << seconds << QString(shown);
            };
            row("us", TDelayUnit::Microseconds, "100", 100 * us, "100");
            row("us, negative", TDelayUnit::Microseconds, "-73.84", -73.84 * us, "-73.84");
            row("mm, decimal comma", TDelayUnit::Millimetres, "2,5", 2.5 * mm, "2.5");
            row("mm, four digits shown", TDelayUnit::Millimetres, "123.456", 123.456 * mm, "123.5");
            row("in", TDelayUnit::Inches, "1", in, "1");
        }
    }
    void typedDelayRoundTrips() {
        QFETCH(bool, source);
        QFETCH(int, unit);
        QFETCH(QString, typed);
        QFETCH(double, seconds);
        QFETCH(QString, shown);
        Open(source);
        TDelayUnitChoice* choice = Choice(source);
        Choose(choice, static_cast<TDelayUnit>(unit));
        QCOMPARE(int(choice->Unit()), unit);
        TEditReal* edit = Field(source)->EditReal();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        const double stored = Stored(source);
        // With PELMO_SCREENSHOT_DIR set, a picture of the dialog goes there.
        if (const QString shots = qEnvironmentVariable("PELMO_SCREENSHOT_DIR"); !shots.isEmpty()) {
            QWidget* dialog = source ? static_cast<QWidget*>(&f.w.ElementDialogs().Source())
                                     : static_cast<QWidget*>(&f.w.ElementDialogs().Driver());
            if (!dialog->isVisible()) Open(source);
            const QString tag =
                QString(QTest::currentDataTag()).section(',', 0, 1).replace(QRegularExpression("[ ,]+"), "-");
            dialog->grab().save(QString("%1/delay-%2-x%3.png").arg(shots, tag).arg(dialog->devicePixelRatioF()));
        }
        QVERIFY2(std::fabs(stored - seconds) <= 1e-12 * std::fabs(seconds),
                 qPrintable(QString("stored %1 s, expected %2 s").arg(stored, 0, 'g', 17).arg(seconds, 0, 'g', 17)));

        // Shown again the same way when the dialog opens anew.
        f.w.ElementDialogs().CloseAll();
        f.w.Editor().CancelToIdle();
        f.AfterDoubleClickWindow();
        Open(source);
        QVERIFY2(Field(source)->EditReal()->text().startsWith(shown + " "),
                 qPrintable(Field(source)->EditReal()->text()));
        QCOMPARE(Stored(source), stored);  // looking changes nothing
    }

    // Switching the unit converts the figure shown; the delay stays as it
    // is, and the other dialog and the settings file take the new unit.
    void switchingConvertsTheShownFigureOnly() {
        f.w.Session().Design().Drivers[0]->DelaySeconds = 2.5e-3 / 344.0;
        Open(false);
        Choose(Choice(false), TDelayUnit::Millimetres);
        QVERIFY(Field(false)->EditReal()->text().startsWith("2.5 "));
        Choose(Choice(false), TDelayUnit::Microseconds);
        QCOMPARE(f.w.Session().Design().Drivers[0]->DelaySeconds, 2.5e-3 / 344.0);
        QVERIFY2(Field(false)->EditReal()->text().startsWith("7.267 "), qPrintable(Field(false)->EditReal()->text()));
        QCOMPARE(int(ReadDelayUnit(f.w.Session().DataFolder())), int(TDelayUnit::Microseconds));
        QCOMPARE(int(Choice(true)->Unit()), int(TDelayUnit::Microseconds));
        Choose(Choice(false), TDelayUnit::Inches);
        QCOMPARE(Field(false)->MaxValue(), 39.0);
    }

private:
    void Open(bool source) {
        f.MoveTo(source ? TPoint{118, 64} : TPoint{134, 63});
        f.Key(Qt::Key_T);
        QWidget* dialog = source ? static_cast<QWidget*>(&f.w.ElementDialogs().Source())
                                 : static_cast<QWidget*>(&f.w.ElementDialogs().Driver());
        QVERIFY(dialog->isVisible());
    }
    TDelayUnitChoice* Choice(bool source) {
        return source ? f.w.ElementDialogs().Source().DelayUnit() : f.w.ElementDialogs().Driver().DelayUnit();
    }
    TEditRealSpin* Field(bool source) {
        return source ? f.w.ElementDialogs().Source().DelayControl() : f.w.ElementDialogs().Driver().DelayControl();
    }
    double Stored(bool source) {
        const TDesign& d = f.w.Session().Design();
        return source ? d.OverallDelay : d.Drivers[0]->DelaySeconds;
    }
    // As the user picks an item of the list.
    static void Choose(TDelayUnitChoice* choice, TDelayUnit unit) {
        const int index = unit == TDelayUnit::Microseconds ? 0 : unit == TDelayUnit::Millimetres ? 1 : 2;
        choice->setCurrentIndex(index);
        emit choice->activated(index);
    }

    EditorFixture f;
};

QTEST_MAIN(TestDelayUnits)
#include "tst_delayunits.moc"
