#pragma once

#include <QPoint>
#include <Qt>

#include "editor/SheetEdit.h"

class QWidget;

namespace pelmo {

class TEditorController;
class TSheetView;
struct TEditorState;

// The keyboard and the mouse wheel as the main window hands them on: keys
// over an element run its commands, arrows step the pointer while something
// is on the move, the wheel zooms, tunes or scrolls.
class TEditorKeys {
public:
    TEditorKeys(TEditorController& editor, TEditorState& state, TSheetView& view, QWidget* window);

    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // With Ctrl held, a turn over the sheet zooms about the pointer instead.
    bool FormMouseWheel(QWidget* target, QPoint globalPos, int delta, Qt::KeyboardModifiers modifiers = {});

private:
    void KeyOverElement(int key, Qt::KeyboardModifiers modifiers, TElementRef e);
    void WheelOverSheet(bool away);
    void MovePointerBy(int dx, int dy);
    void ZoomAboutPointer(QPoint globalPos, int delta);

    TEditorController& editor_;
    TEditorState& state_;
    TSheetView& view_;
    QWidget* window_;
    int tuneWheelRest_ = 0;  // wheel turn not yet a whole step
    int zoomWheelRest_ = 0;  // the same for Ctrl+wheel zooming
};

}  // namespace pelmo
