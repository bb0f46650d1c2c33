#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "document/Session.h"
#include "document/Settings.h"
#include "gui/app/GuiMessageSink.h"
#include "gui/widgets/QtTextMetrics.h"

class QAction;
class QMenu;

namespace pelmo {

class TBlockMenuCommands;
class TEditorController;
class TElementDialogs;
class TOptionsDialog;
class TPartsCatalogue;
class TElementDialogSet;
class TGraphWindows;
class TSheetView;
class TRecoveryCommands;
class TSnapshotCommands;
class TToolBar;

// The main window: the menus, the tool bar and the sheet, around the one
// session of the run. The sheet view draws, the editor controller edits, the
// graph windows show the results; this class builds them, routes the keys
// and the wheel, and runs the menus' document commands.
class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainWindow(QWidget* parent = nullptr);
    ~TMainWindow() override;

    TSession& Session() { return *session_; }
    const TSession& Session() const { return *session_; }
    TSheetView& View() { return *view_; }
    const TSheetView& View() const { return *view_; }
    TEditorController& Editor() { return *editor_; }
    const TEditorController& Editor() const { return *editor_; }
    TToolBar& Tools() { return *toolBar_; }
    // The graph windows on the session's graph records.
    TGraphWindows& GraphWindows() { return *graphWindows_; }
    // The File menu's "Snapshot" commands.
    TSnapshotCommands& Snapshot() { return *snapshot_; }
    // The circuit block designer and "CircuitBlocks".
    TBlockMenuCommands& Blocks() { return *blocks_; }

    // Sets the window caption (and every graph window's) from the current file name.
    void UpdateCaption();

    // ---- hooks for the parts built elsewhere and for tests ----
    // Replaces the element dialogs (tests record instead); nullptr restores
    // the window's own.
    void SetElementDialogs(TElementDialogs* dialogs);
    TElementDialogSet& ElementDialogs() { return *dialogs_; }
    // The end of the first catalogue update of the run starts the pointer
    // timer (every 300 ms the resting pointer is tracked again and the cursor
    // set) and, once, a solve 200 ms later. Later updates start nothing.
    void StartCatalogueTimers();
    bool CatalogueTimersStarted() const { return catalogueTimersStarted_; }
    // The parts catalogue of the run (read at start) and the options.
    TPartsCatalogue& Catalogue() { return *catalogue_; }
    TOptionsDialog& Options() { return *options_; }
    const TSettings& Settings() const { return settings_; }
    // Edit > Options (also shown at the first start).
    void ShowOptions();
    // Updates the catalogue from the configured server, once per run, with
    // the busy caption and cursor; the first update starts the timers above.
    void UpdatePartsCatalogue();
    // Compares the running version with the one the server names; at start
    // (`quietWhenCurrent`) only a newer version or a failure is reported.
    void CheckForProgramUpdate(bool quietWhenCurrent);
    // Replaces the message boxes (tests record instead).
    void SetMessageSink(MessageSink* sink) { session_->SetMessageSink(sink); }
    // Replaces the Open and Save dialogs: return the chosen path, "" to cancel.
    std::function<std::string(const std::string& folder, const std::string& name)> ChooseOpenFile;
    std::function<std::string(const std::string& folder, const std::string& name)> ChooseSaveFile;
    // Runs after every solve that went through (tests count).
    std::function<void()> AfterSolve;
    // Opens the two default graph windows; closes all graph windows first
    // when `reset` is set.
    std::function<void(bool reset)> OpenDefaultGraphs;

    // The design named on the command line, opened at the end of the first show.
    void SetStartupDesign(const std::string& path) { startupDesign_ = path; }
    // A design handed over by another start of the program (the file
    // manager): the window comes to the front, then it opens as a recent
    // file does, asking first about unsaved changes.
    void OpenFromOutside(const std::string& path);

    // The "Solve" menu command (every edit solves by itself).
    void Solve();

    // ---- crash recovery ----
    // The program's own start offers, once the window is up, the copies that
    // programs which ended abnormally left behind; windows made by tests do
    // not unless they ask (TRecoveryCommands::Offer).
    void SetOfferRecoveryAtStart(bool offer) { offerRecoveryAtStart_ = offer; }
    TRecoveryCommands& RecoveryCommands() { return *recovery_; }
    // Shows the design a recovery copy brought back.
    void AfterRecovery();

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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Construction pieces (MainWindow.cpp).
    void BuildMenus();
    void BuildGraphWindows();
    void FirstShow();
    void Tips1Click();
    void UpdateHistoryActions();

    // Catalogue and options (MainWindowCatalogue.cpp).
    void BuildCatalogue(const std::string& dataFolder);
    void StartupChecks();
    void SaveSettings();
    void ShowCatalogueStatus();

    // Document commands (MainWindowDocument.cpp).
    void SetDocumentHooks();
    void NewClick();
    void OpenClick();
    void ExamplesClick();
    void SaveClick();
    void SaveAsClick();
    void OpenRecent(const std::string& path);
    void RebuildRecentMenu();
    void AfterDesignReplaced();
    // The graph windows a design was saved with, after it is read.
    void RestoreWindowLayout();
    void AfterDocumentCommand();

    TQtTextMetrics metrics_;
    TGuiMessageSink guiMessages_;
    TSettings settings_;
    std::unique_ptr<TSession> session_;
    TToolBar* toolBar_ = nullptr;
    TSheetView* view_ = nullptr;
    TEditorController* editor_ = nullptr;
    TSnapshotCommands* snapshot_ = nullptr;
    std::unique_ptr<TGraphWindows> graphWindows_;  // after the records it draws
    std::unique_ptr<TElementDialogSet> dialogs_;
    TPartsCatalogue* catalogue_ = nullptr;
    TOptionsDialog* options_ = nullptr;
    QTimer moveCallTimer_;
    QTimer rateSensTimer_;
    bool catalogueTimersStarted_ = false;
    std::string startupDesign_;
    QString lastCaption_;  // the one the graph windows were told
    bool firstShown_ = false;
    bool offerRecoveryAtStart_ = false;
    TRecoveryCommands* recovery_ = nullptr;

    QMenu* reopenMenu_ = nullptr;
    QMenu* addGraphMenu_ = nullptr;
    QMenu* graphToFrontMenu_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    TBlockMenuCommands* blocks_ = nullptr;
};

}  // namespace pelmo
