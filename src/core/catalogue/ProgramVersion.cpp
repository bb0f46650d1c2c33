#include "catalogue/ProgramVersion.h"

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>

#include "base/Paths.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "catalogue/CatalogueUrls.h"

namespace pelmo {

std::string ProgramVersionUrl(const std::string& server) {
    std::string s = NormalizeServerUrl(server);
    if (s.empty() || s.back() != '/') s += '/';
    return s + "PmParts/PelmoVersion.txt";
}

bool ParseVersion(const std::string& text, std::vector<long>& parts) {
    parts.clear();
    const std::string t = TrimBlanks(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == 'v' || t[i] == 'V')) ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        long part = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
            if (part < 100000000) part = part * 10 + (t[i] - '0');
            ++i;
        }
        parts.push_back(part);
        if (i + 1 < t.size() && t[i] == '.' && std::isdigit(static_cast<unsigned char>(t[i + 1])))
            ++i;
        else
            break;
    }
    return !parts.empty();
}

int CompareVersions(const std::vector<long>& a, const std::vector<long>& b) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const long x = i < a.size() ? a[i] : 0, y = i < b.size() ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

TVersionCheck CheckProgramVersion(const std::string& server, const std::string& running, Downloader& downloader,
                                  const std::string& workFolder) {
    TVersionCheck check;
    const std::string url = ProgramVersionUrl(server);
    if (!IsValidUrl(url)) {
        check.Detail = "\"" + server + "\" is not a server address.";
        return check;
    }
    std::string folder = workFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    if (!CreateFolderWithParents(folder)) {
        check.Detail = "cannot write into " + folder;
        return check;
    }
    std::string target = folder + ".version-XXXXXX";
    const int fd = ::mkstemp(target.data());
    if (fd < 0) {
        check.Detail = "cannot write into " + folder;
        return check;
    }
    ::close(fd);
    const TDownloadResult got = downloader.Get(url, target);
    const auto lines = got.Ok() ? ReadTextLines(target) : std::nullopt;
    std::error_code ec;
    std::filesystem::remove(target, ec);
    if (!got.Ok()) {
        check.Detail = got.State == TDownloadResult::Status::HttpError ? url + " was not found"
                                                                        : "no answer from " + url;
        return check;
    }
    std::vector<long> published, mine;
    if (!lines || lines->empty() || !ParseVersion((*lines)[0], published)) {
        check.State = TVersionCheck::Outcome::Unreadable;
        check.Detail = url;
        return check;
    }
    check.Published = TrimBlanks((*lines)[0]);
    if (check.Published.size() > 40) check.Published.resize(40);
    ParseVersion(running, mine);
    check.State = CompareVersions(published, mine) > 0 ? TVersionCheck::Outcome::Newer : TVersionCheck::Outcome::Current;
    return check;
}

std::string VersionCheckMessage(const TVersionCheck& check, const std::string& running) {
    switch (check.State) {
        case TVersionCheck::Outcome::Newer:
            return "Pelmo " + check.Published + " is available; this is Pelmo " + running +
                   ".\nInstall the new version with your system's package manager.";
        case TVersionCheck::Outcome::Current:
            return "This Pelmo (" + running + ") is up to date.";
        case TVersionCheck::Outcome::Unreadable:
            return "The version file at " + check.Detail + " holds no version number.";
        case TVersionCheck::Outcome::Unreachable:
            break;
    }
    return "Could not find out whether a newer Pelmo exists:\n" + check.Detail;
}

}  // namespace pelmo
