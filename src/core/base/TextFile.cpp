#include "base/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <new>

#include "base/TextCodec.h"

namespace pelmo {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t CurrentUmask() {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Also a file that grows while it is read stops at the limit.
    std::optional<std::string> bytes;
    if (st.st_size >= 0 && static_cast<std::uintmax_t>(st.st_size) <= MaxReadFileBytes) {
        try {
            bytes.emplace();
            bytes->reserve(static_cast<std::size_t>(st.st_size));
            char buf[65536];
            for (;;) {
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    bytes.reset();
                    break;
                }
                if (n == 0) break;
                if (static_cast<std::size_t>(n) > MaxReadFileBytes - bytes->size()) {
                    bytes.reset();
                    break;
                }
                bytes->append(buf, static_cast<std::size_t>(n));
            }
        } catch (const std::bad_alloc&) {
            bytes.reset();
        }
    }
    ::close(fd);
    return bytes;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    try {
        return SplitLines(Cp1252ToUtf8(*bytes));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::string EncodeTextLines(const std::vector<std::string>& lines) {
    std::string text;
    std::size_t size = 0;
    for (const auto& l : lines) size += l.size() + 2;
    text.reserve(size);
    for (const auto& l : lines) {
        text += Utf8ToCp1252(l);
        text += "\r\n";
    }
    return text;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool durable) {
    if (path.empty() || path.find('\0') != std::string::npos || path.back() == '/') return false;
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;

    struct stat old {};
    const mode_t mode =
        ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && (!durable || ::fsync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    if (!durable) return true;
    // Make the rename itself durable; a failure here no longer endangers the data.
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool durable) {
    return WriteFileAtomically(path, EncodeTextLines(lines), durable);
}

}  // namespace pelmo
