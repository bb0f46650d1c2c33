#pragma once

#include <string>

namespace pelmo {

struct TDesign;

inline constexpr const char* ProgramTitle = "Pelmo";
inline constexpr const char* BlockDesignCaption = "Pelmo ---- designing Circuit Block";

// Window caption: "Pelmo" when untitled, else "Pelmo -- " and the file name
// without its folder.
std::string CaptionFor(const std::string& fileName);

// The main window's caption: the block designer's own, else CaptionFor the
// design's file.
std::string MainCaption(const TDesign& d);

}  // namespace pelmo
