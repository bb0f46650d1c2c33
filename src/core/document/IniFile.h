#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pelmo {

// A small INI file: "[Section]" lines and "Key=Value" lines. Section and key
// names compare without regard to letter case; order is kept as read or added.
class TIniFile {
public:
    // Reads the file; a missing or unreadable file gives an empty set.
    static TIniFile Load(const std::string& path);

    std::optional<std::string> Read(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    double ReadFloat(const std::string& section, const std::string& key, double def) const;

    void Write(const std::string& section, const std::string& key, const std::string& value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void WriteFloat(const std::string& section, const std::string& key, double value);

    // Writes every section with CR LF line ends; false when the file cannot be
    // written, which leaves the old file as it was.
    bool Save(const std::string& path) const;

private:
    struct Entry {
        std::string Key, Value;
    };
    struct Section {
        std::string Name;
        std::vector<Entry> Entries;
    };
    Section* Find(const std::string& section);
    const Section* Find(const std::string& section) const;
    std::vector<Section> Sections;
};

}  // namespace pelmo
