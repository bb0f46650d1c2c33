// The value controls as widgets: typing, keys, wheel, arrows, step menu.

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "gui/graphs/ValueDialog.h"
#include "gui/widgets/DecimalSpinBox.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/Pcs.h"
#include "gui/widgets/StepSizeDialog.h"

using namespace pelmo;

namespace {

// How the user gets to the text that is typed over.
enum class Selecting { CtrlA, ShiftHome, DoubleClick, None };

// Ctrl+A as people type it: the A is let go after the Ctrl.
void SelectAll(QWidget* field) {
    QTest::keyPress(field, Qt::Key_Control);
    QTest::keyPress(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyRelease(field, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyRelease(field, Qt::Key_A);
}

void Select(QLineEdit* field, Selecting how) {
    switch (how) {
        case Selecting::CtrlA:
            SelectAll(field);
            break;
        case Selecting::ShiftHome:
            QTest::keyClick(field, Qt::Key_End);
            QTest::keyPress(field, Qt::Key_Shift);
            QTest::keyClick(field, Qt::Key_Home, Qt::ShiftModifier);
            QTest::keyRelease(field, Qt::Key_Shift, Qt::ShiftModifier);
            break;
        case Selecting::DoubleClick:
            // The number is one word of the field's text.
            QTest::mouseDClick(field, Qt::LeftButton, Qt::NoModifier, QPoint(6, field->height() / 2));
            break;
        case Selecting::None:
            field->setCursorPosition(0);
            break;
    }
}

}  // namespace

class TestEditReal : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        SetModalRunner({});
        SetMenuRunner({});
    }

    void typingFiltersAndEnterAccepts() {
        TEditReal e;
        e.SetMaxValue(1e6);
        e.SetUnits("ohm");
        e.show();
        QCOMPARE(e.text(), QString("1 [ohm]"));
        QSignalSpy changes(&e, &TEditReal::ValChange);
        QSignalSpy errors(&e, &TEditReal::ValErr);
        e.clear();
        QTest::keyClicks(&e, "4k7");
        QCOMPARE(e.text(), QString("4 k[ohm]"));  // text after the prefix letter is dropped
        QVERIFY(e.font().underline());
        QTest::keyClick(&e, Qt::Key_Return);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toDouble(), 4000.0);
        QCOMPARE(e.RealValue(), 4000.0);
        QVERIFY(!e.font().underline());

        // Above the limit: yellow while typing, refused on Enter, old value back.
        e.selectAll();
        QTest::keyClicks(&e, "5M");
        QCOMPARE(e.palette().color(QPalette::Base), QColor(Qt::yellow));
        QTest::keyClick(&e, Qt::Key_Enter);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), int(veAboveMax));
        QCOMPARE(e.RealValue(), 4000.0);
        QCOMPARE(e.text(), QString("4 k[ohm]"));
        QCOMPARE(e.palette().color(QPalette::Base), QColor(Qt::white));

        // Escape throws the typing away.
        e.selectAll();
        QTest::keyClicks(&e, "12");
        QTest::keyClick(&e, Qt::Key_Escape);
        QCOMPARE(e.text(), QString("4 k[ohm]"));
        QCOMPARE(changes.count(), 1);
    }

    // Every kind of number field: typing over a selection, a decimal comma,
    // and entries that are refused with the reason beside the field.
    void typingOverAValue_data() {
        QTest::addColumn<int>("field");  // 0 bare field, 1 spin control, 2 part value
        QTest::addColumn<int>("selecting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("refusal");
        const char* kinds[] = {"field", "spin", "part value"};
        for (int k = 0; k < 3; ++k) {
            const auto row = [&](const char* name, Selecting how, const char* typed, double stored,
                                 const char* refusal = "") {
                QTest::addRow("%s: %s", kinds[k], name) << k << int(how) << typed << stored << QString(refusal);
            };
            row("Ctrl+A then 10", Selecting::CtrlA, "10", 10);
            row("Shift+Home then 10", Selecting::ShiftHome, "10", 10);
            row("double-click then 10", Selecting::DoubleClick, "10", 10);
            row("decimal comma", Selecting::CtrlA, "2,2", 2.2);
            row("decimal point", Selecting::CtrlA, "2.2", 2.2);
            row("negative", Selecting::CtrlA, "-5", 12, "Below the lowest value, 1 pF");
            row("zero", Selecting::CtrlA, "0", 12, "Below the lowest value, 1 pF");
            row("letters", Selecting::CtrlA, "abc", 12, "Not a number; the old value stays");
            row("above the highest", Selecting::CtrlA, "2000", 12, "Above the highest value, 1 kF");
        }
    }

    void typingOverAValue() {
        QFETCH(int, field);
        QFETCH(int, selecting);
        QFETCH(QString, typed);
        QFETCH(double, stored);
        QFETCH(QString, refusal);
        QWidget host;
        host.resize(300, 80);
        TEditReal* edit = nullptr;
        std::function<double()> value;
        if (field == 0) {
            edit = new TEditReal(&host);
            value = [edit] { return edit->RealValue(); };
        } else if (field == 1) {
            auto* spin = new TEditRealSpin(&host);
            edit = spin->EditReal();
            value = [spin] { return spin->RealValue(); };
        } else {
            auto* pcs = new TPcs(&host);
            edit = pcs->EditReal();
            value = [pcs] { return pcs->Value(); };
        }
        (field == 0 ? static_cast<QWidget*>(edit) : edit->parentWidget())->resize(160, 22);
        edit->SetUnits("F");
        edit->SetMinValue(1e-12);
        edit->SetMaxValue(1000);
        edit->SetRealValue(12);
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        edit->setFocus();

        Select(edit, static_cast<Selecting>(selecting));
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(value(), stored);
        QCOMPARE(edit->ShowsRefusal(), !refusal.isEmpty());
        QCOMPARE(edit->RefusalText(), refusal);
        if (!refusal.isEmpty()) {
            QVERIFY(edit->text().startsWith("12"));  // the old value is shown again
            QTest::keyClick(edit, Qt::Key_1);        // the next key clears the line
            QVERIFY(!edit->ShowsRefusal());
        }
    }

    // The optimizer's decimal spin boxes read a comma as the point, never as
    // a thousands separator.
    void decimalSpinBoxesReadACommaAsThePoint() {
        TDecimalSpinBox box;
        box.setRange(0, 10000);
        box.setDecimals(2);
        box.show();
        box.selectAll();
        QTest::keyClicks(&box, "2,5");
        box.interpretText();
        QCOMPARE(box.value(), 2.5);
    }

    void leavingTheFieldCommitsOnlyWhatWasTyped() {
        QWidget host;
        auto* spin = new TEditRealSpin(&host);
        auto* other = new QLineEdit(&host);
        other->move(0, 40);
        spin->SetMaxValue(1e6);
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        QSignalSpy changes(spin, &TEditRealSpin::ValChange);
        TEditReal* field = spin->EditReal();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, "33");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(changes.count(), 1);
        other->setFocus();  // leaving after Enter: no second commit
        QCOMPARE(changes.count(), 1);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, "44");
        other->setFocus();  // leaving with typing: it is committed
        QCOMPARE(changes.count(), 2);
        QCOMPARE(spin->RealValue(), 44.0);
    }

    void spinStepsByWheelArrowsAndKeys() {
        TEditRealSpin spin;
        spin.resize(160, 22);
        spin.SetMaxValue(1000);
        spin.SetStepMode(sm125);
        spin.SetRealValue(4.7);
        spin.show();
        QVERIFY(QTest::qWaitForWindowExposed(&spin));
        // (Leaving the field commits it, which raises the value once; start
        // with the focus on the arrows to count the steps alone.)
        spin.UpArrow()->setFocus();
        QSignalSpy changes(&spin, &TEditRealSpin::ValChange);
        QWheelEvent wheel(QPointF(50, 10), spin.mapToGlobal(QPointF(50, 10)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&spin, &wheel);
        QCOMPARE(spin.RealValue(), 10.0);
        QTest::mouseClick(spin.DownArrow(), Qt::LeftButton);
        QCOMPARE(spin.RealValue(), 4.7);  // a step back returns to where it was
        QCOMPARE(changes.count(), 2);
        QVERIFY(spin.DownArrow()->hasFocus() || spin.UpArrow()->hasFocus());

        // Down released in the field steps as well.
        spin.EditReal()->setFocus();
        QTest::keyClick(spin.EditReal(), Qt::Key_Down);  // pressed and released here
        QCOMPARE(spin.RealValue(), 2.0);

        // A step past the limit is refused.
        spin.SetRealValue(1000);
        QTest::mouseClick(spin.UpArrow(), Qt::LeftButton);
        QCOMPARE(spin.RealValue(), 1000.0);
    }

    void stepMenuChangesTheRule() {
        TEditRealSpin spin;
        spin.SetMaxValue(100);
        spin.SetRealValue(10);
        QStringList shown;
        QSignalSpy stepChanges(&spin, &TEditRealSpin::StepChange);
        SetMenuRunner([&](QMenu& m, QPoint) -> QAction* {
            shown.clear();
            QAction* pick = nullptr;
            for (QAction* a : m.actions()) {
                shown << (a->isSeparator() ? "-" : a->text());
                if (a->text() == "1-2-5 &Pattern") pick = a;
            }
            return pick;
        });
        spin.ShowStepMenu();
        QCOMPARE(shown,
                 QStringList({"&Integer round [+,-]: 1", "1-2-5 &Pattern", "highdigit[+,-]", "&Float [+,-]: 0.50000",
                              " f&Loat [*,/]: 1.05946", "-", "To Lowest value", "To Highest value", "-", "cancel"}));
        QCOMPARE(spin.StepMode(), sm125);
        QCOMPARE(stepChanges.count(), 1);

        // Integer round asks for the step in the step dialog.
        SetMenuRunner([](QMenu& m, QPoint) { return m.actions().front(); });
        SetModalRunner([](QDialog& d) {
            auto& f = static_cast<TStepSizeDialog&>(d);
            if (f.windowTitle() != "customize control") return int(QDialog::Rejected);
            f.Field()->SetRealValue(5);
            f.OkClick();
            return f.result();
        });
        spin.ShowStepMenu();
        QCOMPARE(spin.StepMode(), smIntRound);
        QCOMPARE(spin.State().CardInc, 5);
        spin.Step(true);
        QCOMPARE(spin.RealValue(), 15.0);
    }

    void singleValueDialogRaisesTheValueOnOk() {
        TValueDialog dialog;
        QCOMPARE(dialog.Field()->RealValue(), 90.0);
        QCOMPARE(dialog.Field()->StepMode(), sm12345);
        QCOMPARE(dialog.Field()->EditReal()->text(), QString("90 [dB]"));
        QList<double> seen;
        dialog.Callback = [&](double v) { seen << v; };
        dialog.Field()->Step(true);
        dialog.OkClick();
        QCOMPARE(seen, QList<double>({100.0, 100.0}));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestEditReal)
#include "tst_editreal.moc"
