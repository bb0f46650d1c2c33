// Box selection and the group commands.
#include "base/Rounding.h"
#include "document/Session.h"
#include "sheet/EditorController.h"
#include "sheet/SheetWidgets.h"

namespace pelmo {

void TEditorController::StartBox(QPoint pos) {
    boxStart_ = view_.SnapToGrid(pos);
    boxEnd_ = boxStart_;
    view_.DragImage().Hide();
    editMode_ = TEditMode::BoxDrag;
}

void TEditorController::DragBox(QPoint e) {
    boxEnd_ = e;
    view_.DragImage().Hide();
    view_.DragImage().SetSize(std::abs(e.x() - boxStart_.x()) + 4, std::abs(e.y() - boxStart_.y()) + 4);
    view_.DragImage().Show(RoundToInt((boxStart_.x() + e.x()) / 2.0), RoundToInt((boxStart_.y() + e.y()) / 2.0));
}

void TEditorController::EndBox(QPoint pos) {
    groupAnchor_ = view_.PixelToGrid(pos);
    const QPoint e = view_.GridToPixel(groupAnchor_);
    if (e == boxStart_) return;  // released where it was pressed: the next release ends the box
    view_.DragImage().Hide();
    if (e.x() == boxStart_.x() || e.y() == boxStart_.y()) {
        editMode_ = TEditMode::Idle;
        view_.RepaintSheet();
        return;
    }
    boxEnd_ = e;
    editMode_ = TEditMode::BoxShown;
    const TBoxSelection sel =
        SelectInBox(Design(), GridBoxFromPixels({boxStart_.x(), boxStart_.y()}, {e.x(), e.y()}, view_.Scale()));
    singleElement_ = sel.SingleElement;
    if (sel.Count == 0) {
        // Nothing offered: texts the box caught do not stay marked either.
        singleElement_ = false;
        UnselectAll(Design());
        editMode_ = TEditMode::Idle;
        current_ = {};
        view_.RepaintSheet();
        return;
    }
    if (sel.SinglePart) current_ = *sel.SinglePart;
    view_.RepaintSheet();
    BoxMenuPopup(pos);
}

void TEditorController::Move2Click() {
    TDesign& d = Design();
    if (current_.Kind == TElementKind::Block) return;
    if (singleElement_) {
        // One part in the box: picked up as by a click on it.
        for (int i = 0; i < static_cast<int>(d.Parts.size()); ++i) {
            TPart& p = *d.Parts[i];
            if (!p.Selected) continue;
            current_ = {KindOf(p.PartType), i};
            movingHorizontal_ = p.IsHorizontal;
            dropPoint_ = view_.GridToPixel(p.Position);
            editMode_ = TEditMode::Moving;
            d.Modified = true;
            view_.RepaintSheet();
            return;
        }
        return;
    }
    editMode_ = TEditMode::GroupMove;
    d.Modified = true;
    lastPointer_ = view_.GridToPixel(groupAnchor_);
    view_.RepaintSheet();
}

void TEditorController::Copy1Click() {
    CopySelectionToBuffer(Design(), copyBuffer_, true);
    StartPaste();
}

void TEditorController::Copy2Click() {
    const auto anchor = CopyElementToBuffer(Design(), copyBuffer_, current_);
    if (!anchor) return;
    groupAnchor_ = *anchor;
    StartPaste();
}

void TEditorController::StartPaste() {
    if (!copyBuffer_.HasPasteableElements()) return;
    editMode_ = TEditMode::GroupPaste;
    Design().Modified = true;
    lastPointer_ = view_.SnapToGrid(pointer_);
    view_.RepaintSheet();
}

void TEditorController::Delete2Click() {
    TDesign& d = Design();
    view_.DragImage().Hide();
    const int deleted = DeleteGroup(d, deleteHooks_);
    CancelToIdle();
    if (deleted == 0) return;
    d.Modified = true;
    Solve();
    CommitEdit();
}

void TEditorController::CommitGroup() {
    TDesign& d = Design();
    const TPoint by = GroupDisplacement();
    if (editMode_ == TEditMode::GroupMove)
        CommitGroupMove(d, by);
    else
        CommitPaste(d, copyBuffer_, by);
    d.Modified = true;
    view_.RepaintSheet();
    Solve();
    CancelToIdle();
    CommitEdit();
}

}  // namespace pelmo
