#include "acoustics/OffAxisName.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace pelmo {

namespace {

// Beyond a whole turn a number is no angle.
constexpr double MaxAngleDeg = 360.0;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '_'; }
char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string_view TrimSeparatorsRight(std::string_view s) {
    while (!s.empty() && IsSeparator(s.back())) s.remove_suffix(1);
    return s;
}

bool EndsWithWord(std::string_view s, std::string_view word) {
    if (s.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(s[s.size() - word.size() + i]) != word[i]) return false;
    return true;
}

// A decimal number: an optional sign, digits, an optional point and more
// digits; nothing else (no exponent, no blanks).
bool ParseDecimal(std::string_view s, double& value) {
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    bool digit = false, point = false;
    for (char c : s) {
        if (IsDigit(c)) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(value)) return false;
    if (negative) value = -value;
    return true;
}

bool ParseInteger(std::string_view s, long long& value) {
    double v = 0;
    if (s.empty() || s.find('.') != std::string_view::npos || !ParseDecimal(s, v) || std::fabs(v) > 1e15) return false;
    value = static_cast<long long>(v);
    return true;
}

double NormaliseDeg(double a) {
    a = std::fmod(a, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a <= -180.0) a += 360.0;
    return a + 0.0;  // no -0
}

// Where a number at the end of `s` begins (s.size() when there is none):
// digits and points, with a sign before them.
std::size_t TrailingNumberStart(std::string_view s) {
    std::size_t i = s.size();
    while (i > 0 && (IsDigit(s[i - 1]) || s[i - 1] == '.')) --i;
    if (i == s.size()) return i;
    if (i > 0 && (s[i - 1] == '-' || s[i - 1] == '+')) --i;
    return i;
}

TOffAxisName Found(TOffAxisConvention c, std::string_view stem, TPlane plane, double angle) {
    TOffAxisName r;
    r.status = TOffAxisName::Status::Recognised;
    r.Convention = c;
    r.Stem = std::string(TrimSeparatorsRight(stem));
    r.Plane = plane;
    r.AngleDeg = NormaliseDeg(angle);
    return r;
}

bool ParseClio(std::string_view base, TOffAxisName& out) {
    const std::size_t b2 = base.find_last_of(' ');
    if (b2 == std::string_view::npos) return false;
    const std::string_view before = TrimSeparatorsRight(base.substr(0, b2));
    const std::size_t b1 = before.find_last_of(' ');
    if (b1 == std::string_view::npos) return false;
    long long plane = 0, angle = 0;
    const std::string_view planeText = before.substr(b1 + 1);
    if (planeText.empty() || !IsDigit(planeText.front()) || !ParseInteger(planeText, plane)) return false;
    if (!ParseInteger(base.substr(b2 + 1), angle)) return false;
    if ((plane != 0 && plane != 9000) || std::llabs(angle) > 100 * static_cast<long long>(MaxAngleDeg)) return false;
    const std::string_view stem = TrimSeparatorsRight(before.substr(0, b1));
    if (stem.empty()) return false;
    out = Found(TOffAxisConvention::Clio, stem, plane == 0 ? TPlane::Horizontal : TPlane::Vertical,
                static_cast<double>(angle) / 100.0);
    return true;
}

}  // namespace

TOffAxisName ParseOffAxisName(std::string_view fileName) {
    std::string_view name = fileName;
    if (const std::size_t slash = name.find_last_of('/'); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::string_view base = name;
    if (const std::size_t dot = name.find_last_of('.'); dot != std::string_view::npos && dot > 0) {
        const std::string_view ext = name.substr(dot + 1);
        bool letter = false, blank = false;
        for (char c : ext) {
            letter = letter || std::isalpha(static_cast<unsigned char>(c));
            blank = blank || c == ' ';
        }
        if (!ext.empty() && ext.size() <= 4 && letter && !blank) base = name.substr(0, dot);
    }

    // Ours: everything after the first "@".
    if (const std::size_t at = base.find('@'); at != std::string_view::npos) {
        std::string_view rest = base.substr(at + 1);
        TPlane plane = TPlane::Horizontal;
        if (!rest.empty() && (Lower(rest.front()) == 'h' || Lower(rest.front()) == 'v')) {
            plane = Lower(rest.front()) == 'h' ? TPlane::Horizontal : TPlane::Vertical;
            rest.remove_prefix(1);
        }
        double angle = 0;
        if (ParseDecimal(rest, angle) && std::fabs(angle) <= MaxAngleDeg)
            return Found(TOffAxisConvention::At, base.substr(0, at), plane, angle);
        TOffAxisName r;
        r.status = TOffAxisName::Status::Unreadable;
        r.Stem = std::string(base.substr(0, at));
        r.Message = std::string(name) + ": the angle after \"@\" cannot be read";
        return r;
    }

    TOffAxisName r;
    if (ParseClio(base, r)) return r;

    const std::size_t numberStart = TrailingNumberStart(base);
    double angle = 0;
    if (numberStart < base.size() && ParseDecimal(base.substr(numberStart), angle) && std::fabs(angle) <= MaxAngleDeg) {
        const std::string_view head = TrimSeparatorsRight(base.substr(0, numberStart));
        // "STEM hor 30", "STEM_ver_-10"
        for (const char* word : {"hor", "ver"}) {
            if (!EndsWithWord(head, word) || head.size() < 5) continue;
            const std::string_view stem = head.substr(0, head.size() - 3);
            if (!IsSeparator(stem.back())) continue;
            if (TrimSeparatorsRight(stem).empty()) continue;
            return Found(TOffAxisConvention::HorVer, stem, word[0] == 'h' ? TPlane::Horizontal : TPlane::Vertical,
                         angle);
        }
        // "STEM_H 30", "STEM_V-30"
        for (const char* tag : {"_h", "_v"}) {
            if (!EndsWithWord(head, tag) || head.size() < 3) continue;
            const std::string_view stem = head.substr(0, head.size() - 2);
            if (TrimSeparatorsRight(stem).empty()) continue;
            return Found(TOffAxisConvention::UnderscoreHV, stem, tag[1] == 'h' ? TPlane::Horizontal : TPlane::Vertical,
                         angle);
        }
        // "STEM30": a plain number is an angle only when it could be one.
        if (!head.empty() && std::fabs(angle) <= 180.0)
            return Found(TOffAxisConvention::Plain, head, TPlane::Horizontal, angle);
    }
    r = TOffAxisName{};
    r.Message = std::string(name) + ": no off-axis angle in the name";
    return r;
}

}  // namespace pelmo
