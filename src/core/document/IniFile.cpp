#include "document/IniFile.h"

#include <sstream>

#include "base/Text.h"
#include "base/TextFile.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {
std::string Trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}
}  // namespace

TIniFile TIniFile::Load(const std::string& path) {
    TIniFile ini;
    Section* current = nullptr;
    // A file that is not what it should be (one endless line, millions of
    // lines) reads as far as it can be read: settings files are never refused.
    ForEachFileLine(path, [&](std::string_view raw) {
        const std::string line = Trim(std::string(raw));
        if (line.empty() || line[0] == ';') return true;
        if (line.front() == '[' && line.back() == ']') {
            const std::string name = line.substr(1, line.size() - 2);
            current = ini.Find(name);
            if (!current) {
                ini.Sections.push_back({name, {}});
                current = &ini.Sections.back();
            }
            return true;
        }
        const auto eq = line.find('=');
        if (!current || eq == std::string::npos) return true;
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        bool replaced = false;
        for (auto& e : current->Entries)
            if (SameTextIgnoringCase(e.Key, key)) {
                e.Value = value;
                replaced = true;
            }
        if (!replaced) current->Entries.push_back({key, value});
        return true;
    });
    return ini;
}

TIniFile::Section* TIniFile::Find(const std::string& section) {
    for (auto& s : Sections)
        if (SameTextIgnoringCase(s.Name, section)) return &s;
    return nullptr;
}

const TIniFile::Section* TIniFile::Find(const std::string& section) const {
    for (const auto& s : Sections)
        if (SameTextIgnoringCase(s.Name, section)) return &s;
    return nullptr;
}

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& key) const {
    if (const Section* s = Find(section))
        for (const auto& e : s->Entries)
            if (SameTextIgnoringCase(e.Key, key)) return e.Value;
    return std::nullopt;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    return Read(section, key).value_or(def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    const auto v = Read(section, key);
    int n = 0;
    if (!v || !TryParseInt(*v, n)) return def;
    return n != 0;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
    const auto v = Read(section, key);
    double x = 0;
    if (!v || !TryParseReal(*v, x)) return def;
    return x;
}

void TIniFile::Write(const std::string& section, const std::string& key, const std::string& value) {
    Section* s = Find(section);
    if (!s) {
        Sections.push_back({section, {}});
        s = &Sections.back();
    }
    for (auto& e : s->Entries)
        if (SameTextIgnoringCase(e.Key, key)) {
            e.Value = value;
            return;
        }
    s->Entries.push_back({key, value});
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    Write(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
    Write(section, key, FormatFileReal(value));
}

bool TIniFile::Save(const std::string& path) const {
    std::ostringstream out;
    bool first = true;
    for (const auto& s : Sections) {
        if (!first) out << "\r\n";
        first = false;
        out << '[' << s.Name << "]\r\n";
        for (const auto& e : s.Entries) out << e.Key << '=' << e.Value << "\r\n";
    }
    // Through a temporary file: a save that fails half-way (a full disk)
    // leaves the old settings, and the entries of other programs, in place.
    return WriteFileAtomically(path, out.str());
}

}  // namespace pelmo
