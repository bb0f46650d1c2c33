#include "document/DataFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "model/MessageSink.h"

namespace pelmo {

namespace {
bool IsDirectory(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
std::string WithSlash(std::string p) {
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}
const char* NonEmptyEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}
}  // namespace

std::string DataFolderPath() {
    if (const char* home = NonEmptyEnv("PELMO_HOME")) return WithSlash(home);
    if (const char* xdg = NonEmptyEnv("XDG_DATA_HOME")) return WithSlash(xdg) + "Pelmo/";
    const char* home = NonEmptyEnv("HOME");
    return WithSlash(home ? home : ".") + ".local/share/Pelmo/";
}

bool CreateFolderWithParents(const std::string& path) {
    if (path.empty()) return false;
    std::string prefix;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        prefix = path.substr(0, next);
        pos = next + 1;
        if (prefix.empty() || prefix == "." || prefix == "..") continue;  // root or relative start
        if (IsDirectory(prefix)) continue;
        if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && IsDirectory(prefix))) return false;
    }
    return IsDirectory(path);
}

std::string PublicDataFolder(MessageSink& messages) {
    const std::string folder = DataFolderPath();
    bool ok = CreateFolderWithParents(folder);
    for (const char* sub : {ExamplesFolderName, CircuitBlocksFolderName, PartsListsFolderName, UpdateFolderName})
        ok = ok && CreateFolderWithParents(folder + sub);
    if (!ok) {
        std::string shown = folder;
        if (shown.size() > 1) shown.pop_back();
        messages.ShowMessage("Could not create \"" + shown + "\" folder!");
        return "";
    }
    return folder;
}

std::string ExtractFilePath(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace pelmo
