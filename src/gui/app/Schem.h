#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/GuiMessageSink.h"
#include "app/QtTextMetrics.h"
#include "document/MruUnit.h"
#include "document/Settings.h"
#include "editor/Cursors.h"
#include "editor/ElementDialogs.h"
#include "editor/GroupEdit.h"
#include "editor/Marker.h"
#include "editor/UndoHistory.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/Design.h"

class QAction;
class QButtonGroup;
class QMenu;
class QScrollArea;
class QToolButton;

namespace pelmo {

class TDocument;
class TSheet;
class TSheetPanel;
class TSheetPainter;
class TGraphWindows;

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

// The main window: owns the design for the whole run, shows it on the sheet and
// lets the user edit it. Drawing and input live here; every rule that decides
// something about the design is in the core (editor/, document/).
class TSchem : public QMainWindow {
    Q_OBJECT
public:
    explicit TSchem(QWidget* parent = nullptr);
    ~TSchem() override;

    TDesign& Design() { return *design_; }
    TEditMode EditMode() const { return editMode_; }
    TElementRef CurrentElement() const { return current_; }
    int SheetScale() const { return scale_; }
    TPoint ViewCentre() const { return viewCentre_; }
    MessageSink& Messages() { return *messages_; }
    TMostRecentFiles& RecentFiles() { return mru_; }
    TDocument& Document() { return *document_; }
    TUndoHistory& History() { return history_; }
    const TCopyBuffer& CopyBuffer() const { return copyBuffer_; }
    const std::string& DataFolder() const { return dataFolder_; }
    int SolveCount() const { return solveCount_; }
    // The open graph windows' records; the solve fills their curves.
    TGraphList& Graphs() { return graphs_; }
    TGraphSolve& GraphSolve() { return solve_; }
    // The graph windows on those records.
    TGraphWindows& GraphWindows() { return *graphWindows_; }
    int FullRenderCount() const { return fullRenders_; }
    const TMarker& DragImage() const { return marker_; }
    bool PartTypeHorizontal(int partType) const { return partHorizontal_.at(partType); }

    // Sets the window caption (and every graph window's) from the current file name.
    void UpdateCaption();

    // ---- hooks for the parts built elsewhere and for tests ----
    // The element dialogs; a stand-in that opens nothing is used until set.
    void SetElementDialogs(TElementDialogs* dialogs);
    // Replaces the message boxes (tests record instead).
    void SetMessageSink(MessageSink* sink);
    // Replaces the Open and Save dialogs: return the chosen path, "" to cancel.
    std::function<std::string(const std::string& folder, const std::string& name)> ChooseOpenFile;
    std::function<std::string(const std::string& folder, const std::string& name)> ChooseSaveFile;
    // Chooses an item of a pop-up menu instead of showing it (tests).
    std::function<QAction*(QMenu*)> MenuChooser;
    // Runs after every solve (the graph windows redraw from it; tests count).
    std::function<void()> AfterSolve;
    // Opens the two default graph windows; closes all graph windows first
    // when `reset` is set.
    std::function<void(bool reset)> OpenDefaultGraphs;

    // The design named on the command line, opened at the end of the first show.
    void SetStartupDesign(const std::string& path) { startupDesign_ = path; }
    // A design opened from outside while the program runs (a file manager
    // starting Pelmo again): the window comes to the front and the design
    // opens as a recent file does, asking "Save current design?" first. An
    // empty path only brings the window to the front.
    void OpenFromOutside(const std::string& path);

    // ---- the sheet (drawing, zoom) ----
    QPoint GridToPixel(TPoint p) const { return {p.X * scale_, p.Y * scale_}; }
    TPoint PixelToGrid(QPoint p) const;
    // Draws the whole sheet onto a painter: on screen with the grid, for export
    // on white inside `exportRect`.
    void PaintSheet(QPainter& painter, const QRect& area, bool forExport);
    void SetSheetScale(int z);
    void ZoomStep(bool zoomIn);
    void FitAll();
    void CenterView();
    // Repaints the whole sheet (after every edit).
    void RepaintSheet();
    TSheet* SheetWidget() const { return sheet_; }
    TSheetPanel* SheetPanel() const { return panel_; }
    QScrollArea* ScrollBox() const { return scrollBox_; }

    // ---- editing ----
    // Every edit that changes the circuit ends here.
    void Solve();
    void CancelToIdle();
    void SetIdle();
    void UnselectAllAndRepaint();
    void ToggleOrientation();
    void EditTune1Click(QObject* invoker);
    void Delete1Click();
    void Copy2Click();
    // One undo step per completed edit.
    void CommitEdit();
    void Undo();
    void Redo();

    // Event handlers of the sheet (called by the sheet widgets).
    void SheetMouseDown(Qt::MouseButton button, QPoint pos);
    void SheetMouseUp(Qt::MouseButton button, QPoint pos);
    void SheetMouseMove(QPoint pos, bool realMove = true);
    void SheetDblClick();
    void SheetPaint(QPainter& painter, const QRect& rect);
    void pnSchemExit();
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool FormMouseWheel(QWidget* target, QPoint globalPos, int delta);

    // Tool buttons.
    void ArmTool(int kind);
    QToolButton* ToolButton(int kind) const;

    // The graph issue fills these menus.
    QMenu* AddGraphMenu() const { return addGraphMenu_; }
    QMenu* GraphToFrontMenu() const { return graphToFrontMenu_; }
    QMenu* ReOpenMenu() const { return reopenMenu_; }
    QAction* UndoAction() const { return undoAction_; }
    QAction* RedoAction() const { return redoAction_; }

signals:
    // The caption changed; every graph window takes it too.
    void CaptionChanged(const QString& caption);
    // A solve has finished; graph windows redraw.
    void Solved();

public:
    // The texts the last pop-up menu offered (visible items, in order), for tests.
    QStringList LastMenuItems() const { return lastMenuItems_; }
    QString LastMenuDefaultItem() const { return lastMenuDefault_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TSheet;

    // Construction pieces (Schem.cpp).
    void BuildToolBar();
    void BuildMenus();
    void BuildSheet();
    void BuildPopupMenus();
    void BuildGraphWindows();
    void FirstShow();
    void Tips1Click();
    void RebuildRecentMenu();
    void OpenRecent(const std::string& path);
    void AfterDesignReplaced();

    // Sheet drawing (SchemSheet.cpp).
    void RebuildGridStrip();
    void DrawDragImage(QPainter& painter);
    void DrawGroupPreview(QPainter& painter);
    void DrawElement(TSheetPainter& sp, TElementRef e, QColor colour);
    QColor ElementColour(bool selected, TElementRef e) const;
    void SetCursorShape(TSheetCursor shape);

    // Editing (SchemEditing.cpp).
    void PickUp(QPoint pos);
    void PlaceAt(QPoint pos);
    void DropAt(QPoint pos);
    void StartWire(QPoint pos);
    void FinishWire();
    void RemoveUnfinishedWire();
    void UpdateRubberBand(QPoint snapped);
    void TrackDragImage(QPoint snapped);
    void RightPress(QPoint pos);
    void KeyOverElement(int key, Qt::KeyboardModifiers modifiers, TElementRef e);
    void WheelOverSheet(bool away);
    void MovePointerBy(int dx, int dy);
    bool PointerOverDialog() const;
    void SetPartStateCmd(int state);
    void InvertCmd();
    void MuteCmd();
    void PickUpAtRightClickPoint();
    void ZoomCmd();
    void CentreHereCmd();
    void CloseElementDialogs();
    void EndTuning();
    void StartPlacingWire();
    void SetCurrent(TElementRef e) { current_ = e; }
    bool CurrentExists() const;
    QPoint SnapToGrid(QPoint pos) const;
    QPoint PointerPos() const { return pointer_; }

    // Menus (SchemMenus.cpp).
    QAction* ExecPopup(QMenu* menu, QPoint globalPos);
    void PartMenuPopup(QPoint pos);
    void SpaceMenuPopup(QPoint pos);
    void BoxMenuPopup(QPoint pos);

    // Groups (SchemGroups.cpp).
    void StartBox(QPoint pos);
    void DragBox(QPoint snapped);
    void EndBox(QPoint pos);
    void Move2Click();
    void Copy1Click();
    void Delete2Click();
    void StartPaste();
    void CommitGroup();
    TPoint GroupDisplacement() const;

    // Document commands (SchemDocument.cpp).
    void NewClick();
    void OpenClick();
    void ExamplesClick();
    void SaveClick();
    void SaveAsClick();

    std::unique_ptr<TDesign> design_;
    TQtTextMetrics metrics_;
    TGuiMessageSink guiMessages_;
    MessageSink* messages_ = &guiMessages_;
    // Passes every message on to whatever sink is current, so the document
    // commands follow SetMessageSink.
    class TSinkProxy : public MessageSink {
    public:
        explicit TSinkProxy(TSchem& owner) : owner_(owner) {}
        void ShowMessage(const std::string& text) override { owner_.messages_->ShowMessage(text); }
        Answer Ask(const std::string& q, bool withCancel) override { return owner_.messages_->Ask(q, withCancel); }

    private:
        TSchem& owner_;
    };
    TSinkProxy sinkProxy_{*this};
    TNoElementDialogs noDialogs_;
    TElementDialogs* dialogs_ = &noDialogs_;
    std::string dataFolder_;
    TSettings settings_;
    TMostRecentFiles mru_;
    std::unique_ptr<TDocument> document_;
    TUndoHistory history_;
    TGraphList graphs_;
    TGraphSolve solve_;
    // What deleting a part or driver does first: its curves leave every graph
    // window's record (remembered, so that undo brings them back).
    TDeleteHooks deleteHooks_;
    std::unique_ptr<TGraphWindows> graphWindows_;  // after the records it draws
    std::string startupDesign_;
    bool firstShown_ = false;

    // Sheet view.
    int scale_ = 10;
    TPoint viewCentre_{SheetWidth / 2, SheetHeight / 2};
    QFont sheetFont_;
    QImage gridStrip_;
    QImage cache_;
    QRect cacheRect_;
    bool cacheValid_ = false;
    int fullRenders_ = 0;
    TMarker marker_;
    QScrollArea* scrollBox_ = nullptr;
    QWidget* scrollHost_ = nullptr;
    TSheetPanel* panel_ = nullptr;
    TSheet* sheet_ = nullptr;

    // Editing state.
    TEditMode editMode_ = TEditMode::Idle;
    TElementRef current_;
    std::array<bool, 3> partHorizontal_{true, true, true};
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
    QPoint pointer_;  // last pointer position on the sheet, unsnapped
    std::optional<TElementRef> highlight_;
    int solveCount_ = 0;

    // Groups.
    QPoint boxStart_;
    QPoint boxEnd_;
    TPoint groupAnchor_;
    bool singleElement_ = false;
    TCopyBuffer copyBuffer_;

    // Widgets.
    QWidget* toolBar_ = nullptr;
    QButtonGroup* toolGroup_ = nullptr;
    std::array<QToolButton*, 8> toolButtons_{};  // by element kind 0..7 (source and wire hidden)
    QToolButton* btnSelect_ = nullptr;           // hidden; down when no tool is armed
    QMenu* reopenMenu_ = nullptr;
    QMenu* addGraphMenu_ = nullptr;
    QMenu* graphToFrontMenu_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* changeModeAction_ = nullptr;
    QMenu* partMenu_ = nullptr;
    QMenu* spaceMenu_ = nullptr;
    QMenu* boxMenu_ = nullptr;
    std::vector<std::pair<QAction*, std::function<bool(int kind)>>> partItemRules_;
    QAction* editTune1_ = nullptr;
    QAction* tune1_ = nullptr;
    QStringList lastMenuItems_;
    QString lastMenuDefault_;
};

}  // namespace pelmo
