#pragma once

#include <cstdint>

// The pseudo-random generator that chooses the noise seed and the masker's section: a linear
// congruential generator on a 32-bit state (state = state x 22695477 + 1) whose draws are bits
// 16 to 30 of the new state, 0 to 32767. One module-wide instance is shared by Noise and
// Wave::AddRandomSection, so a fixed seed makes a whole run's noise reproducible.
class RuntimeRandom {
public:
    static constexpr int Max = 32767;

    // Sets the state to `seed` and makes one draw whose result is discarded.
    void Seed(std::uint32_t seed);
    // The next number, 0 to 32767.
    int Next();

private:
    std::uint32_t state_ = 1;
};

// The module-wide generator.
RuntimeRandom& SharedRuntimeRandom();
