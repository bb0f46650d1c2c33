#include "catalogue/CatalogueFields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/Text.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

// Days from 1 Jan 1970 of a proleptic Gregorian date (H. Hinnant's algorithm).
long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
}

constexpr long UnixDayOfOrigin = 25569;  // 1 Jan 1970 counted from 30 Dec 1899

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

// Digits only, 1..maxDigits of them.
bool ParseDigits(std::string_view s, std::size_t maxDigits, int& out) {
    if (s.empty() || s.size() > maxDigits) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

}  // namespace

TCatalogueDate CatalogueDateOf(int year, int month, int day) {
    return static_cast<TCatalogueDate>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                                       UnixDayOfOrigin);
}

bool ParseCatalogueDate(std::string_view text, TCatalogueDate& out) {
    const std::string t = TrimBlanks(text);
    const auto s1 = t.find('/');
    if (s1 == std::string::npos) return false;
    const auto s2 = t.find('/', s1 + 1);
    if (s2 == std::string::npos) return false;
    int m = 0, d = 0, y = 0;
    const std::string_view v(t);
    if (!ParseDigits(v.substr(0, s1), 2, m) || !ParseDigits(v.substr(s1 + 1, s2 - s1 - 1), 2, d) ||
        v.size() - s2 - 1 != 4 || !ParseDigits(v.substr(s2 + 1), 4, y))
        return false;
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
    out = CatalogueDateOf(y, m, d);
    return true;
}

std::string FormatCatalogueDate(TCatalogueDate date) {
    int y = 0, m = 0, d = 0;
    CivilFromDays(static_cast<long>(date) - UnixDayOfOrigin, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", m, d, y);
    return buf;
}

TCatalogueDate TodayCatalogueDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CatalogueDateOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string TFieldReader::Field() {
    if (!ok_ || !pending_) {
        ok_ = false;
        pending_ = false;
        return "ERR";
    }
    std::size_t end = pos_;
    while (end < line_.size() && !(line_[end] == ',' && (end == 0 || line_[end - 1] != '^'))) ++end;
    if (end >= line_.size()) {
        // The last field: taken as it is.
        std::string last(line_.substr(pos_));
        pos_ = line_.size();
        pending_ = false;
        return last;
    }
    std::string field = TrimBlanks(std::string_view(line_).substr(pos_, end - pos_));
    pos_ = end + 1;
    std::string cleaned;
    cleaned.reserve(field.size());
    for (char c : field)
        if (c != '^') cleaned += c;
    return cleaned;
}

std::string TFieldReader::Text() {
    std::string f = Field();
    if (!ok_) return f;
    std::size_t begin = !f.empty() && f.front() == '"' ? 1 : 0;
    std::string out;
    out.reserve(f.size());
    for (std::size_t i = begin; i < f.size(); ++i) {
        out += f[i];
        if (f[i] == '"' && i + 1 < f.size() && f[i + 1] == '"') ++i;
    }
    if (!out.empty() && out.back() == '"') out.pop_back();
    return out;
}

double TFieldReader::Number() {
    std::string f = Field();
    if (!ok_) return 0;
    std::string_view v(f);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    if (!v.empty() && v.front() == '$') v.remove_prefix(1);
    if (TrimBlanks(v).empty()) return 0;
    double x = 0;
    if (!TryParseReal(v, x) || !std::isfinite(x)) {
        ok_ = false;
        return 0;
    }
    return x;
}

TCatalogueDate TFieldReader::Date() {
    const std::string f = Field();
    TCatalogueDate d = 0;
    if (ok_ && ParseCatalogueDate(f, d)) return d;
    ok_ = false;
    return TodayCatalogueDate();
}

std::string EncodeTextField(std::string_view text) {
    const std::string t = TrimBlanks(text);
    std::string body;
    body.reserve(t.size() + 2);
    for (char c : t) {
        if (c == '^') continue;
        if (c == ',') body += '^';
        body += c;
    }
    if (body.find('"') == std::string::npos) return body;
    std::string quoted = "\"";
    for (char c : body) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

std::string FormatListNumber(double x, int decimals) {
    if (!std::isfinite(x)) return "0";
    // As printf's "%.*f" writes it (1e308 with 3 decimals takes 313 characters).
    char buf[400];
    const auto done = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, std::clamp(decimals, 0, 60));
    std::string s(buf, done.ec == std::errc() ? done.ptr : buf);
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

}  // namespace pelmo
