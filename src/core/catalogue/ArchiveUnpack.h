#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Unpacking a driver's archive of measurement files.

namespace pelmo {

struct TArchiveLimits {
    std::uint64_t MaxEntries = 1000;
    std::uint64_t MaxTotalBytes = std::uint64_t{64} << 20;  // unpacked
};

struct TUnpackResult {
    bool Ok = false;
    std::string Error;
    std::vector<std::string> Files;  // written, relative to the folder, "/"-separated, sorted
};

// Unpacks the measurement files (".frd" and ".zma", any case) of a zip
// archive into folder, keeping sub-folders; other files are left out. The
// whole archive is refused, before anything is written, when an entry's name
// could land outside the folder (an absolute name, a ".." segment, a
// backslash, a drive letter) or an entry is a symbolic link or another
// special file, or when it holds more entries than allowed. Unpacking stops
// and fails when the unpacked bytes pass the limit, whatever the archive
// claims its sizes are. Names are reduced to safe characters. On failure the
// complete files written before stay; the caller unpacks into a folder of its
// own and drops it.
TUnpackResult UnpackMeasurementArchive(const std::string& archivePath, const std::string& folder,
                                       const TArchiveLimits& limits = {});

}  // namespace pelmo
