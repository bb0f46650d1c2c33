#include <curl/curl.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "base/Paths.h"
#include "catalogue/Downloader.h"
#include "catalogue/NetAddress.h"

namespace pelmo {

namespace {

using Clock = std::chrono::steady_clock;

// How long the transfer loop waits for the network before it looks at the
// cancel flag again.
constexpr int CancelPollMs = 40;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    int Fd = -1;
    std::uint64_t Bytes = 0;
    std::uint64_t MaxBytes = 0;
    bool TooLarge = false;
    bool WriteFailed = false;
    bool PublicAddressesOnly = false;  // for the connections of this hop
    bool Refused = false;              // a connection to a local or private address was refused
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (t->Bytes + n > t->MaxBytes) {
        t->TooLarge = true;
        return 0;  // ends the transfer
    }
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(t->Fd, data + done, n - done);
        if (w <= 0) {
            t->WriteFailed = true;
            return 0;
        }
        done += static_cast<std::size_t>(w);
    }
    t->Bytes += n;
    return n;
}

// Every connection goes through here, so that a host name is judged by the
// address it really leads to.
curl_socket_t OpenSocket(void* user, curlsocktype, curl_sockaddr* a) {
    auto* t = static_cast<Transfer*>(user);
    if (t->PublicAddressesOnly && !IsPublicAddress(ClassifyAddress(a->addr))) {
        t->Refused = true;
        return CURL_SOCKET_BAD;
    }
    return ::socket(a->family, a->socktype | SOCK_CLOEXEC, a->protocol);
}

bool IsConnectionFailure(CURLcode c) {
    return c == CURLE_COULDNT_RESOLVE_HOST || c == CURLE_COULDNT_RESOLVE_PROXY || c == CURLE_COULDNT_CONNECT ||
           c == CURLE_SSL_CONNECT_ERROR || c == CURLE_PEER_FAILED_VERIFICATION;
}

// Runs one transfer, looking at the cancel flag between waits for the
// network; true when it was cancelled (the transfer is then dropped).
bool Perform(CURLM* multi, CURL* curl, const std::atomic<bool>* cancelled, CURLcode& code) {
    const auto stop = [cancelled] { return cancelled && cancelled->load(); };
    code = CURLE_FAILED_INIT;
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) return false;
    bool wasCancelled = false;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) break;
        if (running == 0) {
            int queued = 0;
            while (CURLMsg* m = curl_multi_info_read(multi, &queued))
                if (m->msg == CURLMSG_DONE && m->easy_handle == curl) code = m->data.result;
            break;
        }
        if (stop() || curl_multi_poll(multi, nullptr, 0, CancelPollMs, nullptr) != CURLM_OK || stop()) {
            wasCancelled = stop();
            break;
        }
    }
    curl_multi_remove_handle(multi, curl);
    return wasCancelled;
}

// Whether the first hop of a request went to a public address.
bool OriginIsPublic(CURL* curl, const std::string& url) {
    if (ProxyInEnvironment(url)) {
        // The proxy reaches the server; only a numeric host tells where.
        const std::string host = UrlHost(url);
        if (host == "localhost") return false;
        const auto literal = ClassifyHostLiteral(host);
        return !literal || IsPublicAddress(*literal);
    }
    char* ip = nullptr;
    curl_easy_getinfo(curl, CURLINFO_PRIMARY_IP, &ip);
    const auto kind = ip ? ClassifyHostLiteral(ip) : std::nullopt;
    return kind && IsPublicAddress(*kind);
}

const char* RefusalText(TRedirectVerdict v) {
    switch (v) {
        case TRedirectVerdict::TooMany:
            return "too many redirects";
        case TRedirectVerdict::NotHttp:
            return "a redirect to a URL that is not http or https";
        default:
            return "a redirect from a public server to a local or private address";
    }
}

}  // namespace

CurlDownloader::CurlDownloader(TDownloadLimits limits, const std::atomic<bool>* cancelled)
    : limits_(limits), cancelled_(cancelled) {}

TDownloadResult CurlDownloader::Get(const std::string& url, const std::string& targetPath) {
    TDownloadResult result;
    using S = TDownloadResult::Status;
    if (cancelled_ && cancelled_->load()) {
        result.State = S::Cancelled;
        return result;
    }
    InitCurlOnce();
    const std::string folder = ExtractFilePath(targetPath);
    if (!folder.empty() && !CreateFolderWithParents(folder)) {
        result.Error = "cannot create " + folder;
        return result;
    }
    std::string temp = targetPath + ".part-XXXXXX";
    Transfer t;
    t.Fd = ::mkstemp(temp.data());
    if (t.Fd < 0) {
        result.Error = "cannot create a temporary file beside " + targetPath;
        return result;
    }
    t.MaxBytes = limits_.MaxBytes;

    CURL* curl = curl_easy_init();
    CURLM* multi = curl_multi_init();
    char errorText[CURL_ERROR_SIZE] = {};
    CURLcode code = CURLE_FAILED_INIT;
    long status = 0;
    bool isFile = false, cancelled = false;
    std::string refused;  // why a redirect was not followed
    if (curl && multi) {
        // Redirects are followed here, one hop at a time, so that each one
        // can be judged before it is taken.
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits_.ConnectTimeoutMs);
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.MaxBytes));
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
        // A cancelled name lookup is left to finish on its own instead of
        // being waited for.
        curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
#endif
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "Pelmo catalogue update");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
        curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &t);
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
        const auto deadline = Clock::now() + std::chrono::milliseconds(limits_.TotalTimeoutMs);
        bool publicOnly = scope_ == TRedirectScope::PublicOnly;
        std::string hopUrl = url;
        for (int hop = 0;; ++hop) {
            // Only the last answer's body is kept.
            if (::ftruncate(t.Fd, 0) != 0 || ::lseek(t.Fd, 0, SEEK_SET) != 0) t.WriteFailed = true;
            t.Bytes = 0;
            const long left = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            errorText[0] = 0;
            curl_easy_setopt(curl, CURLOPT_URL, hopUrl.c_str());
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, hop == 0 ? "http,https,file" : "http,https");
            curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, std::max(left, 1L));
            t.PublicAddressesOnly = hop > 0 && publicOnly && !ProxyInEnvironment(hopUrl);
            cancelled = Perform(multi, curl, cancelled_, code);
            if (cancelled) break;
            status = 0;
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            if (hop == 0) {
                char* scheme = nullptr;
                curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme);
                isFile = scheme && (scheme[0] == 'F' || scheme[0] == 'f');
                if (code == CURLE_OK && !isFile) {
                    result.PublicOrigin = OriginIsPublic(curl, hopUrl);
                    publicOnly = publicOnly || result.PublicOrigin;
                }
            }
            char* next = nullptr;
            if (code != CURLE_OK || isFile || status < 300 || status > 399 ||
                curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &next) != CURLE_OK || !next || !*next)
                break;
            const TRedirectVerdict verdict = JudgeRedirect(hop + 1, limits_.MaxRedirects, next, publicOnly);
            if (verdict != TRedirectVerdict::Follow) {
                refused = std::string(RefusalText(verdict)) + ": " + next;
                break;
            }
            hopUrl = next;
        }
    }
    if (multi) curl_multi_cleanup(multi);
    if (curl) curl_easy_cleanup(curl);
    const bool closed = ::close(t.Fd) == 0;
    result.HttpStatus = status;
    if (cancelled) {
        result.State = S::Cancelled;
    } else if (!refused.empty()) {
        result.Error = refused;
    } else if (t.Refused) {
        result.Error = "a redirect from a public server to a local or private address";
    } else if (code == CURLE_OK && closed && !t.WriteFailed && (isFile || status == 200)) {
        if (std::rename(temp.c_str(), targetPath.c_str()) == 0) {
            result.State = S::Ok;
            return result;
        }
        result.Error = "cannot rename the download to " + targetPath;
    } else if (code == CURLE_OK) {
        result.State = S::HttpError;
        result.Error = "HTTP status " + std::to_string(status);
    } else {
        result.State = IsConnectionFailure(code) ? S::NoConnection : S::Failed;
        result.Error = t.TooLarge     ? "larger than the download limit"
                       : errorText[0] ? errorText
                                      : curl_easy_strerror(code);
    }
    ::unlink(temp.c_str());
    return result;
}

}  // namespace pelmo
