#include "base/TextCodec.h"

#include <array>
#include <cstdint>

namespace pelmo {

namespace {

// Code points of the bytes 0x80..0x9F; the undefined ones keep their own number.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

int ByteFor(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (std::size_t i = 0; i < HighControls.size(); ++i)
        if (HighControls[i] == c) return static_cast<int>(0x80 + i);
    return '?';
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out.push_back(ch);
        else if (b < 0xA0)
            AppendUtf8(out, HighControls[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto cont = [&](std::size_t k) { return k < n && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80; };
    while (i < n) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        char32_t c = 0;
        std::size_t len = 0;
        if (b >= 0xC2 && b <= 0xDF)
            c = b & 0x1F, len = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            c = b & 0x0F, len = 3;
        else if (b >= 0xF0 && b <= 0xF4)
            c = b & 0x07, len = 4;
        bool ok = len > 0;
        for (std::size_t k = 1; ok && k < len; ++k) {
            if (!cont(i + k))
                ok = false;
            else
                c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
        if (ok && len == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
        if (ok && len == 4 && (c < 0x10000 || c > 0x10FFFF)) ok = false;
        if (!ok) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(static_cast<char>(ByteFor(c)));
        i += len;
    }
    return out;
}

}  // namespace pelmo
