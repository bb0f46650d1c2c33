#pragma once

// Preferred-number series of IEC 60063, used to step part values and to round
// the values that circuit blocks compute.

namespace pelmo {

enum TESeries { esE6, esE12, esE24, esE48 };

// The series value nearest to x on a logarithmic scale: within each decade a
// value belongs to the series member whose interval, bounded by the geometric
// means with its neighbours, contains it. Magnitudes below 1e-25 or above
// 1e25 are clamped to fixed tiny or huge results; the sign is kept.
double RoundToESeries(double x, TESeries series);

}  // namespace pelmo
