#pragma once

#include <string>

namespace pelmo {

struct TDesign;

inline constexpr const char* ProgramTitle = "Pelmo";
inline constexpr const char* BlockDesignCaption = "Pelmo ---- designing Circuit Block";

// Window caption: "Pelmo" when untitled, else "Pelmo -- " and the file name
// without its folder. With unsaved changes a "*" stands before the name (or
// before the program's name when untitled), where desktops put it.
std::string CaptionFor(const std::string& fileName, bool unsaved = false);

// The main window's caption: the block designer's own, else CaptionFor the
// design's file and its modified flag.
std::string MainCaption(const TDesign& d);

}  // namespace pelmo
