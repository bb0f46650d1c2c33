#include <QtTest>

#include "../EditorFixture.h"
#include "graphs/GraphRecord.h"

using namespace pelmo;
using namespace pelmo::guitest;

// Each edit kind, done with the mouse and keys, then undone and redone with the
// keyboard shortcuts: the design must be exactly as before and after.
class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { f.Start(); }

    // Every case starts from the same design with a fresh history.
    void init() {
        f.AfterDoubleClickWindow();
        f.w.Editor().CancelToIdle();
        TDesign& d = f.w.Session().Design();
        ClearElements(d);
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddPart(d, TPartType::Capacitor, {40, 10}, true);
        AddWire(d, {23, 10}, {37, 10});
        AddDriver(d, {60, 30});
        AddGround(d, {59, 31});
        f.w.Session().History().Reset(d);
    }

    void eachEditUndoesAndRedoes_data() {
        QTest::addColumn<int>("edit");
        const char* names[] = {"place", "drop", "wire",       "delete",      "rotate",
                               "state", "mute", "group move", "group paste", "group delete"};
        for (int i = 0; i < int(std::size(names)); ++i) QTest::newRow(names[i]) << i;
    }
    void eachEditUndoesAndRedoes() {
        QFETCH(int, edit);
        TDesign& d = f.w.Session().Design();
        const auto before = f.Lines();
        const int solves = f.w.Session().SolveCount();
        switch (edit) {
            case 0:
                f.Tool(TElementKind::Inductor);
                f.ClickAt({80, 80});
                break;
            case 1:
                f.Drag({20, 10}, {20, 40});
                break;
            case 2:
                f.Drag({43, 10}, {50, 10});
                break;
            case 3:
                f.MoveTo({40, 10});
                f.Key(Qt::Key_Delete);
                break;
            case 4:
                f.MoveTo({20, 10});
                f.Key(Qt::Key_R);
                break;
            case 5:
                f.MoveTo({20, 10});
                f.Key(Qt::Key_O);
                break;
            case 6:
                f.MoveTo({61, 30});
                f.Key(Qt::Key_M);
                break;
            case 7:
                f.w.Editor().Menus().MenuChooser = Choose("Move Group");
                f.Drag({15, 5}, {45, 15});
                f.MoveTo({50, 25});
                f.Key(Qt::Key_Return);
                break;
            case 8:
                f.w.Editor().Menus().MenuChooser = Choose("Copy+Paste Group");
                f.Drag({15, 5}, {45, 15});
                f.MoveTo({45, 55});
                f.Key(Qt::Key_Return);
                break;
            case 9:
                f.w.Editor().Menus().MenuChooser = Choose("Delete Group");
                f.Drag({15, 5}, {45, 15});
                break;
        }
        f.w.Editor().Menus().MenuChooser = nullptr;
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        const auto after = f.Lines();
        QVERIFY2(after != before, "the edit changed the design");
        QVERIFY(f.w.UndoAction()->isEnabled());

        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.Lines(), before);
        QVERIFY(f.w.RedoAction()->isEnabled());
        QVERIFY(f.w.Session().SolveCount() > solves + 1);  // the undo solved again
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(f.Lines(), after);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        f.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.Lines(), after);
        QVERIFY(d.Modified);
    }

    void noStepForWhatChangesNothing() {
        const std::size_t depth = f.w.Session().History().UndoDepth();
        f.ClickAt({20, 10});    // pick up ...
        f.Key(Qt::Key_Escape);  // ... and put back
        f.Tool(TElementKind::Resistor);
        f.Key(Qt::Key_Escape);
        QCOMPARE(f.w.Session().History().UndoDepth(), depth);
    }

    void graphCurvesFollowTheEditsAndTheirUndo() {
        TDesign& d = f.w.Session().Design();
        ClearElements(d);
        AddDriver(d, {130, 63});  // terminals (129,62) and (129,64), wired to the source
        AddWire(d, {121, 62}, {129, 62});
        AddWire(d, {121, 66}, {129, 66});
        AddWire(d, {129, 64}, {129, 66});
        f.w.Session().History().Reset(d);
        TGraphRecord spl(TGraphKind::SPL);
        f.w.Session().Graphs().Add(&spl);
        AddCurve(spl, d, "System", false);
        AddCurve(spl, d, "S1", false);
        f.w.Solve();
        QVERIFY(!spl.Curves[1].MagSeries.Empty());

        f.MoveTo({131, 63});
        f.Key(Qt::Key_D);
        QCOMPARE(d.Drivers.size(), std::size_t(0));
        QCOMPARE(spl.Curves.size(), std::size_t(1));

        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(spl.Curves.size(), std::size_t(2));
        QCOMPARE(spl.Curves[1].Name, std::string("S1"));
        QCOMPARE(spl.Curves[1].Element, 0);
        QCOMPARE(spl.Curves[1].MagSeries.Count(), d.Grid.size());  // solved again

        f.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(spl.Curves.size(), std::size_t(1));
        f.w.Session().Graphs().Remove(&spl);
    }

private:
    EditorFixture f;
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
