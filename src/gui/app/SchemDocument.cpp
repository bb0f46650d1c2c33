// The File menu's document commands and the recent-files menu. The flow
// itself (questions, dialogs, support folder, reading and writing) is the
// core's TDocument; the window supplies the dialogs and reacts.
#include <QAction>
#include <QFileDialog>
#include <QMenu>

#include "app/Schem.h"
#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "editor/SheetWidgets.h"
#include "editor/ViewGeometry.h"

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

void TSchem::AfterDesignReplaced() {
    FitAll();
    Solve();
    history_.Reset(*design_);
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);
    panel_->setFocus();
}

void TSchem::NewClick() {
    if (!document_->New()) return;
    SetDesignScale(*design_, scale_);
    RepaintSheet();
    Solve();
    history_.Reset(*design_);
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);
}

void TSchem::OpenClick() {
    document_->Open(TDocument::TOpenKind::Dialog);
    RebuildRecentMenu();
    panel_->setFocus();
}

void TSchem::ExamplesClick() {
    document_->Open(TDocument::TOpenKind::Examples);
    RebuildRecentMenu();
    panel_->setFocus();
}

void TSchem::OpenRecent(const std::string& path) {
    document_->Open(TDocument::TOpenKind::Recent, path);
    RebuildRecentMenu();
    panel_->setFocus();
}

void TSchem::OpenFromOutside(const std::string& path) {
    // In front first, so that the question about the current design is seen.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
    if (!path.empty()) OpenRecent(path);
}

void TSchem::SaveClick() {
    document_->Save();
    RebuildRecentMenu();
}

void TSchem::SaveAsClick() {
    document_->SaveAs();
    RebuildRecentMenu();
}

void TSchem::RebuildRecentMenu() {
    reopenMenu_->clear();
    const auto& files = mru_.Files();
    for (int i = 0; i < static_cast<int>(files.size()); ++i) {
        const std::string file = files[i];
        QAction* a = reopenMenu_->addAction(QString::fromStdString(mru_.MenuCaption(i)));
        connect(a, &QAction::triggered, this, [this, file] {
            if (mru_.OnMenuClick) mru_.OnMenuClick(this, file);
        });
    }
    reopenMenu_->setEnabled(!files.empty());
}

}  // namespace pelmo
