// The main window's catalogue commands: the options, the catalogue update
// and the program version check.
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <filesystem>
#include <thread>

#include "PelmoVersion.h"
#include "catalogue/CatalogueServer.h"
#include "catalogue/Downloader.h"
#include "catalogue/ProgramVersion.h"
#include "document/DataFolder.h"
#include "gui/app/MainWindow.h"
#include "gui/app/OptionsDialog.h"
#include "gui/catalogue/PartsCatalogue.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {

const char* const UpdatingCaption = "**** PLEASE WAIT, UPDATING PARTS DATA ****";

QString ListLine(const char* name, const TListChanges& c) {
    return QString("%1 %2 added, %3 changed, %4 removed").arg(name).arg(c.Added).arg(c.Updated).arg(c.Removed);
}

QString SummaryText(const TCatalogueUpdateSummary& s, const std::string& folder) {
    switch (s.Outcome) {
        case TUpdateOutcome::Updated: {
            QString text = "Parts lists updated: " + ListLine("capacitors", s.Changes[0]) + "; " +
                           ListLine("inductors", s.Changes[1]) + "; " + ListLine("resistors", s.Changes[2]) + "; " +
                           ListLine("drivers", s.Changes[3]) + ".";
            if (s.BadLines) text += QString(" %1 lines of the server's files were skipped.").arg(s.BadLines);
            if (s.FailedDownloads) text += QString(" %1 downloads failed.").arg(s.FailedDownloads);
            return text;
        }
        case TUpdateOutcome::Cancelled:
            return "The update was cancelled; the parts lists are as they were.";
        case TUpdateOutcome::WriteFailed:
            return QString::fromStdString("Could not write the parts lists in " + folder);
        default:
            return QString::fromStdString(s.Message).replace("\r\n", " ").trimmed();
    }
}

}  // namespace

void TMainWindow::BuildCatalogue(const std::string& dataFolder) {
    const std::string parts = dataFolder.empty() ? "" : dataFolder + PartsListsFolderName + "/";
    catalogue_ = new TPartsCatalogue(parts, this);
    options_ = new TOptionsDialog(settings_, this);
    options_->UpdatePartsNow = [this] { UpdatePartsCatalogue(); };
    options_->CheckProgramNow = [this] { CheckForProgramUpdate(false); };
    options_->SettingsChanged = [this] { SaveSettings(); };
    connect(catalogue_, &TPartsCatalogue::ListsChanged, this, [this] { ShowCatalogueStatus(); });
    ShowCatalogueStatus();
    dialogs_->SetCatalogue(*catalogue_);
}

void TMainWindow::SaveSettings() {
    const std::string& folder = session_->DataFolder();
    if (!folder.empty()) WriteSettings(folder, settings_);
}

void TMainWindow::ShowCatalogueStatus() {
    const TCatalogue& c = catalogue_->Lists();
    QString text;
    if (catalogue_->Folder().empty())
        text = "There is no data folder, so there is no parts catalogue.";
    else if (c.Capacitors.Items.empty() && c.Inductors.Items.empty() && c.Resistors.Items.empty() &&
             c.Drivers.Items.empty())
        text = "The parts lists are empty: check for Parts updates to fill them.";
    else
        text = QString("The parts lists hold %1 capacitors, %2 inductors, %3 resistors and %4 drivers.")
                   .arg(c.Capacitors.Items.size())
                   .arg(c.Inductors.Items.size())
                   .arg(c.Resistors.Items.size())
                   .arg(c.Drivers.Items.size());
    options_->SetCatalogueStatus(text);
}

void TMainWindow::ShowOptions() {
    options_->Load();
    ShowCatalogueStatus();
    ExecModal(*options_);
    SaveSettings();
}

void TMainWindow::StartupChecks() {
    if (settings_.StartupApp) CheckForProgramUpdate(true);
    if (settings_.StartupParts && !catalogue_->UpdatedThisRun()) UpdatePartsCatalogue();
}

void TMainWindow::UpdatePartsCatalogue() {
    if (catalogue_->Updating()) return;
    if (catalogue_->UpdatedThisRun()) {
        options_->SetCheckResult("The parts lists were updated in this run already.");
        return;
    }
    if (catalogue_->Folder().empty()) return;  // the data folder's message has been shown
    const std::string server = CatalogueServerUrl(settings_);
    if (server.empty()) {
        session_->Messages().ShowMessage(
            "No catalogue server is set, and the generic catalogue that comes with Pelmo is not installed.");
        return;
    }
    const QString caption = windowTitle();
    setWindowTitle(UpdatingCaption);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const TCatalogueUpdateSummary s =
        catalogue_->Update(server, options_->isVisible() ? static_cast<QWidget*>(options_) : this);
    QApplication::restoreOverrideCursor();
    setWindowTitle(caption);
    StartCatalogueTimers();
    options_->SetCheckResult(SummaryText(s, catalogue_->Folder()));
    if (!s.Message.empty()) session_->Messages().ShowMessage(s.Message);
    if (s.Outcome == TUpdateOutcome::WriteFailed)
        session_->Messages().ShowMessage("Could not write the parts lists in " + catalogue_->Folder());
}

void TMainWindow::CheckForProgramUpdate(bool quietWhenCurrent) {
    const std::string server = CatalogueServerUrl(settings_);
    TVersionCheck check;
    if (server.empty()) {
        check.Detail = "no catalogue server is set.";
    } else {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        TDownloadLimits limits;
        limits.TotalTimeoutMs = 20000;
        limits.MaxBytes = 4096;
        CurlDownloader downloader(limits);
        const std::string& data = session_->DataFolder();
        std::error_code ec;
        const std::string work =
            data.empty() ? std::filesystem::temp_directory_path(ec).string() : data + UpdateFolderName + "/";
        // On a worker thread, so that the windows keep painting while a slow
        // server answers (or the timeout ends the wait).
        QEventLoop wait;
        std::thread worker([&] {
            check = CheckProgramVersion(server, PELMO_VERSION, downloader, work);
            QMetaObject::invokeMethod(
                &wait, [&wait] { wait.quit(); }, Qt::QueuedConnection);
        });
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        worker.join();
        QApplication::restoreOverrideCursor();
    }
    const std::string message = VersionCheckMessage(check, PELMO_VERSION);
    options_->SetCheckResult(QString::fromStdString(message));
    if (quietWhenCurrent && check.State == TVersionCheck::Outcome::Current) return;
    session_->Messages().ShowMessage(message);
}

}  // namespace pelmo
