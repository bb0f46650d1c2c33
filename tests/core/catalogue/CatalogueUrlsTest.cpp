#include <gtest/gtest.h>

#include <filesystem>

#include "CatalogueTestKit.h"
#include "TestSupport.h"
#include "catalogue/ArchiveUnpack.h"
#include "catalogue/CatalogueUrls.h"

using namespace pelmo;
using namespace pelmo::test;

namespace {

TEST(CatalogueUrls, ServerIndexAndRelativeReferences) {
    const std::pair<const char*, const char*> index[] = {
        {"http://host:8000/mirror", "http://host:8000/mirror/PmParts/DeCoderRing.pmd"},
        {"http://host:8000/mirror//", "http://host:8000/mirror/PmParts/DeCoderRing.pmd"},
        {"host", "http://host/PmParts/DeCoderRing.pmd"},
        {"https://host/", "https://host/PmParts/DeCoderRing.pmd"},
        {"/opt/cat", "file:///opt/cat/PmParts/DeCoderRing.pmd"},
        {"file:///opt/cat/", "file:///opt/cat/PmParts/DeCoderRing.pmd"},
    };
    for (const auto& [server, url] : index) EXPECT_EQ(CatalogueIndexUrl(server), url) << server;

    const std::string base = "http://h/a/b/index.pmd";
    const std::pair<const char*, const char*> refs[] = {
        {"./x.pmd", "http://h/a/b/x.pmd"}, {"../x.pmd", "http://h/a/x.pmd"},
        {"../../../../x", "http://h/x"},   {"./sub/", "http://h/a/b/sub/"},
        {"./", "http://h/a/b/"},           {"x.pmd", "x.pmd"},  // only "./" and "../" are relative
        {"http://o/x", "http://o/x"},
    };
    for (const auto& [ref, url] : refs) EXPECT_EQ(ResolveRelativeUrl(base, ref), url) << ref;
    EXPECT_EQ(ResolveRelativeUrl("file:///c/PmParts/I.pmd", "./G/D.pmd"), "file:///c/PmParts/G/D.pmd");
}

TEST(CatalogueUrls, ValidityAndLocalNames) {
    for (const char* good : {"http://h/x.jpg", "HTTPS://h:1/x?y=1", "file:///x"}) EXPECT_TRUE(IsValidUrl(good)) << good;
    for (const char* bad : {"x.jpg", "http://", "http:///x", "ftp://h/x", "http://h/a b", "http://u@h/x",
                            "javascript:alert(1)", "file://x", "http://h/\\x"})
        EXPECT_FALSE(IsValidUrl(bad)) << bad;
    EXPECT_EQ(LastUrlSegment("http://h/a/b.jpg?x=/y#z"), "b.jpg");
    EXPECT_EQ(LastUrlSegment("http://h"), "");
    EXPECT_EQ(SafeFileName("ACME_W8@0.frd"), "ACME_W8@0.frd");
    EXPECT_EQ(SafeFileName("../x/y z"), "_.._x_y_z");
    EXPECT_EQ(SafeFileName(""), "_");
    const std::string longName = SafeFileName(std::string(300, 'a') + ".jpg");
    EXPECT_EQ(longName.size(), 100u);
    EXPECT_EQ(longName.substr(96), ".jpg");
}

TEST(ArchiveUnpack, RefusesHostileArchivesWhole) {
    const struct {
        const char* what;
        std::vector<ZipEntry> entries;
    } cases[] = {
        {"parent", {{"ok.frd", "1"}, {"a/../../x.frd", "2"}}},
        {"absolute", {{"ok.frd", "1"}, {"/tmp/x.frd", "2"}}},
        {"backslash", {{"ok.frd", "1"}, {"..\\x.frd", "2"}}},
        {"drive", {{"ok.frd", "1"}, {"C:x.frd", "2"}}},
        {"symbolic link", {{"ok.frd", "1"}, {"link.frd", "/etc/passwd", 0120777}}},
        {"too many", {{"1.frd", ""}, {"2.frd", ""}, {"3.frd", ""}, {"4.frd", ""}}},
        {"bomb", {{"big.frd", std::string(200000, '0')}}},
    };
    TempFolder tmp;
    TArchiveLimits limits;
    limits.MaxEntries = 3;
    limits.MaxTotalBytes = 100000;
    for (const auto& c : cases) {
        WriteWholeFile(tmp.Path() + "a.zip", MakeZip(c.entries));
        const std::string folder = tmp.Path() + "out/";
        const TUnpackResult r = UnpackMeasurementArchive(tmp.Path() + "a.zip", folder, limits);
        EXPECT_FALSE(r.Ok) << c.what;
        EXPECT_EQ(FilesBelow(tmp.Path()), (std::vector<std::string>{"a.zip"})) << c.what;
        std::filesystem::remove_all(folder);
    }
    WriteWholeFile(tmp.Path() + "a.zip", "not a zip");
    EXPECT_FALSE(UnpackMeasurementArchive(tmp.Path() + "a.zip", tmp.Path() + "out/").Ok);
}

TEST(ArchiveUnpack, KeepsOnlyMeasurementFiles) {
    TempFolder tmp;
    WriteWholeFile(tmp.Path() + "a.zip", MakeZip({{"W@0.FRD", "a"},
                                                  {"deep/dir/W@30.frd", "b"},
                                                  {"W.zma", "c"},
                                                  {"notes.txt", "d"},
                                                  {"./W@60 deg.frd", "e"},
                                                  {"run.sh", "f", 0100755}}));
    const TUnpackResult r = UnpackMeasurementArchive(tmp.Path() + "a.zip", tmp.Path() + "out/");
    ASSERT_TRUE(r.Ok) << r.Error;
    const std::vector<std::string> expected = {"W.zma", "W@0.FRD", "W@60_deg.frd", "deep/dir/W@30.frd"};
    EXPECT_EQ(r.Files, expected);
    EXPECT_EQ(FilesBelow(tmp.Path() + "out/"), expected);
    EXPECT_EQ(ReadWholeFile(tmp.Path() + "out/deep/dir/W@30.frd"), "b");
}

}  // namespace
