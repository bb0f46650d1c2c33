#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include "editor/SheetEdit.h"
#include "gui/sheet/EditorGroups.h"
#include "gui/sheet/EditorKeys.h"
#include "gui/sheet/EditorMenus.h"
#include "gui/sheet/EditorOverlay.h"
#include "gui/sheet/EditorState.h"
#include "gui/sheet/EditorTuning.h"
#include "gui/sheet/ElementDialogs.h"
#include "gui/sheet/SheetView.h"
#include "gui/sheet/SheetWidgets.h"

class QWidget;

namespace pelmo {

class TSession;
struct TDesign;

// The sheet editor: the mode it is in, the element it works on, and what the
// mouse does to the design. The rules that decide (what lies under the
// pointer, which placements are refused, how wires merge, how groups move)
// are the core's; this class turns input into calls of them, ends every edit
// with a solve and an undo step, and owns the editor's other parts: the keys
// and the wheel, the pop-up menus, the groups, tuning, and what is drawn over
// the picture. They share one TEditorState.
class TEditorController : public QObject, public TSheetInput {
    Q_OBJECT
public:
    // `window` is the main window: its caption shows the rotate hint, and
    // the pop-up menus belong to it.
    TEditorController(TSession& session, TSheetView& view, QWidget* window);

    TEditMode EditMode() const { return state_.Mode; }
    TElementRef CurrentElement() const { return state_.Current; }
    bool PartTypeHorizontal(TPartType partType) const {
        return state_.PartHorizontalByType.at(static_cast<std::size_t>(partType));
    }

    // The element dialogs; a stand-in that opens nothing is used until set.
    void SetElementDialogs(TElementDialogs* dialogs);
    TElementDialogs& Dialogs() const { return *dialogs_; }

    // The editor's parts.
    TEditorKeys& Keys() { return keys_; }
    TEditorMenus& Menus() { return menus_; }
    TGroupEditor& Groups() { return groups_; }
    const TGroupEditor& Groups() const { return groups_; }
    TEditorTuning& Tuning() { return tuning_; }
    const TEditorTuning& Tuning() const { return tuning_; }

    TDesign& Design();
    const TDesign& Design() const;
    void Solve();
    // What deleting a part or driver does first: its curves leave every
    // graph window's record (remembered, so that undo brings them back).
    const TDeleteHooks& DeleteHooks() const { return deleteHooks_; }

    // ---- commands ----
    void CancelToIdle();
    void SetIdle();
    void ArmTool(TElementKind kind);
    // A block just read from a file (the design's last one, not yet on the
    // sheet) follows the mouse; a click places it. Leaving the mode any
    // other way (Escape, the right button, the sheet losing the focus)
    // removes it again.
    void StartBlockPlace(int blockIndex);
    void ToggleOrientation();
    void Delete1Click();
    void Copy2Click();
    void SetPartStateCmd(TPartState state);
    void InvertCmd();
    void MuteCmd();
    void DissolveBlockCmd();
    void ZoomCmd();
    void CentreHereCmd();
    // Picks up the element where the last pop-up menu was asked for.
    void PickUpAtRightClickPoint();
    // One undo step per completed edit.
    void CommitEdit();
    void Undo();
    void Redo();
    void CloseElementDialogs();
    // One zoom step about the pointer.
    void ZoomStep(bool zoomIn);
    // Where the pointer is on the sheet, when something else moved it.
    void SetPointer(QPoint sheetPos) { state_.Pointer = sheetPos; }
    // The pointer timer's tick: tracking the resting pointer and its cursor.
    void PointerTick();

    bool CurrentExists() const;
    bool PointerOverDialog() const;
    void UnselectAllAndRepaint();

    // ---- TSheetInput ----
    void SheetMouseDown(Qt::MouseButton button, QPoint pos) override;
    void SheetMouseUp(Qt::MouseButton button, QPoint pos, Qt::KeyboardModifiers modifiers = {}) override;
    void SheetMouseMove(QPoint pos, bool realMove = true) override;
    void SheetDblClick() override;
    void SheetFocusLost() override;
    void SheetPointerLeft() override { state_.PointerOnSheet = false; }

signals:
    // The undo history changed (a step was recorded, undone or redone).
    void HistoryChanged();
    // A tool is armed (its element kind), or none (TElementKind::None).
    void ToolArmed(TElementKind kind);

private:
    // Pressing, releasing, placing, wiring (EditorMouse.cpp).
    void RightPress(QPoint pos);
    void PickUp(QPoint pos);
    void PlaceAt(QPoint pos);
    // Wires attached to the element follow it unless `wiresFollow` is off.
    void DropAt(QPoint pos, bool wiresFollow);
    void StartPlacingWire();
    void StartWire(QPoint pos);
    void FinishWire();
    void RemoveUnfinishedWire();
    void DiscardUnplacedBlock();
    void UpdateRubberBand(QPoint snapped);
    void TrackDragImage(QPoint snapped);

    TSession& session_;
    TSheetView& view_;
    QWidget* window_;
    TElementDialogs noDialogs_;  // none, while the window's own are not set
    TElementDialogs* dialogs_ = &noDialogs_;
    TDeleteHooks deleteHooks_;

    TEditorState state_;
    QPoint pressPoint_;
    int wireGrabOffset_ = 0;
    bool dblClickFlag_ = false;
    QTimer dblClickTimer_;
    QElapsedTimer lastPointerTime_;

    TEditorKeys keys_;
    TEditorMenus menus_;
    TGroupEditor groups_;
    TEditorTuning tuning_;
    TEditorOverlay overlay_;
};

}  // namespace pelmo
