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
    // A number from 0 to count - 1 (count from 1 to 2^32), each equally likely. Three draws
    // make a 45-bit number; one that falls in the incomplete last round of `count` is drawn
    // again, so that no result is favoured. A count of 0 gives 0 without a draw.
    std::uint32_t Below(std::uint64_t count);

private:
    std::uint32_t state_ = 1;
};

// The module-wide generator.
RuntimeRandom& SharedRuntimeRandom();
