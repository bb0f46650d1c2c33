#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "base/DataTypes.h"

// Diffraction at the edges of a flat baffle, by the edge-source model. The
// driver sits on the front of the baffle (a point source, or a rigid piston of
// the driver's diameter). Every short element of the baffle's outline
// re-radiates the sound that reaches it along the baffle, with the strength
// -1/2 times the element's share of the outline as seen from the driver (the
// angle it subtends at the driver over 2 pi) and spherical spreading from the
// element; the element's sound arrives over the path driver -> element ->
// listener. In front of the baffle the listener hears the direct sound plus
// the edges; behind it (where the baffle hides the driver) only the edges,
// whose strength changes sign across the baffle's plane (+1/2), so that at
// low frequencies the field is the same on both sides: that of a source in
// full space, 6.02 dB below the half-space level. Exactly in the plane of the
// baffle the listener gets the mean of the two sides (half the direct sound,
// no edges).
//
// A roundover of radius r weakens the edges at short wavelengths by the real
// factor 1 / sqrt(1 + (k r)^2) (k = 2 pi f / c): the edge stays sharp for
// wavelengths long beside the roundover, and is 3 dB weaker at k r = 1.
//
// The result per listening direction and frequency is the complex factor
//   A = v D(theta) + g(f) D(90) sum over elements
// (v = 1 in front, 1/2 in the plane, 0 behind; D the piston's directivity
// 2 J1(x)/x, x = k a sin(theta), 1 for a point source; g the roundover). It is
// the driver's response on this baffle relative to its on-axis response on an
// infinite baffle at the same distance, delay for the path to the driver's
// centre removed. On axis D = 1, so A is the driver's acoustic-effect factor.
// For a point source A is the pure diffraction factor and multiplies any
// response of the driver in that direction (a measured off-axis one too);
// with a diameter A already holds the piston's directivity.
//
// Limits: the baffle is flat and thin (no box sides, no second diffraction
// from edge to edge), the edges' strength does not depend on the angle at
// which they are seen, and the piston is seen from the edges as from far away.

namespace pelmo {

enum class BaffleShape { Rectangle, Circle };

// A flat baffle, distances in inches like the drivers' offsets. Its origin is
// its centre, placed at (CentreX, CentreY) in the design's coordinates (x
// right, y up, seen from the front); its front lies in the plane z = FrontZ.
struct TBaffle {
    BaffleShape Shape = BaffleShape::Rectangle;
    double WidthIn = 0;      // rectangle
    double HeightIn = 0;     // rectangle
    double DiameterIn = 0;   // circle
    double RoundoverIn = 0;  // radius of the edge roundover; 0 for a sharp edge
    double CentreXIn = 0;
    double CentreYIn = 0;
    double FrontZIn = 0;
};

// The driver on the baffle: its centre in the design's coordinates (a
// driver's Xoffs and Yoffs, inches) and the diameter of its piston (dia,
// inches; 0 for a point source).
struct TBaffleSource {
    double XIn = 0;
    double YIn = 0;
    double DiameterIn = 0;
};

// Where the sound is heard: the direction (h, v) in degrees, unit vector
// u = (sin h cos v, sin v, cos h cos v), at a distance in metres from the
// design's origin; a distance of 0 means far away (the far field).
struct TBaffleListener {
    double HDeg = 0;
    double VDeg = 0;
    double DistanceM = 0;
};

// Why the baffle or the driver's place on it cannot be modelled, as a message
// for the user (a size not above 0, a driver centre not inside the outline,
// a piston reaching over the edge), or nothing.
std::optional<std::string> BaffleProblem(const TBaffle& baffle, const TBaffleSource& source);

// One driver on one baffle for a list of frequencies (increasing, above 0):
// the outline is cut into elements once, then any number of listening
// directions are evaluated. The baffle and source must have passed
// BaffleProblem.
class TBaffleDiffraction {
public:
    TBaffleDiffraction(const TBaffle& baffle, const TBaffleSource& source, const DataArray& freqs);

    // The factor A at every frequency of the list.
    std::vector<std::complex<double>> Factor(const TBaffleListener& listener) const;
    void Factor(const TBaffleListener& listener, std::vector<std::complex<double>>& out) const;

    // The number of outline elements of the finest band (for tests and
    // benchmarks).
    std::size_t ElementCount() const;

    struct TNode {
        double X = 0, Y = 0;  // relative to the driver's centre, metres
        double Rho = 0;       // distance from the driver's centre
    };
    struct TElement {
        std::size_t A = 0, B = 0;               // node indices, in turn along the outline
        double Length = 0;                      // metres
        double Wa = 0, Wb = 0;                  // angle per metre at the ends over 2 pi
        double MidX = 0, MidY = 0, MidRho = 0;  // the outline's point halfway between the nodes
    };
    // The outline cut finely enough for the frequencies up to its top, and
    // the range of frequency indices it serves.
    struct TBand {
        std::vector<TNode> Nodes;
        std::vector<TElement> Elements;
        std::size_t First = 0, End = 0;
    };

private:
    DataArray Wavenumber_;  // 2 pi f / c, rad/m
    DataArray EdgeGain_;    // the roundover times the piston's level along the baffle
    double PistonRadius_ = 0;
    double SourceX_ = 0, SourceY_ = 0, FrontZ_ = 0;  // metres, design coordinates
    std::vector<TBand> Bands_;
};

// The factor for one direction on the given frequencies.
std::vector<std::complex<double>> BaffleFactor(const TBaffle& baffle, const TBaffleSource& source,
                                               const TBaffleListener& listener, const DataArray& freqs);

}  // namespace pelmo
