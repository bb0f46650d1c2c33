#pragma once

#include <QWidget>

namespace pelmo {

class TSchem;

// The paint box `Sheet`: everything on it is drawn and handled by the main window.
class TSheet : public QWidget {
    Q_OBJECT
public:
    TSheet(TSchem& owner, QWidget* parent);

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

private:
    TSchem& owner_;
    QRegion painted_;
};

// The sheet panel `pnSchem`: as large as the sheet, holds the keyboard focus
// for it and tells the main window when the focus goes elsewhere.
class TSheetPanel : public QWidget {
    Q_OBJECT
public:
    TSheetPanel(TSchem& owner, QWidget* parent);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    TSchem& owner_;
};

}  // namespace pelmo
