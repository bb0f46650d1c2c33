#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "catalogue/Downloader.h"

// Helpers of the catalogue tests: a downloader that serves from memory and
// zip archives made on the spot.

namespace pelmo::test {

class FakeDownloader : public Downloader {
public:
    // Serves Files[url]; a URL in Failures gets that status instead; any
    // other URL is a 404.
    std::map<std::string, std::string> Files;
    std::map<std::string, TDownloadResult::Status> Failures;
    std::vector<std::string> Requests;

    TDownloadResult Get(const std::string& url, const std::string& targetPath) override;
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
