// Box selection, the group commands and the preview of a group on the move.
#include "gui/sheet/EditorGroups.h"

#include <QGuiApplication>
#include <QPainter>

#include "base/Rounding.h"
#include "document/Session.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetPainter.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

TGroupEditor::TGroupEditor(TEditorController& editor, TEditorState& state, TSheetView& view)
    : editor_(editor), state_(state), view_(view) {}

void TGroupEditor::StartBox(QPoint pos) {
    boxStart_ = view_.SnapToGrid(pos);
    boxEnd_ = boxStart_;
    view_.DragImage().Hide();
    state_.Mode = TEditMode::BoxDrag;
}

void TGroupEditor::DragBox(QPoint e) {
    boxEnd_ = e;
    view_.DragImage().Hide();
    view_.DragImage().SetSize(std::abs(e.x() - boxStart_.x()) + 4, std::abs(e.y() - boxStart_.y()) + 4);
    view_.DragImage().Show(RoundToInt((boxStart_.x() + e.x()) / 2.0), RoundToInt((boxStart_.y() + e.y()) / 2.0));
}

void TGroupEditor::EndBox(QPoint pos) {
    anchor_ = view_.PixelToGrid(pos);
    const QPoint e = view_.GridToPixel(anchor_);
    if (e == boxStart_) return;  // released where it was pressed: the next release ends the box
    view_.DragImage().Hide();
    if (e.x() == boxStart_.x() || e.y() == boxStart_.y()) {
        state_.Mode = TEditMode::Idle;
        view_.RepaintSheet();
        return;
    }
    boxEnd_ = e;
    state_.Mode = TEditMode::BoxShown;
    const TBoxSelection sel =
        SelectInBox(editor_.Design(), GridBoxFromPixels({boxStart_.x(), boxStart_.y()}, {e.x(), e.y()}, view_.Scale()));
    singleElement_ = sel.SingleElement;
    if (sel.Count == 0) {
        // Nothing offered: texts the box caught do not stay marked either.
        singleElement_ = false;
        UnselectAll(editor_.Design());
        state_.Mode = TEditMode::Idle;
        state_.Current = {};
        view_.RepaintSheet();
        return;
    }
    if (sel.SinglePart) state_.Current = *sel.SinglePart;
    view_.RepaintSheet();
    editor_.Menus().BoxMenuPopup(pos);
}

void TGroupEditor::MoveGroup() {
    TDesign& d = editor_.Design();
    if (state_.Current.Kind == TElementKind::Block) return;
    if (singleElement_) {
        // One part in the box: picked up as by a click on it.
        for (int i = 0; i < static_cast<int>(d.Parts.size()); ++i) {
            TPart& p = *d.Parts[i];
            if (!p.Selected) continue;
            state_.Current = {KindOf(p.PartType), i};
            state_.MovingHorizontal = p.IsHorizontal;
            state_.DropPoint = view_.GridToPixel(p.Position);
            state_.Mode = TEditMode::Moving;
            d.Modified = true;
            view_.RepaintSheet();
            return;
        }
        return;
    }
    state_.Mode = TEditMode::GroupMove;
    d.Modified = true;
    state_.LastPointer = view_.GridToPixel(anchor_);
    view_.RepaintSheet();
}

void TGroupEditor::CopyGroup() {
    CopySelectionToBuffer(editor_.Design(), copyBuffer_, true);
    StartPaste();
}

void TGroupEditor::CopyElement(TElementRef e) {
    const auto anchor = CopyElementToBuffer(editor_.Design(), copyBuffer_, e);
    if (!anchor) return;
    anchor_ = *anchor;
    StartPaste();
}

void TGroupEditor::StartPaste() {
    if (!copyBuffer_.HasPasteableElements()) return;
    state_.Mode = TEditMode::GroupPaste;
    editor_.Design().Modified = true;
    state_.LastPointer = view_.SnapToGrid(state_.Pointer);
    view_.RepaintSheet();
}

void TGroupEditor::DeleteGroup() {
    TDesign& d = editor_.Design();
    view_.DragImage().Hide();
    const int deleted = pelmo::DeleteGroup(d, editor_.DeleteHooks());
    editor_.CancelToIdle();
    if (deleted == 0) return;
    d.Modified = true;
    editor_.Solve();
    editor_.CommitEdit();
}

void TGroupEditor::Commit(bool wiresFollow) {
    TDesign& d = editor_.Design();
    const TPoint by = Displacement();
    if (state_.Mode == TEditMode::GroupMove) {
        // Planned while the selection is still marked.
        const TWireFollowPlan follow = wiresFollow ? PlanGroupWireFollow(d, by) : TWireFollowPlan{};
        CommitGroupMove(d, by);
        ApplyWireFollow(d, follow);
    } else
        CommitPaste(d, copyBuffer_, by);
    d.Modified = true;
    view_.RepaintSheet();
    editor_.Solve();
    editor_.CancelToIdle();
    editor_.CommitEdit();
}

bool TGroupEditor::TurnPastedPart() {
    const TCopyBuffer& b = copyBuffer_;
    if (b.Parts.size() != 1 || !b.Wires.empty() || !b.Grounds.empty() || !b.Drivers.empty()) return false;
    TPart& p = *copyBuffer_.Parts[0];
    SetPartOrientation(editor_.Design(), p, !p.IsHorizontal);
    return true;
}

TPoint TGroupEditor::Displacement() const {
    const TPoint g = view_.PixelToGrid(state_.LastPointer);
    return {g.X - anchor_.X, g.Y - anchor_.Y};
}

void TGroupEditor::DrawBox(QPainter& painter) const {
    QPen pen(SheetColour::Red);
    pen.setStyle(Qt::DotLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(boxStart_, boxEnd_).normalized());
}

void TGroupEditor::DrawPreview(QPainter& painter) const {
    const TDesign& d = editor_.Design();
    TSheetPainter sp(painter, view_.Scale(), *d.Metrics);
    const QColor blue = SheetColour::Blue;
    const TPoint by = Displacement();
    auto at = [&](TPoint g) { return view_.GridToPixel({g.X + by.X, g.Y + by.Y}); };
    const bool paste = state_.Mode == TEditMode::GroupPaste;
    auto drawParts = [&](const Collection<TPart>& parts) {
        for (const auto& p : parts)
            if (paste || p->Selected) {
                sp.DrawPartSymbol(at(p->Position), blue, p->PartType, p->IsHorizontal);
                sp.DrawEndDot(at(p->Terminal1), blue);
                sp.DrawEndDot(at(p->Terminal2), blue);
            }
    };
    auto drawWires = [&](const Collection<TWire>& wires) {
        for (const auto& w : wires)
            if (paste || w->Selected) {
                sp.DrawWireLine(at(w->End1), at(w->End2), blue);
                sp.DrawEndDot(at(w->End1), blue);
                sp.DrawEndDot(at(w->End2), blue);
            }
    };
    auto drawGrounds = [&](const Collection<TGround>& grounds) {
        for (const auto& g : grounds)
            if (paste || g->Selected) {
                sp.DrawGroundSymbol(at(g->Position), blue);
                sp.DrawEndDot(at(g->Position), blue);
            }
    };
    auto drawDrivers = [&](const Collection<TDriver>& drivers) {
        for (const auto& drv : drivers)
            if (paste || drv->Selected) {
                sp.DrawDriverSymbol(at(drv->Position), blue);
                sp.DrawEndDot(at(drv->Terminal1), blue);
                sp.DrawEndDot(at(drv->Terminal2), blue);
            }
    };
    auto drawTexts = [&](const Collection<TSheetText>& texts) {
        for (const auto& t : texts)
            if (paste || t->Selected) sp.DrawTextElement(*t, at(t->Position), ColourFromRgbValue(t->Color));
    };
    if (paste) {
        drawParts(copyBuffer_.Parts);
        drawWires(copyBuffer_.Wires);
        drawGrounds(copyBuffer_.Grounds);
        drawDrivers(copyBuffer_.Drivers);
        drawTexts(copyBuffer_.Texts);
        return;
    }
    drawParts(d.Parts);
    drawWires(d.Wires);
    // The wires attached to the group, as they will follow it (Alt: they stay).
    if (!(QGuiApplication::keyboardModifiers() & Qt::AltModifier)) {
        const TWireFollowPlan plan = PlanGroupWireFollow(d, by);
        auto drawSegment = [&](const TWireFollowPlan::TSegment& s) {
            sp.DrawWireLine(view_.GridToPixel(s.first), view_.GridToPixel(s.second), blue);
            sp.DrawEndDot(view_.GridToPixel(s.first), blue);
            sp.DrawEndDot(view_.GridToPixel(s.second), blue);
        };
        for (const auto& f : plan.Wires)
            for (const auto& s : f.Segments) drawSegment(s);
        for (const auto& s : plan.NewWires) drawSegment(s);
    }
    drawGrounds(d.Grounds);
    drawDrivers(d.Drivers);
    if (d.Source.Selected) {
        sp.DrawSourceSymbol(at(d.Source.Position), blue, nullptr, false);
        sp.DrawEndDot(at(d.Source.Terminal1), blue);
        sp.DrawEndDot(at(d.Source.Terminal2), blue);
    }
    drawTexts(d.Texts);
}

}  // namespace pelmo
