#pragma once

#include <array>
#include <cstdint>

// Uniform random numbers in (0, 1) for the noise spectrum: the minimal-standard generator
// (16807 modulo 2^31 - 1, by Schrage's decomposition so nothing overflows 32 bits) behind a
// 32-entry Bays-Durham shuffle table, which breaks up the low-order serial correlation.
class UniformDeviateGenerator {
public:
    // Advances `seed` and returns the next deviate. A seed <= 0 (or the first call) rebuilds
    // the shuffle table, starting from -seed (or 1 if that is below 1).
    float Next(std::int32_t& seed);

private:
    std::array<std::int32_t, 32> table_{};
    std::int32_t lastOutput_ = 0;
};

// The state of the noise synthesis' deviates: reset by every Noise::Generate.
extern std::int32_t NoiseSeed;

// The module-wide generator's next deviate.
float UniformDeviate(std::int32_t& seed);
