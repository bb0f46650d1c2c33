#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "dialogs/ElementDialog.h"
#include "editor/GroupEdit.h"
#include "editor/SheetEdit.h"
#include "sheet/ElementDialogs.h"
#include "sheet/SheetView.h"
#include "sheet/SheetWidgets.h"

class QAction;
class QMenu;
class QWidget;

namespace pelmo {

class TSession;
struct TDesign;

// Editor modes of the sheet.
enum class TEditMode {
    Idle = 0,
    BoxDrag = 1,
    BoxShown = 2,
    GroupMove = 3,
    GroupPaste = 4,
    Placing = 5,
    Moving = 6,
    Wiring = 7,
    TuneMode = 8,
    ZoomMode = 9,
    BlockMove = 10,
    BlockPlace = 11,
};

// The sheet editor: the mode it is in, the element it works on, and what the
// mouse, the keys, the wheel and the pop-up menus do to the design. The rules
// that decide (what lies under the pointer, which placements are refused, how
// wires merge, how groups move) are the core's; this class turns input into
// calls of them, ends every edit with a solve and an undo step, and tells the
// sheet view what to draw over the picture.
class TEditorController : public QObject, public TSheetInput, public TSheetDecorations, public TTuningHost {
    Q_OBJECT
public:
    // `window` is the main window: its caption shows the rotate hint, and
    // the pop-up menus belong to it.
    TEditorController(TSession& session, TSheetView& view, QWidget* window);

    TEditMode EditMode() const { return editMode_; }
    TElementRef CurrentElement() const { return current_; }
    const TCopyBuffer& CopyBuffer() const { return copyBuffer_; }
    bool PartTypeHorizontal(TPartType partType) const { return partHorizontal_.at(static_cast<std::size_t>(partType)); }

    // The element dialogs; a stand-in that opens nothing is used until set.
    void SetElementDialogs(TElementDialogs* dialogs);
    // Chooses an item of a pop-up menu instead of showing it (tests).
    std::function<QAction*(QMenu*)> MenuChooser;
    // The texts the last pop-up menu offered (visible items, in order), for tests.
    QStringList LastMenuItems() const { return lastMenuItems_; }
    QString LastMenuDefaultItem() const { return lastMenuDefault_; }

    // ---- commands ----
    void CancelToIdle() override;
    void SetIdle();
    void ArmTool(TElementKind kind);
    // A block just read from a file (the design's last one, not yet on the
    // sheet) follows the mouse; a click places it. Leaving the mode any
    // other way (Escape, the right button, the sheet losing the focus)
    // removes it again.
    void StartBlockPlace(int blockIndex);
    void ToggleOrientation();
    void EditTune1Click(QObject* invoker);
    void Delete1Click();
    void Copy2Click();
    // One undo step per completed edit.
    void CommitEdit();
    void Undo();
    void Redo();
    void CloseElementDialogs();
    // One zoom step about the pointer.
    void ZoomStep(bool zoomIn);
    // Where the pointer is on the sheet, when something else moved it.
    void SetPointer(QPoint sheetPos) { pointer_ = sheetPos; }
    // The pointer timer's tick: tracking the resting pointer and its cursor.
    void PointerTick();

    // ---- TTuningHost: what the element dialogs ask of the editor ----
    TSession& Session() override { return session_; }
    void RecheckPointer() override;
    void RecheckPointerAfterPartValue(const TPart& part) override;
    // Tuning ends: idle, the default cursor, and the tuning session (every
    // change since it began) becomes one undo step.
    void EndTuning() override;
    void RepaintSheet() override;
    void MovePointerToGrid(TPoint grid) override;
    QRect ElementScreenRect(TElementRef e) const override;

    // ---- input the main window hands on ----
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool FormMouseWheel(QWidget* target, QPoint globalPos, int delta);

    // ---- TSheetInput ----
    void SheetMouseDown(Qt::MouseButton button, QPoint pos) override;
    void SheetMouseUp(Qt::MouseButton button, QPoint pos) override;
    void SheetMouseMove(QPoint pos, bool realMove = true) override;
    void SheetDblClick() override;
    void SheetFocusLost() override;
    void SheetPointerLeft() override { pointerOnSheet_ = false; }

    // ---- TSheetDecorations ----
    bool Highlighted(TElementRef e) const override { return highlight_ && *highlight_ == e; }
    bool HidesWire(int index) const override;
    bool HidesBlock(int index) const override;
    bool ShowsSourceLabels() const override { return editMode_ != TEditMode::GroupMove; }
    void PaintOverlay(QPainter& painter, const QRect& rect) override;

signals:
    // The undo history changed (a step was recorded, undone or redone).
    void HistoryChanged();
    // A tool is armed (its element kind), or none (TElementKind::None).
    void ToolArmed(TElementKind kind);

private:
    TDesign& Design();
    const TDesign& Design() const;
    void Solve();

    // Pointer tracking, pressing, releasing (EditorMouse.cpp).
    void RecheckPointerFor(const TPart* changedPart);
    void PickUp(QPoint pos);
    void PickUpAtRightClickPoint();
    void PlaceAt(QPoint pos);
    void DropAt(QPoint pos);
    void StartPlacingWire();
    void StartWire(QPoint pos);
    void FinishWire();
    void RemoveUnfinishedWire();
    void DiscardUnplacedBlock();
    void UpdateRubberBand(QPoint snapped);
    void TrackDragImage(QPoint snapped);
    bool CurrentExists() const;
    bool PointerOverDialog() const;
    void UnselectAllAndRepaint();

    // Keys and the wheel (EditorKeys.cpp).
    void KeyOverElement(int key, Qt::KeyboardModifiers modifiers, TElementRef e);
    void WheelOverSheet(bool away);
    void MovePointerBy(int dx, int dy);

    // Commands on the current element (EditorCommands.cpp).
    void RightPress(QPoint pos);
    void SetPartStateCmd(TPartState state);
    void InvertCmd();
    void MuteCmd();
    void ZoomCmd();
    void CentreHereCmd();

    // Pop-up menus (EditorMenus.cpp).
    void BuildPopupMenus();
    QAction* ExecPopup(QMenu* menu, QPoint globalPos);
    void PartMenuPopup(QPoint pos);
    void SpaceMenuPopup(QPoint pos);
    void BoxMenuPopup(QPoint pos);

    // Groups (EditorGroups.cpp).
    void StartBox(QPoint pos);
    void DragBox(QPoint snapped);
    void EndBox(QPoint pos);
    void Move2Click();
    void Copy1Click();
    void Delete2Click();
    void StartPaste();
    void CommitGroup();
    TPoint GroupDisplacement() const;

    // What is drawn over the picture (EditorOverlay.cpp).
    void DrawDragImage(QPainter& painter);
    void DrawGroupPreview(QPainter& painter);

    TSession& session_;
    TSheetView& view_;
    QWidget* window_;
    TElementDialogs noDialogs_;  // none, while the window's own are not set
    TElementDialogs* dialogs_ = &noDialogs_;
    // What deleting a part or driver does first: its curves leave every
    // graph window's record (remembered, so that undo brings them back).
    TDeleteHooks deleteHooks_;

    TEditMode editMode_ = TEditMode::Idle;
    TElementRef current_;
    std::array<bool, 3> partHorizontal_{true, true, true};  // by part type
    bool& PartHorizontal(TElementKind partKind) { return partHorizontal_[static_cast<std::size_t>(partKind)]; }
    bool movingHorizontal_ = true;  // orientation a picked-up part gets when dropped
    QPoint pressPoint_;
    TPoint rightClickPoint_;
    QPoint dropPoint_;
    QPoint dropEnd2_;
    int wireGrabOffset_ = 0;
    bool dblClickFlag_ = false;
    QTimer dblClickTimer_;
    bool menuOpen_ = false;
    QPoint lastPointer_{-1000000, -1000000};
    QElapsedTimer lastPointerTime_;
    QPoint pointer_;               // last pointer position on the sheet, unsnapped
    bool pointerOnSheet_ = false;  // the pointer's last move was over the sheet
    int tuneWheelRest_ = 0;        // wheel turn not yet a whole step
    std::optional<TElementRef> highlight_;

    // Groups.
    QPoint boxStart_;
    QPoint boxEnd_;
    TPoint groupAnchor_;
    bool singleElement_ = false;
    TCopyBuffer copyBuffer_;

    // Pop-up menus.
    QMenu* partMenu_ = nullptr;
    QMenu* spaceMenu_ = nullptr;
    QMenu* boxMenu_ = nullptr;
    std::vector<std::pair<QAction*, std::function<bool(TElementKind kind)>>> partItemRules_;
    QAction* editTune1_ = nullptr;
    QAction* tune1_ = nullptr;
    QStringList lastMenuItems_;
    QString lastMenuDefault_;
};

}  // namespace pelmo
