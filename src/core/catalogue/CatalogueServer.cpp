#include "catalogue/CatalogueServer.h"

#include <filesystem>
#include <system_error>

#include "base/Paths.h"
#include "base/Text.h"
#include "catalogue/CatalogueUrls.h"
#include "document/Settings.h"

namespace pelmo {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string p) {
    if (!p.empty() && p.back() != '/') p += '/';
    return p;
}

}  // namespace

std::string ShippedCatalogueFolder(const std::string& programFolder) {
    if (!programFolder.empty()) {
        const std::string installed = WithSlash(programFolder) + "../share/pelmo/catalogue";
        if (IsFolder(installed)) {
            std::error_code ec;
            const fs::path clean = fs::weakly_canonical(installed, ec);
            return WithSlash(ec ? installed : clean.string());
        }
    }
#ifdef PELMO_SOURCE_CATALOGUE_DIR
    if (IsFolder(PELMO_SOURCE_CATALOGUE_DIR)) return WithSlash(PELMO_SOURCE_CATALOGUE_DIR);
#endif
    return "";
}

std::string ShippedCatalogueFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ShippedCatalogueFolder(ec ? std::string() : exe.parent_path().string());
}

std::string DefaultCatalogueServer() {
    const std::string folder = ShippedCatalogueFolder();
    return folder.empty() ? "" : PathToFileUrl(folder);
}

std::string CatalogueServerUrl(const TSettings& settings) {
    const std::string s = TrimBlanks(settings.CatalogueServer);
    return s.empty() ? DefaultCatalogueServer() : s;
}

}  // namespace pelmo
