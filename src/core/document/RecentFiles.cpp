#include "document/RecentFiles.h"

#include <algorithm>

#include "base/Text.h"
#include "document/DataFolder.h"
#include "document/IniFile.h"

namespace pelmo {

void TMostRecentFiles::SetMaxFiles(int n) {
    maxFiles_ = std::clamp(n, 1, Limit);
    if (static_cast<int>(files_.size()) > maxFiles_) files_.resize(maxFiles_);
}

void TMostRecentFiles::Add(const std::string& file) {
    if (!files_.empty() && files_.front() == file) return;
    files_.erase(std::remove_if(files_.begin(), files_.end(),
                                [&](const std::string& f) { return SameTextIgnoringCase(f, file); }),
                 files_.end());
    files_.insert(files_.begin(), file);
    if (static_cast<int>(files_.size()) > maxFiles_) files_.resize(maxFiles_);
    if (!IniFileName.empty()) Save();
}

std::string TMostRecentFiles::MenuCaption(int index) const {
    if (index < 0 || index >= static_cast<int>(files_.size())) return {};
    const std::string& f = files_[index];
    return "&" + std::to_string(index + 1) + "  " + (ShowFullPath ? f : ExtractFileName(f));
}

void TMostRecentFiles::Load() {
    files_.clear();
    if (IniFileName.empty()) return;
    const TIniFile ini = TIniFile::Load(IniFileName);
    for (int k = 1; k <= Limit && static_cast<int>(files_.size()) < maxFiles_; ++k) {
        const std::string f = ini.ReadString(MruSection, std::to_string(k), "");
        if (f.empty()) continue;
        if (std::none_of(files_.begin(), files_.end(),
                         [&](const std::string& g) { return SameTextIgnoringCase(g, f); }))
            files_.push_back(f);
    }
}

bool TMostRecentFiles::Save() const {
    if (IniFileName.empty()) return false;
    TIniFile ini = TIniFile::Load(IniFileName);
    for (int k = 1; k <= Limit; ++k) {
        const std::string f = k <= static_cast<int>(files_.size()) ? files_[k - 1] : std::string();
        ini.Write(MruSection, std::to_string(k), f);
    }
    return ini.Save(IniFileName);
}

}  // namespace pelmo
