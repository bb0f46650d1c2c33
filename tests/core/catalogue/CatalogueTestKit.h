#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/Downloader.h"
#include "catalogue/StagedInstall.h"

// Helpers of the catalogue tests: a downloader that serves from memory, file
// operations that fail on purpose, and zip archives made on the spot.

namespace pelmo::test {

class FakeDownloader : public Downloader {
public:
    // Serves Files[url]; a URL in Failures gets that status instead; any
    // other URL is a 404.
    std::map<std::string, std::string> Files;
    std::map<std::string, TDownloadResult::Status> Failures;
    std::set<std::string> PublicOrigins;  // URLs whose server counts as a public one
    std::vector<std::string> Requests;
    std::vector<TRedirectScope> Scopes;  // the scope of each request
    TRedirectScope Scope = TRedirectScope::Anywhere;

    TDownloadResult Get(const std::string& url, const std::string& targetPath) override;
    void SetRedirectScope(TRedirectScope scope) override { Scope = scope; }
};

// File operations that fail once, at the FailAt-th call (1 for the first;
// 0: never), as a full disk would.
class FailingFileOps : public TFileOps {
public:
    int FailAt = 0;
    int Calls = 0;
    bool Write(const std::string& path, std::string_view bytes) override;
    bool Move(const std::string& from, const std::string& to) override;

private:
    bool FailNow();
};

struct ZipEntry {
    std::string Name;
    std::string Content;
    std::uint32_t UnixMode = 0100644;  // S_IFLNK | 0777 makes a symbolic link (Content is its target)
};

// The bytes of a zip archive of the entries (stored with deflate).
std::string MakeZip(const std::vector<ZipEntry>& entries);

// Every file below folder, relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& folder);

}  // namespace pelmo::test
