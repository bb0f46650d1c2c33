#pragma once

#include <cstddef>

#include "base/DataTypes.h"

// Radix-2 complex transforms of the two lengths the program uses: the
// 262144-point spectrum of the minimum-phase reconstruction and the
// 16384-point spectrum of the impulse and step responses.

namespace pelmo {

inline constexpr std::size_t LongFftLength = 262144;  // 2^18, sample rate 384 kHz
inline constexpr std::size_t ShortFftLength = 16384;  // 2^14, sample rate 192 kHz

// Builds the two quarter-period sine tables (65537 and 4097 entries) once.
// Start-up calls it; a transform that runs first builds them itself, before
// it starts. Later calls do nothing.
void BuildSineTables();

// Entry k of the quarter-period sine table of a transform length:
// sin(2*pi*k/length), k = 0 ... length/4. Lengths other than the two above
// give 0.
double SineTableEntry(std::size_t length, std::size_t k);

// In place, without scaling: X[k] = sum x[n] e^(+2 pi i nk/N), on pairs of
// arrays of exactly 262144 or 16384 entries each; any other pair is a fault
// of the caller and throws std::length_error, leaving the arrays unchanged.
// No trigonometric function is evaluated: every twiddle factor is read from
// the sine table of the length.
void InverseFFT(DataArray& re, DataArray& im);

// As InverseFFT with e^(-2 pi i nk/N).
void ForwardFFT(DataArray& re, DataArray& im);

}  // namespace pelmo
