#pragma once

#include <cmath>
#include <cstdint>

// The random numbers of the tolerance analysis: a fixed generator
// (xoshiro256**, seeded through SplitMix64) with its own uniform and normal
// draws, so that a seed gives the same values with every standard library.
// Each run has its own state, made from the seed and the run's index, so a
// run draws the same values whichever thread solves it and in whatever order.

namespace pelmo {

class TToleranceRandom {
public:
    TToleranceRandom(std::uint64_t seed, std::uint64_t stream) {
        std::uint64_t x = seed ^ (0x9E3779B97F4A7C15ull * (stream + 1));
        for (std::uint64_t& w : s_) w = SplitMix(x);
        // A run of the seed's stream never starts from an all-zero state.
        if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0) s_[0] = 1;
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }

    // Uniform in [0, 1): the top 53 bits.
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    // Uniform in [-1, 1).
    double Symmetric() { return 2.0 * Uniform() - 1.0; }
    // Standard normal (Box-Muller, one value of each pair).
    double Normal() {
        const double u1 = 1.0 - Uniform();  // (0, 1]: the logarithm stays finite
        const double u2 = Uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static std::uint64_t SplitMix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t s_[4];
};

}  // namespace pelmo
