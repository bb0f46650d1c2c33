#include "catalogue/StagedInstall.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/TextFile.h"

namespace pelmo {

namespace fs = std::filesystem;

bool TFileOps::Write(const std::string& path, std::string_view bytes) { return WriteFileAtomically(path, bytes); }

bool TFileOps::Move(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

TFileOps& RealFileOps() {
    static TFileOps ops;
    return ops;
}

namespace {

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

struct TMoved {
    std::string From, Target, Aside;
    bool HadOld = false;
};

std::string Cause() { return errno ? std::strerror(errno) : "unknown cause"; }

}  // namespace

bool InstallStaged(const std::vector<TStagedFile>& files, const std::string& targetFolder,
                   const std::string& asideFolder, TFileOps& ops, std::string& error) {
    std::vector<TMoved> done;
    bool ok = true;
    for (const TStagedFile& f : files) {
        TMoved m{f.From, targetFolder + f.Name, asideFolder + f.Name, Exists(targetFolder + f.Name)};
        errno = 0;
        if (m.HadOld && !ops.Move(m.Target, m.Aside)) {
            error = "cannot move " + m.Target + " aside: " + Cause();
            ok = false;
            break;
        }
        errno = 0;
        if (!ops.Move(m.From, m.Target)) {
            error = "cannot move the new " + m.Target + " into place: " + Cause();
            if (m.HadOld && !ops.Move(m.Aside, m.Target))
                error += "; and cannot put the old one back from " + m.Aside + ": " + Cause();
            ok = false;
            break;
        }
        done.push_back(std::move(m));
    }
    if (ok) {
        // The renames themselves reach the disk.
        const int dir = ::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }
    for (auto m = done.rbegin(); m != done.rend(); ++m) {
        errno = 0;
        if (!ops.Move(m->Target, m->From)) {
            error += "; and cannot take the new " + m->Target + " back: " + Cause();
            continue;
        }
        if (m->HadOld && !ops.Move(m->Aside, m->Target))
            error += "; and cannot put the old " + m->Target + " back from " + m->Aside + ": " + Cause();
    }
    return false;
}

}  // namespace pelmo
