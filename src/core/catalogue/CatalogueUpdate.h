#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/ArchiveUnpack.h"
#include "catalogue/CatalogueLists.h"
#include "catalogue/Downloader.h"
#include "catalogue/StagedInstall.h"

// Refreshing the local catalogue from a catalogue server: the server's index
// names the vendors, each vendor's dates file names its category files, and
// each category file is merged into the local list of its kind.
//
// The update works on its own copy of the lists and stages every downloaded
// file in a private folder inside "PartsLists"; only at the end does it
// write the lists there too and move them and the staged files into place,
// all together or, when a step fails, none. Until then it touches nothing
// that a running program shares, so it may run on a worker thread, and a
// cancel, a failed write or any other stop leaves the lists and their files
// as they were.

namespace pelmo {

// The system's messages of an update that stops early.
inline constexpr const char* NoInternetMessage = "Could not reach Pelmo internet site.";
inline constexpr const char* NoServerMessage =
    " Could not connect to Pelmo web site.\r\nPlease check your internet connection.";
inline constexpr const char* NoCatalogueDataMessage =
    "No online parts data are available yet.\r\n   Please check again in the future.";

// What the update is fetching now.
struct TUpdateProgress {
    std::string Vendor;  // "" while the index is fetched
    std::string Url;
    int VendorIndex = 0;  // 1-based; 0 for the index
    int VendorCount = 0;
    // While the lines of a file are merged: the lines done and all of them
    // (reported every UpdateProgressLines lines); 0 otherwise.
    std::size_t Line = 0, Lines = 0;
};
using TUpdateProgressFn = std::function<void(const TUpdateProgress&)>;
inline constexpr std::size_t UpdateProgressLines = 5000;

struct TCatalogueUpdateOptions {
    TArchiveLimits Archive;
    TCatalogueDate Today = 0;   // 0: the real date
    TFileOps* Files = nullptr;  // how the lists are written and put in place; nullptr: RealFileOps()
};

enum class TUpdateOutcome {
    Updated,       // the lists were merged and written
    NoConnection,  // NoInternetMessage
    NoServer,      // NoServerMessage
    NoData,        // NoCatalogueDataMessage
    Cancelled,     // nothing changed
    WriteFailed,   // merged, but the result could not be put in place: nothing changed
};

struct TListChanges {
    int Added = 0;
    int Updated = 0;  // an entry that is there before and after with other data (its date aside)
    int Removed = 0;
};

struct TCatalogueUpdateSummary {
    TUpdateOutcome Outcome = TUpdateOutcome::Cancelled;
    std::string Message;  // one of the system's messages above, or ""
    // The lists after the update; when it stopped early, the lists as read
    // (only partly, when a cancel came while they were read).
    TCatalogue Lists;
    // Per list: capacitors, inductors, resistors, drivers.
    std::array<TListChanges, 4> Changes{};
    int BadLines = 0;                // server lines that did not parse, or were refused
    int LocalBadLines = 0;           // local list lines that did not parse (they are dropped)
    int FailedDownloads = 0;         // downloads that failed; the entries concerned kept their old files
    std::vector<std::string> Notes;  // one line per problem, for a log
};

// Runs the whole update against the server (a URL, see CatalogueIndexUrl)
// for the lists in partsFolder (ends with "/"). `progress` is called before
// every download and while long files are merged; `cancelled` is looked at
// then too (give the same flag to a CurlDownloader to end a running
// transfer). Once the server is found to be a public one, the downloader's
// redirects are held to public addresses.
TCatalogueUpdateSummary RunCatalogueUpdate(const std::string& partsFolder, const std::string& server,
                                           Downloader& downloader, const TUpdateProgressFn& progress = {},
                                           const std::atomic<bool>* cancelled = nullptr,
                                           const TCatalogueUpdateOptions& options = {});

// The default resistance of a catalogue part that comes without one:
// capacitors K * 1.59 / value (value in uF; K 10 for non-polar
// electrolytics, 0.3 for metal film, 0.1 otherwise), inductors by core type
// (value in mH). Resistors have none (0).
double DefaultCatalogueESR(TPassiveKind kind, const std::string& typeCode, double value);

// The type code a server's code becomes: an empty code gives "N" for
// capacitors and inductors and "S" for resistors; a code outside the kind's
// three letters gives "N" for capacitors and "A" otherwise.
std::string CatalogueTypeCode(TPassiveKind kind, const std::string& serverCode);

}  // namespace pelmo
