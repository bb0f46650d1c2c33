#include "document/DataFolder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/MessageSink.h"
#include "base/Paths.h"
#include "files/DesignFile.h"

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

std::string CacheFolderPath() {
    if (const char* xdg = NonEmptyEnv("XDG_CACHE_HOME")) return WithSlash(xdg) + "Pelmo/";
    const char* home = NonEmptyEnv("HOME");
    return WithSlash(home ? home : ".") + ".cache/Pelmo/";
}

std::string CachedSupportFolderFor(const std::string& designPath) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(designPath, ec);
    if (ec) full = designPath;
    const std::string key = full.lexically_normal().string();
    // FNV-1a: the same path gives the same folder in every run.
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : key) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return CacheFolderPath() + "Designs/" + DesignTitle(designPath) + "-" + hex + "/";
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
