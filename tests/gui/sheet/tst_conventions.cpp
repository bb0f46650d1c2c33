#include <QTemporaryDir>
#include <QtTest>

#include "../EditorFixture.h"

using namespace pelmo;
using namespace pelmo::guitest;

// What users of schematic editors expect of the sheet beyond its own rules:
// Ctrl+wheel zoom about the pointer, the "*" of unsaved changes in the caption.
class TestConventions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { f.Start(); }

    void init() {
        f.AfterDoubleClickWindow();
        f.w.Editor().CancelToIdle();
        TDesign& d = f.w.Session().Design();
        ClearElements(d);
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddPart(d, TPartType::Capacitor, {40, 10}, true);
        d.FileName.clear();
        d.Modified = false;
        f.w.Session().ResetHistory();
        f.w.UpdateCaption();
    }

    // A named design through edits, saves, undo and redo: the star shows
    // exactly while the design differs from the file.
    void captionStarFollowsUnsavedChanges() {
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/Star.bkt").toStdString();
        f.w.ChooseSaveFile = [&](const std::string&, const std::string&) { return path; };
        QAction* save = MenuAction(f.w, "File", "Save");
        QVERIFY(save);
        save->trigger();
        const QString clean = "Pelmo -- Star.bkt", dirty = "Pelmo -- *Star.bkt";
        QCOMPARE(f.w.windowTitle(), clean);

        auto rotate = [&] {
            f.MoveTo({20, 10});
            f.Key(Qt::Key_R);
        };
        auto undo = [&] { f.Key(Qt::Key_Z, Qt::ControlModifier); };
        auto redo = [&] { f.Key(Qt::Key_Y, Qt::ControlModifier); };
        struct Step {
            const char* what;
            std::function<void()> act;
            bool unsaved;
        };
        const std::vector<Step> steps = {
            {"an edit", rotate, true},
            {"undo back to the saved design", undo, false},
            {"redo", redo, true},
            {"save", [&] { save->trigger(); }, false},
            {"undo away from the saved design", undo, true},
            {"redo back to it", redo, false},
            {"a second edit", rotate, true},
        };
        for (const Step& s : steps) {
            s.act();
            QVERIFY2(f.w.windowTitle() == (s.unsaved ? dirty : clean),
                     qPrintable(QString("%1: %2").arg(s.what, f.w.windowTitle())));
            QCOMPARE(f.w.Session().Design().Modified, s.unsaved);
        }
        f.w.ChooseSaveFile = nullptr;
    }

    void untitledDesignStarsTheProgramName() {
        QCOMPARE(f.w.windowTitle(), QString("Pelmo"));
        f.MoveTo({40, 10});
        f.Key(Qt::Key_R);
        QCOMPARE(f.w.windowTitle(), QString("*Pelmo"));
    }

    // Ctrl+wheel over the sheet: the zoom menu's steps and limits, and the
    // grid point under the pointer stays under it. The plain wheel does not zoom.
    void ctrlWheelZoomsAboutThePointer_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("delta");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<int>("turns");
        QTest::addColumn<int>("to");
        QTest::newRow("in") << 10 << 120 << true << 1 << 12;
        QTest::newRow("out") << 10 << -120 << true << 1 << 8;
        QTest::newRow("in, a larger step") << 16 << 120 << true << 1 << 20;
        QTest::newRow("in at the limit") << 24 << 120 << true << 1 << 24;
        QTest::newRow("out at the limit") << 6 << -120 << true << 1 << 6;
        QTest::newRow("two notches at once") << 10 << 240 << true << 1 << 14;
        QTest::newRow("a smooth wheel: two halves make a step") << 10 << 60 << true << 2 << 12;
        QTest::newRow("no Ctrl") << 10 << 120 << false << 1 << 10;
    }
    void ctrlWheelZoomsAboutThePointer() {
        QFETCH(int, from);
        QFETCH(int, delta);
        QFETCH(bool, ctrl);
        QFETCH(int, turns);
        QFETCH(int, to);
        TSheetView& v = f.w.View();
        v.SetSheetScale(from);
        v.CentreOn({128, 64});
        QWidget* viewport = v.ScrollBox()->viewport();
        const QPoint onScreen = viewport->rect().center() + QPoint(37, -23);
        const TPoint g = v.PixelToGrid(v.Sheet()->mapFrom(viewport, onScreen));
        const QPoint at = v.GridToPixel(g);  // exactly on the grid point
        const QPoint screenAt = v.Sheet()->mapTo(viewport, at);
        for (int i = 0; i < turns; ++i) {
            // Where the pointer is on the sheet after the turns before.
            const QPoint here = v.Sheet()->mapFrom(viewport, screenAt);
            QWheelEvent e(here, v.Sheet()->mapToGlobal(here), QPoint(), QPoint(0, delta), Qt::NoButton,
                          ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(v.Sheet(), &e);
        }
        QCOMPARE(v.Scale(), to);
        QCOMPARE(v.Sheet()->mapTo(viewport, v.GridToPixel(g)), screenAt);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

private:
    EditorFixture f;
};

QTEST_MAIN(TestConventions)
#include "tst_conventions.moc"
