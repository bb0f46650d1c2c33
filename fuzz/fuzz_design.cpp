// The design reader must take any file: it reads it or refuses it, writes
// embedded files only into the design's support folder, and a design it has
// read is written and read again without trouble, its settings unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "base/MessageSink.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "files/DesignFile.h"
#include "model/Design.h"

namespace {

namespace fs = std::filesystem;

const std::string& Root() { return pelmo::fuzz::FuzzFolder("design"); }

// Every entry under the root must be the support folder, its parent, or a
// plain file directly inside the support folder; those files are removed.
void CheckAndClean(const std::string& support) {
    const fs::path supportPath = fs::path(support).parent_path();
    for (const auto& e : fs::recursive_directory_iterator(Root())) {
        const fs::path p = e.path();
        if (p == supportPath || p == supportPath.parent_path()) continue;
        if (p.parent_path() != supportPath || !e.is_regular_file() || e.is_symlink()) __builtin_trap();
    }
    for (const auto& e : fs::directory_iterator(supportPath)) fs::remove(e.path());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmo;
    const std::string path = Root() + "fuzz.bkt";
    static const std::string support = [&] {
        const std::string s = SupportFolderFor(path);
        fs::create_directories(s);
        return s;
    }();
    SilentMessageSink quiet;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TDesign d;
    if (ReadDesignLines(d, SplitLines(Cp1252ToUtf8(bytes)), path, quiet)) {
        std::vector<std::string> lines;
        if (BuildDesignLines(d, lines, quiet)) {
            TDesign again;
            if (!ReadDesignLines(again, lines, path, quiet)) __builtin_trap();
            if (again.Parts.size() != d.Parts.size() || again.Drivers.size() != d.Drivers.size() ||
                again.Texts.size() != d.Texts.size() || again.Blocks.size() != d.Blocks.size())
                __builtin_trap();
            // The settings, kept on save whatever their keys, come back as they were.
            if (again.Settings != d.Settings) __builtin_trap();
        }
    }
    CheckAndClean(support);
    return 0;
}
