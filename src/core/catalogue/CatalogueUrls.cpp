#include "catalogue/CatalogueUrls.h"

#include <vector>

#include "base/Text.h"

namespace pelmo {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view head) {
    return text.size() >= head.size() && SameTextIgnoringCase(text.substr(0, head.size()), head);
}

// Length of the "scheme://authority" part of a valid URL.
std::size_t RootLength(std::string_view url) {
    const std::size_t s = url.find("://");
    if (s == std::string_view::npos) return 0;
    const std::size_t path = url.find('/', s + 3);
    return path == std::string_view::npos ? url.size() : path;
}

}  // namespace

bool IsFileUrl(std::string_view url) { return StartsWithIgnoringCase(url, "file://"); }

bool IsValidUrl(std::string_view url) {
    for (unsigned char c : url)
        if (c <= ' ' || c == 0x7f || c == '\\' || c >= 0x80) return false;
    if (IsFileUrl(url)) return url.size() > 8 && url[7] == '/';
    std::string_view rest;
    if (StartsWithIgnoringCase(url, "http://"))
        rest = url.substr(7);
    else if (StartsWithIgnoringCase(url, "https://"))
        rest = url.substr(8);
    else
        return false;
    const std::size_t hostEnd = rest.find_first_of("/?#");
    const std::string_view host = rest.substr(0, hostEnd);
    return !host.empty() && host.front() != ':' && host.find('@') == std::string_view::npos;
}

std::string NormalizeServerUrl(std::string_view server) {
    std::string s = TrimBlanks(server);
    if (!s.empty() && s.front() == '/')
        s = "file://" + s;
    else if (s.find("://") == std::string::npos)
        s = "http://" + s;
    while (s.size() > RootLength(s) + 1 && s.back() == '/') s.pop_back();
    if (!s.empty() && s.back() == '/' && !IsFileUrl(s)) s.pop_back();
    return s;
}

std::string CatalogueIndexUrl(std::string_view server) {
    std::string s = NormalizeServerUrl(server);
    if (s.empty() || s.back() != '/') s += '/';
    return s + "PmParts/DeCoderRing.pmd";
}

std::string ResolveRelativeUrl(std::string_view baseFile, std::string_view reference) {
    if (reference.substr(0, 2) != "./" && reference.substr(0, 3) != "../") return std::string(reference);
    const std::size_t root = RootLength(baseFile);
    std::string_view basePath = baseFile.substr(root);
    basePath = basePath.substr(0, basePath.find_first_of("?#"));
    std::vector<std::string> segments;
    // Folder segments of the base file.
    std::size_t start = 0;
    while (start < basePath.size()) {
        const std::size_t slash = basePath.find('/', start);
        if (slash == std::string_view::npos) break;  // the file name itself
        if (slash > start) segments.emplace_back(basePath.substr(start, slash - start));
        start = slash + 1;
    }
    // The reference's segments: ".." climbs, "." and empty ones stay.
    bool trailingSlash = false;
    std::size_t pos = 0;
    while (pos <= reference.size()) {
        std::size_t slash = reference.find('/', pos);
        if (slash == std::string_view::npos) slash = reference.size();
        const std::string_view seg = reference.substr(pos, slash - pos);
        if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
            trailingSlash = true;
        } else if (seg == "." || seg.empty()) {
            trailingSlash = true;
        } else {
            segments.emplace_back(seg);
            trailingSlash = false;
        }
        pos = slash + 1;
    }
    std::string out(baseFile.substr(0, root));
    for (const std::string& s : segments) out += "/" + s;
    if (trailingSlash || segments.empty()) out += "/";
    return out;
}

std::string LastUrlSegment(std::string_view url) {
    const std::size_t root = RootLength(url);
    std::string_view path = url.substr(root);
    path = path.substr(0, path.find_first_of("?#"));
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string SafeFileName(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (out.size() >= 101) break;
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == '.' || c == '@';
        out += keep ? c : '_';
    }
    if (out.empty() || out.front() == '.') out.insert(out.begin(), '_');
    if (out.size() > 100) out.resize(100);
    // A long name keeps its extension: it tells what kind of file it is.
    const std::size_t dot = name.rfind('.');
    if (out.size() == 100 && dot != std::string_view::npos && name.size() - dot <= 10 && name.size() > 100) {
        const std::string ext = SafeFileName(name.substr(dot + 1));
        out.resize(100 - ext.size() - 1);
        out += "." + ext;
    }
    return out;
}

std::string PathToFileUrl(const std::string& path) {
    static const char* const hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && SameTextIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

}  // namespace pelmo
