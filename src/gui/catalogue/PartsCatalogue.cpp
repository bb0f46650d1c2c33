#include "gui/catalogue/PartsCatalogue.h"

#include <QTimer>
#include <filesystem>
#include <mutex>
#include <thread>

#include "catalogue/CatalogueBrowse.h"
#include "gui/catalogue/UpdateProgressDialog.h"

namespace pelmo {

namespace {

std::string ExistingFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec) ? path : "";
}

}  // namespace

TPartsCatalogue::TPartsCatalogue(std::string partsFolder, QObject* parent)
    : QObject(parent), folder_(std::move(partsFolder)) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
    Reload();
}

TPartsCatalogue::~TPartsCatalogue() = default;

void TPartsCatalogue::Reload() {
    lists_ = folder_.empty() ? TCatalogue{} : ReadCatalogue(folder_);
    emit ListsChanged();
}

TCatalogueUpdateSummary TPartsCatalogue::Update(const std::string& server, QWidget* parent) {
    TCatalogueUpdateSummary summary;
    if (folder_.empty() || updating_) return summary;
    updating_ = true;

    std::atomic<bool> cancelled{false};
    std::unique_ptr<Downloader> downloader =
        MakeDownloader ? MakeDownloader(&cancelled) : std::make_unique<CurlDownloader>(TDownloadLimits{}, &cancelled);
    TUpdateProgressDialog dialog(parent);
    connect(&dialog, &TUpdateProgressDialog::CancelClicked, &dialog, [&cancelled] { cancelled = true; });

    if (ProgressShown) QTimer::singleShot(0, &dialog, [this, &dialog] { ProgressShown(dialog); });
    // The worker reaches the window only through queued calls, which run
    // while the window waits below. At most one progress call waits at a
    // time, carrying the latest progress: an index of many vendors must not
    // pile up calls in front of a click on Cancel.
    struct {
        std::mutex Lock;
        TUpdateProgress Latest;
        bool Queued = false;
    } shown;
    std::thread worker([&, folder = folder_] {
        const TUpdateProgressFn progress = [&dialog, &shown](const TUpdateProgress& p) {
            const std::lock_guard<std::mutex> hold(shown.Lock);
            shown.Latest = p;
            if (shown.Queued) return;
            shown.Queued = true;
            QMetaObject::invokeMethod(
                &dialog,
                [&dialog, &shown] {
                    TUpdateProgress latest;
                    {
                        const std::lock_guard<std::mutex> hold(shown.Lock);
                        latest = shown.Latest;
                        shown.Queued = false;
                    }
                    dialog.ShowProgress(latest);
                },
                Qt::QueuedConnection);
        };
        summary = RunCatalogueUpdate(folder, server, *downloader, progress, &cancelled);
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.Finish(); }, Qt::QueuedConnection);
    });
    dialog.exec();
    worker.join();
    updating_ = false;

    // Any other outcome left the files as they were.
    if (summary.Outcome == TUpdateOutcome::Updated) {
        updated_ = true;
        Reload();
    }
    return summary;
}

std::string TPartsCatalogue::PassivePicture(TPassiveKind kind, const std::string& partNumber,
                                            const std::string& vendor) const {
    const TPassive* p = FindPassive(lists_.Passives(kind), partNumber, vendor);
    return p ? ExistingFile(CataloguePicturePath(folder_, p->Picture)) : "";
}

std::string TPartsCatalogue::DriverPicture(const std::string& partNumber, const std::string& vendor) const {
    const TCatalogueDriver* d = FindDriver(lists_.Drivers, partNumber, vendor);
    return d ? ExistingFile(CataloguePicturePath(folder_, d->Picture)) : "";
}

}  // namespace pelmo
