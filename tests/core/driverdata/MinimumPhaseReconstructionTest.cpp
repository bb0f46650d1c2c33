#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>

#include "TestSupport.h"
#include "driverdata/MinimumPhase.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/Elements.h"
#include "values/NumberFormat.h"

using namespace pelmo;

namespace {

using Cx = std::complex<double>;

// An FRD text with one point per analysis frequency: level(f) dB at 0 degrees.
template <class Level>
std::string FrdText(Level level) {
    DataArray grid;
    MakeLogGrid(grid);
    std::string text = "* test response\r\n";
    for (double f : grid) text += FormatFileReal(f) + "\t" + FormatFileReal(level(f)) + "\t0\r\n";
    return text;
}

struct Fixture {
    test::TempFolder folder;
    test::RecordingMessageSink sink;
    TDesign d;
    TDriver drv;
    std::string path;

    explicit Fixture(const std::string& frd) {
        path = folder.Path() + "driver.frd";
        test::WriteWholeFile(path, frd);
        EnsureAnalysisGrid(d);
        drv.Acoustic.HilbertPhase = true;
        SetTails(100, 16000, 24, 42);
    }
    void SetTails(double lo, double hi, double loSlope, double hiSlope) {
        drv.Acoustic.Tails.LowFreq = lo;
        drv.Acoustic.Tails.HighFreq = hi;
        drv.Acoustic.Tails.LowSlope = loSlope;
        drv.Acoustic.Tails.HighSlope = hiSlope;
    }
    bool Load() { return LoadMinimumPhaseResponse(d, drv, path, sink); }
    // Level (dB) and phase (degrees) of the response at the grid point nearest f.
    std::size_t Index(double f) const {
        std::size_t best = 0;
        for (std::size_t k = 1; k < d.Grid.size(); ++k)
            if (std::fabs(std::log(d.Grid[k] / f)) < std::fabs(std::log(d.Grid[best] / f))) best = k;
        return best;
    }
    Cx At(std::size_t k) const { return {drv.Acoustic.Response.Re[k], drv.Acoustic.Response.Im[k]}; }
    double Db(std::size_t k) const { return 20 * std::log10(std::abs(At(k))); }
    double Deg(std::size_t k) const { return std::arg(At(k)) * 180 / M_PI; }
};

// Difference of two phases in degrees, taken into -180 ... 180.
double PhaseDiff(double a, double b) { return std::remainder(a - b, 360.0); }

TEST(LoadMinimumPhaseResponse, FlatResponseWithTheLoadDefaultTails) {
    Fixture fx(FrdText([](double) { return 70.0; }));
    ASSERT_TRUE(fx.Load());
    EXPECT_TRUE(fx.sink.Messages.empty());
    ASSERT_EQ(fx.drv.Acoustic.Response.Re.size(), 500u);
    ASSERT_EQ(fx.drv.Acoustic.Response.Im.size(), 500u);

    // The tails start at the working frequencies 101.07 Hz and 15999.02 Hz.
    for (std::size_t k = 0; k < 500; ++k) {
        const double f = fx.d.Grid[k];
        double want = 70;
        if (f < 101.07421875) want = 70 + 24 * std::log2(f / 101.07421875);
        if (f > 15999.0234375) want = 70 - 42 * std::log2(f / 15999.0234375);
        // Between bins the magnitude is interpolated; near the knees the
        // monotone cubic rounds the corner a little.
        double tolerance = (f > 95 && f < 108) || (f > 15900 && f < 16100) ? 0.05 : 1e-3;
        if (f < 30) tolerance = 0.02;  // the steepest part of the tail in linear amplitude
        ASSERT_NEAR(fx.Db(k), want, tolerance) << f;
    }
    // About 45.5 dB at 50 Hz (between two grid points) and 56.5 dB at 20 kHz.
    const std::size_t k50 = fx.d.Grid[fx.Index(50)] > 50 ? fx.Index(50) - 1 : fx.Index(50);
    const double t = std::log(50 / fx.d.Grid[k50]) / std::log(fx.d.Grid[k50 + 1] / fx.d.Grid[k50]);
    EXPECT_NEAR(fx.Db(k50) + t * (fx.Db(k50 + 1) - fx.Db(k50)), 45.5, 0.2);
    EXPECT_NEAR(fx.Db(499), 56.5, 0.1);

    // Leading toward the low tail, lagging toward the high tail.
    const struct {
        double f, deg, tolerance;
    } phases[] = {{200, 72, 2}, {1000, 0, 3}, {3000, -36, 2}, {10000, -142, 2}};
    for (const auto& p : phases) EXPECT_NEAR(fx.Deg(fx.Index(p.f)), p.deg, p.tolerance) << p.f;
    EXPECT_TRUE(fx.drv.Acoustic.HilbertPhase);
}

TEST(LoadMinimumPhaseResponse, ZeroTailFrequenciesMeanTheEdgesOfTheGrid) {
    Fixture fx(FrdText([](double) { return 70.0; }));
    fx.SetTails(0, 0, 24, 42);
    ASSERT_TRUE(fx.Load());
    // The lower tail starts at the first bin at or above 10 Hz (10.25 Hz): the
    // two grid points below it lie on the way down to the bin below.
    for (std::size_t k = 2; k < 499; ++k) ASSERT_NEAR(fx.Db(k), 70, 1e-3) << fx.d.Grid[k];
    EXPECT_LT(fx.Db(0), 69.9);
    EXPECT_LT(fx.Db(1), 70);
    EXPECT_NEAR(fx.Db(499), 70, 0.01);
}

TEST(LoadMinimumPhaseResponse, SlopeSignInversionAndDelay) {
    auto level = [](double f) { return 85 + 3 * std::sin(std::log(f)); };
    Fixture base(FrdText(level));
    ASSERT_TRUE(base.Load());

    Fixture negative(FrdText(level));
    negative.SetTails(100, 16000, -24, -42);
    ASSERT_TRUE(negative.Load());
    EXPECT_EQ(negative.drv.Acoustic.Response, base.drv.Acoustic.Response);

    Fixture inverted(FrdText(level));
    inverted.drv.Acoustic.Tails.Invert = true;
    ASSERT_TRUE(inverted.Load());

    Fixture delayed(FrdText(level));
    delayed.drv.Acoustic.Tails.DelayInches = 13.54328;  // 1 ms at 344 m/s
    ASSERT_TRUE(delayed.Load());

    for (std::size_t k = 0; k < 500; ++k) {
        const double f = base.d.Grid[k];
        EXPECT_NEAR(std::abs(inverted.At(k)), std::abs(base.At(k)), 1e-9 * std::abs(base.At(k)));
        EXPECT_NEAR(PhaseDiff(inverted.Deg(k), base.Deg(k) + 180), 0, 1e-9) << f;
        EXPECT_NEAR(PhaseDiff(delayed.Deg(k), base.Deg(k) - 360 * f / 1000), 0, 1e-8) << f;
        EXPECT_GE(inverted.Deg(k), -180);
        EXPECT_LE(inverted.Deg(k), 180);
    }
}

TEST(LoadMinimumPhaseResponse, NoBandAbortsAndLeavesTheResponse) {
    const struct { double lo, hi; } cases[] = {{100, 2}, {100, 2.9}, {100, -5}, {200000, 16000}};
    for (const auto& c : cases) {
        Fixture fx(FrdText([](double) { return 70.0; }));
        fx.SetTails(c.lo, c.hi, 24, 42);
        fx.drv.Acoustic.Response.assign(500, {1, 2});
        const TComplexArray before = fx.drv.Acoustic.Response;
        EXPECT_FALSE(fx.Load());
        EXPECT_EQ(fx.drv.Acoustic.Response, before);
        ASSERT_EQ(fx.sink.Messages, std::vector<std::string>{"error-phase restore aborted!"}) << c.lo << " " << c.hi;
    }
    // The third working frequency (2.9296875 Hz) is the lowest usable top.
    Fixture fx(FrdText([](double) { return 70.0; }));
    fx.SetTails(1, 2.9296875, 24, 42);
    EXPECT_TRUE(fx.Load());
    EXPECT_TRUE(fx.sink.Messages.empty());
}

TEST(LoadMinimumPhaseResponse, UnreadableFileShowsTheReaderMessageAndChangesNothing) {
    Fixture fx("not a measurement\r\n");
    fx.drv.Acoustic.FRDFile = "keep.frd";
    fx.drv.Acoustic.Response.assign(500, {3, 4});
    const TComplexArray before = fx.drv.Acoustic.Response;
    EXPECT_FALSE(LoadMinimumPhaseResponse(fx.d, fx.drv, fx.folder.Path() + "missing.frd", fx.sink));
    EXPECT_EQ(fx.drv.Acoustic.Response, before);
    EXPECT_EQ(fx.drv.Acoustic.FRDFile, "keep.frd");
    EXPECT_EQ(fx.drv.Acoustic.Tails.LowFreq, 100);
    EXPECT_EQ(fx.sink.Messages, std::vector<std::string>{"File Load error: " + fx.folder.Path() +
                                                         "missing.frd\nNo such file or directory"});
}

// Second-order Butterworth section at fc; a Linkwitz-Riley 4th order is two.
Cx Butterworth2(double f, double fc, bool highPass, int sections) {
    const Cx s(0, f / fc);
    const Cx h = (highPass ? s * s : Cx(1)) / (s * s + std::sqrt(2.0) * s + 1.0);
    return sections == 2 ? h * h : h;
}

TEST(MinimumPhaseOfLevels, FollowsFiltersGivenOnTheirOwnPoints) {
    // 1/12-octave points from 20 Hz to 20 kHz, not the analysis grid. The
    // low-pass tails start at 16 kHz; the high-pass ones at the first point,
    // where the 1 Hz point and the linear amplitude between it and 20 Hz
    // cost accuracy at low frequencies.
    const struct {
        bool highPass;
        int sections;
        double fc, from, to, limit;
    } cases[] = {{false, 1, 2000, 20, 2000, 2},
                 {false, 2, 2000, 20, 2000, 4},
                 {true, 1, 100, 500, 20000, 1.5},
                 {true, 2, 100, 1000, 20000, 2}};
    for (const auto& c : cases) {
        DataArray freqs, levels;
        for (double f = 20; f <= 20000; f *= std::exp2(1.0 / 12)) {
            freqs.push_back(f);
            levels.push_back(20 * std::log10(std::abs(Butterworth2(f, c.fc, c.highPass, c.sections))));
        }
        const DataArray freqs0 = freqs, levels0 = levels;
        const double slope = 12.0 * c.sections;
        DataArray phase;
        test::RecordingMessageSink sink;
        ASSERT_TRUE(c.highPass ? MinimumPhaseOfLevels(levels, phase, freqs, 0, 0, slope, 0, sink)
                               : MinimumPhaseOfLevels(levels, phase, freqs, 0, 16000, 0, slope, sink));
        EXPECT_TRUE(sink.Messages.empty());
        EXPECT_EQ(freqs, freqs0);
        EXPECT_EQ(levels, levels0);
        ASSERT_EQ(phase.size(), freqs.size());
        for (std::size_t k = 0; k < freqs.size(); ++k) {
            ASSERT_GE(phase[k], -180);
            ASSERT_LE(phase[k], 180);
            const double exact = std::arg(Butterworth2(freqs[k], c.fc, c.highPass, c.sections)) * 180 / M_PI;
            if (freqs[k] >= c.from && freqs[k] <= c.to) {
                EXPECT_LT(std::fabs(PhaseDiff(phase[k], exact)), c.limit) << freqs[k];
            }
        }
    }
}

TEST(MinimumPhaseOfLevels, AbortsWithoutTouchingTheOutput) {
    test::RecordingMessageSink sink;
    const DataArray freqs{20, 50, 100, 1000, 5000, 20000};
    const DataArray levels(freqs.size(), 80.0);
    const struct { double lo, hi; } cases[] = {{30000, 0}, {0, 10}, {0, 0.5}};
    for (const auto& c : cases) {
        DataArray phase{1, 2, 3};
        sink.Messages.clear();
        EXPECT_FALSE(MinimumPhaseOfLevels(levels, phase, freqs, c.lo, c.hi, 24, 24, sink));
        EXPECT_EQ(phase, (DataArray{1, 2, 3}));
        EXPECT_EQ(sink.Messages, std::vector<std::string>{"error-phase restore aborted!"});
    }
    // With the 1 Hz point in front, a top at the first given point still
    // leaves a band.
    DataArray phase;
    sink.Messages.clear();
    EXPECT_TRUE(MinimumPhaseOfLevels(levels, phase, freqs, 0, 50, 24, 24, sink));
    EXPECT_TRUE(sink.Messages.empty());
    EXPECT_EQ(phase.size(), freqs.size());
}

}  // namespace
