#pragma once

#include <string>
#include <vector>

#include "acoustics/Directivity.h"
#include "acoustics/OffAxisName.h"
#include "base/DataTypes.h"

// Finding and reading a driver's off-axis set beside its FRD file.

namespace pelmo {

class MessageSink;

struct TOffAxisFile {
    std::string Path;
    TOffAxisName Name;
};

struct TOffAxisListing {
    std::vector<TOffAxisFile> Files;      // off axis (angle not 0), in name order
    std::vector<std::string> Unreadable;  // "@" files whose angle cannot be read (names)
};

// The set of the driver whose FRD file is `frdPath`: the ".frd" files of its
// folder (letter case ignored) that are
// * "STEM@<angle>.frd", STEM the FRD file's name without extension cut
//   before a first "@" (the files a design embeds with its driver), and,
//   when the FRD file is itself the 0 degree file of another convention
//   ("woofer hor 0.frd", "woofer_H 0.frd", "woofer 0 0.frd", "woofer0.frd"),
// * the files of that convention with the same stem.
// A plain numbered name counts only in the second way, so that a model
// number at the end of a name ("SB17-8.frd") is never read as an angle.
// The FRD file itself and the files at 0 degrees are not listed: on axis the
// driver's own response counts. An empty listing when the folder cannot be
// read.
TOffAxisListing ListOffAxisFiles(const std::string& frdPath);

// Reads every listed file and fits it onto `grid` as the driver's own FRD is
// fitted. A file that cannot be read shows the reader's message and
// "File Load error: " + its path, and is left out. The "@" files whose angle
// cannot be read are ignored with one message for the driver:
// "<FRD file name>: off-axis files ignored, their angle cannot be read: <names>".
std::vector<TMeasuredAngle> LoadOffAxisSet(const std::string& frdPath, const DataArray& grid, MessageSink& messages);

}  // namespace pelmo
