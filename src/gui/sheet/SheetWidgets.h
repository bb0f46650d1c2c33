#pragma once

#include <QWidget>

namespace pelmo {

class TSheetView;

// What the sheet's widgets report: the editor handles it.
class TSheetInput {
public:
    virtual ~TSheetInput() = default;
    virtual void SheetMouseDown(Qt::MouseButton button, QPoint pos) = 0;
    // Alt held at the release drops a moved element without its wires.
    virtual void SheetMouseUp(Qt::MouseButton button, QPoint pos, Qt::KeyboardModifiers modifiers = {}) = 0;
    // realMove is false for a move the editor makes up itself (after a
    // release, a rotation or a key step).
    virtual void SheetMouseMove(QPoint pos, bool realMove = true) = 0;
    virtual void SheetDblClick() = 0;
    // The keyboard focus went from the sheet to another control of the window.
    virtual void SheetFocusLost() = 0;
    // The pointer left the sheet.
    virtual void SheetPointerLeft() {}
};

// The paint box `Sheet`: painted by its view, its input handled by the editor.
class TSheet : public QWidget {
    Q_OBJECT
public:
    TSheet(TSheetView& view, QWidget* parent);

    // Union of the areas repainted since the last reset (tests check that a
    // dragged symbol repaints only what it covers).
    QRegion PaintedSince() const { return painted_; }
    void ResetPainted() { painted_ = QRegion(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TSheetView& view_;
    QRegion painted_;
};

// The sheet panel `pnSchem`: as large as the sheet, holds the keyboard focus
// for it and reports when the focus goes elsewhere.
class TSheetPanel : public QWidget {
    Q_OBJECT
public:
    TSheetPanel(TSheetView& view, QWidget* parent);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    TSheetView& view_;
};

}  // namespace pelmo
