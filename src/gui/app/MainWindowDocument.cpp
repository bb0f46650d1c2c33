// The File menu's document commands and the recent-files menu. The flow
// itself (questions, dialogs, support folder, reading and writing) is the
// core's TDocument; the window supplies the dialogs and reacts.
#include <QAction>
#include <QFileDialog>
#include <QMenu>

#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "editor/ViewGeometry.h"
#include "graphs/WindowLayout.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RecoveryCommands.h"
#include "gui/blocks/BlockMenuCommands.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetView.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

std::string DefaultOpenDialog(QWidget* parent, const std::string& folder, const std::string& name) {
    const QString start = QString::fromStdString(name.empty() ? folder : name);
    return QFileDialog::getOpenFileName(parent, QString(), start, QStringLiteral("Brakto (*bkt)")).toStdString();
}

std::string DefaultSaveDialog(QWidget* parent, const std::string& folder, const std::string& name) {
    const QString start = QString::fromStdString(name.empty() ? folder : name);
    QFileDialog dialog(parent, QStringLiteral("save crossover design (.bkt) file as:"), start,
                       QStringLiteral("Brakto (*.bkt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("bkt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

void TMainWindow::SetDocumentHooks() {
    TDocumentHooks hooks;
    hooks.ChooseOpenFile = [this](const std::string& folder, const std::string& name) {
        return ChooseOpenFile ? ChooseOpenFile(folder, name) : DefaultOpenDialog(this, folder, name);
    };
    hooks.ChooseSaveFile = [this](const std::string& folder, const std::string& name) {
        return ChooseSaveFile ? ChooseSaveFile(folder, name) : DefaultSaveDialog(this, folder, name);
    };
    hooks.EndEditing = [this] {
        editor_->CloseElementDialogs();
        editor_->SetIdle();
    };
    hooks.ResetGraphs = [this] {
        if (OpenDefaultGraphs) OpenDefaultGraphs(true);
    };
    hooks.DesignOpened = [this] {
        RestoreWindowLayout();
        AfterDesignReplaced();
    };
    hooks.AddToSavedSettings = [this](TDesignSettings& settings) {
        WriteWindowLayouts(graphWindows_->Layout(), settings);
    };
    hooks.CaptionChanged = [this](const std::string&) { UpdateCaption(); };
    // In the circuit block designer the drawing is a block.
    hooks.SaveBlock = [this] { return blocks_->SaveBlock(); };
    hooks.LeaveBlockDesigner = [this] { return blocks_->ChangeMode(); };
    session_->Document().SetHooks(std::move(hooks));
    session_->RecentFiles().OnMenuClick = [this](void*, const std::string& file) { OpenRecent(file); };
}

void TMainWindow::AfterDocumentCommand() {
    // A save or an open design ends the recovery copy; a failed save keeps it.
    session_->UpdateRecovery();
    if (recovery_) recovery_->Schedule();
}

void TMainWindow::RestoreWindowLayout() {
    // The windows the design was saved with replace the default ones. The
    // layout lives in the windows from now on, not in the design: undo
    // never brings windows back, and moving one does not change the design.
    TDesignSettings& settings = session_->Design().Settings;
    graphWindows_->RestoreLayout(ReadWindowLayouts(settings), false);
    RemoveWindowLayouts(settings);
}

void TMainWindow::AfterDesignReplaced() {
    view_->FitAll();
    session_->Solve();
    session_->ResetHistory();
    UpdateHistoryActions();
    view_->Panel()->setFocus();
}

void TMainWindow::AfterRecovery() {
    RebuildRecentMenu();
    UpdateCaption();
    view_->FitAll();
    session_->Solve();
    UpdateHistoryActions();
    view_->Panel()->setFocus();
}

void TMainWindow::NewClick() {
    if (!session_->Document().New()) return;
    SetDesignScale(session_->Design(), view_->Scale());
    view_->RepaintSheet();
    session_->Solve();
    session_->ResetHistory();
    UpdateHistoryActions();
    AfterDocumentCommand();
}

void TMainWindow::OpenClick() {
    session_->Document().Open(TDocument::TOpenKind::Dialog);
    RebuildRecentMenu();
    view_->Panel()->setFocus();
    AfterDocumentCommand();
}

void TMainWindow::ExamplesClick() {
    session_->Document().Open(TDocument::TOpenKind::Examples);
    RebuildRecentMenu();
    view_->Panel()->setFocus();
    AfterDocumentCommand();
}

void TMainWindow::OpenRecent(const std::string& path) {
    session_->Document().Open(TDocument::TOpenKind::Recent, path);
    RebuildRecentMenu();
    view_->Panel()->setFocus();
    AfterDocumentCommand();
}

void TMainWindow::OpenFromOutside(const std::string& path) {
    // In front first, so that the question about the current design is seen.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
    if (!path.empty()) OpenRecent(path);
}

void TMainWindow::SaveClick() {
    session_->Document().Save();
    session_->DocumentSaved();
    UpdateCaption();
    RebuildRecentMenu();
    AfterDocumentCommand();
}

void TMainWindow::SaveAsClick() {
    session_->Document().SaveAs();
    session_->DocumentSaved();
    UpdateCaption();
    RebuildRecentMenu();
    AfterDocumentCommand();
}

void TMainWindow::RebuildRecentMenu() {
    reopenMenu_->clear();
    TMostRecentFiles& recent = session_->RecentFiles();
    const auto& files = recent.Files();
    for (int i = 0; i < static_cast<int>(files.size()); ++i) {
        const std::string file = files[i];
        QAction* a = reopenMenu_->addAction(QString::fromStdString(recent.MenuCaption(i)));
        connect(a, &QAction::triggered, this, [this, file] {
            TMostRecentFiles& r = session_->RecentFiles();
            if (r.OnMenuClick) r.OnMenuClick(this, file);
        });
    }
    reopenMenu_->setEnabled(!files.empty());
}

}  // namespace pelmo
