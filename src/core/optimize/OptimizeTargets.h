#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/DataTypes.h"

// What the optimizer aims at: the summed response (flat, or a curve read from
// an FRD file) and acoustic filter shapes of single drivers, each a level in
// dB on the analysis grid with a mask of the points that count.

namespace pelmo {

class MessageSink;

// Filter alignments a driver's response can be asked to follow.
enum class TAlignment { LR2, LR4, BW2, BW3 };
enum class TPassKind { HighPass, LowPass };

// Level of the normalized filter at frequency f (dB, 0 in the pass band).
double FilterLevelDb(TAlignment a, TPassKind pass, double f, double corner);

// "lr2", "lr4", "bw2", "bw3" (letter case ignored).
std::optional<TAlignment> ParseAlignment(const std::string& text);
const char* AlignmentName(TAlignment a);  // "LR2", "LR4", "BW2", "BW3"

struct TFilterShape {
    TAlignment Alignment = TAlignment::LR4;
    double Corner = 2500.0;  // Hz
};

// One driver's acoustic target: its pass-band level and a high-pass, a
// low-pass or both (a band-pass).
struct TDriverTarget {
    int Driver = -1;  // index in the design
    std::optional<TFilterShape> HighPass;
    std::optional<TFilterShape> LowPass;
    // dB SPL of the pass band; without it the level is fitted, and only the
    // shape counts.
    std::optional<double> LevelDb;
    double Weight = 1.0;
};

// The target level of a driver target at f, with its pass-band level 0 dB.
double DriverTargetShapeDb(const TDriverTarget& t, double f);

enum class TSumTargetKind { None, Flat, Curve };

// The summed response's target.
struct TSumTarget {
    TSumTargetKind Kind = TSumTargetKind::Flat;
    // Flat: the level in dB SPL; without it the level is fitted. A curve is
    // taken at its own levels when a level is given (the number itself is
    // not used), else shifted to fit.
    std::optional<double> LevelDb;
    double Weight = 1.0;
    std::string CurveFile;  // for the window's and the command line's messages
    // The curve on the analysis grid in dB, and which grid points it covers
    // (outside the file's frequencies a point does not count).
    DataArray CurveDb;
    std::vector<char> CurveCovers;
};

// Reads an FRD file as a target curve onto the grid: levels interpolated
// linearly over log frequency, points outside the file's range not covered.
// Points with a frequency of 0 or below or a level that is not a finite
// number are left out; the rest are taken in frequency order. False (with
// the reader's message, or "No usable points in <file>") when fewer than two
// points remain or none falls on the grid.
bool ReadTargetCurve(const std::string& path, const DataArray& grid, TSumTarget& target, MessageSink& messages);

// The same from points already read (frequency, dB).
bool TargetCurveFromPoints(const DataArray& freq, const DataArray& db, const DataArray& grid, TSumTarget& target);

}  // namespace pelmo
