#include <QTemporaryDir>
#include <QtTest>

#include "../EditorFixture.h"

using namespace pelmo;
using namespace pelmo::guitest;

// What users of schematic editors expect of the sheet beyond its own rules:
// the "*" of unsaved changes in the caption.
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

private:
    EditorFixture f;
};

QTEST_MAIN(TestConventions)
#include "tst_conventions.moc"
