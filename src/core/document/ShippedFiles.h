#pragma once

#include <string>
#include <vector>

// The example designs and circuit blocks that come with the program. They live
// in one folder: the source tree's "examples" for a build tree,
// <prefix>/share/pelmo/examples when installed. Its files and sub-folders go to
// the data folder's "Examples", except its "CircuitBlocks" sub-folder, whose
// content goes to the data folder's "CircuitBlocks".

namespace pelmo {

// Name of the list, in the data folder, of the shipped files it has received.
inline constexpr const char* ShippedListName = ".shipped-files";

// The folder of the running program ("" when it cannot be found).
std::string RunningProgramFolder();

// A folder of data shipped with the program: programFolder/../share/pelmo/
// <name> of an installation when that exists, else `buildCopy` (the source
// tree's copy a build tree records) when that exists, else "". The result
// ends with "/".
std::string ShippedDataFolder(const std::string& programFolder, const std::string& name,
                              const std::string& buildCopy);

// The shipped examples' folder for a program in programFolder.
std::string ShippedFilesFolder(const std::string& programFolder);
// The same for the running program.
std::string ShippedFilesFolder();

struct TInstallReport {
    std::vector<std::string> Copied;  // paths relative to the data folder
    std::vector<std::string> Failed;
};

// Copies every shipped file that the data folder has never received, creating
// folders as needed. A file that is already there is never overwritten, and a
// file installed once is not installed again (so an example the user deleted
// stays deleted, while files new in a later version arrive). Hidden files and
// the support folders of opened designs ("!FRD&ZMA") are not shipped. An empty
// or missing source folder copies nothing.
TInstallReport InstallShippedFiles(const std::string& sourceFolder, const std::string& dataFolder);

}  // namespace pelmo
