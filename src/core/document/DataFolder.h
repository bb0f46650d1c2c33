#pragma once

#include <string>

#include "base/Paths.h"

namespace pelmo {

class MessageSink;

// The public data folder: $PELMO_HOME, else $XDG_DATA_HOME/Pelmo, else
// ~/.local/share/Pelmo. The returned path ends with "/".
std::string DataFolderPath();

// Returns the public data folder, creating it and its sub-folders "Examples",
// "CircuitBlocks", "PartsLists" and "Update" when needed. When the folder
// cannot be created, shows "Could not create "<path>" folder!" and returns "".
std::string PublicDataFolder(MessageSink& messages);

// Sub-folder names of the public data folder.
inline constexpr const char* ExamplesFolderName = "Examples";
inline constexpr const char* CircuitBlocksFolderName = "CircuitBlocks";
inline constexpr const char* PartsListsFolderName = "PartsLists";
inline constexpr const char* UpdateFolderName = "Update";

}  // namespace pelmo
