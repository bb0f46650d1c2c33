#pragma once

#include <string>
#include <string_view>

// URLs of catalogue servers and the local names made from them.

namespace pelmo {

// True for "http://host...", "https://host..." and "file:///path" (scheme in
// any case), with nothing in it that could not be sent as it is (no blanks,
// no control characters).
bool IsValidUrl(std::string_view url);

// True for a file URL.
bool IsFileUrl(std::string_view url);

// A server address as the user gives it: "http://" is put before an address
// without a scheme; an absolute folder path becomes a file URL. Trailing "/"
// are dropped.
std::string NormalizeServerUrl(std::string_view server);

// The catalogue index of a server: its URL + "/PmParts/DeCoderRing.pmd"
// (the server's own path is kept).
std::string CatalogueIndexUrl(std::string_view server);

// A reference that starts with "./" or "../" taken relative to the folder of
// the file that names it (baseFile); ".." never climbs above the server root.
// Other references are returned unchanged.
std::string ResolveRelativeUrl(std::string_view baseFile, std::string_view reference);

// The last segment of a URL's path, without query and fragment.
std::string LastUrlSegment(std::string_view url);

// A name reduced to characters that are safe in a file name on every system:
// letters, digits, "-", "_", "@" and "." stay, everything else becomes "_"; a
// leading "." becomes "_" (no hidden files, no "." or ".."); at most 100
// characters; never empty.
std::string SafeFileName(std::string_view name);

// A file URL for an absolute path, with every character but letters, digits
// and "-_.~/" percent-encoded.
std::string PathToFileUrl(const std::string& path);

// True when text ends with tail, comparing ASCII letters without case.
bool EndsWithIgnoringCase(std::string_view text, std::string_view tail);

}  // namespace pelmo
