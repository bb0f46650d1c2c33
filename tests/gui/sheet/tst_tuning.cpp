#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "../EditorFixture.h"
#include "graphs/GraphRecord.h"
#include "gui/dialogs/BlockVariablesDialog.h"
#include "gui/dialogs/ComponentDialog.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/sheet/Cursors.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/Pcs.h"

using namespace pelmo;
using namespace pelmo::guitest;

// Tuning with the real element dialogs: T over a part, the wheel steps its
// value through its series while every graph follows, and the whole session
// is one undo step.
class TestTuning : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        f.Start();
        f.w.SetElementDialogs(nullptr);  // the window's own dialogs
    }

    // The source, a series capacitor C1 (10 uF) and a driver behind it.
    void init() {
        f.AfterDoubleClickWindow();
        f.w.ElementDialogs().CloseAll();
        f.w.Editor().CancelToIdle();
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        TDesign& d = f.w.Session().Design();
        ClearElements(d);
        AddGround(d, {121, 66});
        AddWire(d, {121, 62}, {127, 62});
        AddPart(d, TPartType::Capacitor, {130, 62}, true).Value = 10e-6;
        AddDriver(d, {134, 63});
        AddWire(d, {133, 64}, {133, 66});
        AddWire(d, {121, 66}, {133, 66});
        f.w.Session().Solve();
        f.w.Session().History().Reset(d);
        f.sink.Messages.clear();
    }

    void wheelNotchesStepTheValueAndEveryGraphFollows() {
        TDesign& d = f.w.Session().Design();
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        const DataArray before = SystemSpl();
        QCOMPARE(before.size(), std::size_t(500));

        f.MoveTo({130, 62});
        f.Key(Qt::Key_T);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QString("Tune and Select"));
        QCOMPARE(dialog.RefDesLabel()->text(), QString("C1"));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::TuneMode);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.ValueControl()->EditReal()));
        // The T released after the focus moved is no typing in the field.
        QTest::keyRelease(dialog.ValueControl()->EditReal(), Qt::Key_T);
        QCOMPARE(dialog.ValueControl()->EditReal()->text(), QString("10 uF"));
        QCOMPARE(d.Parts[0]->Value, 10e-6);  // showing the part wrote nothing

        // Three notches in the 5 % series: 10, 11, 12, 13 uF, one solve each.
        const double expected[] = {11e-6, 12e-6, 13e-6};
        DataArray last = before;
        for (double value : expected) {
            const int solves = f.w.Session().SolveCount();
            f.Wheel(f.Sheet(), f.Px({130, 62}), 120);
            QCOMPARE(d.Parts[0]->Value, value);
            QCOMPARE(f.w.Session().SolveCount(), solves + 1);
            const DataArray now = SystemSpl();
            QVERIFY(now != last);
            last = now;
        }
        QCOMPARE(f.w.Session().History().UndoDepth(), std::size_t(0));  // no step per notch

        // Enter closes the dialog: the session is one undo step.
        QTest::keyClick(dialog.ValueControl()->EditReal(), Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(f.w.Session().History().UndoDepth(), std::size_t(1));
        QTRY_VERIFY(f.w.isActiveWindow());  // the keys go to the sheet again
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.Parts[0]->Value, 10e-6);
        QCOMPARE(SystemSpl(), before);
    }

    // A notch draws only the area of the part's labels again, into the kept
    // picture of the sheet: what the sheet shows must be what a full redraw
    // shows, while the label grows and shrinks and with neighbours (wires
    // running by, a resistor with its own labels, a ground) close to it.
    void aNotchRedrawsOnlyThePartsLabelsAsAFullRedrawWould() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {130, 58}, true).Value = 4.7;
        AddWire(d, {126, 60}, {136, 60});
        AddGround(d, {128, 66});
        f.w.Session().Solve();
        TSheetView& view = f.w.View();
        view.CentreOn({130, 62});
        QApplication::processEvents();
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        f.MoveTo({130, 62});
        f.Key(Qt::Key_T);
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.ValueControl()->EditReal(), Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.ValueControl()->EditReal()));
        const QRect visible = f.Sheet()->visibleRegion().boundingRect();
        QVERIFY(!visible.isEmpty());
        // 10 uF down to 9.1, 8.2 (a narrower label), then up past 10 again.
        for (int delta : {-120, -120, 120, 120, 120, 120}) {
            const double before = d.Parts[0]->Value;
            f.Sheet()->grab(visible);  // the kept picture is current
            const int full = view.FullRenderCount();
            f.Wheel(f.Sheet(), f.Px({130, 62}), delta);
            QVERIFY(d.Parts[0]->Value != before);
            QApplication::processEvents();
            const QImage notched = f.Sheet()->grab(visible).toImage();
            QCOMPARE(view.FullRenderCount(), full);  // the kept picture, partly redrawn
            view.RepaintSheet();
            const QImage redrawn = f.Sheet()->grab(visible).toImage();
            QCOMPARE(view.FullRenderCount(), full + 1);
            QCOMPARE(notched, redrawn);
        }
        QTest::keyClick(dialog.ValueControl()->EditReal(), Qt::Key_Escape);
    }

    void aShortedPartRefusesValueChanges() {
        TDesign& d = f.w.Session().Design();
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        f.MoveTo({130, 62});
        f.Key(Qt::Key_T);
        QVERIFY(dialog.isVisible());
        const int solves = f.w.Session().SolveCount();
        QTest::mouseClick(dialog.StateButton(TPartState::Shorted), Qt::LeftButton);
        QCOMPARE(d.Parts[0]->State, TPartState::Shorted);
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
        QVERIFY(dialog.ValueText()->isVisible());
        QCOMPARE(dialog.ValueText()->text(), QString("--SHORTED--"));
        dialog.ValueControl()->Step(true);  // the arrows
        QCOMPARE(d.Parts[0]->Value, 10e-6);
        QCOMPARE(dialog.ValueControl()->Value(), 10.0);
        QTest::mouseClick(dialog.StateButton(TPartState::Normal), Qt::LeftButton);
        QCOMPARE(d.Parts[0]->State, TPartState::Normal);
        // Escape closes, also from the value field; the open and close of the
        // state leave no undo step.
        QTest::keyClick(dialog.ValueControl()->EditReal(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(f.w.Session().History().UndoDepth(), std::size_t(0));

        // The keys over the part on the sheet.
        f.MoveTo({130, 62});
        f.Key(Qt::Key_O);
        QCOMPARE(d.Parts[0]->State, TPartState::Open);
        f.Key(Qt::Key_S);
        QCOMPARE(d.Parts[0]->State, TPartState::Shorted);
        f.Key(Qt::Key_N);
        QCOMPARE(d.Parts[0]->State, TPartState::Normal);
    }

    // The component dialog at the default font in every look it takes: its
    // size, the fields left of the picture and the buttons right of it, the
    // texts that cover the fields exactly where the fields are, and no two
    // other visible controls on top of each other.
    void theComponentDialogKeepsItsArrangement_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<bool>("designer");
        QTest::addColumn<QSize>("size");
        QTest::newRow("in the circuit") << int(TPartState::Normal) << false << false << QSize(476, 145);
        QTest::newRow("open") << int(TPartState::Open) << false << false << QSize(476, 145);
        QTest::newRow("bound to a part number") << int(TPartState::Normal) << true << false << QSize(476, 145);
        QTest::newRow("block designer") << int(TPartState::Normal) << false << true << QSize(476, 245);
    }

    void theComponentDialogKeepsItsArrangement() {
        QFETCH(int, state);
        QFETCH(bool, bound);
        QFETCH(bool, designer);
        QFETCH(QSize, size);
        TDesign& d = f.w.Session().Design();
        TPart& part = *d.Parts[0];
        part.State = static_cast<TPartState>(state);
        if (bound) {
            part.Vendor = "Acme";
            part.PartNumber = "C-10";
        }
        d.BlockDesignMode = designer;
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        const bool shown = f.w.ElementDialogs().ShowFor({TElementKind::Capacitor, 0});
        d.BlockDesignMode = false;
        QVERIFY(shown);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(dialog.size(), size);

        auto rect = [&](QWidget* w) { return QRect(w->mapTo(&dialog, QPoint(0, 0)), w->size()); };
        QWidget* const value = dialog.ValueControl();
        QWidget* const esr = dialog.EsrControl();
        QCOMPARE(dialog.ValueText()->isVisible(), state != int(TPartState::Normal) || bound);
        if (dialog.ValueText()->isVisible()) {
            QCOMPARE(rect(dialog.ValueText()), rect(value));
            QCOMPARE(rect(dialog.EsrText()), rect(esr));
        }
        QCOMPARE(dialog.PartNumberText()->isVisible(), bound);
        QCOMPARE(dialog.DeselectButton()->isVisible(), bound);
        QCOMPARE(dialog.ValueExpression()->isVisible(), designer);
        QCOMPARE(dialog.EsrExpression()->isVisible(), designer);

        // Left to right: the value field, the ESR field, the picture, the buttons.
        const QRect picture = rect(dialog.PictureBox());
        QVERIFY(rect(value).right() < rect(esr).left());
        QVERIFY(rect(esr).right() < picture.left());
        QVERIFY(picture.right() < rect(dialog.FindPartButton()).left());
        QVERIFY(rect(dialog.FindPartButton()).bottom() < rect(dialog.CloseButton()).top());
        QVERIFY(rect(dialog.RefDesLabel()).bottom() < rect(value).bottom());
        QVERIFY(rect(value).bottom() < rect(dialog.StateButton(TPartState::Normal)).top());
        if (designer) {
            QVERIFY(picture.bottom() < rect(dialog.ValueExpression()).top());
            QVERIFY(rect(dialog.ValueExpression()).bottom() < rect(dialog.EsrExpression()).top());
        }

        QList<QWidget*> controls;
        for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible() && w != dialog.ValueText() && w != dialog.EsrText()) controls << w;
        QVERIFY(controls.size() >= 8);
        for (int i = 0; i < controls.size(); ++i) {
            QVERIFY2(dialog.rect().contains(rect(controls[i])), qPrintable(controls[i]->objectName()));
            for (int j = i + 1; j < controls.size(); ++j)
                QVERIFY2(!rect(controls[i]).intersects(rect(controls[j])),
                         qPrintable(controls[i]->objectName() + " over " + controls[j]->objectName()));
        }
        dialog.close();
    }

    void aNotchWithThePointerOnAnotherElementEndsTuning() {
        TDesign& d = f.w.Session().Design();
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        f.MoveTo({130, 62});
        f.Key(Qt::Key_T);
        // The state panel was used last (the test before): the sheet hands
        // the focus to nothing until the user clicks into the value.
        QTest::mouseClick(dialog.ValueControl()->EditReal(), Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.ValueControl()->EditReal()));
        f.MoveTo({134, 63});  // the driver
        f.Wheel(f.Sheet(), f.Px({134, 63}), 120);
        QCOMPARE(d.Parts[0]->Value, 11e-6);  // the step is applied and solved
        QVERIFY(!dialog.isVisible());        // then tuning ends with the driver current
        QCOMPARE(f.w.Editor().CurrentElement(), (TElementRef{TElementKind::Driver, 0}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

    void aPowerRatingAboveFiftyWattsStays() {
        TDesign& d = f.w.Session().Design();
        TPart& r = AddPart(d, TPartType::Resistor, {130, 80}, true);
        r.Rating = 100;
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        f.MoveTo({130, 80});
        f.Key(Qt::Key_T);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.EsrControl()->RealValue(), 100.0);
        dialog.EsrControl()->Step(true);
        QCOMPARE(r.Rating, 101.0);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }

    // Enter on a value the field refuses keeps the dialog open with the old
    // value and the reason beside the field; a decimal comma is the point.
    void aRefusedEntryKeepsTheDialogOpen() {
        TDesign& d = f.w.Session().Design();
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        f.MoveTo({130, 62});
        f.Key(Qt::Key_T);
        TEditReal* field = dialog.ValueControl()->EditReal();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(field));
        QTest::keyRelease(field, Qt::Key_T);
        for (const char* refused : {"0", "-5", "abc"}) {
            field->selectAll();
            QTest::keyClicks(field, refused);
            QTest::keyClick(field, Qt::Key_Return);
            QVERIFY2(dialog.isVisible(), refused);
            QCOMPARE(d.Parts[0]->Value, 10e-6);
            QVERIFY2(field->ShowsRefusal(), refused);
            QCOMPARE(field->text(), QString("10 uF"));
        }
        field->selectAll();
        QTest::keyClicks(field, "2,2");
        QVERIFY(!field->ShowsRefusal());  // gone with the next key
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(d.Parts[0]->Value, 2.2e-6);
        QVERIFY(!dialog.isVisible());
    }

    // The element dialogs open clear of the element being tuned and on the
    // screen, wherever the last one was left.
    void theDialogKeepsClearOfTheTunedElement() {
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        f.w.View().CentreOn({130, 62});
        const TElementRef c1{TElementKind::Capacitor, 0};
        const QRect element = f.w.Editor().Tuning().ElementScreenRect(c1);
        QVERIFY(!element.isEmpty());
        const QRect screen = f.w.screen()->availableGeometry();
        for (const QPoint& leftAt : {element.topLeft(), QPoint(screen.right() - 5, screen.bottom() - 5)}) {
            dialog.move(leftAt);  // where the user might have left it
            f.MoveTo({130, 62});
            f.Key(Qt::Key_T);
            QVERIFY(dialog.isVisible());
            const QRect placed(dialog.pos(), dialog.frameGeometry().size());
            QVERIFY2(!placed.intersects(element) || !screen.contains(placed), "over the element");
            QVERIFY(screen.contains(placed.topLeft()));
            dialog.close();
            f.AfterDoubleClickWindow();
        }
    }

    // The menu's "Tune", the key T and a double-click all open "Tune Circuit Block".
    void aBlockIsTunedThroughItsVariables_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("menu") << 0;
        QTest::newRow("key T") << 1;
        QTest::newRow("double-click") << 2;
    }

    void aBlockIsTunedThroughItsVariables() {
        QFETCH(int, how);
        TDesign& d = f.w.Session().Design();
        // The capacitor joins a block whose variable C sets it in uF.
        TCircuitBlock& b = AppendBlock(d);
        b.Title = "series C";
        b.VarName[2] = "C";
        b.VarDesc[2] = "capacitance (uF)";
        b.VarValue[2] = 10;
        b.VarStepMode[2] = smLog;
        d.Parts[0]->Subckt = 0;
        d.Parts[0]->Equation1 = "C*1e-6";
        RebuildBlockMembers(d);
        f.w.Session().Solve();
        f.w.Session().History().Reset(d);
        QCOMPARE(d.Parts[0]->BoundValue, 10e-6);

        const QPoint at = f.Px(b.Center);
        f.MoveTo(b.Center);
        if (how == 0) {
            f.w.Editor().Menus().MenuChooser = Choose("Tune");
            f.Press(at, Qt::RightButton);
            f.w.Editor().Menus().MenuChooser = nullptr;
        } else if (how == 1) {
            f.Key(Qt::Key_T);
        } else {
            QTest::mouseDClick(f.Sheet(), Qt::LeftButton, {}, at);
        }
        TBlockVariablesDialog& dialog = f.w.ElementDialogs().BlockVariables();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QString("Tune Circuit Block"));
        QVERIFY(dialog.Spinner(2)->isVisible());
        QVERIFY(!dialog.Spinner(3)->isVisible());
        dialog.Spinner(2)->Step(true);  // one semitone up, rounded to E48 by the block
        QCOMPARE(d.Parts[0]->BoundValue, 10.5e-6);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(f.w.Session().History().UndoDepth(), std::size_t(1));
    }

    void thePointerTimerRunsOnlyAfterTheFirstCatalogueUpdate() {
        // Over a wire end in Idle the cursor is the wire cursor after a move;
        // without the timer it stays so while the pointer rests.
        f.MoveTo({121, 62});
        QCOMPARE(f.Sheet()->cursor().shape(), SheetCursor(TSheetCursor::Wire).shape());
        QTest::qWait(400);
        QCOMPARE(f.Sheet()->cursor().shape(), SheetCursor(TSheetCursor::Wire).shape());
        QVERIFY(!f.w.CatalogueTimersStarted());
        // After the first catalogue update the resting pointer gets the arrow
        // within the timer's 300 ms.
        QCursor::setPos(f.Sheet()->mapToGlobal(f.Px({121, 62})));
        const int solves = f.w.Session().SolveCount();
        f.w.StartCatalogueTimers();
        QTRY_COMPARE_WITH_TIMEOUT(f.Sheet()->cursor().shape(), Qt::ArrowCursor, 1000);
        QTRY_COMPARE(f.w.Session().SolveCount(), solves + 1);  // the one solve 200 ms after it
        QTest::qWait(400);
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
    }

private:
    DataArray SystemSpl() {
        for (const TGraphRecord* g : f.w.Session().Graphs().Windows)
            if (g->Kind == TGraphKind::SPL)
                for (const TSeriesDef& c : g->Curves)
                    if (c.Name == SystemCurveName) return c.MagSeries.Y;
        return {};
    }

    EditorFixture f;
};

QTEST_MAIN(TestTuning)
#include "tst_tuning.moc"
