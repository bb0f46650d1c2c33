#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// Fetching one URL into one file: the catalogue update's only way out.

namespace pelmo {

struct TDownloadResult {
    enum class Status {
        Ok,            // the whole body of a final 200 answer (or a file URL) is in the target
        NoConnection,  // no answer at all: name lookup, connection or TLS failed
        HttpError,     // an answer other than 200 after following redirects
        Failed,        // the transfer broke off, timed out, grew too large or could not be stored
        Cancelled,
    };
    Status State = Status::Failed;
    long HttpStatus = 0;  // the final answer's status code, 0 when there was none
    std::string Error;    // for logs and tests; never shown as one of the system's messages
    // The request's first address was a public one: its server is on the
    // internet, not on this machine or a private network.
    bool PublicOrigin = false;

    bool Ok() const { return State == Status::Ok; }
};

// Where the redirects of a download may lead. A redirect never leads from a
// public address to a local or private one; with PublicOnly no redirect
// leads to a local or private address at all (the catalogue update sets it
// once its server has turned out to be a public one).
enum class TRedirectScope { Anywhere, PublicOnly };

class Downloader {
public:
    virtual ~Downloader() = default;

    // Fetches url into targetPath. The body goes to a temporary file in the
    // target's folder (which is created when missing) and is renamed to
    // targetPath only when the download succeeded, so a failed download never
    // leaves a partial or error page under the target's name; an existing
    // target is then left as it was.
    virtual TDownloadResult Get(const std::string& url, const std::string& targetPath) = 0;

    // Applies to the downloads that follow.
    virtual void SetRedirectScope(TRedirectScope) {}
};

// Limits of every download of the real downloader.
struct TDownloadLimits {
    long ConnectTimeoutMs = 15000;
    long TotalTimeoutMs = 120000;
    std::uint64_t MaxBytes = std::uint64_t{64} << 20;  // per answer
    int MaxRedirects = 5;                              // never more than MaxRedirectHops
};

// HTTP, HTTPS and file URLs through libcurl. Up to MaxRedirects redirects
// are followed, to HTTP and HTTPS only, and never from a public address to a
// local or private one (see TRedirectScope); only a final 200 counts.
// `cancelled`, when given, ends a running transfer within a few hundredths
// of a second after it is set.
class CurlDownloader : public Downloader {
public:
    explicit CurlDownloader(TDownloadLimits limits = {}, const std::atomic<bool>* cancelled = nullptr);
    TDownloadResult Get(const std::string& url, const std::string& targetPath) override;
    void SetRedirectScope(TRedirectScope scope) override { scope_ = scope; }

private:
    TDownloadLimits limits_;
    const std::atomic<bool>* cancelled_;
    TRedirectScope scope_ = TRedirectScope::Anywhere;
};

}  // namespace pelmo
