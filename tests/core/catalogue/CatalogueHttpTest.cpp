// The update against a real HTTP server on the loopback interface.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "CatalogueTestKit.h"
#include "TestSupport.h"
#include "base/Paths.h"
#include "catalogue/CatalogueUpdate.h"
#include "catalogue/CatalogueUrls.h"

using namespace pelmo;
using namespace pelmo::test;
namespace fs = std::filesystem;

namespace {

// python3 catalogue_server.py ROOT, stopped with the object.
class HttpServer {
public:
    explicit HttpServer(const std::string& root) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            const std::string script = std::string(PELMO_SOURCE_DIR) + "/tests/core/catalogue/catalogue_server.py";
            ::execlp("python3", "python3", script.c_str(), root.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        FILE* out = ::fdopen(fds[0], "r");
        int port = 0;
        if (out && std::fscanf(out, "%d", &port) == 1) url_ = "http://127.0.0.1:" + std::to_string(port);
        if (out) std::fclose(out);
    }
    ~HttpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Url() const { return url_; }

private:
    pid_t pid_ = -1;
    std::string url_;
};

void Put(const std::string& path, const std::string& text) {
    CreateFolderWithParents(ExtractFilePath(path));
    WriteWholeFile(path, text);
}

TDownloadLimits QuickLimits() {
    TDownloadLimits l;
    l.ConnectTimeoutMs = 2000;
    l.TotalTimeoutMs = 1000;  // the stalled downloads end here
    return l;
}

std::map<std::string, TPassive> ByPartNumber(const std::vector<TPassive>& items) {
    std::map<std::string, TPassive> m;
    for (const auto& p : items) m[p.PartNumber] = p;
    return m;
}

// The shipped catalogue served over HTTP gives what it gives from its folder.
TEST(CatalogueHttp, ShippedCatalogueOverHttpEqualsItsFolder) {
    TempFolder tmp;
    const std::string shipped = std::string(PELMO_SOURCE_DIR) + "/catalogue";
    ASSERT_TRUE(IsFolder(shipped + "/PmParts"));
    HttpServer server(shipped);
    ASSERT_FALSE(server.Url().empty());
    CurlDownloader curl(QuickLimits());
    const auto http = RunCatalogueUpdate(tmp.Path() + "http/", server.Url(), curl);
    ASSERT_EQ(http.Outcome, TUpdateOutcome::Updated) << http.Message;
    const auto file = RunCatalogueUpdate(tmp.Path() + "file/", PathToFileUrl(shipped), curl);
    ASSERT_EQ(file.Outcome, TUpdateOutcome::Updated) << file.Message;
    EXPECT_EQ(http.FailedDownloads, 0);
    EXPECT_EQ(http.BadLines, 0);
    EXPECT_EQ(FilesBelow(tmp.Path() + "http/"), FilesBelow(tmp.Path() + "file/"));
    for (const char* f : {"C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"})
        EXPECT_EQ(ReadWholeFile(tmp.Path() + "http/" + f), ReadWholeFile(tmp.Path() + "file/" + f)) << f;
    EXPECT_GE(http.Lists.Drivers.Items.size(), 6u);
    for (int k = 0; k < 4; ++k) EXPECT_GT(http.Changes[k].Added, 0);
    for (const TCatalogueDriver& d : http.Lists.Drivers.Items) {
        EXPECT_TRUE(fs::is_regular_file(DriverResponsePath(tmp.Path() + "http/", d))) << d.PartNumber;
        EXPECT_TRUE(fs::is_regular_file(tmp.Path() + "http/" + d.ImpedanceFile)) << d.PartNumber;
        EXPECT_TRUE(fs::is_regular_file(tmp.Path() + "http/" + d.ParameterFile)) << d.PartNumber;
    }
}

struct TwoVendors : ::testing::Test {
    TempFolder tmp;
    std::string root = tmp.Path() + "www/";
    std::string parts = tmp.Path() + "data/PartsLists/";
    HttpServer server{root};
    CurlDownloader curl{QuickLimits()};

    TwoVendors() {
        Put(root + "PmParts/DeCoderRing.pmd", "2,\r\nACME,,Y,,./acme/dates.pmd\r\nOTHER,,Y,,./other/dates.pmd\r\n");
        Put(root + "PmParts/acme/dates.pmd",
            "01/01/2025\r\n./caps.pmd,./pics/,\r\n,,\r\n,,\r\n./drivers.pmd,./pics/,,./frd/,./frd/,./frd/\r\n,,\r\n");
        Put(root + "PmParts/other/dates.pmd", "01/01/2025\r\n./caps.pmd,,\r\n,,\r\n,,\r\n,,\r\n,,\r\n");
        Put(root + "PmParts/acme/caps.pmd",
            "02/01/2025\r\nA1,02/01/2025,M,1,,250,,,,,,,a1.jpg,,,\r\nA2,02/01/2025,F,2.2,,250,,,,,,,,,,\r\n");
        Put(root + "PmParts/acme/pics/a1.jpg", "JPEG");
        Put(root + "PmParts/acme/drivers.pmd",
            "02/01/2025\r\nW1,02/01/2025,M,W1,w,h,8,30,3000,80,88,6.5,5.2,,,w1.zip,w1.zma,w1.tsp,,,,,,\r\n");
        Put(root + "PmParts/acme/frd/w1.zip", MakeZip({{"w1@0.frd", "100 90 0\n"}, {"w1@30.frd", "100 88 0\n"}}));
        Put(root + "PmParts/acme/frd/w1.zma", "100 8 0\n");
        Put(root + "PmParts/acme/frd/w1.tsp", "Fs 30\n");
        Put(root + "PmParts/other/caps.pmd", "02/01/2025\r\nB1,02/01/2025,N,47,,100,,,,,,,,,,\r\n");
    }

    TCatalogueUpdateSummary Update(TCatalogueDate today) {
        TCatalogueUpdateOptions o;
        o.Today = today;
        o.Archive.MaxTotalBytes = 1 << 20;
        return RunCatalogueUpdate(parts, server.Url(), curl, {}, nullptr, o);
    }
};

TEST_F(TwoVendors, SecondUpdateDeletesKeepsAndSurvivesACutFile) {
    ASSERT_FALSE(server.Url().empty());
    const auto first = Update(CatalogueDateOf(2025, 2, 1));
    ASSERT_EQ(first.Outcome, TUpdateOutcome::Updated) << first.Message;
    EXPECT_EQ(first.FailedDownloads, 0);
    ASSERT_EQ(first.Lists.Capacitors.Items.size(), 3u);
    ASSERT_EQ(first.Lists.Drivers.Items.size(), 1u);
    EXPECT_EQ(first.Lists.Drivers.Items[0].ResponseNames, (std::vector<std::string>{"w1@0.frd", "w1@30.frd"}));
    EXPECT_EQ(ReadWholeFile(parts + "ACME_a1.jpg"), "JPEG");

    // OTHER leaves; ACME republishes its capacitors: A1 changed but dated
    // before the last merge, A2 gone, A3 new; its drivers file breaks off.
    Put(root + "PmParts/DeCoderRing.pmd", "2\r\nACME,,Y,,./acme/dates.pmd\r\nOTHER,,DELETE\r\n");
    Put(root + "PmParts/acme/caps.pmd",
        "03/01/2025\r\nA1,01/15/2025,M,1.5,,250,,,,,,,,,,\r\nA3,03/01/2025,M,3.3,,250,,,,,,,,,,\r\n");
    Put(root + "PmParts/acme/dates.pmd",
        "01/01/2025\r\n./caps.pmd,./pics/,\r\n,,\r\n,,\r\n../../cut/PmParts/acme/drivers.pmd,,\r\n,,\r\n");
    Put(root + "PmParts/acme/drivers.pmd", "03/01/2025\r\n");  // would remove W1, if it arrived whole
    const auto second = Update(CatalogueDateOf(2025, 3, 1));
    ASSERT_EQ(second.Outcome, TUpdateOutcome::Updated);
    const auto caps = ByPartNumber(ReadCatalogue(parts).Capacitors.Items);
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps.at("A1").Value, 1);  // kept: the entry is newer than the line
    EXPECT_EQ(caps.at("A1").Picture, "ACME_a1.jpg");
    EXPECT_EQ(caps.at("A3").Value, 3.3);
    EXPECT_EQ(second.Changes[0].Added, 1);
    EXPECT_EQ(second.Changes[0].Removed, 2);  // A2, and B1 of the deleted vendor
    EXPECT_EQ(ReadCatalogue(parts).Drivers.Items.size(), 1u);
    EXPECT_EQ(second.FailedDownloads, 1);

    // The file's last line cut in the middle: W1 stays, the new driver is
    // taken, and the next update merges the file again.
    Put(root + "PmParts/acme/dates.pmd",
        "01/01/2025\r\n./caps.pmd,./pics/,\r\n,,\r\n,,\r\n./drivers.pmd,./pics/,,./frd/,./frd/,./frd/\r\n,,\r\n");
    Put(root + "PmParts/acme/drivers.pmd",
        "03/01/2025\r\nT1,03/01/2025,M,T1,t,h,6,1500,20000,50,90,1,0.9,,,,,,,,,,,\r\nW2,03/01/2025,M,W2,w");
    const auto third = Update(CatalogueDateOf(2025, 3, 1));
    EXPECT_EQ(third.BadLines, 1);
    EXPECT_EQ(third.Lists.Drivers.Items.size(), 2u);
    EXPECT_EQ(third.Lists.Vendors.Items[0].Dates[3], CatalogueDateOf(2025, 2, 1));
}

TEST_F(TwoVendors, HostileOrBrokenServerWritesNothingOutsideThePartsFolder) {
    ASSERT_FALSE(server.Url().empty());
    Put(root + "PmParts/acme/caps.pmd",
        "02/01/2025\r\n"
        "A1,02/01/2025,M,1,,,,,,,,,../../../moved/PmParts/acme/pics/a1.jpg,,,\r\n"  // redirected to the file
        "A2,02/01/2025,M,2,,,,,,,,,../../../gone/a2.jpg,,,\r\n"                     // redirected to a 404
        "A3,02/01/2025,M,3,,,,,,,,,../../../stall/a3.jpg,,,\r\n");                  // never finishes
    Put(root + "PmParts/acme/drivers.pmd",
        "02/01/2025\r\n"
        "W1,02/01/2025,M,W1,w,h,8,,,,,6.5,,,,evil.zip,,,,,,,,\r\n"
        "W2,02/01/2025,M,W2,w,h,8,,,,,8,,,,link.zip,,,,,,,,\r\n"
        "W3,02/01/2025,M,W3,w,h,8,,,,,10,,,,bomb.zip,,,,,,,,\r\n");
    Put(root + "PmParts/acme/frd/evil.zip", MakeZip({{"ok@0.frd", "1"}, {"../../../../escaped.frd", "x"}}));
    Put(root + "PmParts/acme/frd/link.zip", MakeZip({{"l@0.frd", tmp.Path(), 0120777}}));
    Put(root + "PmParts/acme/frd/bomb.zip", MakeZip({{"b@0.frd", std::string(4u << 20, '0')}}));
    const auto files = FilesBelow(tmp.Path());

    const auto s = Update(CatalogueDateOf(2025, 2, 1));
    ASSERT_EQ(s.Outcome, TUpdateOutcome::Updated);
    const auto caps = ByPartNumber(s.Lists.Capacitors.Items);
    EXPECT_EQ(caps.at("A1").Picture, "ACME_a1.jpg");
    EXPECT_EQ(ReadWholeFile(parts + "ACME_a1.jpg"), "JPEG");
    EXPECT_EQ(caps.at("A2").Picture, "");  // the 302 page is not the picture
    EXPECT_EQ(caps.at("A3").Picture, "");
    for (const TCatalogueDriver& d : s.Lists.Drivers.Items) EXPECT_EQ(d.ResponseFile, "") << d.PartNumber;
    EXPECT_EQ(s.FailedDownloads, 5);

    // Outside "PartsLists" nothing new; inside only the lists and the picture.
    std::vector<std::string> after;
    for (const std::string& f : FilesBelow(tmp.Path()))
        if (f.rfind("data/PartsLists/", 0) != 0) after.push_back(f);
    EXPECT_EQ(after, files);
    EXPECT_EQ(FilesBelow(parts),
              (std::vector<std::string>{"ACME_a1.jpg", "C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"}));
}

TEST(CatalogueHttpLimits, StalledIndexTimesOut) {
    TempFolder tmp;
    HttpServer server(tmp.Path());
    ASSERT_FALSE(server.Url().empty());
    CurlDownloader curl(QuickLimits());
    const auto s = RunCatalogueUpdate(tmp.Path() + "PartsLists/", server.Url() + "/stall", curl);
    EXPECT_EQ(s.Outcome, TUpdateOutcome::NoServer);
    EXPECT_EQ(s.Message, NoServerMessage);
    // Nothing on port 1: no connection at all.
    const auto none = RunCatalogueUpdate(tmp.Path() + "PartsLists/", "http://127.0.0.1:1", curl);
    EXPECT_EQ(none.Outcome, TUpdateOutcome::NoConnection);
    EXPECT_EQ(none.Message, NoInternetMessage);
}

TEST(CatalogueHttpLimits, DownloadsAreCappedAndNeverPartial) {
    TempFolder tmp;
    Put(tmp.Path() + "www/big.bin", std::string(300000, 'b'));
    HttpServer server(tmp.Path() + "www/");
    ASSERT_FALSE(server.Url().empty());
    TDownloadLimits limits = QuickLimits();
    limits.MaxBytes = 100000;
    CurlDownloader curl(limits);
    WriteWholeFile(tmp.Path() + "target", "old");
    const struct {
        const char* path;
        TDownloadResult::Status state;
        long status;
    } cases[] = {
        {"/big.bin", TDownloadResult::Status::Failed, 200},
        {"/cut/big.bin", TDownloadResult::Status::Failed, 200},
        {"/gone/x", TDownloadResult::Status::HttpError, 404},
        {"/stall/x", TDownloadResult::Status::Failed, 200},
    };
    for (const auto& c : cases) {
        const TDownloadResult r = curl.Get(server.Url() + c.path, tmp.Path() + "target");
        EXPECT_EQ(r.State, c.state) << c.path;
        EXPECT_EQ(r.HttpStatus, c.status) << c.path;
        EXPECT_EQ(ReadWholeFile(tmp.Path() + "target"), "old") << c.path;
    }
    EXPECT_EQ(FilesBelow(tmp.Path()), (std::vector<std::string>{"target", "www/big.bin"}));
    EXPECT_TRUE(curl.Get(server.Url() + "/moved/big.bin", tmp.Path() + "sub/copy").State ==
                TDownloadResult::Status::Failed);  // still too large after the redirect
    limits.MaxBytes = 1 << 20;
    CurlDownloader roomy(limits);
    ASSERT_TRUE(roomy.Get(server.Url() + "/moved/big.bin", tmp.Path() + "sub/copy").Ok());
    EXPECT_EQ(ReadWholeFile(tmp.Path() + "sub/copy").size(), 300000u);
    // Only HTTP, HTTPS and file URLs are fetched.
    EXPECT_FALSE(roomy.Get("ftp://127.0.0.1/x", tmp.Path() + "ftp").Ok());
}

// Redirects: at most five, and none from a public server to this machine
// (the test server is a local one, so PublicOnly stands in for a public
// catalogue server).
TEST(CatalogueHttpLimits, RedirectsAreJudgedHopByHop) {
    TempFolder tmp;
    Put(tmp.Path() + "www/a.txt", "A");
    HttpServer server(tmp.Path() + "www/");
    ASSERT_FALSE(server.Url().empty());
    using S = TDownloadResult::Status;
    const struct {
        TRedirectScope scope;
        const char* path;
        S state;
        const char* error;
    } cases[] = {
        {TRedirectScope::Anywhere, "/a.txt", S::Ok, ""},
        {TRedirectScope::Anywhere, "/moved/a.txt", S::Ok, ""},
        {TRedirectScope::Anywhere, "/away/a.txt", S::Ok, ""},  // another host name
        {TRedirectScope::Anywhere, "/hops/5/a.txt", S::Ok, ""},
        {TRedirectScope::Anywhere, "/hops/6/a.txt", S::Failed, "too many redirects"},
        {TRedirectScope::PublicOnly, "/a.txt", S::Ok, ""},  // the server itself is reached
        {TRedirectScope::PublicOnly, "/moved/a.txt", S::Failed, "local or private address"},
        {TRedirectScope::PublicOnly, "/away/a.txt", S::Failed, "local or private address"},
    };
    for (const auto& c : cases) {
        CurlDownloader curl(QuickLimits());
        curl.SetRedirectScope(c.scope);
        const std::string target = tmp.Path() + "got";
        const TDownloadResult r = curl.Get(server.Url() + c.path, target);
        EXPECT_EQ(r.State, c.state) << c.path;
        EXPECT_NE(r.Error.find(c.error), std::string::npos) << c.path << ": " << r.Error;
        EXPECT_FALSE(r.PublicOrigin) << c.path;
        EXPECT_EQ(fs::exists(target), c.state == S::Ok) << c.path;
        if (c.state == S::Ok) {
            EXPECT_EQ(ReadWholeFile(target), "A") << c.path;
        }
        fs::remove(target);
    }
}

}  // namespace
