#pragma once

// Helpers of the catalogue's GUI tests: the shipped generic catalogue as a
// server, the parts lists filled from it, and a real HTTP server on the
// loopback interface.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/Paths.h"
#include "catalogue/CatalogueUpdate.h"
#include "catalogue/CatalogueUrls.h"
#include "catalogue/Downloader.h"
#include "document/DataFolder.h"
#include "graphs/GraphRecord.h"
#include "gui/app/MainWindow.h"

namespace pelmo::guitest {

inline std::string ShippedCatalogue() { return std::string(PELMO_SOURCE_DIR) + "/catalogue/"; }

inline std::string PartsFolder() { return DataFolderPath() + PartsListsFolderName + "/"; }

// Empties the data folder's parts lists and fills them from the shipped
// catalogue, as a first update does.
inline bool FillPartsLists() {
    std::error_code ec;
    std::filesystem::remove_all(PartsFolder(), ec);
    CurlDownloader downloader;
    return RunCatalogueUpdate(PartsFolder(), PathToFileUrl(ShippedCatalogue()), downloader).Outcome ==
           TUpdateOutcome::Updated;
}

// tests/core/catalogue/catalogue_server.py on a folder, stopped with the
// object; it stalls every path under /stall/.
class HttpServer {
public:
    explicit HttpServer(const std::string& root) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            const std::string script = std::string(PELMO_SOURCE_DIR) + "/tests/core/catalogue/catalogue_server.py";
            ::execlp("python3", "python3", script.c_str(), root.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        FILE* out = ::fdopen(fds[0], "r");
        int port = 0;
        if (out && std::fscanf(out, "%d", &port) == 1) url_ = "http://127.0.0.1:" + std::to_string(port);
        if (out) std::fclose(out);
    }
    ~HttpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Url() const { return url_; }

private:
    pid_t pid_ = -1;
    std::string url_;
};

// The system curve of the first SPL graph window.
inline DataArray SystemSpl(TMainWindow& w) {
    for (const TGraphRecord* g : w.Session().Graphs().Windows)
        if (g->Kind == TGraphKind::SPL)
            for (const TSeriesDef& c : g->Curves)
                if (c.Name == SystemCurveName) return c.MagSeries.Y;
    return {};
}

}  // namespace pelmo::guitest
