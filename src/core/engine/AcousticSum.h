#pragma once

#include <vector>

#include "base/DataTypes.h"
#include "engine/SolveResult.h"

// The acoustic sum: each driver's drive voltage turned into the pressure it
// radiates through its measured response, what that pressure adds at the
// listening position, and the contributions summed as complex pressures into
// the system response. Free functions over plain arrays on the analysis grid;
// each works on the grid indices [k0, k1), and where `solved` says a
// frequency's equations could not be solved it leaves its outputs alone (a
// contribution stays 0 there).

namespace pelmo {

struct TDriver;

// The pressure a driver radiates on its own axis at 1 m: its drive voltage
// times its response, its acoustic effect (when it has one) and its gain
// times levelRatio (the source level relative to the 2.83 V of the FRD data).
void DriverPressure(const TDriver& drv, const TComplexArray& voltage, double levelRatio,
                    const std::vector<char>& solved, std::size_t k0, std::size_t k1, TComplexArray& pressure);
// The same with the driver's response toward the listening point in place
// of its on-axis response (DirectivityCache.h): what it radiates there.
void DriverPressure(const TDriver& drv, const TComplexArray& response, const TComplexArray& voltage, double levelRatio,
                    const std::vector<char>& solved, std::size_t k0, std::size_t k1, TComplexArray& pressure);

// What a driver adds to the sum when heard on its own axis: the magnitude and
// phase (degrees) of its pressure, the phase lagging by `delay` seconds (the
// design's and the driver's) and turned by half a turn when the source is
// inverted, then wrapped into +-180 degrees. A sum at another listening
// position takes each driver's pressure times its own factor for that
// position (directivity, distance) the same way.
void OnAxisContribution(const TComplexArray& pressure, const DataArray& grid, double delay, bool sourceInverted,
                        const std::vector<char>& solved, std::size_t k0, std::size_t k1, TMagPhase& contribution);

// The system response: the contributions, in driver order, added as complex
// pressures; magnitude and phase (degrees) of the sum at every grid index of
// [k0, k1).
void SumContributions(const std::vector<TMagPhase>& contributions, std::size_t k0, std::size_t k1, TMagPhase& sum);

}  // namespace pelmo
