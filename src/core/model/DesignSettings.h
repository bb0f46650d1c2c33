#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program's own settings of one design (the listening setup, the layout
// of the graph windows, ...): text values under keys, in the order they were
// first set. The design file keeps them as "key = value" lines; keys this
// program does not know are kept as they were read, so a design saved here
// keeps what a newer program stored in it.

namespace pelmo {

class TDesignSettings {
public:
    struct TEntry {
        std::string Key;
        std::string Value;
        friend bool operator==(const TEntry&, const TEntry&) = default;
    };

    // A key as it is stored: without the blanks around it. It is usable when
    // that is not empty and holds no "=", CR or LF (the line would read back
    // as another key).
    static bool IsKey(std::string_view key);
    // A value as it is stored, and as it reads back from its line: without
    // the blanks around it, CR and LF turned into blanks.
    static std::string CleanValue(std::string_view value);

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const std::vector<TEntry>& Entries() const { return entries_; }
    void clear() { entries_.clear(); }

    bool Has(std::string_view key) const { return Find(key) != nullptr; }
    std::optional<std::string> Text(std::string_view key) const;
    std::string Text(std::string_view key, std::string_view fallback) const;
    // Typed reads: `fallback` when the key is missing or its text is not a
    // whole value of the type (a real must be finite; a bool is "T" or "F").
    double Real(std::string_view key, double fallback) const;
    int Int(std::string_view key, int fallback) const;
    bool Bool(std::string_view key, bool fallback) const;

    // A key already there keeps its place; a new one goes last. False, and
    // nothing changes, for a key that is not usable (and for a real that is
    // not finite).
    bool Set(std::string_view key, std::string_view value);
    // The shortest text that reads back as the same double.
    bool SetReal(std::string_view key, double value);
    bool SetInt(std::string_view key, int value);
    bool SetBool(std::string_view key, bool value);
    bool Remove(std::string_view key);

    friend bool operator==(const TDesignSettings&, const TDesignSettings&) = default;

private:
    const TEntry* Find(std::string_view key) const;
    std::size_t Place(const TEntry* e) const { return static_cast<std::size_t>(e - entries_.data()); }

    std::vector<TEntry> entries_;
};

}  // namespace pelmo
