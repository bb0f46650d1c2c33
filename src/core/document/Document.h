#pragma once

#include <string>

namespace pelmo {

inline constexpr const char* ProgramTitle = "Pelmo";

// Window caption: "Pelmo" when untitled, else "Pelmo -- " and the file name
// without its folder.
std::string CaptionFor(const std::string& fileName);

}  // namespace pelmo
