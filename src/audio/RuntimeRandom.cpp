#include "RuntimeRandom.h"

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

RuntimeRandom& SharedRuntimeRandom()
{
    static RuntimeRandom generator;
    return generator;
}
