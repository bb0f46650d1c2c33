#pragma once

#include <string>
#include <vector>

// The design file (".bkt"): every element of a design in a fixed line layout,
// with copies of the drivers' measurement files embedded, so that a design
// opens on another machine without the files it was made from. Reading
// writes the embedded copies into the design's support folder and loads the
// drivers from there.

namespace pelmo {

class MessageSink;
struct TDesign;

// "save error": a driver's response files could not be listed.
inline constexpr const char* SaveErrorText = "save error";

// The design's file name without folder and extension (cut before the first
// occurrence of the extension): "/d/TwoWay.bkt" gives "TwoWay".
std::string DesignTitle(const std::string& designPath);

// The support folder of a design: its folder, "!FRD&ZMA/Data!", its file name
// without extension (cut before the first occurrence of the extension), "/".
// "/d/TwoWay.bkt" gives "/d/!FRD&ZMA/Data!TwoWay/".
std::string SupportFolderFor(const std::string& designPath);

// The file name a file name taken from a design file stands for: its last
// component (after "/" or "\"), or "" when that is empty, "." or "..". An
// embedded file is only ever written under this name inside the support
// folder, so a design file cannot place files anywhere else.
std::string SafeEmbeddedName(const std::string& name);

// Where a file named in a design is kept: `supportFolder` + SafeEmbeddedName,
// or "" when the name cannot be a plain file name.
std::string SupportFilePath(const std::string& supportFolder, const std::string& name);

// The lines of the design file. The response files chosen for embedding are
// listed from each driver's folder; when a listing fails, "save error" is
// shown and false returned; a measurement file that cannot be read fails it
// too (the cause in `why`, when given). Clears FRDFolder of every driver
// whose response file exists.
bool BuildDesignLines(TDesign& d, std::vector<std::string>& lines, MessageSink& messages, std::string* why = nullptr);

// Builds the lines and replaces the file with them (through a temporary file,
// so a failed save leaves the old file as it was). False on any failure; the
// caller reports it (with the cause put in `why`, when given).
bool WriteDesign(TDesign& d, const std::string& path, MessageSink& messages, std::string* why = nullptr);

// Reads a design file. The support folder (SupportFolderFor) must exist: the
// embedded measurement files are written there and the drivers loaded from
// there (load failures show their own messages and leave default data). On
// success the design's elements, source and overall delay are replaced by the
// file's; on failure (file unreadable, shorter than its counts, counts that
// cannot be right, a support file that cannot be written) false is returned,
// the cause put in `why` (when given), and the design is left exactly as it
// was. The caller reports the failure.
bool ReadDesign(TDesign& d, const std::string& path, MessageSink& messages, std::string* why = nullptr);

// The same with the embedded files unpacked into `supportFolder` (which
// must exist and ends with "/") instead of the one beside the design: for a
// design in a folder that cannot be written.
bool ReadDesignWithSupportFolder(TDesign& d, const std::string& path, const std::string& supportFolder,
                                 MessageSink& messages, std::string* why = nullptr);

// The same on lines already read; `path` is where the design lives (for its
// support folder).
bool ReadDesignLines(TDesign& d, std::vector<std::string> lines, const std::string& path, MessageSink& messages,
                     std::string* why = nullptr);
bool ReadDesignLinesWithSupportFolder(TDesign& d, std::vector<std::string> lines, const std::string& supportFolder,
                                      MessageSink& messages, std::string* why = nullptr);

}  // namespace pelmo
