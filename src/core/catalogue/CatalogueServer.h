#pragma once

#include <string>

// Where the catalogue comes from: the server named in the settings, or the
// generic catalogue that ships with the program.

namespace pelmo {

struct TSettings;

// The shipped catalogue's folder (it holds "PmParts/") for a program in
// programFolder: programFolder/../share/pelmo/catalogue when that exists,
// else the source tree's copy the build recorded, else "". Ends with "/".
std::string ShippedCatalogueFolder(const std::string& programFolder);
// The same for the running program.
std::string ShippedCatalogueFolder();

// The shipped catalogue as a server URL ("" when there is none).
std::string DefaultCatalogueServer();

// The server to update from: the settings' CatalogueServer, or the shipped
// catalogue when that is empty.
std::string CatalogueServerUrl(const TSettings& settings);

}  // namespace pelmo
