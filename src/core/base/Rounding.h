#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace pelmo {

// A whole double as an integer type: beyond the type's range it stops at the
// nearest end, NaN gives 0. (A plain conversion of an out-of-range double is
// undefined, and the numbers here may come from any file.)
template <class Int>
Int SaturateTo(double whole) {
    constexpr Int lo = std::numeric_limits<Int>::min(), hi = std::numeric_limits<Int>::max();
    if (std::isnan(whole)) return 0;
    if (whole <= static_cast<double>(lo)) return lo;
    // The double of hi may round up past it (2^63 for int64), so compare with >=.
    if (whole >= static_cast<double>(hi)) return hi;
    return static_cast<Int>(whole);
}

// Round to the nearest integer, halves to the even neighbour (the rounding used
// for every "round" in geometry, formats and value rules).
inline int RoundToInt(double x) { return SaturateTo<int>(std::nearbyint(x)); }
inline std::int64_t RoundToInt64(double x) { return SaturateTo<std::int64_t>(std::nearbyint(x)); }

// Cut toward zero.
inline int TruncToInt(double x) { return SaturateTo<int>(std::trunc(x)); }

// The grid point at or left of (above) x.
inline int FloorToInt(double x) { return SaturateTo<int>(std::floor(x)); }

}  // namespace pelmo
