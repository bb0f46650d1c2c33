#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "catalogue/CatalogueLists.h"
#include "catalogue/CatalogueUpdate.h"
#include "catalogue/Downloader.h"

class QWidget;

// The parts catalogue of the run: the five lists in memory, read from the
// data folder's "PartsLists" at start, and their update from a catalogue
// server. The update runs on a worker thread on its own copy of the lists
// while a progress window (over a busy main window) waits for it; the
// lists in memory change only when it has written them.

namespace pelmo {

class TUpdateProgressDialog;

class TPartsCatalogue : public QObject {
    Q_OBJECT
public:
    // `partsFolder` ends with "/" ("" when there is no data folder: the
    // lists stay empty and nothing is updated).
    explicit TPartsCatalogue(std::string partsFolder, QObject* parent = nullptr);
    ~TPartsCatalogue() override;

    const TCatalogue& Lists() const { return lists_; }
    const std::string& Folder() const { return folder_; }
    // Reads the lists from their files again.
    void Reload();

    // Runs the update from `server` (a URL or a folder) and waits for it in
    // the progress window over `parent`. After an update that went through
    // the lists are read again and ListsChanged is sent.
    TCatalogueUpdateSummary Update(const std::string& server, QWidget* parent);
    // Whether an update has gone through in this run.
    bool UpdatedThisRun() const { return updated_; }
    bool Updating() const { return updating_; }

    // Replaces the downloader (tests); it gets the cancel flag of each run.
    std::function<std::unique_ptr<Downloader>(const std::atomic<bool>* cancelled)> MakeDownloader;
    // Runs once the progress window is up (tests press its buttons).
    std::function<void(TUpdateProgressDialog&)> ProgressShown;

    // The catalogue picture of a part or a driver, "" when there is none or
    // its file is missing.
    std::string PassivePicture(TPassiveKind kind, const std::string& partNumber, const std::string& vendor) const;
    std::string DriverPicture(const std::string& partNumber, const std::string& vendor) const;

signals:
    void ListsChanged();

private:
    std::string folder_;
    TCatalogue lists_;
    bool updated_ = false;
    bool updating_ = false;
};

}  // namespace pelmo
