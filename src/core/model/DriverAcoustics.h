#pragma once

#include <string>

#include "base/DataTypes.h"

// A driver's acoustic side, apart from its place on the sheet, its catalogue
// identity and its electrical load: the response it radiates as loaded from
// its response file (measured, or derived from the file's level), how that
// phase is derived, an optional acoustic-effect factor, and where the driver
// sits on the baffle. Distances are inches and angles degrees (the design
// file's units), as the names say.

namespace pelmo {

// How a driver's phase is derived from its level: the level is carried on
// beyond the measured band by straight tails (their start frequencies and
// slopes), the minimum phase of the result is taken, then inverted and
// delayed as asked.
struct TResponseTails {
    double LowFreq = 0;   // Hz; 0 means the bottom of the band
    double HighFreq = 0;  // Hz; 0 means the top of the band
    double LowSlope = 0;  // dB per octave
    double HighSlope = 0;
    bool Invert = false;     // adds 180 degrees
    double DelayInches = 0;  // the distance sound travels in the delay; a positive delay lags
    friend bool operator==(const TResponseTails&, const TResponseTails&) = default;
};

struct TDriverAcoustics {
    // The response file, full path (empty when none). The files beside it
    // that share its stem, "<stem>.frd" and "<stem>@<anything>.frd" (off-axis
    // and variant responses), are its set: a design embeds them with it.
    std::string FRDFile;
    // A catalogue driver's folder of responses; empty after a design is read.
    std::string FRDFolder;
    // On the analysis grid: the response at 2.83 V from FRDFile, with the
    // measured phase or, while HilbertPhase is set, the phase derived by Tails.
    TComplexArray Response;
    bool HilbertPhase = false;
    TResponseTails Tails;

    // An optional second factor of the response (0 dB nominal), from its own file.
    std::string AcousticFile;
    bool UseAcousticModel = false;
    TComplexArray AcousticEffect;  // empty when unused

    // Where the driver sits, seen from the front: its centre from the design's
    // reference point (x right, y up, z toward the listener), its tilts (toward
    // +x, and up) and its diameter. Saved, read and copied with the driver.
    double XOffsetInches = 0;
    double YOffsetInches = 0;
    double ZOffsetInches = 0;
    double HTiltDegrees = 0;
    double VTiltDegrees = 0;
    double DiameterInches = 0;
};

}  // namespace pelmo
