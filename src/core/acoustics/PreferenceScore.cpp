#include "acoustics/PreferenceScore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pelmo {

namespace {

constexpr double NbdLowHz = 100.0;
constexpr double NbdHighHz = 12000.0;
constexpr int NbdBands = 14;

std::size_t Points(const DataArray& a, const DataArray& b) { return std::min(a.size(), b.size()); }

}  // namespace

double NarrowBandDeviation(const DataArray& freq, const DataArray& levelDb) {
    const std::size_t n = Points(freq, levelDb);
    double sum = 0.0;
    int bands = 0;
    for (int i = 0; i < NbdBands; ++i) {
        const double lo = NbdLowHz * std::exp2(0.5 * i);
        const bool last = i == NbdBands - 1;
        const double hi = last ? NbdHighHz : NbdLowHz * std::exp2(0.5 * (i + 1));
        auto inBand = [&](double f) { return f >= lo && (f < hi || (last && f <= hi)); };
        double mean = 0.0;
        int count = 0;
        for (std::size_t k = 0; k < n; ++k)
            if (inBand(freq[k])) mean += levelDb[k], ++count;
        if (count == 0) continue;
        mean /= count;
        double deviation = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            if (inBand(freq[k])) deviation += std::fabs(levelDb[k] - mean);
        sum += deviation / count;
        ++bands;
    }
    return bands ? sum / bands : 0.0;
}

double LowFrequencyExtensionHz(const DataArray& freq, const DataArray& listeningWindowDb,
                               const DataArray& soundPowerDb) {
    const std::size_t n = std::min(Points(freq, listeningWindowDb), soundPowerDb.size());
    if (n == 0) return 0.0;
    double mean = 0.0;
    int count = 0;
    for (std::size_t k = 0; k < n; ++k)
        if (freq[k] >= 300.0 && freq[k] <= 10000.0) mean += listeningWindowDb[k], ++count;
    if (count) mean /= count;
    const double threshold = mean - 6.0;
    std::size_t k = n;
    while (k > 0 && !(freq[k - 1] < 300.0)) --k;
    for (; k > 0; --k)
        if (soundPowerDb[k - 1] <= threshold) return freq[k - 1];
    return freq[0];
}

double SmoothnessR2(const DataArray& freq, const DataArray& levelDb) {
    const std::size_t n = Points(freq, levelDb);
    double sx = 0, sy = 0;
    int count = 0;
    for (std::size_t k = 0; k < n; ++k)
        if (freq[k] >= 100.0 && freq[k] <= 16000.0) sx += std::log10(freq[k]), sy += levelDb[k], ++count;
    if (count < 2) return 0.0;
    const double mx = sx / count, my = sy / count;
    double sxx = 0, syy = 0, sxy = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (!(freq[k] >= 100.0 && freq[k] <= 16000.0)) continue;
        const double dx = std::log10(freq[k]) - mx, dy = levelDb[k] - my;
        sxx += dx * dx, syy += dy * dy, sxy += dx * dy;
    }
    if (sxx == 0.0 || syy == 0.0) return 0.0;
    return sxy * sxy / (sxx * syy);
}

TPreferenceScore PreferenceScore(const DataArray& freq, const DataArray& onDb, const DataArray& listeningWindowDb,
                                 const DataArray& soundPowerDb, const DataArray& predictedInRoomDb) {
    TPreferenceScore s;
    s.NbdOn = NarrowBandDeviation(freq, onDb);
    s.NbdPir = NarrowBandDeviation(freq, predictedInRoomDb);
    s.LfxHz = LowFrequencyExtensionHz(freq, listeningWindowDb, soundPowerDb);
    s.Lfx = s.LfxHz > 0.0 ? std::log10(s.LfxHz) : 0.0;
    s.SmPir = SmoothnessR2(freq, predictedInRoomDb);
    s.Score = 12.69 - 2.49 * s.NbdOn - 2.99 * s.NbdPir - 4.31 * s.Lfx + 2.32 * s.SmPir;
    return s;
}

}  // namespace pelmo
