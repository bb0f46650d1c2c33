#pragma once

#include <cmath>
#include <cstdint>

namespace pelmo {

// Round to the nearest integer, halves to the even neighbour (the rounding used
// for every "round" in geometry, formats and value rules).
inline int RoundToInt(double x) { return static_cast<int>(std::nearbyint(x)); }
inline std::int64_t RoundToInt64(double x) { return static_cast<std::int64_t>(std::nearbyint(x)); }

// Cut toward zero.
inline int TruncToInt(double x) { return static_cast<int>(std::trunc(x)); }

// The grid point at or left of (above) x.
inline int FloorToInt(double x) { return static_cast<int>(std::floor(x)); }

}  // namespace pelmo
