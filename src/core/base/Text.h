#pragma once

#include <string>
#include <string_view>

// Small text helpers every area uses. Letter case here means ASCII letters
// only: file names, keys and designators are compared that way.

namespace pelmo {

// Text without its leading and trailing spaces and tabs.
std::string TrimBlanks(std::string_view text);

// True when both texts are equal apart from the case of ASCII letters.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// The text with its ASCII letters in upper case.
std::string UpperCase(std::string text);

}  // namespace pelmo
