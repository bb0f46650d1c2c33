#include "catalogue/CatalogueServer.h"

#include "base/Paths.h"
#include "base/Text.h"
#include "catalogue/CatalogueUrls.h"
#include "document/Settings.h"
#include "document/ShippedFiles.h"

namespace pelmo {

std::string ShippedCatalogueFolder(const std::string& programFolder) {
#ifdef PELMO_SOURCE_CATALOGUE_DIR
    return ShippedDataFolder(programFolder, "catalogue", PELMO_SOURCE_CATALOGUE_DIR);
#else
    return ShippedDataFolder(programFolder, "catalogue", "");
#endif
}

std::string ShippedCatalogueFolder() { return ShippedCatalogueFolder(RunningProgramFolder()); }

std::string DefaultCatalogueServer() {
    const std::string folder = ShippedCatalogueFolder();
    return folder.empty() ? "" : PathToFileUrl(folder);
}

std::string CatalogueServerUrl(const TSettings& settings) {
    const std::string s = TrimBlanks(settings.CatalogueServer);
    return s.empty() ? DefaultCatalogueServer() : s;
}

}  // namespace pelmo
