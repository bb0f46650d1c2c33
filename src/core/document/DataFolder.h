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

// The per-user cache folder: $XDG_CACHE_HOME/Pelmo, else ~/.cache/Pelmo.
// The returned path ends with "/".
std::string CacheFolderPath();

// Where the measurement files of a design whose own folder cannot be written
// are unpacked: a folder of its own in the cache, named after the design and
// a hash of its absolute path, so that two designs of the same name never
// share one: "~/.cache/Pelmo/Designs/TwoWay-0123456789abcdef/".
std::string CachedSupportFolderFor(const std::string& designPath);

// Sub-folder names of the public data folder.
inline constexpr const char* ExamplesFolderName = "Examples";
inline constexpr const char* CircuitBlocksFolderName = "CircuitBlocks";
inline constexpr const char* PartsListsFolderName = "PartsLists";
inline constexpr const char* UpdateFolderName = "Update";

}  // namespace pelmo
