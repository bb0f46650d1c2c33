#pragma once

#include <string>
#include <vector>

#include "model/Design.h"

// Helpers of the example generator: drawing a schematic on the grid, loading
// modelled drivers, solving, measuring how flat the sum is, and a small tuner
// that nudges part values toward a flat sum.

namespace pelmo::examples {

// Draws into a design. Positions are grid points; a horizontal part centred
// at (x, y) has its terminals at (x - 3, y) and (x + 3, y), a vertical one at
// (x, y - 3) and (x, y + 3).
class Sheet {
public:
    explicit Sheet(TDesign& d) : d_(d) {}

    TPart& H(TPartType partType, double value, int x, int y);
    TPart& V(TPartType partType, double value, int x, int y);
    // A straight wire (the ends share X or Y).
    void W(TPoint a, TPoint b);
    // Wires through the corner points in order.
    void Path(std::initializer_list<TPoint> points);
    void G(TPoint p);
    // Grounds a driver's - terminal through a wire to the left, clear of the
    // driver's name label below it, and the source's - terminal through a
    // wire to the right, clear of its power label.
    void GroundDriver(const TDriver& drv);
    void GroundSource();
    // A driver whose terminals are at (x - 1, y - 1) (+) and (x - 1, y + 1).
    TDriver& Driver(int x, int y);
    void Text(int x, int y, const std::string& text, int size = 8);
    // The source with its + terminal at (x + 3, y - 2) and - at (x + 3, y + 2).
    void Source(int x, int y);

private:
    TDesign& d_;
};

// An inductor's resistance for its value: a plausible air-core coil.
double CoilResistance(double henries);

// Loads a modelled driver's files into drv and names them in it. With
// derivedPhase the response comes from the level with response tails.
void LoadModelledDriver(TDesign& d, TDriver& drv, const std::string& base, bool derivedPhase = false);

// The summed SPL (dB) on the analysis grid after a solve.
std::vector<double> SystemSplDb(TDesign& d);

// Flatness of the sum over [lowHz, highHz]: the spread is max - min in dB,
// Mid the middle of the two; and the lowest impedance the source sees from
// 20 Hz to 20 kHz.
struct Flatness {
    double Spread = 0;
    double Mid = 0;
    double LowHz = 0;
    double HighHz = 0;
    double MinOhms = 0;
    double MinOhmsHz = 0;
};
Flatness MeasureFlatness(TDesign& d, double lowHz, double highHz);

// What the tuner minimises: the spread, plus 3 dB for every ohm the
// impedance falls below the lowest allowed.
inline constexpr double LowestAllowedOhms = 4.0;
double Cost(const Flatness& f);

// A part value, or with Var a block variable, that the tuner may change
// within [Min, Max].
struct Knob {
    TPart* Part;
    double Min;
    double Max;
    double* Var = nullptr;
    double Get() const { return Var ? *Var : Part->Value; }
};

// Coordinate search on the knobs for the smallest spread over the band, then
// rounding to E24 values with a last search among neighbouring E24 values.
// Prints what it does to stdout.
void Tune(TDesign& d, std::vector<Knob> knobs, double lowHz, double highHz);

// Prints every part's designator and value, and every block variable.
void PrintParts(const TDesign& d);

}  // namespace pelmo::examples
