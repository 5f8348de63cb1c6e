#include "SampleCount.h"

#include <limits>

std::uint32_t TruncateCount(double exact)
{
    if (!(exact > 0.0)) {  // negative, zero or NaN
        return 0;
    }
    constexpr double largest = std::numeric_limits<std::uint32_t>::max();
    if (exact >= largest) {
        return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(exact);
}

std::uint32_t SamplesFor(int sampleRate, float durationMs)
{
    if (sampleRate < 1) {
        return 0;
    }
    return TruncateCount(static_cast<double>(static_cast<float>(sampleRate) * durationMs) * 0.001);
}
