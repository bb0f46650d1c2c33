#include "catalogue/ArchiveUnpack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <memory>

#include "base/Paths.h"
#include "catalogue/CatalogueUrls.h"

namespace pelmo {

namespace {

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// The entry name's segments, or false when the name could point anywhere
// but below the folder.
bool SplitEntryName(const std::string& name, std::vector<std::string>& segments) {
    segments.clear();
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos ||
        name.find('\0') != std::string::npos || (name.size() >= 2 && name[1] == ':'))
        return false;
    std::size_t pos = 0;
    while (pos < name.size()) {
        std::size_t slash = name.find('/', pos);
        if (slash == std::string::npos) slash = name.size();
        const std::string seg = name.substr(pos, slash - pos);
        if (seg == "..") return false;
        if (!seg.empty() && seg != ".") segments.push_back(seg);
        pos = slash + 1;
    }
    return true;
}

bool IsMeasurementName(const std::string& name) {
    return EndsWithIgnoringCase(name, ".frd") || EndsWithIgnoringCase(name, ".zma");
}

}  // namespace

TUnpackResult UnpackMeasurementArchive(const std::string& archivePath, const std::string& folder,
                                       const TArchiveLimits& limits) {
    TUnpackResult r;
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> zip(zip_open(archivePath.c_str(), ZIP_RDONLY, &error));
    if (!zip) {
        r.Error = "not a zip archive";
        return r;
    }
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits.MaxEntries) {
        r.Error = "too many entries";
        return r;
    }

    // Check every entry first: a hostile archive writes nothing at all.
    struct Entry {
        zip_uint64_t Index;
        std::string RelPath;
    };
    std::vector<Entry> entries;
    std::vector<std::string> segments;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(zip.get(), index, ZIP_FL_ENC_RAW);
        if (!raw) {
            r.Error = "unreadable entry name";
            return r;
        }
        const std::string name = raw;
        if (!SplitEntryName(name, segments)) {
            r.Error = "entry name outside the folder: " + name;
            return r;
        }
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(zip.get(), index, 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX) {
            const mode_t type = (attributes >> 16) & S_IFMT;
            if (type != 0 && type != S_IFREG && type != S_IFDIR) {
                r.Error = "entry is a link or special file: " + name;
                return r;
            }
        }
        if (name.back() == '/' || segments.empty() || !IsMeasurementName(segments.back())) continue;
        std::string rel;
        for (const std::string& s : segments) rel += (rel.empty() ? "" : "/") + SafeFileName(s);
        entries.push_back({index, rel});
    }

    std::uint64_t total = 0;
    for (const Entry& e : entries) {
        const std::string target = folder + e.RelPath;
        if (!CreateFolderWithParents(ExtractFilePath(target))) {
            r.Error = "cannot create the folder of " + e.RelPath;
            return r;
        }
        std::unique_ptr<zip_file_t, ZipFileCloser> in(zip_fopen_index(zip.get(), e.Index, 0));
        if (!in) {
            r.Error = "cannot read " + e.RelPath;
            return r;
        }
        // Never through a link, and never into anything but a regular file.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            r.Error = "cannot write " + e.RelPath;
            return r;
        }
        char buf[16384];
        bool ok = true;
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), buf, sizeof buf);
            if (n < 0) {
                ok = false;
                r.Error = "damaged entry " + e.RelPath;
                break;
            }
            if (n == 0) break;
            total += static_cast<std::uint64_t>(n);
            if (total > limits.MaxTotalBytes) {
                ok = false;
                r.Error = "unpacked size beyond the limit";
                break;
            }
            if (::write(fd, buf, static_cast<std::size_t>(n)) != n) {
                ok = false;
                r.Error = "cannot write " + e.RelPath;
                break;
            }
        }
        if (::close(fd) != 0 && ok) {
            ok = false;
            r.Error = "cannot write " + e.RelPath;
        }
        if (!ok) {
            ::unlink(target.c_str());  // never a half-written file
            return r;
        }
        r.Files.push_back(e.RelPath);
    }
    std::sort(r.Files.begin(), r.Files.end());
    r.Files.erase(std::unique(r.Files.begin(), r.Files.end()), r.Files.end());
    r.Ok = true;
    return r;
}

}  // namespace pelmo
