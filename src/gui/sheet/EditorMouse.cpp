// The sheet editor's modes and the mouse: tracking, picking up, placing,
// dropping and wiring, the undo commands. The rules that decide (what lies
// under the pointer, which placements are refused, how wires merge) are the
// core's; this file turns input into calls of them.
#include <QApplication>
#include <QCursor>
#include <QScrollArea>
#include <QScrollBar>

#include "base/Rounding.h"
#include "blocks/CircuitBlocks.h"
#include "document/Document.h"
#include "document/Session.h"
#include "editor/Tuning.h"
#include "editor/ViewGeometry.h"
#include "editor/WireFollow.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

namespace {

const char* const RotateHint = " to rotate part while moving, use [R] or [spacebar] keys";

}  // namespace

bool TEditorController::CurrentExists() const { return ElementExists(Design(), state_.Current); }

bool TEditorController::PointerOverDialog() const { return dialogs_->PointerOver(state_.Current, QCursor::pos()); }

void TEditorController::CloseElementDialogs() { dialogs_->CloseAll(); }

void TEditorController::PointerTick() {
    if (!QApplication::activeWindow()) return;
    if (state_.Mode == TEditMode::TuneMode) view_.DragImage().Hide();
    const QPoint global = QCursor::pos();
    SheetMouseMove(view_.Sheet()->mapFromGlobal(global), false);
    if (PointerOverDialog()) {
        view_.SetCursorShape(TSheetCursor::Default);
        return;
    }
    // Over a graph window the cursor is the window's own.
    const QWidget* under = QApplication::widgetAt(global);
    if (under && under->window() != window_ && !dialogs_->PointerOver(state_.Current, global)) return;
    if (dialogs_->BrowserShowing()) {
        view_.SetCursorShape(TSheetCursor::Default);
        return;
    }
    switch (state_.Mode) {
        case TEditMode::TuneMode:
            view_.SetCursorShape(TSheetCursor::TuneDown);
            break;
        case TEditMode::Wiring:
            view_.SetCursorShape(TSheetCursor::Wire);
            break;
        case TEditMode::Idle:
            view_.SetCursorShape(TSheetCursor::Default);
            break;
        default:
            break;
    }
}

void TEditorController::UnselectAllAndRepaint() {
    UnselectAll(Design());
    view_.RepaintSheet();
}

void TEditorController::SetIdle() {
    if (state_.Mode == TEditMode::Wiring) RemoveUnfinishedWire();
    if (state_.Mode == TEditMode::BlockPlace) DiscardUnplacedBlock();
    emit ToolArmed(TElementKind::None);
    view_.DragImage().Hide();
    view_.RepaintSheet();
    state_.Mode = TEditMode::Idle;
    view_.SetCursorShape(TSheetCursor::Default);
    state_.Current = {};
}

void TEditorController::CancelToIdle() {
    if (PointerOverDialog()) return;
    view_.SetCursorShape(TSheetCursor::Default);
    if (state_.Mode == TEditMode::Wiring) RemoveUnfinishedWire();
    UnselectAllAndRepaint();
    SetIdle();
    CloseElementDialogs();
}

void TEditorController::CommitEdit() {
    session_.CommitEdit();
    emit HistoryChanged();
}

void TEditorController::Undo() {
    if (state_.Mode != TEditMode::Idle) CancelToIdle();
    CloseElementDialogs();
    if (!session_.Undo()) return;
    SetIdle();
    view_.RepaintSheet();
    Solve();
    emit HistoryChanged();
}

void TEditorController::Redo() {
    if (state_.Mode != TEditMode::Idle) CancelToIdle();
    CloseElementDialogs();
    if (!session_.Redo()) return;
    SetIdle();
    view_.RepaintSheet();
    Solve();
    emit HistoryChanged();
}

// ---- tools ----

void TEditorController::ArmTool(TElementKind kind) {
    if (state_.Mode == TEditMode::Wiring) RemoveUnfinishedWire();
    if (state_.Mode == TEditMode::BlockPlace) {
        DiscardUnplacedBlock();
        state_.Mode = TEditMode::Idle;
    }
    TDesign& d = Design();
    if (kind == TElementKind::Driver && d.BlockDesignMode) {
        emit ToolArmed(TElementKind::None);
        return;
    }
    view_.DragImage().Hide();
    emit ToolArmed(kind);
    if (kind == TElementKind::Wire) {
        StartPlacingWire();
        return;
    }
    if (kind == TElementKind::Text) {
        state_.Current = {TElementKind::Text, -1};
        UnselectAllAndRepaint();
        state_.Mode = TEditMode::Placing;
        d.DefaultText.Text.clear();
        d.DefaultText.Color = 0x800000;  // navy
        d.DefaultText.Size = 8;
        if (!dialogs_->EditTextModal(d.DefaultText) || d.DefaultText.Text.empty()) {
            CancelToIdle();
            return;
        }
        view_.SetCursorShape(TSheetCursor::Default);
        state_.Mode = TEditMode::Placing;
        state_.Current = {TElementKind::Text, -1};
        return;
    }
    UnselectAllAndRepaint();
    d.Modified = true;
    state_.Mode = TEditMode::Placing;
    state_.Current = {kind, -1};
    view_.SetCursorShape(TSheetCursor::Default);
    view_.DragImage().SetSize(10 * view_.Scale() + 1, 10 * view_.Scale() + 1);
}

void TEditorController::StartBlockPlace(int blockIndex) {
    CloseElementDialogs();
    SetIdle();
    UnselectAllAndRepaint();
    state_.Current = {TElementKind::Block, blockIndex};
    if (!CurrentExists()) {
        state_.Current = {};
        return;
    }
    state_.Mode = TEditMode::BlockPlace;
    view_.RepaintSheet();                      // without the block: the drag image stands for it
    pressPoint_ = QPoint(-1000000, -1000000);  // the first release places, wherever it is
    Design().Modified = true;
    view_.SetCursorShape(TSheetCursor::Default);
    view_.Panel()->setFocus();
    // The block shows at once where the pointer rests on the sheet.
    state_.LastPointer = QPoint(-1000000, -1000000);
    const QPoint at = view_.Sheet()->mapFromGlobal(QCursor::pos());
    if (view_.Sheet()->rect().contains(at)) SheetMouseMove(at, false);
}

void TEditorController::DiscardUnplacedBlock() {
    // Its members were never on the sheet: no curve or designator of the
    // design is touched, and nothing is left behind.
    if (state_.Current.Kind == TElementKind::Block && CurrentExists()) DeleteBlock(Design(), state_.Current.Index);
    state_.Current = {};
    view_.DragImage().Hide();
}

void TEditorController::StartPlacingWire() {
    UnselectAllAndRepaint();
    Design().Modified = true;
    state_.Mode = TEditMode::Placing;
    state_.Current = {TElementKind::Wire, -1};
    view_.SetCursorShape(TSheetCursor::Wire);
}

// ---- pointer tracking ----

void TEditorController::SheetMouseMove(QPoint pos, bool realMove) {
    state_.Pointer = pos;
    if (realMove) state_.PointerOnSheet = true;
    const QPoint snapped = view_.SnapToGrid(pos);
    if (snapped == state_.LastPointer && lastPointerTime_.elapsed() < 400) return;
    state_.LastPointer = snapped;
    lastPointerTime_.restart();
    if (state_.MenuOpen || PointerOverDialog()) return;

    if (realMove) {
        const bool hint = state_.Mode == TEditMode::Placing || state_.Mode == TEditMode::Moving;
        window_->setWindowTitle(hint ? QString(RotateHint) : QString::fromStdString(MainCaption(Design())));
    }

    const TDesign& d = Design();
    switch (state_.Mode) {
        case TEditMode::Idle: {
            const auto hit = HitTest(d, view_.PixelToGrid(pos));
            const bool connection = ConnectionPointAt(d, {pos.x(), pos.y()}, view_.Scale());
            view_.SetCursorShape(connection ? TSheetCursor::Wire : TSheetCursor::Default);
            if (hit) state_.Current = *hit;
            break;
        }
        case TEditMode::TuneMode:
            view_.SetCursorShape(TSheetCursor::TuneDown);
            break;
        case TEditMode::Placing:
        case TEditMode::Moving:
        case TEditMode::BlockMove:
        case TEditMode::BlockPlace:
            TrackDragImage(snapped);
            break;
        case TEditMode::Wiring:
            UpdateRubberBand(snapped);
            break;
        case TEditMode::BoxDrag:
            groups_.DragBox(snapped);
            break;
        case TEditMode::GroupMove:
        case TEditMode::GroupPaste:
            view_.Sheet()->update();  // the preview is drawn over the whole sheet
            break;
        default:
            break;
    }
}

void TEditorController::TrackDragImage(QPoint snapped) {
    const TDesign& d = Design();
    const int s = view_.Scale();
    view_.DragImage().Hide();
    int w = 10 * s + 1, h = 10 * s + 1;
    state_.DropPoint = snapped;
    auto textSize = [&](const TSheetText& t) {
        const TRect r = ComputeTextRect(t, s, *d.Metrics);
        w = (r.Right - r.Left) * s + 2 * s;
        h = (r.Bottom - r.Top) * s + s;
    };
    if (state_.Mode == TEditMode::Placing) {
        if (state_.Current.Kind == TElementKind::Wire) return;  // nothing follows the pointer before a wire starts
        if (state_.Current.Kind == TElementKind::Text) textSize(d.DefaultText);
    } else if (state_.Mode == TEditMode::BlockMove || state_.Mode == TEditMode::BlockPlace) {
        if (!CurrentExists()) return;
        const TRect b = d.Blocks[state_.Current.Index]->BoundsRect;
        w = (b.Right - b.Left + 4) * s;
        h = (b.Bottom - b.Top + 4) * s;
    } else {
        if (!CurrentExists()) return;
        if (state_.Current.Kind == TElementKind::Text) textSize(*d.Texts[state_.Current.Index]);
        if (state_.Current.Kind == TElementKind::Wire) {
            const TWire& wire = *d.Wires[state_.Current.Index];
            const QPoint a(wire.PixelEnd1.X, wire.PixelEnd1.Y), b(wire.PixelEnd2.X, wire.PixelEnd2.Y);
            if (IsHorizontal(wire)) {
                const int length = b.x() - a.x();
                w = 2 * std::abs(length);
                h = 4;
                state_.DropPoint = QPoint(snapped.x() - wireGrabOffset_, snapped.y());
                state_.DropEnd2 = state_.DropPoint + QPoint(length, 0);
            } else {
                const int length = b.y() - a.y();
                w = 4;
                h = 2 * std::abs(length);
                state_.DropPoint = QPoint(snapped.x(), snapped.y() - wireGrabOffset_);
                state_.DropEnd2 = state_.DropPoint + QPoint(0, length);
            }
        }
    }
    view_.DragImage().SetSize(w, h);
    view_.DragImage().Show(snapped.x(), snapped.y());
}

// ---- pressing, releasing ----

void TEditorController::SheetMouseDown(Qt::MouseButton button, QPoint pos) {
    state_.Pointer = pos;
    if (button == Qt::RightButton) {
        RightPress(pos);
        return;
    }
    if (button != Qt::LeftButton) return;
    if (dblClickFlag_) {
        dblClickFlag_ = false;
        dblClickTimer_.stop();
        SheetDblClick();
        return;
    }
    switch (state_.Mode) {
        case TEditMode::Idle:
            pressPoint_ = pos;
            PickUp(pos);
            break;
        case TEditMode::Placing:
            if (state_.Current.Kind == TElementKind::Wire) {
                pressPoint_ = pos;
                StartWire(pos);
            }
            break;
        case TEditMode::Wiring:
            FinishWire();
            break;
        default:
            break;  // left presses mean nothing in the other modes
    }
}

void TEditorController::PickUp(QPoint pos) {
    TDesign& d = Design();
    state_.Current = {};
    if (ConnectionPointAt(d, {pos.x(), pos.y()}, view_.Scale())) {
        StartPlacingWire();
        StartWire(pos);
        return;
    }
    const auto hit = HitTest(d, view_.PixelToGrid(pos));
    if (!hit) {
        groups_.StartBox(pos);
        return;
    }
    state_.Current = *hit;
    const int i = hit->Index;
    switch (hit->Kind) {
        case TElementKind::Source:
            d.Source.Selected = true;
            state_.DropPoint = view_.GridToPixel(d.Source.Position);
            break;
        case TElementKind::Driver:
            d.Drivers[i]->Selected = true;
            state_.DropPoint = view_.GridToPixel(d.Drivers[i]->Position);
            break;
        case TElementKind::Ground:
            d.Grounds[i]->Selected = true;
            state_.DropPoint = view_.GridToPixel(d.Grounds[i]->Position);
            break;
        case TElementKind::Text:
            d.Texts[i]->Selected = true;
            state_.DropPoint = view_.GridToPixel(d.Texts[i]->Position);
            break;
        case TElementKind::Wire: {
            TWire& w = *d.Wires[i];
            w.Selected = true;
            const QPoint grab = view_.SnapToGrid(pos);
            wireGrabOffset_ = IsHorizontal(w) ? grab.x() - w.PixelEnd1.X : grab.y() - w.PixelEnd1.Y;
            state_.DropPoint = QPoint(w.PixelEnd1.X, w.PixelEnd1.Y);
            state_.DropEnd2 = QPoint(w.PixelEnd2.X, w.PixelEnd2.Y);
            break;
        }
        case TElementKind::Block:
            d.Blocks[i]->Selected = true;
            state_.DropPoint = view_.GridToPixel(d.Blocks[i]->Center);
            break;
        default:
            d.Parts[i]->Selected = true;
            state_.MovingHorizontal = d.Parts[i]->IsHorizontal;
            state_.DropPoint = view_.GridToPixel(d.Parts[i]->Position);
            break;
    }
    state_.Mode = hit->Kind == TElementKind::Block ? TEditMode::BlockMove : TEditMode::Moving;
    d.Modified = true;
    dblClickFlag_ = true;
    dblClickTimer_.start();
    view_.RepaintSheet();
}

void TEditorController::PickUpAtRightClickPoint() {
    const QPoint pos = view_.GridToPixel(state_.RightClickPoint);
    const auto hit = HitTest(Design(), state_.RightClickPoint);
    if (!hit) return;
    pressPoint_ = pos;
    state_.Pointer = pos;
    // Picked up like a left press there, but always the element: a menu
    // command on it never starts a wire.
    TDesign& d = Design();
    state_.Current = *hit;
    const int i = hit->Index;
    switch (hit->Kind) {
        case TElementKind::Source:
            d.Source.Selected = true;
            break;
        case TElementKind::Driver:
            d.Drivers[i]->Selected = true;
            break;
        case TElementKind::Ground:
            d.Grounds[i]->Selected = true;
            break;
        case TElementKind::Text:
            d.Texts[i]->Selected = true;
            break;
        case TElementKind::Block:
            d.Blocks[i]->Selected = true;
            break;
        case TElementKind::Wire: {
            TWire& w = *d.Wires[i];
            w.Selected = true;
            wireGrabOffset_ = IsHorizontal(w) ? pos.x() - w.PixelEnd1.X : pos.y() - w.PixelEnd1.Y;
            state_.DropEnd2 = QPoint(w.PixelEnd2.X, w.PixelEnd2.Y);
            break;
        }
        default:
            d.Parts[i]->Selected = true;
            state_.MovingHorizontal = d.Parts[i]->IsHorizontal;
            break;
    }
    state_.DropPoint = view_.GridToPixel(ElementPosition(d, *hit));
    state_.Mode = hit->Kind == TElementKind::Block ? TEditMode::BlockMove : TEditMode::Moving;
    d.Modified = true;
    view_.RepaintSheet();
}

void TEditorController::SheetMouseUp(Qt::MouseButton button, QPoint pos, Qt::KeyboardModifiers modifiers) {
    if (button != Qt::LeftButton) return;
    const bool wiresFollow = !(modifiers & Qt::AltModifier);
    // The release point counts as the last pointer position, even when no
    // move was reported on the way there.
    auto track = [&] {
        state_.LastPointer = QPoint(-1000000, -1000000);
        SheetMouseMove(pos, false);
    };
    switch (state_.Mode) {
        case TEditMode::Placing:
            if (state_.Current.Kind == TElementKind::Wire) break;
            track();
            PlaceAt(pos);
            break;
        case TEditMode::Moving:
            if (pos == pressPoint_) {
                view_.RepaintSheet();  // a click without movement keeps the element picked up
                break;
            }
            track();
            DropAt(pos, wiresFollow);
            break;
        case TEditMode::Wiring:
            track();
            FinishWire();
            break;
        case TEditMode::BlockMove:
        case TEditMode::BlockPlace: {
            if (pos == pressPoint_) {
                view_.RepaintSheet();
                break;
            }
            const bool placing = state_.Mode == TEditMode::BlockPlace;
            const TElementRef block = state_.Current;
            if (!CurrentExists()) break;
            if (placing)
                PlaceNewBlock(Design(), view_.PixelToGrid(pos));
            else
                PlaceBlock(Design(), *Design().Blocks[block.Index], block.Index, view_.PixelToGrid(pos), true);
            Design().Modified = true;
            if (!placing) {
                CancelToIdle();
                Solve();
                CommitEdit();
                break;
            }
            // Placed: one undo step, then its variables are tuned at once,
            // the wheel over the sheet stepping the focused one.
            Design().Blocks[block.Index]->NeedsEval = true;
            state_.Mode = TEditMode::Idle;  // SetIdle keeps the placed block
            SetIdle();
            Solve();
            CommitEdit();
            state_.Current = block;
            state_.Mode = TEditMode::TuneMode;
            view_.SetCursorShape(TSheetCursor::TuneDown);
            if (dialogs_->ShowFor(block))
                dialogs_->FocusField(block);
            else
                SetIdle();  // no variable to tune
            break;
        }
        case TEditMode::BoxDrag:
            state_.Pointer = pos;
            groups_.EndBox(pos);
            break;
        case TEditMode::GroupMove:
        case TEditMode::GroupPaste:
            track();
            groups_.Commit(wiresFollow);
            break;
        default:
            break;
    }
}

void TEditorController::PlaceAt(QPoint pos) {
    TDesign& d = Design();
    const TPoint p = view_.PixelToGrid(pos);
    const TElementKind kind = state_.Current.Kind;
    if (kind == TElementKind::Text) {
        TSheetText& t = AppendText(d);
        CopyText(d, d.DefaultText, t);
        t.Subckt = -1;
        SetTextPosition(d, t, p);
        d.Modified = true;
        UnselectAllAndRepaint();
        SetIdle();
        CommitEdit();
        return;
    }
    if (IsPartKind(kind)) {
        if (PartPlacementRefused(d, p, state_.PartHorizontal(kind))) return;
        AddPart(d, PartTypeOf(kind), p, state_.PartHorizontal(kind));
    } else if (kind == TElementKind::Driver) {
        if (DriverPlacementRefused(d, p)) return;
        AddDriver(d, p);
    } else if (kind == TElementKind::Ground) {
        if (GroundPlacementRefused(d, p)) return;
        AddGround(d, p);
    } else {
        return;
    }
    d.Modified = true;
    Solve();
    UnselectAllAndRepaint();
    SetIdle();
    CommitEdit();
}

void TEditorController::DropAt(QPoint, bool wiresFollow) {
    TDesign& d = Design();
    if (!CurrentExists()) {
        SetIdle();
        return;
    }
    const TElementRef e = state_.Current;
    const TPoint p = view_.PixelToGrid(state_.DropPoint);
    // Planned before the element moves: what stays behind is told apart by
    // where everything is now. A moved wire is no element's connection.
    const TWireFollowPlan follow =
        wiresFollow ? PlanElementWireFollow(d, e, ConnectionPointsAt(d, e, p, state_.MovingHorizontal))
                    : TWireFollowPlan{};
    switch (e.Kind) {
        case TElementKind::Source:
            if (SourcePlacementRefused(d, p)) return;
            SetIdle();
            SetSourcePosition(d, d.Source, p);
            CancelToIdle();
            break;
        case TElementKind::Driver:
            if (DriverPlacementRefused(d, p, e.Index)) return;
            SetIdle();
            SetDriverPosition(d, *d.Drivers[e.Index], p);
            break;
        case TElementKind::Ground:
            if (GroundPlacementRefused(d, p, e.Index)) return;
            SetIdle();
            SetGroundPosition(d, *d.Grounds[e.Index], p);
            break;
        case TElementKind::Text:
            SetIdle();
            SetTextPosition(d, *d.Texts[e.Index], p);
            d.Modified = true;
            view_.RepaintSheet();
            CommitEdit();
            return;  // texts take no part in the circuit
        case TElementKind::Wire: {
            const TPoint a = view_.PixelToGrid(state_.DropPoint), b = view_.PixelToGrid(state_.DropEnd2);
            if (WireEndRefused(d, a) || WireEndRefused(d, b)) return;
            state_.Mode = TEditMode::Idle;
            CancelToIdle();
            TWire& w = *d.Wires[e.Index];
            w.Selected = false;
            SetWireEnds(d, w, a, b);
            MergeWires(d, e.Index, deleteHooks_);
            UnselectAll(d);
            break;
        }
        default: {
            TPart& part = *d.Parts[e.Index];
            if (PartPlacementRefused(d, p, state_.MovingHorizontal, e.Index)) return;
            SetIdle();
            part.IsHorizontal = state_.MovingHorizontal;
            SetPartPosition(d, part, p);
            break;
        }
    }
    ApplyWireFollow(d, follow);
    d.Modified = true;
    view_.RepaintSheet();
    Solve();
    CommitEdit();
}

// ---- wiring ----

void TEditorController::StartWire(QPoint pos) {
    TDesign& d = Design();
    const TPoint g = view_.PixelToGrid(pos);
    TWire& w = AddWire(d, g, g);
    w.Subckt = -1;
    state_.Current = {TElementKind::Wire, static_cast<int>(d.Wires.size()) - 1};
    state_.Mode = TEditMode::Wiring;
    d.Modified = true;
    view_.DragImage().Hide();
}

void TEditorController::UpdateRubberBand(QPoint snapped) {
    if (!CurrentExists() || state_.Current.Kind != TElementKind::Wire) return;
    TDesign& d = Design();
    TWire& w = *d.Wires[state_.Current.Index];
    const QPoint a(w.PixelEnd1.X, w.PixelEnd1.Y);
    QPoint b = snapped;
    if (std::abs(b.y() - a.y()) >= std::abs(b.x() - a.x()))
        b.setX(a.x());
    else
        b.setY(a.y());
    SetWireEnds(d, w, w.End1, view_.PixelToGrid(b));
    view_.DragImage().Hide();
    view_.DragImage().SetSize(std::abs(b.x() - a.x()) + 2, std::abs(b.y() - a.y()) + 2);
    view_.DragImage().Show((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
}

void TEditorController::RemoveUnfinishedWire() {
    if (state_.Current.Kind == TElementKind::Wire && CurrentExists()) DeleteElement(Design(), state_.Current);
    state_.Current = {};
    view_.DragImage().Hide();
}

void TEditorController::FinishWire() {
    TDesign& d = Design();
    if (!CurrentExists() || state_.Current.Kind != TElementKind::Wire) {
        SetIdle();
        return;
    }
    const int index = state_.Current.Index;
    TWire& w = *d.Wires[index];
    if (w.PixelEnd1 == w.PixelEnd2) {
        // A wire of no length goes; the next press starts a new one wherever it is.
        DeleteElement(d, state_.Current);
        view_.DragImage().Hide();
        state_.Mode = TEditMode::Placing;
        state_.Current = {TElementKind::Wire, -1};
        view_.RepaintSheet();
        return;
    }
    if (WireEndRefused(d, w.End2)) return;
    TPoint a = w.End1, b = w.End2;
    if (a.X > b.X || a.Y > b.Y) std::swap(a, b);
    SetWireEnds(d, w, a, b);
    w.Selected = false;
    state_.Mode = TEditMode::Idle;
    view_.DragImage().Hide();
    view_.RepaintSheet();
    MergeWires(d, index, deleteHooks_);
    CancelToIdle();
    Solve();
    CommitEdit();
}

// ---- double-click and focus ----

void TEditorController::SheetDblClick() {
    dblClickFlag_ = false;
    dblClickTimer_.stop();
    SetIdle();
    UnselectAllAndRepaint();
    // Then as the key T at the pointer.
    const auto hit = HitTest(Design(), view_.PixelToGrid(state_.Pointer));
    if (!hit) return;
    const bool tunable = IsPartKind(hit->Kind) || hit->Kind == TElementKind::Driver ||
                         hit->Kind == TElementKind::Source || hit->Kind == TElementKind::Text ||
                         hit->Kind == TElementKind::Block;
    if (!tunable) return;
    state_.Current = *hit;
    tuning_.Start();
}

void TEditorController::SheetFocusLost() {
    if (state_.Mode == TEditMode::Wiring) RemoveUnfinishedWire();
    CancelToIdle();
}

}  // namespace pelmo
