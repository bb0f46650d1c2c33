// The graph windows in the main window: default windows at start-up and
// after an open, the AddGraph and GraphToFront menus, captions, deleting an
// element, closing.

#include <qcustomplot.h>

#include <QDialog>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include "../EditorFixture.h"
#include "../GuiTestSupport.h"
#include "document/DocumentFlow.h"
#include "editor/SheetEdit.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/widgets/ModalRunner.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

QStringList Captions(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (a->isVisible()) out << a->text();
    return out;
}

QAction* Item(QMenu* menu, const QString& caption) {
    for (QAction* a : menu->actions())
        if (a->text() == caption && a->isVisible()) return a;
    return nullptr;
}

QStringList Titles(TMainWindow& w) {
    QStringList out;
    for (TPlotForm* p : w.GraphWindows().Windows()) out << p->ChartTitle();
    return out;
}

// A copy of a shipped example in a temporary folder (opening writes the
// support folder beside it).
QString ExampleCopy(const QTemporaryDir& dir, const QString& name) {
    const QString copy = dir.filePath(name);
    QFile::copy(QString(PELMO_SOURCE_DIR) + "/examples/" + name, copy);
    return copy;
}

}  // namespace

class TestSchemGraphs : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
    }
    void cleanup() { SetModalRunner({}); }

    void startupOpensTheDefaultWindowsAndFillsTheMenus() {
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(Titles(w), QStringList({"Frequency Response (#1)", "Impedance (#1)"}));
        QCOMPARE(Captions(w.GraphToFrontMenu()), Titles(w));
        QCOMPARE(Captions(w.AddGraphMenu()), QStringList({"SPL response (dBSPL)", "Impedance (Ohms)", "   more"}));
        for (TPlotForm* p : w.GraphWindows().Windows()) {
            QCOMPARE(p->Record().Curves.size(), std::size_t(1));
            QCOMPARE(p->MagGraph(0)->name(), QString("Sys"));
            QCOMPARE(p->windowTitle(), w.windowTitle());
            QVERIFY(p->frameGeometry().left() > w.frameGeometry().right());
        }
        // GraphToFront brings a window up; AddGraph opens one from the main menu.
        Item(w.GraphToFrontMenu(), "Impedance (#1)")->trigger();
        Item(w.AddGraphMenu(), "Impedance (Ohms)")->trigger();
        QCOMPARE(Titles(w).back(), QString("Impedance (#2)"));
        QCOMPARE(Captions(w.GraphToFrontMenu()).size(), 3);
        QVERIFY(w.close());
        QVERIFY(w.GraphWindows().Windows().empty());
    }

    void openingADesignStartsAgainWithTheDefaultWindows() {
        QTemporaryDir dir;
        const QString path = ExampleCopy(dir, "TwoWay.bkt");
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.GraphWindows().OpenGraph(TGraphKind::Impedance);
        w.GraphWindows().OpenGraph(TGraphKind::Voltage);
        QVERIFY(w.Session().Document().Open(TDocument::TOpenKind::Recent, path.toStdString()));
        QCOMPARE(Titles(w), QStringList({"Frequency Response (#1)", "Impedance (#1)"}));
        QCOMPARE(w.GraphWindows().OpenGraph(TGraphKind::Impedance)->ChartTitle(), QString("Impedance (#2)"));
        for (TPlotForm* p : w.GraphWindows().Windows()) QCOMPARE(p->windowTitle(), QString("Pelmo -- TwoWay.bkt"));
        // The example sums to about 82 dB.
        TPlotForm* spl = w.GraphWindows().Windows()[0];
        QCOMPARE(spl->MagGraph(0)->data()->size(), 500);
        const double at1k = spl->MagGraph(0)->data()->findBegin(1000)->value;
        QVERIFY2(at1k > 80.5 && at1k < 84, qPrintable(QString::number(at1k)));
        QVERIFY(sink.Messages.empty());
    }

    void deletingADriverDropsItsCurvesFromTheWindows() {
        QTemporaryDir dir;
        const QString path = ExampleCopy(dir, "TwoWay.bkt");
        EditorFixture f;
        f.Start();
        QVERIFY(f.w.Session().Document().Open(TDocument::TOpenKind::Recent, path.toStdString()));
        TPlotForm* spl = f.w.GraphWindows().Windows()[0];
        TPlotForm* z = f.w.GraphWindows().Windows()[1];
        spl->CurveItemClick("S1", false);
        spl->CurveItemClick("S1 (driver only)", false);
        spl->CurveItemClick("S2", false);
        z->CurveItemClick("S1 (lookback)", false);

        // The pointer on the woofer, then Del.
        const TDriver& s1 = *f.w.Session().Design().Drivers[0];
        QCOMPARE(s1.RefDes, 1);
        f.MoveTo({s1.Position.X + 1, s1.Position.Y});
        f.Key(Qt::Key_Delete);
        QCOMPARE(f.w.Session().Design().Drivers.size(), std::size_t(1));
        QStringList names;
        for (const TSeriesDef& c : spl->Record().Curves) names << QString::fromStdString(c.Name);
        QCOMPARE(names, QStringList({"System", "S2"}));
        QCOMPARE(z->Record().Curves.size(), std::size_t(1));
        QCOMPARE(spl->Graph()->graphCount(), 4 + 2 * 2);
        QVERIFY(!Item(spl->CurvesMenu(), "S1"));
        QVERIFY(Item(spl->CurvesMenu(), "S2")->isChecked());
        QCOMPARE(spl->MagGraph(1)->data()->size(), 500);
    }
};

QTEST_MAIN(TestSchemGraphs)
#include "tst_schemgraphs.moc"
