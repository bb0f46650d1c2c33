#include "document/Recovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "base/FileProblem.h"
#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/TextFile.h"
#include "document/IniFile.h"
#include "files/DesignFile.h"
#include "model/Design.h"

namespace pelmo {

namespace {

constexpr const char* CopyExt = ".bkt";
constexpr const char* InfoExt = ".ini";
constexpr const char* LockExt = ".lock";

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// The lock of a name, taken without waiting; -1 when a running program holds
// it (or the file cannot be made).
int TryLock(const std::string& lockPath, bool create) {
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string LocalTimeText(std::int64_t seconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[64];
    return std::strftime(buf, sizeof buf, format, &local) ? std::string(buf) : std::string();
}

std::vector<std::string> DesignLines(TDesign& d) {
    // Behind the user's back: a folder that cannot be listed is Save's to report.
    SilentMessageSink quiet;
    std::vector<std::string> lines;
    if (!BuildDesignLines(d, lines, quiet)) lines.clear();
    return lines;
}

}  // namespace

std::string RecoveryQuestionText(const TRecoveryCopy& copy) {
    const std::string what = copy.DesignPath.empty() ? "an untitled design" : ExtractFileName(copy.DesignPath);
    std::string text = "Pelmo ended before the changes to " + what + " were saved.\n";
    if (!copy.DesignPath.empty()) text += "(" + copy.DesignPath + ")\n";
    text += "A copy of the design as it was at " + LocalTimeText(copy.WrittenAt, "%Y-%m-%d %H:%M") + " is kept.\n\n";
    text += "Recover opens the copy (save it to keep it), Discard deletes it, Later asks again at the next start.";
    return text;
}

std::string UnreadableRecoveryText(const TRecoveryCopy& copy, const std::string& why) {
    const std::string what = copy.DesignPath.empty() ? "an untitled design" : ExtractFileName(copy.DesignPath);
    std::string text = "The copy of " + what + " that Pelmo kept when it ended cannot be read:\n";
    text += copy.CopyPath + (why.empty() ? std::string() : ": " + why) + "\n\n";
    text += "Discard deletes the copy, Keep leaves it for the next start.";
    return text;
}

TRecovery::TRecovery(std::string dataFolder, TClock::time_point now) : lastCheck_(now) {
    if (!dataFolder.empty()) folder_ = dataFolder + RecoveryFolderName + "/";
}

TRecovery::~TRecovery() {
    Remove();
    if (lockFd_ >= 0) {
        ::unlink((folder_ + name_ + LockExt).c_str());
        ::close(lockFd_);
    }
    for (const auto& [name, fd] : held_) ::close(fd);
}

std::optional<TRecovery::TClock::time_point> TRecovery::NextUpdate(const TDesign& d) const {
    if (folder_.empty()) return std::nullopt;
    if (editPending_) return lastWrite_ ? *lastWrite_ + EditInterval : TClock::time_point{};
    if (d.Modified) return lastCheck_ + Interval;
    return std::nullopt;
}

bool TRecovery::Update(TDesign& d, TClock::time_point now) {
    lastCheck_ = now;
    editPending_ = false;
    if (folder_.empty()) return true;
    if (!d.Modified) {
        // Saved, opened or new: nothing to recover, and this is what the
        // next changes are compared with.
        Remove();
        baseline_ = DesignLines(d);
        return true;
    }
    std::vector<std::string> lines = DesignLines(d);
    if (lines.empty()) return false;
    if (!baseline_.empty() && lines == baseline_) {
        Remove();  // every change undone
        return true;
    }
    if (!copyPath_.empty() && lines == written_ && d.FileName == writtenFor_) return true;
    if (!WriteCopy(lines, d.FileName)) return false;
    written_ = std::move(lines);
    writtenFor_ = d.FileName;
    lastWrite_ = now;
    return true;
}

bool TRecovery::TakeName() {
    if (lockFd_ >= 0) return true;
    if (!CreateFolderWithParents(folder_)) return false;
    const std::int64_t started = static_cast<std::int64_t>(std::time(nullptr));
    const std::string base = LocalTimeText(started, "%Y%m%d-%H%M%S") + "-" + std::to_string(::getpid());
    // Another object of this program may have started in the same second.
    for (int k = 1; k < 1000; ++k) {
        const std::string name = k == 1 ? base : base + "-" + std::to_string(k);
        const std::string lock = folder_ + name + LockExt;
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            ::unlink(lock.c_str());
            return false;
        }
        name_ = name;
        lockFd_ = fd;
        return true;
    }
    return false;
}

bool TRecovery::WriteCopy(const std::vector<std::string>& lines, const std::string& designPath) {
    if (!TakeName()) return false;
    TIniFile info;
    info.Write("Recovery", "Design", designPath);
    info.Write("Recovery", "Written", std::to_string(static_cast<std::int64_t>(std::time(nullptr))));
    // The information first: a copy is never without it.
    const std::string path = folder_ + name_ + CopyExt;
    if (!info.Save(folder_ + name_ + InfoExt) || !WriteTextLines(path, lines)) return false;
    copyPath_ = path;
    return true;
}

void TRecovery::RemoveFilesOf(const std::string& name) const {
    ::unlink((folder_ + name + CopyExt).c_str());
    ::unlink((folder_ + name + InfoExt).c_str());
}

void TRecovery::Remove() {
    if (copyPath_.empty()) return;
    RemoveFilesOf(name_);
    copyPath_.clear();
    written_.clear();
    writtenFor_.clear();
}

std::vector<TRecoveryCopy> TRecovery::FindLeftovers() {
    std::vector<TRecoveryCopy> found;
    if (folder_.empty()) return found;
    const std::vector<std::string> entries = FolderEntries(folder_);
    auto isOurs = [&](const std::string& name) { return name == name_ || held_.count(name) > 0; };

    for (const std::string& entry : entries) {
        if (entry[0] == '.' || !EndsWith(entry, CopyExt)) continue;
        const std::string name = entry.substr(0, entry.size() - std::string(CopyExt).size());
        if (isOurs(name)) continue;
        const int fd = TryLock(folder_ + name + LockExt, true);
        if (fd < 0) continue;  // its program runs
        held_[name] = fd;
        TRecoveryCopy copy;
        copy.Name = name;
        copy.CopyPath = folder_ + entry;
        const TIniFile info = TIniFile::Load(folder_ + name + InfoExt);
        copy.DesignPath = info.ReadString("Recovery", "Design", "");
        const std::string written = info.ReadString("Recovery", "Written", "");
        char* end = nullptr;
        copy.WrittenAt = std::strtoll(written.c_str(), &end, 10);
        if (written.empty() || *end != '\0') {
            struct stat st {};
            copy.WrittenAt = ::stat(copy.CopyPath.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_mtime) : 0;
        }
        found.push_back(std::move(copy));
    }

    // What programs that are gone left without a copy: their locks, their
    // information, the temporary files of a write they did not finish.
    for (const std::string& entry : entries) {
        std::string name;
        if (entry[0] == '.') {
            // ".<name>.bkt.XXXXXX" or ".<name>.ini.XXXXXX"
            const auto dot = entry.find('.', 1);
            if (dot == std::string::npos) continue;
            name = entry.substr(1, dot - 1);
        } else if (EndsWith(entry, LockExt)) {
            name = entry.substr(0, entry.size() - std::string(LockExt).size());
        } else if (EndsWith(entry, InfoExt)) {
            name = entry.substr(0, entry.size() - std::string(InfoExt).size());
        } else {
            continue;
        }
        if (name.empty() || isOurs(name)) continue;
        // A running program makes its lock before anything else: without a
        // lock file, or with one nobody holds, the files are left over.
        const std::string lock = folder_ + name + LockExt;
        const bool hasLock = ::access(lock.c_str(), F_OK) == 0;
        const int fd = hasLock ? TryLock(lock, false) : -1;
        if (hasLock && fd < 0) continue;
        if (entry[0] == '.') {
            ::unlink((folder_ + entry).c_str());
        } else if (::access((folder_ + name + CopyExt).c_str(), F_OK) != 0) {
            ::unlink((folder_ + name + InfoExt).c_str());
            if (hasLock) ::unlink(lock.c_str());
        }
        if (fd >= 0) ::close(fd);
    }

    std::sort(found.begin(), found.end(), [](const TRecoveryCopy& a, const TRecoveryCopy& b) {
        return a.WrittenAt != b.WrittenAt ? a.WrittenAt > b.WrittenAt : a.Name > b.Name;
    });
    return found;
}

bool TRecovery::ReadLeftover(const TRecoveryCopy& copy, TDesign& d, const std::string& workPath, MessageSink& messages,
                             std::string* why) {
    if (!held_.count(copy.Name)) {
        SetWhy(why, "offered to another program");
        return false;
    }
    auto lines = ReadTextLines(copy.CopyPath, why);
    if (!lines) return false;
    const std::string support = SupportFolderFor(workPath);
    std::string cause;
    if (!CreateFolderWithParents(support, &cause)) {
        SetWhy(why, "cannot create " + support + ": " + cause);
        return false;
    }
    if (!ReadDesignLines(d, std::move(*lines), workPath, messages, why)) return false;
    d.FileName = copy.DesignPath;
    d.Modified = true;
    return true;
}

void TRecovery::Discard(const TRecoveryCopy& copy) {
    const auto it = held_.find(copy.Name);
    if (it == held_.end()) return;
    RemoveFilesOf(copy.Name);
    ::unlink((folder_ + copy.Name + LockExt).c_str());
    ::close(it->second);
    held_.erase(it);
}

void TRecovery::Release(const TRecoveryCopy& copy) {
    const auto it = held_.find(copy.Name);
    if (it == held_.end()) return;
    ::close(it->second);
    held_.erase(it);
}

}  // namespace pelmo
