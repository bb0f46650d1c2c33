#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <array>

#include "../EditorFixture.h"
#include "base/MessageSink.h"
#include "engine/Sweep.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

// A source driving R1 in series and R2 to ground, joined by wires:
//   source (121,62) -- wire -- R1 (130..136, 62) -- wire -- (145,62) | R2 (145, 63..69) to ground.
void BuildDivider(TDesign& d) {
    ClearElements(d);
    SetSourcePosition(d, d.Source, {118, 64});
    AddGround(d, {121, 66});
    AddWire(d, {121, 62}, {130, 62});
    AddPart(d, TPartType::Resistor, {133, 62}, true).Value = 6.8;
    AddWire(d, {136, 62}, {145, 62});
    AddPart(d, TPartType::Resistor, {145, 66}, false).Value = 3.3;
    AddWire(d, {145, 62}, {145, 63});
    AddGround(d, {145, 69});
}

// The impedance the source sees, at every grid frequency.
std::vector<double> InputImpedance(const TDesign& d) {
    TSolveContext ctx;
    TSolveResult result;
    SilentMessageSink quiet;
    SolveCircuit(d, TSolveOptions{}, ctx, result, quiet);
    return result.InputImpedance.Mag;
}

using WireList = std::vector<std::array<int, 4>>;

WireList Wires(const TDesign& d) {
    WireList out;
    for (const auto& w : d.Wires) out.push_back({w->End1.X, w->End1.Y, w->End2.X, w->End2.Y});
    std::sort(out.begin(), out.end());
    return out;
}

QString Describe(const WireList& wires) {
    QStringList parts;
    for (const auto& w : wires) parts << QString("(%1,%2)-(%3,%4)").arg(w[0]).arg(w[1]).arg(w[2]).arg(w[3]);
    return parts.join(' ');
}

}  // namespace

// What users of schematic editors expect of the sheet beyond its own rules:
// wires that follow what they join, Ctrl+wheel zoom about the pointer, the
// "*" of unsaved changes in the caption.
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

    // R1 dragged with the mouse: the wire ends on its terminals go along,
    // bent where the wire would slant, gone where it shrinks to nothing; the
    // circuit solves as before. With Alt the wires stay where they were.
    void movedPartTakesItsWires_data() {
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<bool>("alt");
        QTest::addColumn<bool>("turn");
        QTest::addColumn<QString>("wires");
        QTest::newRow("along the wires") << QPoint(135, 62) << false << false
                                         << "(121,62)-(132,62) (138,62)-(145,62) (145,62)-(145,63)";
        QTest::newRow("off the row: bends") << QPoint(133, 70) << false << false
                                            << "(121,62)-(130,62) (130,62)-(130,70) (136,62)-(136,70) "
                                               "(136,62)-(145,62) (145,62)-(145,63)";
        QTest::newRow("onto the far end: that wire goes")
            << QPoint(142, 62) << false << false << "(121,62)-(139,62) (145,62)-(145,63)";
        // Both wires bent at (133,62) would short R1: the left one goes round.
        QTest::newRow("turned while moving") << QPoint(133, 60) << false << true
                                             << "(121,57)-(121,62) (121,57)-(133,57) (133,62)-(133,63) "
                                                "(133,62)-(145,62) (145,62)-(145,63)";
        QTest::newRow("Alt: the wires stay")
            << QPoint(133, 70) << true << false << "(121,62)-(130,62) (136,62)-(145,62) (145,62)-(145,63)";
    }
    void movedPartTakesItsWires() {
        QFETCH(QPoint, to);
        QFETCH(bool, alt);
        QFETCH(bool, turn);
        QFETCH(QString, wires);
        TDesign& d = f.w.Session().Design();
        BuildDivider(d);
        f.w.Session().ResetHistory();
        f.w.View().RepaintSheet();
        const auto before = f.Lines();
        const std::vector<double> z = InputImpedance(d);
        QVERIFY(!z.empty());

        const TPoint target{to.x(), to.y()};
        // With PELMO_SCREENSHOT_DIR set, the sheet before and after goes there.
        const QString shots = qEnvironmentVariable("PELMO_SCREENSHOT_DIR");
        const QString shotName = QString(QTest::currentDataTag()).section(':', 0, 0).replace(' ', '-');
        auto shoot = [&](const char* when) {
            if (shots.isEmpty()) return;
            QApplication::processEvents();
            const QRect area(f.Px({112, 54}), f.Px({152, 76}));
            const QString scale = QString::number(f.Sheet()->devicePixelRatioF());
            f.Sheet()->grab(area).save(QString("%1/sheet-move-%2-%3-x%4.png").arg(shots, shotName, when, scale));
        };
        shoot("before");
        f.MoveTo({133, 62});
        f.Press(f.Px({133, 62}));
        f.Move(f.Px({133, 66}), Qt::LeftButton);
        if (turn) f.Key(Qt::Key_R);
        f.Move(f.Px(target), Qt::LeftButton);
        QTest::mouseRelease(f.Sheet(), Qt::LeftButton, alt ? Qt::AltModifier : Qt::NoModifier, f.Px(target));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Parts[0]->Position, target);
        QCOMPARE(Describe(Wires(d)), wires);
        shoot("after");
        if (alt)
            QVERIFY2(InputImpedance(d) != z, "R1 is cut off without its wires");
        else
            QVERIFY2(InputImpedance(d) == z, "the same circuit solves the same");

        // One undo step for the part and its wires.
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.Lines(), before);
        QVERIFY(!f.w.Session().History().CanUndo());
    }

    // A box around everything right of the source moved down: the wire left
    // outside follows with a bend, the boxed ones move whole, the circuit
    // stays the same.
    void movedGroupTakesTheWiresItLeavesBehind() {
        TDesign& d = f.w.Session().Design();
        BuildDivider(d);
        f.w.Session().ResetHistory();
        f.w.View().RepaintSheet();
        const std::vector<double> z = InputImpedance(d);
        f.w.Editor().Menus().MenuChooser = Choose("Move Group");
        f.Drag({128, 59}, {147, 70});
        f.w.Editor().Menus().MenuChooser = nullptr;
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::GroupMove);
        f.MoveTo({147, 72});
        f.MoveTo({147, 74});
        f.Release(f.Px({147, 74}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Parts[0]->Position, (TPoint{133, 66}));
        QCOMPARE(Describe(Wires(d)),
                 QString("(121,62)-(130,62) (130,62)-(130,66) (136,66)-(145,66) (145,66)-(145,67)"));
        QVERIFY(InputImpedance(d) == z);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.Parts[0]->Position, (TPoint{133, 62}));
        QCOMPARE(Describe(Wires(d)), QString("(121,62)-(130,62) (136,62)-(145,62) (145,62)-(145,63)"));
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
