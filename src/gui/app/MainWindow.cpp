#include "gui/app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QWheelEvent>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <exception>

#include "document/DataFolder.h"
#include "document/Document.h"
#include "document/ShippedFiles.h"
#include "driverdata/FFT.h"
#include "gui/app/RecoveryCommands.h"
#include "gui/app/SnapshotCommands.h"
#include "gui/app/ToolBar.h"
#include "gui/blocks/BlockMenuCommands.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/dialogs/ListeningDialog.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetView.h"
#include "gui/sheet/SheetWidgets.h"
#include "gui/tools/ListenWindow.h"
#include "gui/tools/ModelDriverWindow.h"
#include "gui/tools/OptimizeWindow.h"

namespace pelmo {

namespace {

const char* const TipsText =
    " * TO ROTATE a component, press the space bar or \"R\" key.\n\n * Click the right-mouse button on a circuit part "
    "to GET A LIST OF OPTIONS for it.\n   (try clicking on various other things, most will give you options to "
    "adjust!)\n\n * Left-click the mouse on a value spinner control, then use the MOUSE WHEEL to\n      easily adjust "
    "it when tuning.\n      (a wheel mouse is strongly recommended!..or you can use the up/down arrow keys).\n\n * Use "
    "the \"AddGraph\" menu to make a wide variety of result graphs.\n      Use the Graph's \"Curves\" menu to select "
    "what to show the data for.\n\n * Keyboard Shortcuts (put cursor over a part and press the key):\n      R, Space: "
    "Rotate part\n      T:        Tune part\n      P:        find a part number\n      O,S,N:    Open or Short out a "
    "part, or back to Normal\n      C:        Copy and Paste a part\n      M:        Mute or Unmute a driver\n      "
    "I,+,-:    Invert or Uninvert a driver or the source\n      Del:      Delete a part or driver\n\n  * NOTE "
    "Frequency "
    "response absolute amplitudes will only be accurate if original\n      FRD data was taken at 2.83V, 1m (or "
    "equiv.)\n\n";

}  // namespace

TMainWindow::TMainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(ProgramTitle);
    guiMessages_.SetParent(this);
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    const std::string dataFolder = PublicDataFolder(guiMessages_);
    if (!dataFolder.empty()) {
        // The shipped examples and circuit blocks, without touching the user's files.
        InstallShippedFiles(ShippedFilesFolder(), dataFolder);
        settings_ = ReadSettings(dataFolder);
    }
    session_ = std::make_unique<TSession>(guiMessages_, dataFolder);
    session_->Design().Metrics = &metrics_;
    SetDocumentHooks();

    toolBar_ = new TToolBar(metrics_, this);
    view_ = new TSheetView(*session_, metrics_, this);
    editor_ = new TEditorController(*session_, *view_, this);
    for (int kind = 0; kind < ElementKindCount; ++kind)
        if (QToolButton* b = toolBar_->Button(static_cast<TElementKind>(kind))) b->installEventFilter(this);
    connect(toolBar_, &TToolBar::ToolChosen, editor_, &TEditorController::ArmTool);
    connect(toolBar_, &TToolBar::SelectChosen, editor_, &TEditorController::CancelToIdle);
    connect(editor_, &TEditorController::ToolArmed, toolBar_, &TToolBar::ShowArmed);
    connect(editor_, &TEditorController::HistoryChanged, this, &TMainWindow::UpdateHistoryActions);
    // The "*" of unsaved changes comes and goes with edits, undo and redo.
    connect(editor_, &TEditorController::HistoryChanged, this, &TMainWindow::UpdateCaption);
    dialogs_ = std::make_unique<TElementDialogSet>(editor_->Tuning(), this);
    editor_->SetElementDialogs(dialogs_.get());
    BuildCatalogue(dataFolder);

    // The pointer and solve timers run only after the first catalogue update.
    moveCallTimer_.setInterval(300);
    connect(&moveCallTimer_, &QTimer::timeout, this, [this] { editor_->PointerTick(); });
    rateSensTimer_.setInterval(200);
    rateSensTimer_.setSingleShot(true);
    connect(&rateSensTimer_, &QTimer::timeout, this, [this] {
        if (QApplication::activeWindow()) session_->Solve();
    });

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(toolBar_);
    row->addWidget(view_->ScrollBox(), 1);
    setCentralWidget(central);

    BuildMenus();
    BuildGraphWindows();
    recovery_ = new TRecoveryCommands(*this);
    qApp->installEventFilter(this);
    UpdateCaption();
    resize(900, 650);
}

void TMainWindow::BuildGraphWindows() {
    graphWindows_ = std::make_unique<TGraphWindows>(session_->Design(), session_->Messages(), session_->Graphs(),
                                                    session_->GraphSolve(), this);
    graphWindows_->SolveHook = [this] { session_->Solve(); };
    graphWindows_->FillAddGraphMenu(addGraphMenu_);
    graphWindows_->SetGraphToFrontMenu(graphToFrontMenu_);
    OpenDefaultGraphs = [this](bool) { graphWindows_->OpenDefaultGraphs(); };
    session_->BeforeSolve = [this] { graphWindows_->PrepareForSolve(); };
    session_->Solved = [this](bool ok) {
        if (ok && AfterSolve) AfterSolve();
        UpdateCaption();  // tuning changes the design without an undo step until it ends
        emit Solved();
        if (recovery_) recovery_->Schedule();
    };
    connect(this, &TMainWindow::Solved, graphWindows_.get(), [this] { graphWindows_->RedrawAll(); });
    connect(this, &TMainWindow::CaptionChanged, graphWindows_.get(), &TGraphWindows::SetCaption);
}

TMainWindow::~TMainWindow() {
    qApp->removeEventFilter(this);
    // The sheet's widgets outlive the editor while the window is taken down:
    // what they report then goes nowhere.
    view_->SetInput(nullptr);
    view_->SetDecorations(nullptr);
    editor_->SetElementDialogs(nullptr);
    moveCallTimer_.stop();
    rateSensTimer_.stop();
    // The session's hooks reach the windows, which go first.
    session_->BeforeSolve = nullptr;
    session_->Solved = nullptr;
    TMostRecentFiles& recent = session_->RecentFiles();
    if (!recent.IniFileName.empty()) recent.Save();
}

void TMainWindow::SetElementDialogs(TElementDialogs* dialogs) {
    editor_->SetElementDialogs(dialogs ? dialogs : dialogs_.get());
}

void TMainWindow::StartCatalogueTimers() {
    if (catalogueTimersStarted_) return;
    catalogueTimersStarted_ = true;
    moveCallTimer_.start();
    rateSensTimer_.start();
}

void TMainWindow::UpdateCaption() {
    // While an element follows the pointer the caption is the rotate hint;
    // the editor puts the design's caption back.
    const TEditMode mode = editor_ ? editor_->EditMode() : TEditMode::Idle;
    if (mode == TEditMode::Placing || mode == TEditMode::Moving) return;
    const QString caption = QString::fromStdString(MainCaption(session_->Design()));
    setWindowTitle(caption);
    if (caption == lastCaption_) return;
    lastCaption_ = caption;
    emit CaptionChanged(caption);
}

void TMainWindow::UpdateHistoryActions() {
    undoAction_->setEnabled(session_->History().CanUndo());
    redoAction_->setEnabled(session_->History().CanRedo());
}

void TMainWindow::Solve() { session_->Solve(); }

void TMainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    QList<QAction*> schematicOnly;
    schematicOnly << file->addAction("New", this, [this] { NewClick(); });
    schematicOnly.back()->setShortcut(QKeySequence::New);
    schematicOnly << file->addAction("Open", this, [this] { OpenClick(); });
    schematicOnly.back()->setShortcut(QKeySequence::Open);
    file->addAction("Examples", this, [this] { ExamplesClick(); });
    reopenMenu_ = file->addMenu("ReOpen");
    reopenMenu_->setObjectName("ReOpen");
    schematicOnly << reopenMenu_->menuAction();
    schematicOnly << file->addAction("Save", this, [this] { SaveClick(); });
    schematicOnly.back()->setShortcut(QKeySequence::Save);
    schematicOnly << file->addAction("Save As", this, [this] { SaveAsClick(); });
    schematicOnly.back()->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();
    snapshot_ = new TSnapshotCommands(*view_, session_->Messages(), this);
    snapshot_->AddMenu(file);
    file->addSeparator();
    QAction* beforeExit = file->addSeparator();  // the circuit block items go above it
    file->addAction("exit", this, [this] { close(); })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The document shortcuts work while a tuning dialog holds the focus too.
    for (QAction* a : file->actions())
        if (!a->shortcut().isEmpty()) a->setShortcutContext(Qt::ApplicationShortcut);

    QMenu* edit = menuBar()->addMenu("&Edit");
    undoAction_ = edit->addAction("Undo", this, [this] { editor_->Undo(); });
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = edit->addAction("Redo", this, [this] { editor_->Redo(); });
    redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);
    edit->addSeparator();
    edit->addAction("Options...", this, [this] { ShowOptions(); })->setObjectName("Options");

    menuBar()->addAction("Solve", this, [this] { Solve(); });
    QAction* tips = menuBar()->addAction("Tips!", this, [this] { Tips1Click(); });
    tips->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(tips);  // F1 works wherever the focus is in the window
    // The graph windows fill these two menus.
    addGraphMenu_ = menuBar()->addMenu("AddGraph");
    addGraphMenu_->setObjectName("AddGraph");
    graphToFrontMenu_ = menuBar()->addMenu("GraphToFront");
    graphToFrontMenu_->setObjectName("GraphToFront");
    schematicOnly << addGraphMenu_->menuAction();
    QMenu* window = menuBar()->addMenu("&Window");
    window->setObjectName("Window");
    window->addAction("Tile", this, [this] { graphWindows_->Tile(); })->setObjectName("Tile");

    blocks_ = new TBlockMenuCommands(*session_, *view_, *editor_, this);
    blocks_->AddMenuItems(file, beforeExit, menuBar());
    blocks_->SetSchematicOnlyActions(schematicOnly);
    connect(blocks_, &TBlockMenuCommands::DesignReplaced, this, [this] {
        // A block being designed is not solved: the curves of the design left
        // behind would show what is no longer drawn.
        if (session_->Design().BlockDesignMode) graphWindows_->ClearCurvePoints();
        UpdateCaption();
        UpdateHistoryActions();
    });

    QMenu* tools = menuBar()->addMenu("&Tools");
    tools->setObjectName("Tools");
    tools->addAction("Listen…", this, [this] {
        auto* listen = findChild<TListenWindow*>();
        if (!listen) {
            listen = new TListenWindow(*session_, this);
            connect(this, &TMainWindow::Solved, listen, &TListenWindow::DesignSolved);
        }
        listen->ShowAndRaise();
    });
    tools
        ->addAction("Listening position…", this,
                    [this] {
                        if (!RunListeningDialog(this, *session_)) return;
                        UpdateCaption();
                        UpdateHistoryActions();
                    })
        ->setObjectName("ListeningPosition");
    QAction* optimize = tools->addAction("Optimize…", this, [this] {
        // A circuit block being designed is not solved: nothing to optimize.
        if (session_->Design().BlockDesignMode) return;
        auto* window = findChild<TOptimizeWindow*>();
        if (!window) {
            window = new TOptimizeWindow(*session_, *graphWindows_, this);
            connect(window, &TOptimizeWindow::ValuesChanged, this, [this] { view_->RepaintSheet(); });
            connect(window, &TOptimizeWindow::Accepted, this, [this] {
                UpdateCaption();
                UpdateHistoryActions();
            });
        }
        window->ShowAndRaise();
    });
    optimize->setShortcut(QKeySequence("Ctrl+Shift+O"));
    QAction* model = tools->addAction("Model a Driver…", this, [this] {
        auto* window = findChild<TModelDriverWindow*>();
        if (!window) {
            window = new TModelDriverWindow(*session_, this);
            connect(this, &TMainWindow::Solved, window, &TModelDriverWindow::DesignChanged);
            connect(window, &TModelDriverWindow::Applied, this, [this] {
                view_->RepaintSheet();
                UpdateCaption();
                UpdateHistoryActions();
            });
        }
        window->ShowAndRaise();
    });
    model->setObjectName("ModelDriver");
    model->setShortcut(QKeySequence("Ctrl+Shift+M"));
}

void TMainWindow::Tips1Click() { session_->Messages().ShowMessage(TipsText); }

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (firstShown_) return;
    firstShown_ = true;
    FirstShow();
}

void TMainWindow::FirstShow() {
    // Numbers are written and read with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    // The transforms of the minimum-phase and time responses read these tables.
    BuildSineTables();

    if (QScreen* sc = screen()) {
        const QRect avail = sc->availableGeometry();
        resize(std::max(200, avail.width() / 2 - 50), std::max(200, avail.height() - 50));
        move(avail.topLeft());
    }
    view_->CenterView();
    view_->RepaintSheet();

    const std::string& folder = session_->DataFolder();
    if (!folder.empty()) {
        TMostRecentFiles& recent = session_->RecentFiles();
        recent.IniFileName = folder + MruFileName;
        recent.Load();
        if (settings_.FirstTime) ShowOptions();
        StartupChecks();
        settings_.FirstTime = false;
        WriteSettings(folder, settings_);
    }
    RebuildRecentMenu();
    if (OpenDefaultGraphs) OpenDefaultGraphs(false);
    session_->Design().Modified = false;
    session_->ResetHistory();
    UpdateCaption();
    view_->Panel()->setFocus();
    if (!startupDesign_.empty()) OpenRecent(startupDesign_);
    // The keyboard belongs to the sheet after start, whatever window the
    // window system focused while the graph windows opened.
    QTimer::singleShot(0, this, [this] {
        if (QApplication::activeWindow() == this || QApplication::activeModalWidget()) return;
        raise();
        activateWindow();
    });
    // Once the window is up (and the design asked for is open): what
    // programs that ended abnormally left behind.
    if (offerRecoveryAtStart_)
        QTimer::singleShot(0, this, [this] {
            recovery_->Offer();
            recovery_->RunStartupTestHooks();
        });
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    editor_->SetIdle();
    if (!session_->Document().ConfirmClose()) {
        event->ignore();
        return;
    }
    event->accept();
    recovery_->Stop();
    // Saved, or the user chose to drop the changes: nothing to recover.
    session_->Recovery().Remove();
    graphWindows_->CloseAll();
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::KeyPress: {
            // The main window sees every key first and keeps it.
            if (!w || w->window() != this || QApplication::activePopupWidget() || QApplication::activeModalWidget())
                break;
            auto* k = static_cast<QKeyEvent*>(event);
            editor_->Keys().FormKeyDown(k->key(), k->modifiers());
            return true;
        }
        case QEvent::Wheel: {
            if (!w || w->window() != this || QApplication::activePopupWidget()) break;
            recovery_->NoteWheel();
            auto* wh = static_cast<QWheelEvent*>(event);
            const int delta = wh->angleDelta().y() != 0 ? wh->angleDelta().y() : wh->angleDelta().x();
            if (editor_->Keys().FormMouseWheel(w, wh->globalPosition().toPoint(), delta, wh->modifiers())) return true;
            break;
        }
        case QEvent::MouseMove: {
            // Moves over a pressed tool button still move the element being placed.
            auto* b = qobject_cast<QToolButton*>(watched);
            if (b && b->parentWidget() == toolBar_ && editor_->EditMode() == TEditMode::Placing) {
                auto* m = static_cast<QMouseEvent*>(event);
                editor_->SheetMouseMove(view_->Sheet()->mapFromGlobal(m->globalPosition().toPoint()));
            }
            break;
        }
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace pelmo
