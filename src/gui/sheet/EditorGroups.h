#pragma once

#include <QPoint>

#include "editor/GroupEdit.h"
#include "editor/WireFollow.h"

class QPainter;

namespace pelmo {

class TEditorController;
class TSheetView;
struct TEditorState;

// Box selection and what is done with a selected group: moving it, copying
// it into the paste buffer and pasting it, deleting it. Also the copy of a
// single element, which is pasted as a group of one.
class TGroupEditor {
public:
    TGroupEditor(TEditorController& editor, TEditorState& state, TSheetView& view);

    const TCopyBuffer& CopyBuffer() const { return copyBuffer_; }

    // The box: pressed on empty sheet, dragged, released (its menu follows).
    void StartBox(QPoint pos);
    void DragBox(QPoint snapped);
    void EndBox(QPoint pos);

    // The box menu's commands.
    void MoveGroup();
    void CopyGroup();
    void DeleteGroup();
    // Copies one element and pastes it as a group of one.
    void CopyElement(TElementRef e);
    // The group moved or pasted where the pointer is: one undo step. A moved
    // group takes the ends of the wires attached to it along unless
    // `wiresFollow` is off.
    void Commit(bool wiresFollow = true);
    // A single pasted part turns; a group does not (false: nothing turned).
    bool TurnPastedPart();

    void DrawBox(QPainter& painter) const;
    // The group being moved or pasted, in blue, where it would land.
    void DrawPreview(QPainter& painter) const;

private:
    void StartPaste();
    // How far the group has moved from where it was picked up (grid units).
    TPoint Displacement() const;

    TEditorController& editor_;
    TEditorState& state_;
    TSheetView& view_;
    QPoint boxStart_;
    QPoint boxEnd_;
    TPoint anchor_;
    bool singleElement_ = false;
    TCopyBuffer copyBuffer_;
};

}  // namespace pelmo
