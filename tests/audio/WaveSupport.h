#pragma once

#include "Wave.h"

#include <cstdint>

// A silent wave of exactly `count` samples (half a sample of extra duration keeps the
// truncation from losing one to rounding).
inline Wave WaveOfLength(std::uint32_t count, int rate = 44100)
{
    return Wave((static_cast<float>(count) + 0.5f) * 1000.0f / static_cast<float>(rate), rate);
}
