#include "CatalogueTestKit.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "TestSupport.h"
#include "base/Paths.h"

namespace pelmo::test {

namespace fs = std::filesystem;

TDownloadResult FakeDownloader::Get(const std::string& url, const std::string& targetPath) {
    Requests.push_back(url);
    Scopes.push_back(Scope);
    TDownloadResult r;
    r.PublicOrigin = PublicOrigins.count(url) != 0;
    if (const auto f = Failures.find(url); f != Failures.end()) {
        r.State = f->second;
        return r;
    }
    const auto it = Files.find(url);
    if (it == Files.end()) {
        r.State = TDownloadResult::Status::HttpError;
        r.HttpStatus = 404;
        return r;
    }
    CreateFolderWithParents(ExtractFilePath(targetPath));
    WriteWholeFile(targetPath, it->second);
    r.State = TDownloadResult::Status::Ok;
    r.HttpStatus = 200;
    return r;
}

bool FailingFileOps::FailNow() {
    if (++Calls != FailAt) return false;
    errno = ENOSPC;
    return true;
}

bool FailingFileOps::Write(const std::string& path, std::string_view bytes) {
    return !FailNow() && TFileOps::Write(path, bytes);
}

bool FailingFileOps::Move(const std::string& from, const std::string& to) {
    return !FailNow() && TFileOps::Move(from, to);
}

std::string MakeZip(const std::vector<ZipEntry>& entries) {
    TempFolder tmp;
    const std::string path = tmp.Path() + "a.zip";
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) throw std::runtime_error("zip_open");
    for (const ZipEntry& e : entries) {
        zip_source_t* src = zip_source_buffer(z, e.Content.data(), e.Content.size(), 0);
        const zip_int64_t i = zip_file_add(z, e.Name.c_str(), src, ZIP_FL_ENC_RAW | ZIP_FL_OVERWRITE);
        if (i < 0) throw std::runtime_error("zip_file_add " + e.Name);
        zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX, e.UnixMode << 16);
    }
    if (zip_close(z) != 0) throw std::runtime_error("zip_close");
    return ReadWholeFile(path);
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_directory()) out.push_back(fs::relative(it->path(), folder).generic_string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace pelmo::test
