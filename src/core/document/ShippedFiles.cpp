#include "document/ShippedFiles.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "base/TextFile.h"
#include "document/DataFolder.h"

namespace pelmo {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string p) {
    if (!p.empty() && p.back() != '/') p += '/';
    return p;
}

// Regular files under folder, relative to it, sorted; hidden entries and the
// support folders of opened designs are left out.
std::vector<std::string> ShippedEntries(const fs::path& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || name == "!FRD&ZMA" || name.back() == '~') {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec)) files.push_back(fs::relative(it->path(), folder, ec).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::string RunningProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string ShippedDataFolder(const std::string& programFolder, const std::string& name,
                              const std::string& buildCopy) {
    if (!programFolder.empty()) {
        const std::string installed = WithSlash(programFolder) + "../share/pelmo/" + name;
        if (IsFolder(installed)) {
            std::error_code ec;
            const fs::path clean = fs::weakly_canonical(installed, ec);
            return WithSlash(ec ? installed : clean.string());
        }
    }
    if (!buildCopy.empty() && IsFolder(buildCopy)) return WithSlash(buildCopy);
    return "";
}

std::string ShippedFilesFolder(const std::string& programFolder) {
#ifdef PELMO_SOURCE_EXAMPLES_DIR
    return ShippedDataFolder(programFolder, "examples", PELMO_SOURCE_EXAMPLES_DIR);
#else
    return ShippedDataFolder(programFolder, "examples", "");
#endif
}

std::string ShippedFilesFolder() { return ShippedFilesFolder(RunningProgramFolder()); }

TInstallReport InstallShippedFiles(const std::string& sourceFolder, const std::string& dataFolder) {
    TInstallReport report;
    if (sourceFolder.empty() || dataFolder.empty() || !IsFolder(sourceFolder)) return report;
    const std::string data = WithSlash(dataFolder);
    const std::string listPath = data + ShippedListName;

    std::set<std::string> received;
    if (auto lines = ReadTextLines(listPath))
        for (const std::string& line : *lines)
            if (!line.empty()) received.insert(line);
    const std::size_t before = received.size();

    const std::string blocksPrefix = std::string(CircuitBlocksFolderName) + "/";
    for (const std::string& rel : ShippedEntries(sourceFolder)) {
        const std::string target = rel.rfind(blocksPrefix, 0) == 0 ? rel : std::string(ExamplesFolderName) + "/" + rel;
        if (received.count(target)) continue;
        std::error_code ec;
        const std::string to = data + target;
        if (fs::exists(to, ec)) {
            received.insert(target);  // the user's own file of that name stays
            continue;
        }
        if (!CreateFolderWithParents(ExtractFilePath(to)) ||
            !fs::copy_file(WithSlash(sourceFolder) + rel, to, fs::copy_options::none, ec)) {
            report.Failed.push_back(target);
            continue;
        }
        received.insert(target);
        report.Copied.push_back(target);
    }
    if (received.size() != before) {
        std::vector<std::string> lines(received.begin(), received.end());
        if (!WriteTextLines(listPath, lines, false)) report.Failed.push_back(ShippedListName);
    }
    return report;
}

}  // namespace pelmo
