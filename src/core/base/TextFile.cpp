#include "base/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <new>

#include "base/FileProblem.h"
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
        if (n == 0) {  // nothing written and no error: the device takes no more
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The cause of the failure that has just set errno.
std::string LastError() { return SystemErrorText(errno); }

mode_t CurrentUmask() {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

}  // namespace

namespace {

// A file descriptor closed when it goes out of scope.
class TFd {
public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// A regular file of at most MaxReadFileBytes, opened for reading; -1
// otherwise, with the cause in `why`. `size` is its size as it was opened.
int OpenReadable(const std::string& path, std::size_t& size, std::string* why) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        SetWhy(why, "not a file name");
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        SetWhy(why, LastError());
        return -1;
    }
    struct stat st {};
    std::string cause;
    if (::fstat(fd, &st) != 0)
        cause = LastError();
    else if (S_ISDIR(st.st_mode))
        cause = SystemErrorText(EISDIR);
    else if (!S_ISREG(st.st_mode))
        cause = "not a regular file";
    else if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > MaxReadFileBytes)
        cause = SystemErrorText(EFBIG);
    if (!cause.empty()) {
        ::close(fd);
        SetWhy(why, cause);
        return -1;
    }
    size = static_cast<std::size_t>(st.st_size);
    return fd;
}

// Hands the file's bytes to `onPiece` in pieces. False on a read error, when
// `onPiece` returns false, or when the file has grown beyond MaxReadFileBytes
// while it was read (the first two with their cause in `why`).
template <class OnPiece>
bool ReadPieces(int fd, OnPiece&& onPiece, std::string* why) {
    char buf[65536];
    std::size_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetWhy(why, LastError());
            return false;
        }
        if (n == 0) return true;
        const auto got = static_cast<std::size_t>(n);
        if (got > MaxReadFileBytes - total) {
            SetWhy(why, SystemErrorText(EFBIG));
            return false;
        }
        total += got;
        if (!onPiece(std::string_view(buf, got))) return false;
    }
}

}  // namespace

std::string ReadableFileProblem(const std::string& path) {
    std::size_t size = 0;
    std::string why = "cannot be read";
    const TFd fd(OpenReadable(path, size, &why));
    return fd.Get() < 0 ? why : std::string();
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* why) {
    std::size_t size = 0;
    const TFd fd(OpenReadable(path, size, why));
    if (fd.Get() < 0) return std::nullopt;
    try {
        std::string bytes;
        bytes.reserve(size);
        if (!ReadPieces(
                fd.Get(),
                [&](std::string_view piece) {
                    bytes.append(piece);
                    return true;
                },
                why))
            return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc&) {
        SetWhy(why, "not enough memory");
        return std::nullopt;
    }
}

bool ForEachFileLine(const std::string& path, const std::function<bool(std::string_view line)>& onLine,
                     std::string* why) {
    std::size_t size = 0;
    const TFd fd(OpenReadable(path, size, why));
    if (fd.Get() < 0) return false;
    try {
        std::string line;      // the line so far; it may span pieces
        bool open = false;     // text since the last line end
        bool afterCr = false;  // a CR ended the last piece's last line
        std::size_t count = 0;
        auto append = [&](std::string_view part) {
            if (part.empty()) return true;
            if (part.size() > MaxTextLineBytes - line.size()) {
                SetWhy(why, "line " + std::to_string(count + 1) + ": longer than " + std::to_string(MaxTextLineBytes) +
                                " bytes");
                return false;
            }
            line.append(part);
            open = true;
            return true;
        };
        auto finish = [&] {
            if (++count > MaxTextLines) {
                SetWhy(why, "more than " + std::to_string(MaxTextLines) + " lines");
                return false;
            }
            const bool go = onLine(line);
            line.clear();
            open = false;
            return go;
        };
        const bool read = ReadPieces(
            fd.Get(),
            [&](std::string_view piece) {
                std::size_t start = 0;
                for (std::size_t i = 0; i < piece.size(); ++i) {
                    const char c = piece[i];
                    if (afterCr) {
                        afterCr = false;
                        if (c == '\n') {  // the LF of a CR LF split between pieces
                            start = i + 1;
                            continue;
                        }
                    }
                    if (c != '\r' && c != '\n') continue;
                    if (!append(piece.substr(start, i - start)) || !finish()) return false;
                    if (c == '\r') {
                        if (i + 1 < piece.size()) {
                            if (piece[i + 1] == '\n') ++i;
                        } else {
                            afterCr = true;
                        }
                    }
                    start = i + 1;
                }
                return append(piece.substr(start));
            },
            why);
        // A line end after the last line does not start another line.
        return read && (!open || finish());
    } catch (const std::bad_alloc&) {
        SetWhy(why, "not enough memory");
        return false;
    }
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

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path, std::string* why) {
    try {
        std::vector<std::string> lines;
        if (!ForEachFileLine(
                path,
                [&](std::string_view line) {
                    lines.push_back(Cp1252ToUtf8(line));
                    return true;
                },
                why))
            return std::nullopt;
        return lines;
    } catch (const std::bad_alloc&) {
        SetWhy(why, "not enough memory");
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

bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool durable, std::string* why) {
    if (path.empty() || path.find('\0') != std::string::npos || path.back() == '/') {
        SetWhy(why, "not a file name");
        return false;
    }
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        SetWhy(why, LastError());
        return false;
    }

    struct stat old {};
    const mode_t mode =
        ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && (!durable || ::fsync(fd) == 0);
    std::string cause = ok ? std::string() : LastError();
    if (::close(fd) != 0 && ok) {
        ok = false;
        cause = LastError();
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        cause = LastError();
    }
    if (!ok) {
        ::unlink(temp.c_str());
        SetWhy(why, cause);
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

bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool durable, std::string* why) {
    return WriteFileAtomically(path, EncodeTextLines(lines), durable, why);
}

}  // namespace pelmo
