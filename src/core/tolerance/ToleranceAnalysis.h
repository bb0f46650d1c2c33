#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "base/DataTypes.h"

// Tolerance analysis: how much real parts move the response. A Monte Carlo
// run draws every part's value within its tolerance (uniformly over
// value * (1 - t) ... value * (1 + t), or normally with sigma = t / 2) and
// every driver's level within +/- a number of dB, and solves a private copy
// of the design with them, the real solve. Per grid frequency the runs give
// the minimum, the maximum and the 5 %, 50 % and 95 % percentiles of each
// curve asked for: the summed SPL or a driver's SPL (dB, smoothed as asked)
// or the input impedance's magnitude (ohms).
//
// Runs repeat exactly: run r draws from a generator state made from the seed
// and r alone, and every run sets all values afresh, so the figures do not
// depend on the number of threads or on which thread solved which run. The
// runs are spread over the program's worker pool (TWorkerPool::Shared).

namespace pelmo {

struct TDesign;
struct TPart;
class MessageSink;

enum class TToleranceDistribution { Uniform, Normal };

enum class TToleranceCurveKind { Spl, Impedance };

struct TToleranceCurve {
    TToleranceCurveKind Kind = TToleranceCurveKind::Spl;
    int Driver = -1;         // SPL of this driver (index in the design); -1 the summed response
    double Smoothing = 0.0;  // octaves of smoothing of an SPL curve, as the graph windows take it
};

// The most runs an analysis takes: every run keeps its points until the
// percentiles are taken (100000 runs of 500 points hold 400 MB).
inline constexpr int MaxToleranceRuns = 100000;

struct TToleranceSettings {
    int Runs = 500;
    std::uint64_t Seed = 1;
    TToleranceDistribution Distribution = TToleranceDistribution::Uniform;
    double DriverDb = 0.0;  // each driver's level within +/- this many dB
    // The tolerance of a part whose design records none (0): 0 leaves such
    // parts at their values.
    double UnrecordedTolerance = 0.0;
    // The curves to collect; empty: the summed SPL without smoothing.
    std::vector<TToleranceCurve> Curves;
};

// One curve's band: per frequency of the nominal curve.
struct TToleranceBand {
    TToleranceCurve Curve;
    DataArray Frequency;
    DataArray Nominal;  // the design as it is
    DataArray P5, P50, P95, Min, Max;
};

struct TToleranceOutcome {
    bool Ok = false;
    std::string Failure;     // why not Ok (unsolvable design, no such driver, cancelled)
    bool Cancelled = false;  // stopped by the cancel flag
    int Runs = 0;            // runs that count
    int FailedRuns = 0;      // runs whose solve gave no curve of the nominal's points
    std::vector<TToleranceBand> Bands;  // one per curve asked for, in order
};

// The tolerance a part is drawn within (a fraction): the catalogue part's
// chosen tolerance when one is recorded (0 or more), else its specified
// tolerance; `unrecorded` when that is 0.
double PartTolerance(const TPart& p, double unrecorded = 0.0);

// One draw of a run, in units of the tolerance: uniform in -1 ... 1, or
// normal with sigma 1/2. A part of tolerance t takes its value times
// 1 + t * draw (kept above 0.001), a driver its level plus DriverDb * draw.
// A run draws once for every part of the design in order (whatever its
// tolerance), then once for every driver.
double ToleranceDraw(class TToleranceRandom& random, TToleranceDistribution distribution);

// The analysis. `cancel`, when given, is looked at before every run: once
// true, the analysis ends with Cancelled. An error of a circuit block's
// expression ends it with the error as Failure.
TToleranceOutcome RunToleranceAnalysis(const TDesign& d, const TToleranceSettings& settings, MessageSink& messages,
                                       const std::atomic<bool>* cancel = nullptr);

// The value at fraction q (0 ... 1) of sorted values, linear between
// neighbours (q (n - 1) counted from the first).
double SortedPercentile(const double* sorted, std::size_t n, double q);

}  // namespace pelmo
