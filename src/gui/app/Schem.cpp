#include "app/Schem.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>

#include "blocks/CircuitBlocks.h"
#include "document/DataFolder.h"
#include "document/Document.h"
#include "document/DocumentFlow.h"
#include "document/ShippedFiles.h"
#include "driverdata/FFT.h"
#include "editor/SheetPainter.h"
#include "editor/SheetWidgets.h"
#include "editor/ViewGeometry.h"
#include "engine/Sweep.h"
#include "graphs/GraphWindows.h"

namespace pelmo {

std::string DefaultOpenDialog(QWidget* parent, const std::string& folder, const std::string& name);
std::string DefaultSaveDialog(QWidget* parent, const std::string& folder, const std::string& name);

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

// A 40 x 40 picture of a tool, drawn with the sheet's own symbols.
QIcon ToolIcon(int kind, const TextMetrics& metrics) {
    // With the screen's device pixels, sharp on high-DPI screens.
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pm(QSize(40, 40) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    TSheetPainter sp(p, 6, metrics);
    const QColor black = SheetColour::Black;
    switch (kind) {
        case ekResistor:
        case ekCapacitor:
        case ekInductor:
            sp.DrawPartSymbol({20, 22}, black, kind, true);
            break;
        case ekDriver:
            sp.DrawDriverSymbol({13, 20}, black);
            break;
        case ekGround:
            sp.DrawGroundSymbol({20, 8}, black);
            break;
        default: {
            QFont f = SheetFont(22);
            f.setBold(true);
            p.setFont(f);
            p.setPen(SheetColour::Navy);
            p.drawText(QRect(0, 0, 40, 40), Qt::AlignCenter, QStringLiteral("Abc"));
            break;
        }
    }
    return QIcon(pm);
}

}  // namespace

TSchem::TSchem(QWidget* parent) : QMainWindow(parent), design_(std::make_unique<TDesign>()) {
    setWindowTitle(ProgramTitle);
    guiMessages_.SetParent(this);
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    dataFolder_ = PublicDataFolder(*messages_);
    if (!dataFolder_.empty()) {
        // The shipped examples and circuit blocks, without touching the user's files.
        InstallShippedFiles(ShippedFilesFolder(), dataFolder_);
        settings_ = ReadSettings(dataFolder_);
        // Restored designs of the last run are of no use any more.
        std::error_code ec;
        std::filesystem::remove_all(dataFolder_ + "Undo", ec);
        history_.SetWorkFolder(dataFolder_ + "Undo/");
    }
    design_->Metrics = &metrics_;
    history_.SetGraphs(&graphs_);
    deleteHooks_.PartRemoving = [this](const TPart& p) {
        history_.NoteCurvesOf(PartDesignator(p), false);
        RemoveCurvesOf(graphs_, PartDesignator(p), false);
    };
    deleteHooks_.DriverRemoving = [this](const TDriver& drv) {
        history_.NoteCurvesOf(DriverDesignator(drv), true);
        RemoveCurvesOf(graphs_, DriverDesignator(drv), true);
    };

    TDocumentHooks hooks;
    hooks.ChooseOpenFile = [this](const std::string& folder, const std::string& name) {
        return ChooseOpenFile ? ChooseOpenFile(folder, name) : DefaultOpenDialog(this, folder, name);
    };
    hooks.ChooseSaveFile = [this](const std::string& folder, const std::string& name) {
        return ChooseSaveFile ? ChooseSaveFile(folder, name) : DefaultSaveDialog(this, folder, name);
    };
    hooks.EndEditing = [this] {
        CloseElementDialogs();
        SetIdle();
    };
    hooks.ResetGraphs = [this] {
        if (OpenDefaultGraphs) OpenDefaultGraphs(true);
    };
    hooks.DesignOpened = [this] { AfterDesignReplaced(); };
    hooks.CaptionChanged = [this](const std::string&) { UpdateCaption(); };
    document_ = std::make_unique<TDocument>(*design_, mru_, sinkProxy_, dataFolder_, std::move(hooks));
    document_->SaveDialogFolder = dataFolder_;
    mru_.OnMenuClick = [this](void*, const std::string& file) { OpenRecent(file); };

    dblClickTimer_.setSingleShot(true);
    dblClickTimer_.setInterval(275);
    connect(&dblClickTimer_, &QTimer::timeout, this, [this] { dblClickFlag_ = false; });
    lastPointerTime_.start();

    BuildSheet();
    BuildToolBar();
    BuildMenus();
    BuildPopupMenus();
    BuildGraphWindows();
    qApp->installEventFilter(this);
    UpdateCaption();
    resize(900, 650);
}

void TSchem::BuildGraphWindows() {
    graphWindows_ = std::make_unique<TGraphWindows>(*design_, sinkProxy_, graphs_, solve_, this);
    graphWindows_->SolveHook = [this] { Solve(); };
    graphWindows_->FillAddGraphMenu(addGraphMenu_);
    graphWindows_->SetGraphToFrontMenu(graphToFrontMenu_);
    OpenDefaultGraphs = [this](bool) { graphWindows_->OpenDefaultGraphs(); };
    connect(this, &TSchem::Solved, graphWindows_.get(), [this] { graphWindows_->RedrawAll(); });
    connect(this, &TSchem::CaptionChanged, graphWindows_.get(), &TGraphWindows::SetCaption);
}

TSchem::~TSchem() {
    qApp->removeEventFilter(this);
    if (!mru_.IniFileName.empty()) mru_.Save();
}

void TSchem::SetElementDialogs(TElementDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &noDialogs_; }

void TSchem::SetMessageSink(MessageSink* sink) { messages_ = sink ? sink : &guiMessages_; }

void TSchem::UpdateCaption() {
    const QString caption = QString::fromStdString(MainCaption(*design_));
    setWindowTitle(caption);
    emit CaptionChanged(caption);
}

QToolButton* TSchem::ToolButton(int kind) const {
    if (kind >= 0 && kind < static_cast<int>(toolButtons_.size())) return toolButtons_[kind];
    return btnSelect_;
}

void TSchem::BuildSheet() {
    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName("ScrollBox1");
    scrollBox_->setWidgetResizable(false);
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->horizontalScrollBar()->setSingleStep(ScrollLine);
    scrollBox_->verticalScrollBar()->setSingleStep(ScrollLine);
    // The scrolled area reaches 40 pixels right of and 6 below the sheet panel.
    scrollHost_ = new QWidget;
    scrollHost_->setObjectName("ScrollHost");
    panel_ = new TSheetPanel(*this, scrollHost_);
    panel_->setObjectName("pnSchem");
    sheet_ = new TSheet(*this, panel_);
    sheet_->setObjectName("Sheet");
    sheet_->setFocusProxy(panel_);
    marker_.SetTarget(sheet_);
    scrollBox_->setWidget(scrollHost_);
    sheetFont_ = SheetFont(8);
}

void TSchem::BuildToolBar() {
    toolBar_ = new QWidget(this);
    toolBar_->setObjectName("ToolBar1");
    toolBar_->setFixedWidth(52);
    auto* layout = new QVBoxLayout(toolBar_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    toolGroup_ = new QButtonGroup(this);
    toolGroup_->setExclusive(true);

    auto make = [&](const char* name, const QString& caption, int kind, bool visible) {
        auto* b = new QToolButton(toolBar_);
        b->setObjectName(name);
        b->setText(caption);
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIconSize(QSize(40, 40));
        b->setFixedSize(51, 60);
        // The narrow buttons need a small caption font, or Qt elides "capacitor".
        QFont captionFont = b->font();
        captionFont.setPixelSize(10);
        b->setFont(captionFont);
        if (kind >= 0 && kind != ekWire && kind != ekSource) b->setIcon(ToolIcon(kind, metrics_));
        b->setVisible(visible);
        b->installEventFilter(this);
        toolGroup_->addButton(b);
        layout->addWidget(b);
        return b;
    };
    toolButtons_[ekResistor] = make("btnResistor", "resistor", ekResistor, true);
    toolButtons_[ekInductor] = make("btnInductor", "inductor", ekInductor, true);
    toolButtons_[ekCapacitor] = make("btnCapacitor", "capacitor", ekCapacitor, true);
    toolButtons_[ekDriver] = make("btnDriver", "driver", ekDriver, true);
    toolButtons_[ekGround] = make("btnGround", "ground", ekGround, true);
    toolButtons_[ekText] = make("btnText", "Text", ekText, true);
    btnSelect_ = make("btnSelect", "  select  ", -1, false);
    toolButtons_[ekWire] = make("btnWire", "wire", ekWire, false);
    toolButtons_[ekSource] = make("btnSource", "source", ekSource, false);
    layout->addStretch(1);
    btnSelect_->setChecked(true);

    // The resistor, inductor, capacitor, driver and ground tools act as soon as
    // they are pressed; the text tool on a click.
    for (int kind : {ekResistor, ekInductor, ekCapacitor, ekDriver, ekGround})
        connect(toolButtons_[kind], &QToolButton::pressed, this, [this, kind] { ArmTool(kind); });
    connect(toolButtons_[ekText], &QToolButton::clicked, this, [this] { ArmTool(ekText); });
    connect(toolButtons_[ekWire], &QToolButton::clicked, this, [this] { ArmTool(ekWire); });
    connect(btnSelect_, &QToolButton::clicked, this, [this] { CancelToIdle(); });

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(toolBar_);
    row->addWidget(scrollBox_, 1);
    setCentralWidget(central);
}

void TSchem::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("New", this, [this] { NewClick(); });
    file->addAction("Open", this, [this] { OpenClick(); });
    file->addAction("Examples", this, [this] { ExamplesClick(); });
    reopenMenu_ = file->addMenu("ReOpen");
    reopenMenu_->setObjectName("ReOpen");
    file->addAction("Save", this, [this] { SaveClick(); });
    file->addAction("Save As", this, [this] { SaveAsClick(); });
    file->addSeparator();
    // The circuit block designer switches the mode here.
    changeModeAction_ = file->addAction("-- change mode");
    changeModeAction_->setEnabled(false);
    file->addSeparator();
    file->addAction("exit", this, [this] { close(); });

    QMenu* edit = menuBar()->addMenu("&Edit");
    undoAction_ = edit->addAction("Undo", this, [this] { Undo(); });
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = edit->addAction("Redo", this, [this] { Redo(); });
    redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);

    menuBar()->addAction("Solve", this, [this] { Solve(); });
    menuBar()->addAction("Tips!", this, [this] { Tips1Click(); });
    // The graph windows fill these two menus.
    addGraphMenu_ = menuBar()->addMenu("AddGraph");
    addGraphMenu_->setObjectName("AddGraph");
    graphToFrontMenu_ = menuBar()->addMenu("GraphToFront");
    graphToFrontMenu_->setObjectName("GraphToFront");
}

void TSchem::Tips1Click() { messages_->ShowMessage(TipsText); }

void TSchem::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (firstShown_) return;
    firstShown_ = true;
    FirstShow();
}

void TSchem::FirstShow() {
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
    CenterView();
    RebuildGridStrip();
    RepaintSheet();

    if (!dataFolder_.empty()) {
        mru_.IniFileName = dataFolder_ + MruFileName;
        mru_.Load();
        settings_.FirstTime = false;
        WriteSettings(dataFolder_, settings_);
    }
    RebuildRecentMenu();
    if (OpenDefaultGraphs) OpenDefaultGraphs(false);
    design_->Modified = false;
    history_.Reset(*design_);
    panel_->setFocus();
    if (!startupDesign_.empty()) OpenRecent(startupDesign_);
}

void TSchem::closeEvent(QCloseEvent* event) {
    SetIdle();
    if (!document_->ConfirmClose()) {
        event->ignore();
        return;
    }
    event->accept();
    graphWindows_->CloseAll();
}

void TSchem::Solve() {
    if (design_->BlockDesignMode) return;
    ++solveCount_;
    try {
        graphWindows_->PrepareForSolve();
        SolveGraphs(*design_, graphs_, solve_, *messages_);
        if (AfterSolve) AfterSolve();
    } catch (const std::exception& e) {
        // A failure no code handles ends the command with its text.
        messages_->ShowMessage(e.what());
    }
    emit Solved();
}

bool TSchem::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::KeyPress: {
            // The main window sees every key first and keeps it.
            if (!w || w->window() != this || QApplication::activePopupWidget() || QApplication::activeModalWidget())
                break;
            auto* k = static_cast<QKeyEvent*>(event);
            FormKeyDown(k->key(), k->modifiers());
            return true;
        }
        case QEvent::Wheel: {
            if (!w || w->window() != this || QApplication::activePopupWidget()) break;
            auto* wh = static_cast<QWheelEvent*>(event);
            const int delta = wh->angleDelta().y() != 0 ? wh->angleDelta().y() : wh->angleDelta().x();
            if (FormMouseWheel(w, wh->globalPosition().toPoint(), delta)) return true;
            break;
        }
        case QEvent::MouseMove: {
            // Moves over a pressed tool button still move the element being placed.
            auto* b = qobject_cast<QToolButton*>(watched);
            if (b && b->parentWidget() == toolBar_ && editMode_ == TEditMode::Placing) {
                auto* m = static_cast<QMouseEvent*>(event);
                SheetMouseMove(sheet_->mapFromGlobal(m->globalPosition().toPoint()));
            }
            break;
        }
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace pelmo
