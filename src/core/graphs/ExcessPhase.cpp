#include "graphs/ExcessPhase.h"

#include <algorithm>
#include <cmath>

#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "driverdata/MinimumPhase.h"

namespace pelmo {

namespace {

// dB per octave by which the level at `at` lies below the level an octave
// up (lookUp) or down from it (or as far as the grid goes): how fast the
// response falls toward that end. 0 where it rises.
double FallPerOctave(const DataArray& grid, const DataArray& levels, std::size_t at, bool lookUp) {
    std::size_t k = at;
    if (lookUp) {
        while (k + 1 < grid.size() && grid[k + 1] <= grid[at] * 2) ++k;
    } else {
        while (k > 0 && grid[k - 1] >= grid[at] / 2) --k;
    }
    if (k == at) return 0;
    const double octaves = std::fabs(std::log2(grid[k] / grid[at]));
    return octaves > 0 ? std::max(0.0, (levels[k] - levels[at]) / octaves) : 0.0;
}

}  // namespace

bool ToExcessPhase(const DataArray& grid, const DataArray& mag, DataArray& phase, DataArray& work) {
    const std::size_t n = grid.size();
    if (n < 4 || mag.size() != n || phase.size() != n) return false;
    DataArray levels(n);
    for (std::size_t k = 0; k < n; ++k) levels[k] = LinToDb(std::max(mag[k], 1e-12));
    // The level's fall below the lowest frequency, looking an octave up from
    // it, and above the highest, looking an octave down.
    const double lowSlope = FallPerOctave(grid, levels, 0, true);
    const double highSlope = FallPerOctave(grid, levels, n - 1, false);
    SilentMessageSink silent;
    if (!MinimumPhaseOfLevels(levels, work, grid, 0, 0, lowSlope, highSlope, silent) || work.size() != n) return false;
    UnwrapPhase(work);
    UnwrapPhase(phase);
    for (std::size_t k = 0; k < n; ++k) phase[k] -= work[k];
    // The excess phase starts within a turn of zero.
    const double turns = std::round(phase[0] / 360.0);
    for (double& p : phase) p -= 360.0 * turns;
    return true;
}

}  // namespace pelmo
