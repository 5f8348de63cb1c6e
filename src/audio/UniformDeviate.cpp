#include "UniformDeviate.h"

namespace {

constexpr std::int32_t Multiplier = 16807;
constexpr std::int32_t Modulus = 2147483647;
constexpr std::int32_t SchrageQuotient = 127773;   // Modulus / Multiplier
constexpr std::int32_t SchrageRemainder = 2836;    // Modulus % Multiplier
constexpr std::int32_t TableDivisor = 67108864;    // 1 + (Modulus - 1) / 32
constexpr double LargestDeviate = 1.0 - 1.2e-7;

void Step(std::int32_t& seed)
{
    const std::int32_t k = seed / SchrageQuotient;
    seed = Multiplier * (seed - k * SchrageQuotient) - SchrageRemainder * k;
    if (seed < 0) {
        seed += Modulus;
    }
}

}  // namespace

std::int32_t NoiseSeed = 0;

float UniformDeviateGenerator::Next(std::int32_t& seed)
{
    if (seed <= 0 || lastOutput_ == 0) {
        // The two most negative seeds would start the generator at 0 or beyond its modulus,
        // where it stays at 0 for ever; they are reduced into its range.
        const std::int64_t start = seed >= 0 ? 1 : -static_cast<std::int64_t>(seed) % Modulus;
        seed = start == 0 ? 1 : static_cast<std::int32_t>(start);
        for (int j = static_cast<int>(table_.size()) + 7; j >= 0; --j) {
            Step(seed);
            if (j < static_cast<int>(table_.size())) {
                table_[static_cast<std::size_t>(j)] = seed;
            }
        }
        lastOutput_ = table_[0];
    }
    Step(seed);
    const auto j = static_cast<std::size_t>(lastOutput_ / TableDivisor);
    lastOutput_ = table_[j];
    table_[j] = seed;
    const double x = lastOutput_ * (1.0 / Modulus);
    if (x > LargestDeviate) {
        return static_cast<float>(LargestDeviate);
    }
    return static_cast<float>(x);
}

float UniformDeviate(std::int32_t& seed)
{
    static UniformDeviateGenerator generator;
    return generator.Next(seed);
}
