#include <QtTest>

#include "../EditorFixture.h"
#include "editor/SheetLabels.h"

using namespace pelmo;
using namespace pelmo::guitest;

class TestEditing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { f.Start(); }

    void init() {
        f.AfterDoubleClickWindow();  // the last test's presses are long past
        f.w.Editor().CancelToIdle();
        ClearElements(f.w.Session().Design());
        SetSourcePosition(f.w.Session().Design(), f.w.Session().Design().Source, {118, 64});
        f.dialogs = RecordingDialogs();
        f.sink.Messages.clear();
    }

    void placingEachKind_data() {
        QTest::addColumn<int>("kindNumber");
        QTest::newRow("resistor") << int(TElementKind::Resistor);
        QTest::newRow("capacitor") << int(TElementKind::Capacitor);
        QTest::newRow("inductor") << int(TElementKind::Inductor);
        QTest::newRow("driver") << int(TElementKind::Driver);
        QTest::newRow("ground") << int(TElementKind::Ground);
        QTest::newRow("text") << int(TElementKind::Text);
    }
    void placingEachKind() {
        QFETCH(int, kindNumber);
        const auto kind = static_cast<TElementKind>(kindNumber);
        TDesign& d = f.w.Session().Design();
        const int solves = f.w.Session().SolveCount();
        d.Modified = false;
        f.Tool(kind);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Placing);
        f.MoveTo({30, 20});
        QCOMPARE(f.w.windowTitle(), QString(" to rotate part while moving, use [R] or [spacebar] keys"));
        QVERIFY(f.w.View().DragImage().Shown());
        f.ClickAt({30, 20});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QVERIFY(d.Modified);
        switch (kind) {
            case TElementKind::Text:
                QCOMPARE(d.Texts.size(), std::size_t(1));
                QCOMPARE(d.Texts[0]->Text, std::string("hello"));
                QCOMPARE(d.Texts[0]->Position, (TPoint{30, 20}));
                QCOMPARE(f.w.Session().SolveCount(), solves);  // texts are not in the circuit
                return;
            case TElementKind::Driver:
                QCOMPARE(d.Drivers.size(), std::size_t(1));
                QCOMPARE(d.Drivers[0]->Position, (TPoint{30, 20}));
                QCOMPARE(d.Drivers[0]->RefDes, 1);
                break;
            case TElementKind::Ground:
                QCOMPARE(d.Grounds.size(), std::size_t(1));
                QCOMPARE(d.Grounds[0]->Position, (TPoint{30, 20}));
                break;
            default:
                QCOMPARE(d.Parts.size(), std::size_t(1));
                QCOMPARE(KindOf(d.Parts[0]->PartType), kind);
                QCOMPARE(d.Parts[0]->Position, (TPoint{30, 20}));
                QCOMPARE(d.Parts[0]->RefDes, 1);
                QVERIFY(d.Parts[0]->IsHorizontal);
                QCOMPARE(d.Parts[0]->Value, d.DefaultPart(PartTypeOf(kind)).Value);
                break;
        }
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
        f.MoveTo({40, 30});
        QCOMPARE(f.w.windowTitle(), QString("*Pelmo"));  // the design's caption again, with its change
    }

    void refusedPlacementStaysAtThePointer() {
        TDesign& d = f.w.Session().Design();
        AddDriver(d, {50, 40});
        f.Tool(TElementKind::Resistor);
        f.ClickAt({56, 40});  // terminal (53,40) inside the driver's body
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Placing);
        QCOMPARE(d.Parts.size(), std::size_t(0));
        f.Key(Qt::Key_R);  // turned while placing
        QVERIFY(!f.w.Editor().PartTypeHorizontal(TPartType::Resistor));
        f.ClickAt({60, 40});
        QCOMPARE(d.Parts.size(), std::size_t(1));
        QVERIFY(!d.Parts[0]->IsHorizontal);
        f.Tool(TElementKind::Resistor);
        f.Key(Qt::Key_Space);
        f.Key(Qt::Key_Escape);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QVERIFY(f.w.Editor().PartTypeHorizontal(TPartType::Resistor));
    }

    void clickPicksUpAndTheNextClickDrops() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddDriver(d, {50, 40});
        f.ClickAt({20, 10});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Moving);
        QVERIFY(d.Parts[0]->Selected);
        f.AfterDoubleClickWindow();

        // Moving shows the drag image and repaints only what it covers.
        const int renders = f.w.View().FullRenderCount();
        f.w.View().Sheet()->ResetPainted();
        f.MoveTo({25, 12});
        f.MoveTo({30, 14});
        QTest::qWait(20);
        QCOMPARE(f.w.View().FullRenderCount(), renders);
        const QRect painted = f.w.View().Sheet()->PaintedSince().boundingRect();
        QVERIFY2(painted.width() <= 3 * (10 * 10 + 1) && painted.height() <= 2 * (10 * 10 + 1) + 20,
                 qPrintable(QString("%1x%2").arg(painted.width()).arg(painted.height())));
        QVERIFY(f.w.View().DragImage().Shown());

        // A refused drop: a terminal inside the driver's body.
        f.ClickAt({56, 40});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Moving);
        QCOMPARE(d.Parts[0]->Position, (TPoint{20, 10}));
        QVERIFY(f.w.View().DragImage().Shown());

        const int solves = f.w.Session().SolveCount();
        f.ClickAt({30, 30});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Parts[0]->Position, (TPoint{30, 30}));
        QCOMPARE(d.Parts[0]->Terminal1, (TPoint{27, 30}));
        QVERIFY(!d.Parts[0]->Selected);
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
    }

    void pressDragReleaseMovesEveryKind() {
        TDesign& d = f.w.Session().Design();
        AddGround(d, {10, 60});
        AddText(d, {40, 100}, "note");
        AddWire(d, {60, 10}, {70, 10});
        f.Drag({10, 62}, {14, 70});  // by its body: the ground lands under the pointer
        QCOMPARE(d.Grounds[0]->Position, (TPoint{14, 70}));
        f.AfterDoubleClickWindow();
        f.Drag({40, 100}, {45, 105});
        QCOMPARE(d.Texts[0]->Position, (TPoint{45, 105}));
        f.AfterDoubleClickWindow();
        f.Drag({64, 10}, {64, 20});  // grabbed 4 units from its first end
        QCOMPARE(d.Wires[0]->End1, (TPoint{60, 20}));
        QCOMPARE(d.Wires[0]->End2, (TPoint{70, 20}));
        f.AfterDoubleClickWindow();
        f.Drag({116, 64}, {90, 30});  // the source
        QCOMPARE(d.Source.Position, (TPoint{90, 30}));
        QCOMPARE(d.Source.Terminal1, (TPoint{93, 28}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

    void wiringFromATerminal() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        const int solves = f.w.Session().SolveCount();
        f.MoveTo({23, 10});
        f.Press(f.Px({23, 10}));  // the lead end: a wire starts
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Wiring);
        f.Move(f.Px({27, 11}), Qt::LeftButton);
        f.Move(f.Px({30, 11}), Qt::LeftButton);  // kept horizontal
        f.Release(f.Px({30, 11}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Wires.size(), std::size_t(1));
        QCOMPARE(d.Wires[0]->End1, (TPoint{23, 10}));
        QCOMPARE(d.Wires[0]->End2, (TPoint{30, 10}));
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);

        // Drawn right to left, the ends are put in order.
        f.AfterDoubleClickWindow();
        f.Drag({17, 10}, {17, 2});
        QCOMPARE(d.Wires.size(), std::size_t(2));
        QCOMPARE(d.Wires[1]->End1, (TPoint{17, 2}));
        QCOMPARE(d.Wires[1]->End2, (TPoint{17, 10}));
    }

    void wireEndsInsideSymbolsAreRefused() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddWire(d, {20, 20}, {20, 30});
        f.MoveTo({20, 20});
        f.Press(f.Px({20, 20}));
        f.Move(f.Px({20, 15}), Qt::LeftButton);
        f.Move(f.Px({20, 10}), Qt::LeftButton);  // the middle of the resistor
        f.Release(f.Px({20, 10}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Wiring);
        f.Move(f.Px({20, 12}), Qt::LeftButton);
        f.Release(f.Px({20, 12}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Wires.size(), std::size_t(1));
        QCOMPARE(d.Wires[0]->End1, (TPoint{20, 12}));  // merged with the old one
        QCOMPARE(d.Wires[0]->End2, (TPoint{20, 30}));
    }

    void zeroLengthWireAndCancelling() {
        TDesign& d = f.w.Session().Design();
        AddWire(d, {50, 50}, {60, 50});
        f.MoveTo({60, 50});
        f.Press(f.Px({60, 50}));
        f.Release(f.Px({60, 50}));
        QCOMPARE(d.Wires.size(), std::size_t(1));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Placing);  // the next press starts a wire anywhere
        f.Drag({70, 70}, {70, 75});
        QCOMPARE(d.Wires.size(), std::size_t(2));
        QCOMPARE(d.Wires[1]->End1, (TPoint{70, 70}));

        f.AfterDoubleClickWindow();
        f.MoveTo({60, 50});
        f.Press(f.Px({60, 50}));
        f.Move(f.Px({65, 50}), Qt::LeftButton);
        QCOMPARE(d.Wires.size(), std::size_t(3));
        f.Key(Qt::Key_Escape);
        QCOMPARE(d.Wires.size(), std::size_t(2));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        f.Release(f.Px({65, 50}));

        f.MoveTo({60, 50});
        f.Press(f.Px({60, 50}));
        f.Move(f.Px({66, 50}), Qt::LeftButton);
        f.Press(f.Px({66, 50}), Qt::RightButton);
        QCOMPARE(d.Wires.size(), std::size_t(2));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

    void mergingAndTheTJunction() {
        TDesign& d = f.w.Session().Design();
        AddWire(d, {30, 20}, {40, 20});
        f.Drag({40, 20}, {50, 20});
        QCOMPARE(d.Wires.size(), std::size_t(1));
        QCOMPARE(d.Wires[0]->End1, (TPoint{30, 20}));
        QCOMPARE(d.Wires[0]->End2, (TPoint{50, 20}));

        ClearElements(d);
        AddWire(d, {30, 20}, {40, 20});
        AddWire(d, {40, 20}, {40, 30});
        f.AfterDoubleClickWindow();
        f.Drag({40, 20}, {50, 20});
        QCOMPARE(d.Wires.size(), std::size_t(3));
    }

    void rotatingInPlace() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        const int solves = f.w.Session().SolveCount();
        f.MoveTo({20, 10});
        f.Key(Qt::Key_R);
        QVERIFY(!d.Parts[0]->IsHorizontal);
        QCOMPARE(d.Parts[0]->Terminal1, (TPoint{20, 7}));
        QCOMPARE(d.Parts[0]->Terminal2, (TPoint{20, 13}));
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
        f.Key(Qt::Key_Space);
        QVERIFY(d.Parts[0]->IsHorizontal);
    }

    void rotatingWhileMovingAndPuttingBack() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Capacitor, {20, 10}, true);
        f.ClickAt({20, 10});
        f.AfterDoubleClickWindow();
        f.MoveTo({40, 40});
        f.Key(Qt::Key_R);
        QVERIFY(d.Parts[0]->IsHorizontal);  // only when dropped
        f.Press(f.Px({40, 40}), Qt::RightButton);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Parts[0]->Position, (TPoint{20, 10}));
        QVERIFY(d.Parts[0]->IsHorizontal);
        QCOMPARE(d.Parts[0]->Terminal1, (TPoint{17, 10}));
        QVERIFY(!d.Parts[0]->Selected);

        f.AfterDoubleClickWindow();
        f.ClickAt({20, 10});
        f.AfterDoubleClickWindow();
        f.MoveTo({40, 40});
        f.Key(Qt::Key_Space);
        f.Key(Qt::Key_Return);  // Enter drops at the pointer
        QCOMPARE(d.Parts[0]->Position, (TPoint{40, 40}));
        QVERIFY(!d.Parts[0]->IsHorizontal);
        QCOMPARE(d.Parts[0]->Terminal1, (TPoint{40, 37}));
    }

    void keysOverElements() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddDriver(d, {50, 40});
        const int solves = f.w.Session().SolveCount();

        f.MoveTo({20, 10});
        f.Key(Qt::Key_S);
        QCOMPARE(d.Parts[0]->State, TPartState::Shorted);
        f.Key(Qt::Key_O);
        QCOMPARE(d.Parts[0]->State, TPartState::Open);
        f.Key(Qt::Key_N);
        QCOMPARE(d.Parts[0]->State, TPartState::Normal);

        f.MoveTo({51, 40});
        f.Key(Qt::Key_M);
        QVERIFY(d.Drivers[0]->Muted);
        f.Key(Qt::Key_I);
        QVERIFY(d.Drivers[0]->Inverted);
        f.Key(Qt::Key_Minus, Qt::KeypadModifier);  // already inverted: nothing
        QVERIFY(d.Drivers[0]->Inverted);
        f.Key(Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(!d.Drivers[0]->Inverted);
        QCOMPARE(f.w.Session().SolveCount(), solves + 6);

        f.MoveTo({116, 64});
        f.Key(Qt::Key_Delete);
        QVERIFY(d.Source.Placed);
        f.Key(Qt::Key_I);
        QVERIFY(d.Source.Inverted);
        f.MoveTo({51, 40});
        f.Key(Qt::Key_D);
        QCOMPARE(d.Drivers.size(), std::size_t(0));
        f.MoveTo({80, 80});
        f.Key(Qt::Key_Delete);  // over nothing: nothing
        QCOMPARE(d.Parts.size(), std::size_t(1));
    }

    void tuneOpensTheDialogOfTheElement() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddGround(d, {40, 40});
        d.Modified = false;
        f.MoveTo({20, 10});
        f.Key(Qt::Key_T);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::TuneMode);
        QVERIFY(d.Modified);
        QCOMPARE(f.dialogs.Shown.size(), std::size_t(1));
        QCOMPARE(f.dialogs.Shown[0], (TElementRef{TElementKind::Resistor, 0}));
        QVERIFY(!f.dialogs.Focused.empty());
        // A single click in tuning does nothing; a right press on empty sheet ends it.
        f.ClickAt({80, 80});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::TuneMode);
        f.Press(f.Px({80, 80}), Qt::RightButton);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);

        // A double-click on a ground opens nothing and leaves the editor idle.
        f.MoveTo({40, 42});
        QTest::mouseDClick(f.Sheet(), Qt::LeftButton, {}, f.Px({40, 42}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(f.dialogs.Shown.size(), std::size_t(1));
        // A second press soon after a pick-up is a double-click: the part is tuned.
        f.AfterDoubleClickWindow();
        f.MoveTo({20, 10});
        f.Press(f.Px({20, 10}));
        f.Release(f.Px({20, 10}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Moving);
        f.Press(f.Px({20, 10}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::TuneMode);
        QCOMPARE(d.Parts[0]->Position, (TPoint{20, 10}));
        f.Release(f.Px({20, 10}));
        f.w.Editor().CancelToIdle();
    }

    void elementMenuItemsAndCommands() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddWire(d, {40, 10}, {50, 10});
        AddDriver(d, {50, 40});
        QStringList offered;
        f.w.Editor().Menus().MenuChooser = Choose("cancel", &offered);

        f.Press(f.Px({116, 64}), Qt::RightButton);
        QVERIFY(!offered.contains("Delete"));
        QVERIFY(offered.contains("Invert/normal"));
        QVERIFY(!offered.contains("Copy+Paste"));
        QCOMPARE(f.w.Editor().Menus().LastMenuDefaultItem(), QString("Tune"));

        offered.clear();
        f.Press(f.Px({45, 10}), Qt::RightButton);
        QVERIFY(!offered.contains("Tune"));
        QVERIFY(offered.contains("Delete"));

        offered.clear();
        f.Press(f.Px({51, 40}), Qt::RightButton);
        QCOMPARE(offered, (QStringList{"Tune", "Find Part#", "Invert/normal", "Mute/unmute", "Zoom", "Center here",
                                       "Move", "Delete", "Copy+Paste", "cancel"}));

        f.w.Editor().Menus().MenuChooser = Choose("Short");
        f.Press(f.Px({20, 10}), Qt::RightButton);
        QCOMPARE(d.Parts[0]->State, TPartState::Shorted);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);

        f.w.Editor().Menus().MenuChooser = Choose("Rotate");
        f.Press(f.Px({20, 10}), Qt::RightButton);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Moving);
        f.MoveTo({30, 30});
        f.ClickAt({30, 30});
        QCOMPARE(d.Parts[0]->Position, (TPoint{30, 30}));
        QVERIFY(!d.Parts[0]->IsHorizontal);

        f.w.Editor().Menus().MenuChooser = Choose("Delete");
        f.Press(f.Px({51, 40}), Qt::RightButton);
        QCOMPARE(d.Drivers.size(), std::size_t(0));

        f.w.Editor().Menus().MenuChooser = Choose("Zoom");
        f.Press(f.Px({80, 80}), Qt::RightButton);  // the sheet menu
        QCOMPARE(f.w.Editor().Menus().LastMenuItems(), (QStringList{"Fit all", "Zoom", "Center here", "cancel"}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::ZoomMode);
        f.MoveTo({60, 40});
        f.Wheel(f.Sheet(), f.Px({60, 40}), 120);
        QCOMPARE(f.w.View().Scale(), 12);
        f.Key(Qt::Key_Down);
        QCOMPARE(f.w.View().Scale(), 10);
        f.Key(Qt::Key_Escape);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        f.w.Editor().Menus().MenuChooser = nullptr;
    }

    void wheelScrollsOnlyOutsideTheSheet() {
        QScrollBar* v = f.w.View().ScrollBox()->verticalScrollBar();
        v->setValue(100);
        QWidget* host = f.w.View().ScrollBox()->widget();
        const QPoint margin(host->width() - 10, 50);  // right of the sheet panel
        f.Wheel(host, margin, 120);
        QCOMPARE(v->value(), 100 + 5 * QApplication::wheelScrollLines());
        f.Wheel(host, margin, -120);
        QCOMPARE(v->value(), 100);
        f.Wheel(f.Sheet(), QPoint(300, 300), 120);
        QCOMPARE(v->value(), 100);
    }

    void focusLossRemovesAnUnfinishedWire() {
        TDesign& d = f.w.Session().Design();
        AddWire(d, {50, 50}, {60, 50});
        f.MoveTo({60, 50});
        f.Press(f.Px({60, 50}));
        f.Move(f.Px({65, 50}), Qt::LeftButton);
        QCOMPARE(d.Wires.size(), std::size_t(2));
        f.w.Editor().SheetFocusLost();
        QCOMPARE(d.Wires.size(), std::size_t(1));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        f.Release(f.Px({65, 50}));
    }

    void commandsOnVanishedElementsDoNothing() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        f.ClickAt({20, 10});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Moving);
        ClearElements(d);  // gone behind the editor's back
        f.AfterDoubleClickWindow();
        f.MoveTo({30, 30});
        f.Key(Qt::Key_R);
        f.ClickAt({30, 30});
        f.w.Editor().Delete1Click();
        f.w.Editor().Copy2Click();
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Parts.size(), std::size_t(0));
    }

    void tips() {
        QMenuBar* bar = f.w.menuBar();
        for (QAction* a : bar->actions())
            if (a->text() == "Tips!") a->trigger();
        QCOMPARE(f.sink.Messages.size(), std::size_t(1));
        QVERIFY(f.sink.Messages[0].rfind(" * TO ROTATE a component, press the space bar or \"R\" key.\n\n", 0) == 0);
        QVERIFY(f.sink.Messages[0].size() > 900);
    }

private:
    EditorFixture f;
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
