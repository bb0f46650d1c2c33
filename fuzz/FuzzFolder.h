#pragma once

// A private folder under the temporary area for fuzz targets that write
// files: made once per process and removed at exit.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pelmo::fuzz {

// `tag` names the folder ("pelmo-fuzz-<tag>-XXXXXX"); the path ends with "/".
// The text is never destroyed, so the exit handler can still use it.
inline const std::string& FuzzFolder(const char* tag) {
    static const std::string* const root = [tag] {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / (std::string("pelmo-fuzz-") + tag + "-XXXXXX")).string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        auto* path = new std::string(tmpl + "/");
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*root, ec);
        });
        return path;
    }();
    return *root;
}

}  // namespace pelmo::fuzz
