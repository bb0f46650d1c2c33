#pragma once

#include <string>
#include <vector>

#include "catalogue/Downloader.h"

// Whether the catalogue server publishes a newer Pelmo than the one running.
// Only a version text is fetched and compared: Pelmo is updated by the
// system's packages, never by downloading and running an installer.

namespace pelmo {

// The server's version file: its URL + "/PmParts/PelmoVersion.txt" (the
// server's own path is kept, as for the catalogue index).
std::string ProgramVersionUrl(const std::string& server);

// Compares dotted version numbers ("0.10.2" > "0.9"); missing parts count
// as 0 and anything after the digits of a part (a "-rc1") is ignored. <0, 0
// or >0 like strcmp. ParseVersion is false when the text does not start
// with a number.
bool ParseVersion(const std::string& text, std::vector<long>& parts);
int CompareVersions(const std::vector<long>& a, const std::vector<long>& b);

struct TVersionCheck {
    enum class Outcome {
        Newer,        // the server has a newer version
        Current,      // the running version is as new or newer
        Unreachable,  // the server did not answer or has no version file
        Unreadable,   // the file holds no version
    };
    Outcome State = Outcome::Unreachable;
    std::string Published;  // the server's version text
    std::string Detail;     // why it failed, for the message
};

// Fetches the version file into workFolder (a temporary file there, removed
// again) and compares its first line with `running`.
TVersionCheck CheckProgramVersion(const std::string& server, const std::string& running, Downloader& downloader,
                                  const std::string& workFolder);

// The message the user gets for a result.
std::string VersionCheckMessage(const TVersionCheck& check, const std::string& running);

}  // namespace pelmo
