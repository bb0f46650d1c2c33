#include "document/DataFolder.h"

#include <cstdlib>

#include "base/MessageSink.h"
#include "base/Paths.h"

namespace pelmo {

namespace {
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

}  // namespace pelmo
