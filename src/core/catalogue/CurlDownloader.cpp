#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "base/Paths.h"
#include "catalogue/Downloader.h"

namespace pelmo {

namespace {

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
    const std::atomic<bool>* Cancelled = nullptr;
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

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* t = static_cast<Transfer*>(user);
    return t->Cancelled && t->Cancelled->load() ? 1 : 0;
}

bool IsConnectionFailure(CURLcode c) {
    return c == CURLE_COULDNT_RESOLVE_HOST || c == CURLE_COULDNT_RESOLVE_PROXY || c == CURLE_COULDNT_CONNECT ||
           c == CURLE_SSL_CONNECT_ERROR || c == CURLE_PEER_FAILED_VERIFICATION;
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
    t.Cancelled = cancelled_;

    CURL* curl = curl_easy_init();
    char errorText[CURL_ERROR_SIZE] = {};
    CURLcode code = CURLE_FAILED_INIT;
    long status = 0;
    bool isFile = false;
    if (curl) {
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(limits_.MaxRedirects));
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits_.ConnectTimeoutMs);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits_.TotalTimeoutMs);
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.MaxBytes));
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "Pelmo catalogue update");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
        code = curl_easy_perform(curl);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        char* scheme = nullptr;
        curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme);
        isFile = scheme && (scheme[0] == 'F' || scheme[0] == 'f');
        curl_easy_cleanup(curl);
    }
    const bool closed = ::close(t.Fd) == 0;
    result.HttpStatus = status;
    if (code == CURLE_OK && closed && !t.WriteFailed && (isFile || status == 200)) {
        if (std::rename(temp.c_str(), targetPath.c_str()) == 0) {
            result.State = S::Ok;
            return result;
        }
        result.Error = "cannot rename the download to " + targetPath;
    } else if (cancelled_ && cancelled_->load()) {
        result.State = S::Cancelled;
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
