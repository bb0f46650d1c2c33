#pragma once

// A main window under test with the mouse, the keys and the wheel driven on
// its real sheet widget.

#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

#include "GuiTestSupport.h"
#include "files/DesignFile.h"

namespace pelmo::guitest {

// Element dialogs that only record what they were asked to do.
class RecordingDialogs : public TElementDialogs {
public:
    bool ShowFor(TElementRef e) override {
        Shown.push_back(e);
        return IsPartKind(e.Kind) || e.Kind == TElementKind::Driver || e.Kind == TElementKind::Source ||
               e.Kind == TElementKind::Block;
    }
    bool EditTextModal(TSheetText& t) override {
        t.Text = NextText;
        return true;
    }
    void CloseAll() override { ++Closed; }
    bool PointerOver(TElementRef, QPoint) const override { return false; }
    void FocusField(TElementRef e) override { Focused.push_back(e); }
    void FindPartNumber(TElementRef e) override { Searched.push_back(e); }

    std::vector<TElementRef> Shown, Focused, Searched;
    int Closed = 0;
    std::string NextText = "hello";
};

struct EditorFixture {
    TMainWindow w;
    RecordingSink sink;
    RecordingDialogs dialogs;

    void Start() {
        w.SetMessageSink(&sink);
        w.SetElementDialogs(&dialogs);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.View().SetSheetScale(10);
    }

    QWidget* Sheet() { return w.View().Sheet(); }
    QPoint Px(TPoint g) const { return {g.X * w.View().Scale(), g.Y * w.View().Scale()}; }

    void Move(QPoint p, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent e(QEvent::MouseMove, p, Sheet()->mapToGlobal(p), Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(Sheet(), &e);
    }
    void MoveTo(TPoint g) { Move(Px(g)); }
    void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton) { QTest::mousePress(Sheet(), b, {}, p); }
    void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseRelease(Sheet(), b, {}, p); }
    // A click at a grid point, after moving there.
    void ClickAt(TPoint g) {
        MoveTo(g);
        Press(Px(g));
        Release(Px(g));
    }
    // A press at one grid point, a drag and a release at another.
    void Drag(TPoint from, TPoint to) {
        MoveTo(from);
        Press(Px(from));
        Move(Px({(from.X + to.X) / 2, (from.Y + to.Y) / 2}), Qt::LeftButton);
        Move(Px(to), Qt::LeftButton);
        Release(Px(to));
    }
    void Key(int key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(w.View().Panel(), static_cast<Qt::Key>(key), mods);
    }
    void Wheel(QWidget* target, QPoint local, int delta) {
        QWheelEvent e(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
    void Tool(TElementKind kind) { QTest::mouseClick(w.Tools().Button(kind), Qt::LeftButton); }
    // Lets the double-click window of a pick-up pass.
    void AfterDoubleClickWindow() { QTest::qWait(300); }

    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        SilentMessageSink quiet;
        BuildDesignLines(w.Session().Design(), lines, quiet);
        return lines;
    }
};

}  // namespace pelmo::guitest
