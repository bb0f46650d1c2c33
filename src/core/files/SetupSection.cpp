#include "files/SetupSection.h"

namespace pelmo {

std::string SettingLine(const TDesignSettings::TEntry& e) { return e.Key + " = " + e.Value; }

void WriteSetupSection(TLineWriter& w, const TDesignSettings& settings) {
    w.Add(ValueLine(FileInt(1), SetupCountLabel, ""));
    w.Add(ValueLine(FileInt(static_cast<long long>(settings.size())), SetupLinesLabel, ""));
    for (const TDesignSettings::TEntry& e : settings.Entries()) w.Add(SettingLine(e));
}

TDesignSettings ReadSetupSection(const TLineReader& r, std::size_t pos) {
    TDesignSettings settings;
    if (!r.Has(pos + 1) || r.Label(pos) != SetupCountLabel || r.Label(pos + 1) != SetupLinesLabel) return settings;
    const int count = r.Int(pos + 1);
    const std::size_t first = pos + 2;
    for (std::size_t k = 0; count > 0 && k < static_cast<std::size_t>(count) && r.Has(first + k); ++k) {
        const std::string_view line = r.Raw(first + k);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        // A key read twice keeps its first place and its last value.
        settings.Set(line.substr(0, eq), line.substr(eq + 1));
    }
    return settings;
}

}  // namespace pelmo
