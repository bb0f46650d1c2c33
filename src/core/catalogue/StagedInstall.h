#pragma once

#include <string>
#include <string_view>
#include <vector>

// Putting a set of new files in place together: each one is first written
// to the side, in a working folder on the same disk; then each new file or
// folder is renamed over its old one, the old one kept aside until all have
// moved. When a step fails, everything done is undone, so that the folder
// is as it was.

namespace pelmo {

// The two file operations of an installation; tests replace them to make a
// step fail.
class TFileOps {
public:
    virtual ~TFileOps() = default;
    // Writes a whole new file and makes it durable; false (with errno set)
    // when that did not succeed, and then no file is under the name.
    virtual bool Write(const std::string& path, std::string_view bytes);
    // Renames a file or folder within one disk.
    virtual bool Move(const std::string& from, const std::string& to);
};

// The real file system.
TFileOps& RealFileOps();

struct TStagedFile {
    std::string From;  // the new file or folder, in the working folder
    std::string Name;  // its name in the target folder
};

// Moves each staged file or folder over the target folder's file or folder
// of that name; the old ones go to `asideFolder` (empty,
// on the same disk) and stay there. False when a move failed; then the
// moves done are undone, and `error` names the file and the cause (and any
// step of the undoing that failed too).
bool InstallStaged(const std::vector<TStagedFile>& files, const std::string& targetFolder,
                   const std::string& asideFolder, TFileOps& ops, std::string& error);

}  // namespace pelmo
