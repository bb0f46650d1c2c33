#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pelmo {

// The recent-files list: at most MaxFiles full paths, most recent first, kept in
// "PelmoMRU.ini", section "MRU List", keys "1".."8".
class TMostRecentFiles {
public:
    static constexpr int Limit = 8;

    int MaxFiles() const { return maxFiles_; }
    // Clamped to 1..8; a smaller limit cuts the list.
    void SetMaxFiles(int n);

    bool ShowFullPath = false;
    std::string OwnerMenuItem = "ReOpen";
    int MenuPosition = 0;
    // Called with the sender and the chosen file name when a menu item is chosen.
    std::function<void(void* sender, const std::string& file)> OnMenuClick;

    const std::vector<std::string>& Files() const { return files_; }

    // Puts the file first; an equal entry (letter case ignored) is removed
    // first. A list bound to its ini file (IniFileName) is written at once, so
    // that a program that is killed keeps the files it opened.
    void Add(const std::string& file);
    void Clear() { files_.clear(); }

    // Caption of the item at 0-based index: "&1  name.bkt".
    std::string MenuCaption(int index) const;

    // The ini file the list is bound to.
    std::string IniFileName;
    void Load();
    bool Save() const;

private:
    int maxFiles_ = Limit;
    std::vector<std::string> files_;
};

inline constexpr const char* MruFileName = "PelmoMRU.ini";
inline constexpr const char* MruSection = "MRU List";

}  // namespace pelmo
