#include "gui/blocks/BlockMenuCommands.h"

#include <QAction>
#include <QCursor>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <exception>

#include "base/Paths.h"
#include "blocks/BlockCommands.h"
#include "blocks/CircuitBlocks.h"
#include "document/DataFolder.h"
#include "document/Session.h"
#include "files/BlockFile.h"
#include "gui/blocks/BlockConfigurationForm.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetView.h"
#include "model/Design.h"

namespace pelmo {

namespace {

const char* const DesignerCaption = "Circuit Block Editor";
const char* const SchematicCaption = "Schematic Editor";
const QString BlockFilter = QStringLiteral("subcircuit files (*.pbk)");

std::string DefaultBlockOpenDialog(QWidget* parent, const std::string& folder) {
    return QFileDialog::getOpenFileName(parent, BlockOpenTitle, QString::fromStdString(folder), BlockFilter)
        .toStdString();
}

std::string DefaultBlockSaveDialog(QWidget* parent, const std::string& folder, const std::string& name) {
    QFileDialog dialog(parent, BlockSaveTitle, QString::fromStdString(name.empty() ? folder : name), BlockFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(BlockFileExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

// The pointer goes back where it was after a file dialog.
class TPointerKeeper {
public:
    TPointerKeeper() : at_(QCursor::pos()) {}
    ~TPointerKeeper() { QCursor::setPos(at_); }
    TPointerKeeper(const TPointerKeeper&) = delete;
    TPointerKeeper& operator=(const TPointerKeeper&) = delete;

private:
    QPoint at_;
};

}  // namespace

TBlockMenuCommands::TBlockMenuCommands(TSession& session, TSheetView& view, TEditorController& editor,
                                       QWidget* window)
    : QObject(window), session_(session), view_(view), editor_(editor), window_(window) {
    form_ = new TBlockConfigurationForm(session_, window);
    form_->hide();
}

TBlockMenuCommands::~TBlockMenuCommands() = default;

void TBlockMenuCommands::AddMenuItems(QMenu* file, QAction* before, QMenuBar* bar) {
    modeMenu_ = new QMenu("-- change mode", file);
    modeMenu_->setObjectName("ChangeMode");
    changeMode_ = modeMenu_->addAction(DesignerCaption, this, [this] { ChangeMode(); });
    file->insertMenu(before, modeMenu_);
    openBlock_ = new QAction("Open Circuit Block", file);
    openBlock_->setShortcut(QKeySequence::Open);
    connect(openBlock_, &QAction::triggered, this, [this] { OpenBlock(); });
    saveBlock_ = new QAction("Save Circuit Block", file);
    saveBlock_->setShortcut(QKeySequence::Save);
    connect(saveBlock_, &QAction::triggered, this, [this] { SaveBlock(); });
    for (QAction* a : {openBlock_, saveBlock_}) {
        a->setShortcutContext(Qt::ApplicationShortcut);
        file->insertAction(before, a);
    }
    circuitBlocks_ = bar->addAction("CircuitBlocks", this, [this] { AddBlockFromFile(); });
    ShowMode();
}

void TBlockMenuCommands::SetSchematicOnlyActions(QList<QAction*> actions) {
    schematicOnly_ = std::move(actions);
    ShowMode();
}

bool TBlockMenuCommands::Designing() const { return session_.Design().BlockDesignMode; }

std::string TBlockMenuCommands::BlocksFolder() const {
    const std::string& data = session_.DataFolder();
    return data.empty() ? std::string() : data + CircuitBlocksFolderName + "/";
}

void TBlockMenuCommands::ShowMode() {
    const bool designing = Designing();
    // A hidden item with a shortcut is disabled too, so that its shortcut
    // cannot clash with the one of the item shown in its place (Ctrl+S saves
    // the block in the designer).
    auto show = [](QAction* a, bool visible) {
        if (!a) return;
        a->setVisible(visible);
        if (!a->shortcut().isEmpty()) a->setEnabled(visible);
    };
    for (QAction* a : schematicOnly_) show(a, !designing);
    show(openBlock_, designing);
    show(saveBlock_, designing);
    show(circuitBlocks_, !designing);
    if (changeMode_) changeMode_->setText(designing ? SchematicCaption : DesignerCaption);
    form_->setVisible(designing);
}

bool TBlockMenuCommands::ChangeMode() {
    editor_.CloseElementDialogs();
    editor_.SetIdle();
    const bool leaving = Designing();
    // Yes to "Save current design?" saves what is being drawn: the block in
    // the designer, the design in the schematic.
    const auto save = [this, leaving] { return leaving ? SaveBlock() : session_.Document().Save(); };
    if (!ChangeBlockDesignMode(session_.Design(), session_.Messages(), save)) return false;
    if (Designing()) {
        form_->Load();
        // Centred on the main window the first time; where the user put it later.
        if (!formPlaced_) form_->move(window_->geometry().center() - form_->rect().center());
        formPlaced_ = true;
    }
    ShowMode();
    if (!Designing()) {
        SetDesignScale(session_.Design(), view_.Scale());
        view_.FitAll();
        session_.Solve();
    }
    AfterDrawingReplaced();
    return true;
}

bool TBlockMenuCommands::SaveBlock() {
    if (!Designing()) return false;
    TPointerKeeper pointer;
    const std::string path = ChooseBlockToSave ? ChooseBlockToSave(BlocksFolder(), lastSaved_)
                                               : DefaultBlockSaveDialog(window_, BlocksFolder(), lastSaved_);
    if (path.empty()) return false;
    // The file's positions are relative to where "Fit all" centres the view.
    view_.FitAll();
    TDesign& d = session_.Design();
    try {
        SaveCircuitBlock(d, path, session_.Messages());
    } catch (const std::exception& e) {
        session_.Messages().ShowMessage(e.what());
        return false;
    }
    lastSaved_ = path;
    emit DesignReplaced();
    return true;
}

bool TBlockMenuCommands::OpenBlock() {
    if (!Designing()) return false;
    editor_.CloseElementDialogs();
    editor_.SetIdle();
    TDesign& d = session_.Design();
    if (!OfferToSave(d, session_.Messages(), [this] { return SaveBlock(); })) return false;
    std::string path;
    {
        TPointerKeeper pointer;
        path = ChooseBlockToOpen ? ChooseBlockToOpen(BlocksFolder()) : DefaultBlockOpenDialog(window_, BlocksFolder());
    }
    if (path.empty()) return false;
    const bool ok = OpenCircuitBlock(d, path, session_.Messages());
    form_->Load();
    if (ok) {
        SetDesignScale(d, view_.Scale());
        view_.FitAll();
        lastSaved_ = path;
    }
    AfterDrawingReplaced();
    return ok;
}

bool TBlockMenuCommands::AddBlockFromFile() {
    if (Designing()) return false;
    editor_.CloseElementDialogs();
    editor_.SetIdle();
    std::string path;
    {
        TPointerKeeper pointer;
        path = ChooseBlockToOpen ? ChooseBlockToOpen(BlocksFolder()) : DefaultBlockOpenDialog(window_, BlocksFolder());
    }
    if (path.empty()) return false;
    TDesign& d = session_.Design();
    if (!LoadBlockForPlacing(d, path, session_.Messages())) return false;
    editor_.StartBlockPlace(static_cast<int>(d.Blocks.size()) - 1);
    return true;
}

void TBlockMenuCommands::AfterDrawingReplaced() {
    view_.RepaintSheet();
    session_.ResetHistory();
    editor_.SetIdle();  // the select tool
    emit DesignReplaced();
}

}  // namespace pelmo
