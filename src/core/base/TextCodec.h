#pragma once

#include <string>
#include <string_view>

// The program's text files are 8-bit Windows-1252; inside, text is UTF-8.

namespace pelmo {

// Every byte maps to one character. The five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of
// the same number, so any byte string survives a round trip through
// Utf8ToCp1252 unchanged.
std::string Cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 byte, and bytes that are not valid UTF-8,
// become "?".
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace pelmo
