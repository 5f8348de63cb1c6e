#include "RuntimeRandom.h"

#include <algorithm>

void RuntimeRandom::Seed(std::uint32_t seed)
{
    state_ = seed;
    Next();
}

int RuntimeRandom::Next()
{
    state_ = state_ * 22695477u + 1u;
    return static_cast<int>((state_ >> 16) & 32767u);
}

std::uint32_t RuntimeRandom::Below(std::uint64_t count)
{
    if (count == 0) {
        return 0;
    }
    count = std::min(count, std::uint64_t{1} << 32);
    constexpr std::uint64_t range = std::uint64_t{1} << 45;
    const std::uint64_t accepted = range - range % count;
    std::uint64_t value = 0;
    do {
        value = 0;
        for (int i = 0; i < 3; ++i) {
            value = (value << 15) | static_cast<std::uint64_t>(Next());
        }
    } while (value >= accepted);
    return static_cast<std::uint32_t>(value % count);
}

RuntimeRandom& SharedRuntimeRandom()
{
    static RuntimeRandom generator;
    return generator;
}
