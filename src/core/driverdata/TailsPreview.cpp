#include "driverdata/TailsPreview.h"

#include <algorithm>
#include <cmath>

#include "base/Conversions.h"
#include "base/Rounding.h"
#include "driverdata/MinimumPhase.h"

namespace pelmo {

namespace {

double Log2Ratio(double a, double b) { return (a < 1e-15 || b < 1e-15) ? 0.0 : std::log2(a / b); }

bool Usable(const DataArray& freq, const DataArray& db) { return freq.size() >= 2 && db.size() >= freq.size(); }

}  // namespace

std::optional<TTailLine> LowerTailLine(const DataArray& freq, const DataArray& db, const TResponseTails& tails) {
    if (!Usable(freq, db)) return std::nullopt;
    const std::size_t n = freq.size();
    std::size_t i = 0;
    while (i < n && !(freq[i] > tails.LowFreq)) ++i;
    if (i == n) i = n - 1;  // the tail frequency lies at or above the band's top
    if (i == 0) i = 1;
    TTailLine line;
    line.F1 = 5.0;
    line.Db1 = db[i - 1] + tails.LowSlope * Log2Ratio(5.0, freq[i]);
    line.F2 = freq[i];
    line.Db2 = db[i - 1];
    return line;
}

std::optional<TTailLine> UpperTailLine(const DataArray& freq, const DataArray& db, const TResponseTails& tails) {
    if (!Usable(freq, db)) return std::nullopt;
    const std::size_t n = freq.size();
    std::size_t j = n;
    for (std::size_t k = n; k-- > 0;)
        if (freq[k] < tails.HighFreq) {
            j = k;
            break;
        }
    if (j == n) j = 0;  // the tail frequency lies at or below the band's bottom
    if (j == n - 1) j = n - 2;
    TTailLine line;
    line.F1 = freq[j];
    line.Db1 = db[j + 1];
    line.F2 = 200000.0;
    line.Db2 = db[j + 1] + tails.HighSlope * Log2Ratio(freq[j], 200000.0);
    return line;
}

DataArray PreviewPhase(const DataArray& freq, const DataArray& derivedPhase, bool invert, double delayInches) {
    const std::size_t n = std::min(freq.size(), derivedPhase.size());
    DataArray phase(n);
    for (std::size_t k = 0; k < n; ++k)
        phase[k] = WrapAngle(derivedPhase[k] + (invert ? 180.0 : 0.0) -
                             delayInches * freq[k] * 360.0 / SpeedOfSoundInches);
    return phase;
}

int PreviewVerticalCenter(const DataArray& db) {
    double peak = -300.0;
    for (const double v : db)
        if (v > peak) peak = v;
    return RoundToInt(peak / 5.0) * 5 - 25;
}

}  // namespace pelmo
