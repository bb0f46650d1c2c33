// Box selection and the group commands.
#include "app/Schem.h"
#include "base/Rounding.h"
#include "editor/SheetWidgets.h"

namespace pelmo {

void TSchem::StartBox(QPoint pos) {
    boxStart_ = SnapToGrid(pos);
    boxEnd_ = boxStart_;
    marker_.Hide();
    editMode_ = TEditMode::BoxDrag;
}

void TSchem::DragBox(QPoint e) {
    boxEnd_ = e;
    marker_.Hide();
    marker_.SetSize(std::abs(e.x() - boxStart_.x()) + 4, std::abs(e.y() - boxStart_.y()) + 4);
    marker_.Show(RoundToInt((boxStart_.x() + e.x()) / 2.0), RoundToInt((boxStart_.y() + e.y()) / 2.0));
}

void TSchem::EndBox(QPoint pos) {
    groupAnchor_ = PixelToGrid(pos);
    const QPoint e = GridToPixel(groupAnchor_);
    if (e == boxStart_) return;  // released where it was pressed: the next release ends the box
    marker_.Hide();
    if (e.x() == boxStart_.x() || e.y() == boxStart_.y()) {
        editMode_ = TEditMode::Idle;
        RepaintSheet();
        return;
    }
    boxEnd_ = e;
    editMode_ = TEditMode::BoxShown;
    const TBoxSelection sel =
        SelectInBox(*design_, GridBoxFromPixels({boxStart_.x(), boxStart_.y()}, {e.x(), e.y()}, scale_));
    singleElement_ = sel.SingleElement;
    if (sel.Count == 0) {
        // Nothing offered: texts the box caught do not stay marked either.
        singleElement_ = false;
        UnselectAll(*design_);
        editMode_ = TEditMode::Idle;
        current_ = {};
        RepaintSheet();
        return;
    }
    if (sel.SinglePart) current_ = *sel.SinglePart;
    RepaintSheet();
    BoxMenuPopup(pos);
}

void TSchem::Move2Click() {
    TDesign& d = *design_;
    if (current_.Kind == ekBlock) return;
    if (singleElement_) {
        // One part in the box: picked up as by a click on it.
        for (int i = 0; i < static_cast<int>(d.Parts.size()); ++i) {
            TPart& p = *d.Parts[i];
            if (!p.Selected) continue;
            current_ = {p.PartType, i};
            movingHorizontal_ = p.IsHorizontal;
            dropPoint_ = GridToPixel(p.Position);
            editMode_ = TEditMode::Moving;
            d.Modified = true;
            RepaintSheet();
            return;
        }
        return;
    }
    editMode_ = TEditMode::GroupMove;
    d.Modified = true;
    lastPointer_ = GridToPixel(groupAnchor_);
    RepaintSheet();
}

void TSchem::Copy1Click() {
    CopySelectionToBuffer(*design_, copyBuffer_, true);
    StartPaste();
}

void TSchem::Copy2Click() {
    const auto anchor = CopyElementToBuffer(*design_, copyBuffer_, current_);
    if (!anchor) return;
    groupAnchor_ = *anchor;
    StartPaste();
}

void TSchem::StartPaste() {
    if (!copyBuffer_.HasPasteableElements()) return;
    editMode_ = TEditMode::GroupPaste;
    design_->Modified = true;
    lastPointer_ = SnapToGrid(pointer_);
    RepaintSheet();
}

void TSchem::Delete2Click() {
    TDesign& d = *design_;
    marker_.Hide();
    const int deleted = DeleteGroup(d, deleteHooks_);
    CancelToIdle();
    if (deleted == 0) return;
    d.Modified = true;
    Solve();
    CommitEdit();
}

void TSchem::CommitGroup() {
    TDesign& d = *design_;
    const TPoint by = GroupDisplacement();
    if (editMode_ == TEditMode::GroupMove)
        CommitGroupMove(d, by);
    else
        CommitPaste(d, copyBuffer_, by);
    d.Modified = true;
    RepaintSheet();
    Solve();
    CancelToIdle();
    CommitEdit();
}

}  // namespace pelmo
