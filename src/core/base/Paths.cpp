#include "base/Paths.h"

#include <sys/stat.h>

#include <cerrno>

#include "base/FileProblem.h"

namespace pelmo {

std::string ExtractFilePath(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolderWithParents(const std::string& path, std::string* why) {
    if (path.empty()) {
        SetWhy(why, "no folder name");
        return false;
    }
    std::string prefix;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        prefix = path.substr(0, next);
        pos = next + 1;
        if (prefix.empty() || prefix == "." || prefix == "..") continue;  // root or relative start
        if (IsFolder(prefix)) continue;
        if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && IsFolder(prefix))) {
            // A file where a folder should be is "Not a directory", not "File exists".
            SetWhy(why, SystemErrorText(errno == EEXIST ? ENOTDIR : errno));
            return false;
        }
    }
    if (IsFolder(path)) return true;
    SetWhy(why, SystemErrorText(ENOTDIR));
    return false;
}

}  // namespace pelmo
