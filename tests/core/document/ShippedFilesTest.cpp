#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "document/DataFolder.h"
#include "document/ShippedFiles.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& text) {
    ASSERT_TRUE(CreateFolderWithParents(ExtractFilePath(path)));
    WriteWholeFile(path, text);
}

TEST(ShippedFiles, CopiesWhatTheDataFolderNeverReceivedAndNothingElse) {
    TempFolder shipped, data;
    const std::string src = shipped.Path(), dst = data.Path();
    Put(src + "TwoWay.bkt", "shipped two-way");
    Put(src + "ThreeWay.bkt", "shipped three-way");
    Put(src + "Drivers/woofer.frd", "20 80 0");
    Put(src + "CircuitBlocks/Notch.pbk", "notch");
    Put(src + ".hidden", "x");
    Put(src + "!FRD&ZMA/Data!TwoWay/woofer.frd", "support copy");
    Put(dst + "Examples/ThreeWay.bkt", "the user's own three-way");

    TInstallReport r = InstallShippedFiles(src, dst);
    EXPECT_EQ(r.Copied, (std::vector<std::string>{"CircuitBlocks/Notch.pbk", "Examples/Drivers/woofer.frd",
                                                  "Examples/TwoWay.bkt"}));
    EXPECT_TRUE(r.Failed.empty());
    EXPECT_EQ(ReadWholeFile(dst + "Examples/TwoWay.bkt"), "shipped two-way");
    EXPECT_EQ(ReadWholeFile(dst + "CircuitBlocks/Notch.pbk"), "notch");
    EXPECT_EQ(ReadWholeFile(dst + "Examples/ThreeWay.bkt"), "the user's own three-way");
    EXPECT_FALSE(fs::exists(dst + "Examples/.hidden"));
    EXPECT_FALSE(fs::exists(dst + "Examples/!FRD&ZMA"));

    // A deleted example stays deleted, a user's change stays, a new one arrives.
    fs::remove(dst + "Examples/TwoWay.bkt");
    WriteWholeFile(dst + "CircuitBlocks/Notch.pbk", "changed by the user");
    Put(src + "Blocky.bkt", "new in this version");
    r = InstallShippedFiles(src, dst);
    EXPECT_EQ(r.Copied, std::vector<std::string>{"Examples/Blocky.bkt"});
    EXPECT_FALSE(fs::exists(dst + "Examples/TwoWay.bkt"));
    EXPECT_EQ(ReadWholeFile(dst + "CircuitBlocks/Notch.pbk"), "changed by the user");
    // Even the user's three-way, once deleted, is not replaced by the shipped one.
    fs::remove(dst + "Examples/ThreeWay.bkt");
    EXPECT_TRUE(InstallShippedFiles(src, dst).Copied.empty());

    EXPECT_TRUE(InstallShippedFiles("", dst).Copied.empty());
    EXPECT_TRUE(InstallShippedFiles(src + "missing/", dst).Copied.empty());
}

TEST(ShippedFiles, ReportsWhatCouldNotBeCopied) {
    TempFolder shipped, data;
    Put(shipped.Path() + "CircuitBlocks/Zobel.pbk", "zobel");
    Put(shipped.Path() + "TwoWay.bkt", "two-way");
    WriteWholeFile(data.Path() + "CircuitBlocks", "a file where the folder should be");
    const TInstallReport r = InstallShippedFiles(shipped.Path(), data.Path());
    EXPECT_EQ(r.Failed, std::vector<std::string>{"CircuitBlocks/Zobel.pbk"});
    EXPECT_EQ(r.Copied, std::vector<std::string>{"Examples/TwoWay.bkt"});
    // The failed one is tried again next time.
    fs::remove(data.Path() + "CircuitBlocks");
    EXPECT_EQ(InstallShippedFiles(shipped.Path(), data.Path()).Copied,
              std::vector<std::string>{"CircuitBlocks/Zobel.pbk"});
}

TEST(ShippedFiles, FindsTheInstalledFolderBeforeTheSourceTree) {
    TempFolder prefix;
    ASSERT_TRUE(CreateFolderWithParents(prefix.Path() + "bin"));
    ASSERT_TRUE(CreateFolderWithParents(prefix.Path() + "share/pelmo/examples"));
    EXPECT_EQ(ShippedFilesFolder(prefix.Path() + "bin"),
              fs::weakly_canonical(prefix.Path() + "share/pelmo/examples").string() + "/");
    // A program outside an installation (a build tree) uses the source tree's examples.
    ASSERT_TRUE(CreateFolderWithParents(prefix.Path() + "build/src/gui"));
    EXPECT_EQ(ShippedFilesFolder(prefix.Path() + "build/src/gui"), std::string(PELMO_SOURCE_DIR) + "/examples/");
}

}  // namespace
