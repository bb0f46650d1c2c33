// Measurement files as other tools write them: from high to low frequencies,
// with a frequency measured twice, with numbers that are not finite.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "base/TextFile.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MeasurementFile.h"
#include "driverdata/MinimumPhase.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;

namespace {

struct TPoint3 {
    double F, V, P;
};

std::string Lines(const std::vector<TPoint3>& points) {
    std::string text = "* Freq  Value  Phase\r\n";
    char buf[96];
    for (const TPoint3& p : points) {
        std::snprintf(buf, sizeof buf, "%.9g\t%.9g\t%.9g\r\n", p.F, p.V, p.P);
        text += buf;
    }
    return text;
}

// A level falling from 95 to 80 dB with a phase that turns, and an impedance
// with a resonance: curves where a wrong order would show.
std::vector<TPoint3> Response() {
    std::vector<TPoint3> pts;
    for (double f = 15; f < 25000; f *= 1.15) pts.push_back({f, 95 - 15 * std::log10(f / 15) / 3.22, 170 - f / 200});
    return pts;
}
std::vector<TPoint3> Impedance() {
    std::vector<TPoint3> pts;
    for (double f = 8; f < 30000; f *= 1.12) {
        const double x = f / 45 - 45 / f;
        pts.push_back({f, 6 + 30 / (1 + 9 * x * x), std::atan(-3 * x) * 57.29});
    }
    return pts;
}

// Every way a file reaches a curve on the grid: (re, im) or (magnitude, phase).
struct TLoader {
    const char* Name;
    bool Impedance;
    std::function<bool(const std::string& path, DataArray& a, DataArray& b, MessageSink& m)> Load;
};

const std::vector<TLoader>& Loaders() {
    static const std::vector<TLoader> loaders = {
        {"response", false,
         [](const std::string& path, DataArray& a, DataArray& b, MessageSink& m) {
             TDesign d;
             TDriver drv;
             const bool ok = LoadDriverResponse(d, drv, path, m);
             a = drv.Acoustic.Response.Re;
             b = drv.Acoustic.Response.Im;
             return ok;
         }},
        {"minimum phase", false,
         [](const std::string& path, DataArray& a, DataArray& b, MessageSink& m) {
             TDesign d;
             TDriver drv;
             drv.Acoustic.Tails.LowFreq = 100;
             drv.Acoustic.Tails.HighFreq = 10000;
             drv.Acoustic.Tails.LowSlope = 12;
             drv.Acoustic.Tails.HighSlope = 24;
             const bool ok = LoadMinimumPhaseResponse(d, drv, path, m);
             a = drv.Acoustic.Response.Re;
             b = drv.Acoustic.Response.Im;
             return ok;
         }},
        {"acoustic effect", false,
         [](const std::string& path, DataArray& a, DataArray& b, MessageSink& m) {
             TDriver drv;
             const bool ok = LoadAcousticEffect(drv, path, m);
             a = drv.Acoustic.AcousticEffect.Re;
             b = drv.Acoustic.AcousticEffect.Im;
             return ok;
         }},
        {"response shown", false,
         [](const std::string& path, DataArray& a, DataArray& b, MessageSink& m) {
             DataArray grid;
             return ReadFileOnGrid(path, false, grid, a, b, m);
         }},
        {"impedance", true,
         [](const std::string& path, DataArray& a, DataArray& b, MessageSink& m) {
             TDesign d;
             TDriver drv;
             const bool ok = LoadDriverImpedance(d, drv, path, m);
             a = drv.Admittance.Re;
             b = drv.Admittance.Im;
             return ok;
         }},
        {"impedance shown", true,
         [](const std::string& path, DataArray& a, DataArray& b, MessageSink& m) {
             DataArray grid;
             return ReadFileOnGrid(path, true, grid, a, b, m);
         }},
    };
    return loaders;
}

TEST(MeasurementOrder, SortByFrequencyKeepsTheLastOfEqualFrequencies) {
    struct Case {
        const char* name;
        DataArray f, v, p;
        DataArray wantF, wantV, wantP;
    };
    const Case cases[] = {
        {"ascending stays", {1, 2, 3}, {10, 20, 30}, {0, 1, 2}, {1, 2, 3}, {10, 20, 30}, {0, 1, 2}},
        {"descending", {3, 2, 1}, {30, 20, 10}, {2, 1, 0}, {1, 2, 3}, {10, 20, 30}, {0, 1, 2}},
        {"shuffled", {2, 3, 1}, {20, 30, 10}, {1, 2, 0}, {1, 2, 3}, {10, 20, 30}, {0, 1, 2}},
        {"a repeat", {1, 2, 3, 2}, {10, 20, 30, 21}, {0, 1, 2, 5}, {1, 2, 3}, {10, 21, 30}, {0, 5, 2}},
        {"three times", {5, 1, 5, 5}, {1, 2, 3, 4}, {6, 7, 8, 9}, {1, 5}, {2, 4}, {7, 9}},
        {"one point", {4}, {1}, {2}, {4}, {1}, {2}},
        {"none", {}, {}, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        DataArray f = c.f, v = c.v, p = c.p;
        SortByFrequency(f, v, p);
        EXPECT_EQ(f, c.wantF) << c.name;
        EXPECT_EQ(v, c.wantV) << c.name;
        EXPECT_EQ(p, c.wantP) << c.name;
    }
}

// A file exported from high to low frequencies, or in any order, gives the
// curve of its points in ascending order; a frequency measured again later in
// the file takes the later values. Every loader, bit for bit.
TEST(MeasurementOrder, AnyOrderGivesTheCurveOfTheAscendingFile) {
    TempFolder tmp;
    for (const bool impedance : {false, true}) {
        const std::vector<TPoint3> pts = impedance ? Impedance() : Response();
        const std::string ext = impedance ? ".zma" : ".frd";

        std::vector<TPoint3> descending(pts.rbegin(), pts.rend());
        std::vector<TPoint3> shuffled;
        for (std::size_t i = 0; i < pts.size(); i += 2) shuffled.push_back(pts[i]);
        for (std::size_t i = pts.size() - (pts.size() % 2 == 0 ? 1 : 2); i < pts.size(); i -= 2)
            shuffled.push_back(pts[i]);
        ASSERT_EQ(shuffled.size(), pts.size());
        // Two frequencies measured again at the end with other values; the
        // ascending file with those values is what they must read as.
        const std::size_t a = 5, b = pts.size() / 2;
        std::vector<TPoint3> repeated = pts, replaced = pts;
        for (const std::size_t i : {a, b}) {
            const TPoint3 again{pts[i].F, pts[i].V * 1.1 + 1, pts[i].P - 20};
            repeated.push_back(again);
            replaced[i] = again;
        }
        std::vector<TPoint3> repeatedDescending(repeated.rbegin(), repeated.rend());
        // Reversed, the repeats come first: the earlier values are the ones the
        // file ends with.
        std::vector<TPoint3> lastFirst = replaced;
        for (const std::size_t i : {a, b}) lastFirst[i] = pts[i];

        struct Variant {
            const char* name;
            const std::vector<TPoint3>& points;
            const std::vector<TPoint3>& same;
        };
        const Variant variants[] = {
            {"descending", descending, pts},
            {"shuffled", shuffled, pts},
            {"repeated", repeated, replaced},
            {"repeated, descending", repeatedDescending, lastFirst},
        };
        for (const Variant& v : variants) {
            const std::string path = tmp.Path() + "variant" + ext, want = tmp.Path() + "ascending" + ext;
            WriteWholeFile(path, Lines(v.points));
            WriteWholeFile(want, Lines(v.same));
            for (const TLoader& loader : Loaders()) {
                if (loader.Impedance != impedance) continue;
                RecordingMessageSink messages;
                DataArray gotA, gotB, wantA, wantB;
                ASSERT_TRUE(loader.Load(want, wantA, wantB, messages)) << loader.Name;
                EXPECT_TRUE(loader.Load(path, gotA, gotB, messages)) << loader.Name << ", " << v.name;
                EXPECT_TRUE(messages.Messages.empty()) << loader.Name << ", " << v.name;
                ASSERT_EQ(gotA.size(), 500u) << loader.Name;
                EXPECT_EQ(gotA, wantA) << loader.Name << ", " << v.name;
                EXPECT_EQ(gotB, wantB) << loader.Name << ", " << v.name;
            }
        }
    }
}

// A number that is not finite -- written as a word, or too large for a
// double -- fails the file with one message that says where, and the driver
// keeps the default data: never a curve of NaNs.
TEST(MeasurementOrder, NonFiniteNumbersFailTheFile) {
    TempFolder tmp;
    struct Case {
        const char* name;
        const char* line;           // placed among good lines
        bool readerFails;           // false: the reader accepts the numbers, the fit cannot use them
        bool levelClamped = false;  // a response reads: a level in dB is clamped to +250 dB
    };
    const Case cases[] = {
        {"nan level", "1000\tnan\t0", true},
        {"NaN phase", "1000 85 NaN", true},
        {"inf level", "1000 inf 0", true},
        {"-inf phase", "1000 85 -inf", true},
        {"infinity", "1000 Infinity 0", true},
        {"level beyond a double", "1000 1e400 0", true},
        {"phase beyond a double", "1000 85 -1E+309", true},
        {"frequency beyond a double", "1e999 85 0", true},
        {"hex float", "1000 0x1p3 0", true},
        {"huge but finite value", "1000 1e308 0", false, true},
        {"huge but finite frequency", "1e308 85 0", false},
    };
    for (const TLoader& loader : Loaders()) {
        for (const Case& c : cases) {
            const std::string name = std::string("bad") + (loader.Impedance ? ".zma" : ".frd");
            const std::string path = tmp.Path() + name;
            WriteWholeFile(path, std::string("* data\r\n20 8 0\r\n100 8 10\r\n") + c.line + "\r\n5000 8 -10\r\n");
            RecordingMessageSink messages;
            DataArray a{1}, b{2};
            const bool reads = c.levelClamped && !loader.Impedance;
            EXPECT_EQ(loader.Load(path, a, b, messages), reads) << loader.Name << ", " << c.name;
            std::vector<std::string> want{"File Load error: " + path + "\n" +
                                          (c.readerFails ? "line 4: not a number" : "a number out of range")};
            if (reads) want.clear();
            EXPECT_EQ(messages.Messages, want) << loader.Name << ", " << c.name;
            for (std::size_t k = 0; k < a.size(); ++k) ASSERT_TRUE(std::isfinite(a[k])) << loader.Name << c.name;
            for (std::size_t k = 0; k < b.size(); ++k) ASSERT_TRUE(std::isfinite(b[k])) << loader.Name << c.name;
        }
    }

    // The driver carries its default data and no file.
    const std::string path = tmp.Path() + "nan.frd";
    WriteWholeFile(path, "20 nan 0\r\n100 85 0\r\n");
    TDesign d;
    TDriver drv;
    drv.Acoustic.FRDFile = path;
    RecordingMessageSink messages;
    EXPECT_FALSE(LoadDriverResponse(d, drv, path, messages));
    EXPECT_TRUE(drv.Acoustic.FRDFile.empty());
    ASSERT_EQ(drv.Acoustic.Response.Re.size(), 500u);
    for (std::size_t k = 0; k < 500; ++k) ASSERT_EQ(drv.Acoustic.Response.Re[k], std::pow(10.0, 3.5));
}

// Every way a measurement file can fail, through every loader: one message,
// the fixed text with the path first, then the cause. A binary file says no
// more than a text file does.
TEST(MeasurementOrder, AFailedLoadSaysOnceWhy) {
    TempFolder tmp;
    // Comment lines to the reader until one starts with a digit.
    const char bytes[] =
        "\x7f"
        "ELF\x02\x01\x01\0\0\0\r\n\x03\0>\0\x01\0\0\0\xb0\x5f\r\n"
        "4\x90\x12\xff\x00\x0e\r\n\xde\xad\xbe\xef\n";
    const std::string binary(bytes, sizeof bytes - 1);
    struct Case {
        const char* name;
        std::string text;  // "": no file
        const char* cause;
    };
    const Case cases[] = {
        {"binary", binary, "line 3: not a number"},
        {"no data lines", "* Freq dB deg\r\nmeasured by me\r\n", "no data lines"},
        {"a word for a number", "20 85 0\r\n1000 x85 0\r\n", "line 2: not a number"},
        {"one column", "* head\r\n20\r\n30\r\n", "line 2: fewer than two columns"},
        {"too long", "20 85 0\r\n1000 85 " + std::string(60, '0') + "\r\n", "line 2: longer than 60 characters"},
        {"a frequency twice", "20 85 0\r\n1000 85 0\r\n1000 86 0\r\n", "line 3: the same frequency as the line before"},
        {"one line", "1000 85 0\r\n", "fewer than two lines"},
        {"missing", "", "No such file or directory"},
    };
    for (const TLoader& loader : Loaders()) {
        for (const Case& c : cases) {
            const std::string path = tmp.Path() + c.name + (loader.Impedance ? ".zma" : ".frd");
            if (!c.text.empty()) WriteWholeFile(path, c.text);
            RecordingMessageSink messages;
            DataArray a, b;
            EXPECT_FALSE(loader.Load(path, a, b, messages)) << loader.Name << ", " << c.name;
            EXPECT_EQ(messages.Messages, std::vector<std::string>{"File Load error: " + path + "\n" + c.cause})
                << loader.Name << ", " << c.name;
        }
    }

    // A file beyond what any measurement needs is refused unread (a sparse file).
    const std::string huge = tmp.Path() + "huge.frd";
    WriteWholeFile(huge, "20 85 0\r\n");
    std::filesystem::resize_file(huge, MaxReadFileBytes + 1);
    RecordingMessageSink messages;
    DataArray f, v, p;
    EXPECT_FALSE(ReadMeasurementFile(huge, f, v, p, messages));
    EXPECT_EQ(messages.Messages, std::vector<std::string>{"file load error! -- huge\n" + huge + ": File too large"});
}

}  // namespace
