// The catalogue update on large server files, served from memory: an index of
// many vendors, and one vendor's capacitor file of many lines (merged into
// empty lists, and again over the full lists). The cancel benchmarks set the
// cancel flag from another thread at a series of moments during such an
// update, or while a download stalls, and report the longest time the
// update took to stop ("cancel_ms").
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "base/TextFile.h"
#include "catalogue/CatalogueUpdate.h"
#include "catalogue/Downloader.h"

namespace {

namespace fs = std::filesystem;
using namespace pelmo;
using Clock = std::chrono::steady_clock;

const std::string Server = "http://bench.test";
const std::string Index = Server + "/PmParts/DeCoderRing.pmd";
const std::string Dates = Server + "/acme/dates.pmd";
const std::string Caps = Server + "/acme/caps.pmd";

// Serves files from memory; every other URL is a 404.
class MemoryServer : public Downloader {
public:
    std::map<std::string, std::string> Files;
    TDownloadResult Get(const std::string& url, const std::string& target) override {
        TDownloadResult r;
        const auto it = Files.find(url);
        if (it == Files.end()) {
            r.State = TDownloadResult::Status::HttpError;
            r.HttpStatus = 404;
        } else if (WriteFileAtomically(target, it->second, false)) {
            r.State = TDownloadResult::Status::Ok;
            r.HttpStatus = 200;
        }
        return r;
    }
};

class ScratchFolder {
public:
    ScratchFolder() {
        std::string tmpl = (fs::temp_directory_path() / "pelmo-bench-catalogue-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root_ = tmpl + "/";
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const std::string& Path() const { return root_; }

private:
    std::string root_;
};

// An index of `inactive` vendors that publish nothing now, then ACME.
std::string IndexText(int inactive) {
    std::string text = std::to_string(inactive + 1) + ",\r\n";
    for (int i = 0; i < inactive; ++i) text += "VENDOR" + std::to_string(i) + ",,N,\r\n";
    return text + "ACME,,Y,," + Dates + "\r\n";
}

std::string CapacitorFile(const char* date, int lines) {
    std::string text = std::string(date) + "\r\n";
    for (int i = 0; i < lines; ++i)
        text += "P" + std::to_string(i) + "," + date + ",M," + std::to_string(1 + i % 997) + ".5,5,250,,Maker,MKP" +
                std::to_string(i) + ",,,film,,,1.25,\r\n";
    return text;
}

MemoryServer MakeServer(int inactiveVendors, int capacitorLines, const char* date = "05/01/2025") {
    MemoryServer s;
    s.Files[Index] = IndexText(inactiveVendors);
    s.Files[Dates] = "01/01/2025\r\n" + Caps + ",,\r\n,,\r\n,,\r\n,,,,,\r\n,,\r\n";
    s.Files[Caps] = CapacitorFile(date, capacitorLines);
    return s;
}

TCatalogueUpdateOptions On(int year, int month, int day) {
    TCatalogueUpdateOptions o;
    o.Today = CatalogueDateOf(year, month, day);
    return o;
}

// An index of N vendors into empty lists.
void BM_IndexVendors(benchmark::State& state) {
    MemoryServer server = MakeServer(static_cast<int>(state.range(0)), 0);
    ScratchFolder dir;
    int run = 0;
    for (auto _ : state) {
        const std::string parts = dir.Path() + std::to_string(++run) + "/";  // empty lists each time
        const auto s = RunCatalogueUpdate(parts, Server, server, {}, nullptr, On(2025, 6, 1));
        if (s.Outcome != TUpdateOutcome::Updated) state.SkipWithError("update failed");
    }
}
BENCHMARK(BM_IndexVendors)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// One vendor's capacitor file of N lines into empty lists.
void BM_CapacitorFileNew(benchmark::State& state) {
    MemoryServer server = MakeServer(0, static_cast<int>(state.range(0)));
    ScratchFolder dir;
    int run = 0;
    for (auto _ : state) {
        const std::string parts = dir.Path() + std::to_string(++run) + "/";
        const auto s = RunCatalogueUpdate(parts, Server, server, {}, nullptr, On(2025, 6, 1));
        if (s.Outcome != TUpdateOutcome::Updated || s.Lists.Capacitors.Items.size() != std::size_t(state.range(0)))
            state.SkipWithError("update failed");
    }
}
BENCHMARK(BM_CapacitorFileNew)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same file again, newer, over the lists the first one filled: every
// line finds its entry.
void BM_CapacitorFileAgain(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    ScratchFolder dir;
    MemoryServer first = MakeServer(0, lines);
    if (RunCatalogueUpdate(dir.Path(), Server, first, {}, nullptr, On(2025, 5, 1)).Outcome != TUpdateOutcome::Updated)
        state.SkipWithError("first update failed");
    MemoryServer again = MakeServer(0, lines, "06/01/2025");
    for (auto _ : state) {
        const auto s = RunCatalogueUpdate(dir.Path(), Server, again, {}, nullptr, On(2025, 6, 1));
        if (s.Outcome != TUpdateOutcome::Updated || s.Lists.Capacitors.Items.size() != std::size_t(lines))
            state.SkipWithError("update failed");
    }
}
BENCHMARK(BM_CapacitorFileAgain)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Runs `update` while another thread sets the flag `after` into it; the
// time from the flag to the end of the update, or a negative time when the
// update ended before the flag was set.
template <class Update>
double CancelLatencyMs(std::chrono::milliseconds after, std::atomic<bool>& cancel, Update update) {
    cancel = false;
    Clock::time_point setAt{};
    std::atomic<bool> set{false};
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        const auto deadline = Clock::now() + after;
        while (Clock::now() < deadline && !done) std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (done) return;
        setAt = Clock::now();
        set = true;
        cancel = true;
    });
    update();
    const auto end = Clock::now();
    done = true;
    canceller.join();
    if (!set) return -1;
    return std::chrono::duration<double, std::milli>(end - setAt).count();
}

// A 100,000-vendor index, then a capacitor file of 100,000 lines over lists
// that already hold them: the flag is set at moments spread over the run.
void BM_CancelDuringMerge(benchmark::State& state) {
    ScratchFolder dir;
    MemoryServer first = MakeServer(0, 100000);
    RunCatalogueUpdate(dir.Path(), Server, first, {}, nullptr, On(2025, 5, 1));
    MemoryServer server = MakeServer(100000, 100000, "06/01/2025");
    double worst = 0;
    int hit = 0;
    for (auto _ : state) {
        for (int ms : {1, 3, 10, 30, 60, 100, 150, 200, 300, 400, 600, 800, 1200, 2000}) {
            std::atomic<bool> cancel{false};
            const double latency = CancelLatencyMs(std::chrono::milliseconds(ms), cancel, [&] {
                RunCatalogueUpdate(dir.Path(), Server, server, {}, &cancel, On(2025, 6, 1));
            });
            if (latency >= 0) {
                worst = std::max(worst, latency);
                ++hit;
            }
        }
    }
    state.counters["cancel_ms"] = worst;
    state.counters["cancelled_runs"] = hit;
}
BENCHMARK(BM_CancelDuringMerge)->Unit(benchmark::kMillisecond)->Iterations(1);

// A server on the loopback interface that answers every request with the
// head of a long body and then sends nothing.
class StallingServer {
public:
    StallingServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd_, 16) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            std::abort();
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            for (;;) {
                const int c = ::accept(fd_, nullptr, nullptr);
                if (c < 0) return;
                const char head[] = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nx";
                if (::send(c, head, sizeof head - 1, MSG_NOSIGNAL) < 0) {
                }
                clients_.push_back(c);
            }
        });
    }
    ~StallingServer() {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
        for (int c : clients_) ::close(c);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::vector<int> clients_;
};

// The index download stalls; the flag is set at moments spread over the wait.
void BM_CancelDuringStalledDownload(benchmark::State& state) {
    StallingServer stall;
    ScratchFolder dir;
    double worst = 0;
    for (auto _ : state) {
        for (int ms : {20, 150, 500, 1100, 1700}) {
            std::atomic<bool> cancel{false};
            CurlDownloader curl({}, &cancel);
            const double latency = CancelLatencyMs(std::chrono::milliseconds(ms), cancel, [&] {
                RunCatalogueUpdate(dir.Path(), stall.Url(), curl, {}, &cancel, On(2025, 6, 1));
            });
            worst = std::max(worst, latency);
        }
    }
    state.counters["cancel_ms"] = worst;
}
BENCHMARK(BM_CancelDuringStalledDownload)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
