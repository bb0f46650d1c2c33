#pragma once

#include <cstddef>

#include "files/ValueLines.h"
#include "model/DesignSettings.h"

// The design file's closing section: the design's own settings, after the
// drivers and their embedded files.
//
//     1 //Setup
//     2 //Lines
//     listen.distance = 2
//     graphs.layout = tiled
//
// The second count line says how many setting lines follow, so a reader that
// knows nothing of settings passes over them. A design without settings
// writes "0 //Lines" and nothing after it.

namespace pelmo {

inline constexpr const char* SetupCountLabel = "Setup";
inline constexpr const char* SetupLinesLabel = "Lines";

// "key = value".
std::string SettingLine(const TDesignSettings::TEntry& e);

void WriteSetupSection(TLineWriter& w, const TDesignSettings& settings);

// The settings of the section whose first count line is at `pos`; none when
// there is no such section. Nothing here fails a design: the section has
// always been optional, so a count beyond the end of the file reads the lines
// there are, and a line without "=" or without a key is passed over.
TDesignSettings ReadSetupSection(const TLineReader& r, std::size_t pos);

}  // namespace pelmo
