#include "model/DesignSettings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "base/Text.h"

namespace pelmo {

namespace {

// Parses the whole of `text` as a T; false for anything less.
template <class T>
bool ParseWhole(const std::string& text, T& out) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, out);
    return r.ec == std::errc() && r.ptr == end;
}

}  // namespace

bool TDesignSettings::IsKey(std::string_view key) {
    const std::string k = TrimBlanks(key);
    return !k.empty() && k.find_first_of("=\r\n") == std::string::npos;
}

std::string TDesignSettings::CleanValue(std::string_view value) {
    std::string v(value);
    std::replace_if(
        v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return TrimBlanks(v);
}

const TDesignSettings::TEntry* TDesignSettings::Find(std::string_view key) const {
    const std::string k = TrimBlanks(key);
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.Key == k; });
    return it == entries_.end() ? nullptr : &*it;
}

std::optional<std::string> TDesignSettings::Text(std::string_view key) const {
    const TEntry* e = Find(key);
    if (!e) return std::nullopt;
    return e->Value;
}

std::string TDesignSettings::Text(std::string_view key, std::string_view fallback) const {
    const TEntry* e = Find(key);
    return e ? e->Value : std::string(fallback);
}

double TDesignSettings::Real(std::string_view key, double fallback) const {
    const TEntry* e = Find(key);
    double v = 0;
    return e && ParseWhole(e->Value, v) && std::isfinite(v) ? v : fallback;
}

int TDesignSettings::Int(std::string_view key, int fallback) const {
    const TEntry* e = Find(key);
    int v = 0;
    return e && ParseWhole(e->Value, v) ? v : fallback;
}

bool TDesignSettings::Bool(std::string_view key, bool fallback) const {
    const TEntry* e = Find(key);
    if (!e) return fallback;
    return e->Value == "T" ? true : e->Value == "F" ? false : fallback;
}

bool TDesignSettings::Set(std::string_view key, std::string_view value) {
    if (!IsKey(key)) return false;
    std::string v = CleanValue(value);
    if (const TEntry* e = Find(key))
        entries_[Place(e)].Value = std::move(v);
    else
        entries_.push_back({TrimBlanks(key), std::move(v)});
    return true;
}

bool TDesignSettings::SetReal(std::string_view key, double value) {
    if (!std::isfinite(value)) return false;
    std::array<char, 32> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return Set(key, std::string_view(buf.data(), static_cast<std::size_t>(r.ptr - buf.data())));
}

bool TDesignSettings::SetInt(std::string_view key, int value) { return Set(key, std::to_string(value)); }

bool TDesignSettings::SetBool(std::string_view key, bool value) { return Set(key, value ? "T" : "F"); }

bool TDesignSettings::Remove(std::string_view key) {
    const TEntry* e = Find(key);
    if (!e) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Place(e)));
    return true;
}

}  // namespace pelmo
