#pragma once

#include <cmath>

#include "base/DataTypes.h"

// Complex arithmetic of the engine. Every operation returns a fresh value and
// is written out term by term, so that the rounding of each result is the same
// wherever it is used (no library complex division with its extra scaling).

namespace pelmo {

inline constexpr double Pi = 3.14159265358979323846;

inline constexpr TComplex ComplexZero{0.0, 0.0};
inline constexpr TComplex ComplexOne{1.0, 0.0};

inline TComplex CAdd(TComplex a, TComplex b) { return {a.re + b.re, a.im + b.im}; }
inline TComplex CSub(TComplex a, TComplex b) { return {a.re - b.re, a.im - b.im}; }
inline TComplex CMul(TComplex a, TComplex b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// No guard against b = 0: the caller decides what a vanishing divisor means.
inline TComplex CDiv(TComplex a, TComplex b) {
    const double e = 1.0 / (b.re * b.re + b.im * b.im);
    return {e * (b.re * a.re + b.im * a.im), e * (b.re * a.im - b.im * a.re)};
}

inline TComplex CNeg(TComplex a) { return {-a.re, -a.im}; }
inline double CSqrAbs(TComplex a) { return a.re * a.re + a.im * a.im; }
inline double CAbs(TComplex a) { return std::sqrt(a.re * a.re + a.im * a.im); }
inline TComplex CScaleDiv(TComplex a, double x) { return {a.re / x, a.im / x}; }

// Magnitude (linear) and phase in degrees, -180 .. 180.
struct TPolar {
    double Mag = 0.0;
    double Phase = 0.0;
};

inline TPolar CToPolar(TComplex a) {
    return {std::sqrt(a.re * a.re + a.im * a.im), std::atan2(a.im, a.re) * 180.0 / Pi};
}

// m linear, p in degrees.
inline TComplex CFromPolar(double m, double p) { return {m * std::cos(p * Pi / 180.0), m * std::sin(p * Pi / 180.0)}; }

}  // namespace pelmo
