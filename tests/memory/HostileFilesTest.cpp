// Hostile text files are read in bounded memory. This program counts every
// allocation (its own operator new), so it runs alone, not inside an area's
// test program.
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "TestSupport.h"
#include "base/FileProblem.h"
#include "base/Paths.h"
#include "base/TextFile.h"
#include "catalogue/CatalogueLists.h"
#include "document/DocumentFlow.h"
#include "document/IniFile.h"
#include "driverdata/MeasurementFile.h"
#include "files/BlockFile.h"
#include "files/DesignFile.h"
#include "model/Design.h"

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

void* Take(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) return nullptr;
    const std::size_t now = inUse += malloc_usable_size(p);
    std::size_t was = peak.load();
    while (now > was && !peak.compare_exchange_weak(was, now)) {
    }
    return p;
}

void Give(void* p) {
    if (!p) return;
    inUse -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t n) {
    if (void* p = Take(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = Take(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;

namespace {

// The most memory `read` holds at any moment beyond what was held before.
template <class Read>
std::size_t PeakOf(Read read) {
    const std::size_t before = inUse.load();
    peak = before;
    read();
    return peak.load() - before;
}

constexpr std::size_t MiB = std::size_t{1} << 20;

// Tens of millions of empty lines, and a single line of 200 MB (sparse: it
// costs no disk). Every reader refuses them with its own failure, without
// ever holding more than its limits allow: never the file's lines.
TEST(HostileFiles, ReadersRefuseThemInBoundedMemory) {
    TempFolder tmp;
    struct Case {
        const char* name;
        std::size_t keptLimit;  // what a reader that keeps lines may hold
        const char* cause;
    };
    const Case cases[] = {
        {"empty-lines", MaxTextLines * sizeof(std::string) * 2 + 8 * MiB, "more than 2097152 lines"},
        {"one-line", 4 * MaxTextLineBytes + 8 * MiB, "line 1: longer than 1048576 bytes"},
    };
    {
        const std::string lines(30'000'000, '\n');
        pelmo::test::WriteWholeFile(tmp.Path() + "empty-lines", lines);
        pelmo::test::WriteWholeFile(tmp.Path() + "one-line", "10 1 2");
        ASSERT_EQ(::truncate((tmp.Path() + "one-line").c_str(), 200 * MiB), 0);
    }
    for (const Case& c : cases) {
        const std::string path = tmp.Path() + c.name;
        RecordingMessageSink messages;
        EXPECT_LT(PeakOf([&] { EXPECT_FALSE(ReadTextLines(path)) << c.name; }), c.keptLimit) << c.name;

        // The measurement reader keeps no lines at all.
        DataArray f, v, p;
        EXPECT_LT(PeakOf([&] { EXPECT_FALSE(ReadMeasurementFile(path, f, v, p, messages)) << c.name; }), MiB * 3)
            << c.name;
        EXPECT_EQ(messages.Messages, std::vector<std::string>{"file load error! -- " + std::string(c.name) + "\n" +
                                                              path + ": " + c.cause});

        messages.Messages.clear();
        TDesign d;
        EXPECT_LT(PeakOf([&] { EXPECT_FALSE(ReadDesignFile(d, path, messages)) << c.name; }), c.keptLimit) << c.name;
        EXPECT_EQ(messages.Messages, std::vector<std::string>{FileProblemText(FileOpenFailedText, path, c.cause)})
            << c.name;

        TCircuitBlock block;
        EXPECT_LT(PeakOf([&] { EXPECT_FALSE(ReadBlockFile(d, path, block, -1)) << c.name; }), c.keptLimit) << c.name;

        EXPECT_LT(PeakOf([&] { EXPECT_TRUE(TIniFile::Load(path).ReadString("a", "b", "none") == "none"); }), 3 * MiB)
            << c.name;
    }

    // A catalogue list of either kind reads as an empty list.
    const std::string parts = tmp.Path() + "parts/";
    ASSERT_TRUE(CreateFolderWithParents(parts));
    for (const char* list : {"C.pmd", "S.pmd"})
        ASSERT_EQ(::symlink((tmp.Path() + "empty-lines").c_str(), (parts + list).c_str()), 0);
    EXPECT_LT(PeakOf([&] {
                  const TCatalogue cat = ReadCatalogue(parts);
                  EXPECT_TRUE(cat.Capacitors.Items.empty() && cat.Drivers.Items.empty());
              }),
              MaxTextLines * sizeof(std::string) * 2 + 8 * MiB);
}

}  // namespace
