#pragma once

#include <complex>
#include <cstring>

#include "base/DataTypes.h"
#include "model/AnalysisGrid.h"

// Shared by the sound-field tests: the analysis grid and responses whose
// level and phase are known at every frequency.

namespace pelmo::test {

inline DataArray AnalysisGrid() {
    DataArray g;
    MakeLogGrid(g);
    return g;
}

// A response of `db` that lags by `delayMs`: neighbouring angles built with
// other figures differ in level and in phase.
inline TComplexArray DelayedResponse(const DataArray& grid, double db, double delayMs) {
    TComplexArray r;
    for (double f : grid) {
        const std::complex<double> z = std::polar(std::pow(10.0, db / 20.0), -2 * M_PI * f * delayMs * 1e-3);
        r.Re.push_back(z.real());
        r.Im.push_back(z.imag());
    }
    return r;
}

inline bool SameBits(const TComplexArray& a, const TComplexArray& b) {
    return a.Re.size() == b.Re.size() && a.Im.size() == b.Im.size() &&
           std::memcmp(a.Re.data(), b.Re.data(), a.Re.size() * sizeof(double)) == 0 &&
           std::memcmp(a.Im.data(), b.Im.data(), a.Im.size() * sizeof(double)) == 0;
}

}  // namespace pelmo::test
