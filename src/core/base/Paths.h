#pragma once

#include <string>

// Paths are "/"-separated; a folder path ends with "/".

namespace pelmo {

// Folder part of a path with its trailing "/" ("" when there is none), and the
// file name without its folder.
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);

// True when the path names an existing folder.
bool IsFolder(const std::string& path);

// Creates each missing folder of the path from the top down. False when any
// creation fails or a part of the path is a file (the cause in `why`, when
// given). The root is taken as existing.
bool CreateFolderWithParents(const std::string& path, std::string* why = nullptr);

}  // namespace pelmo
