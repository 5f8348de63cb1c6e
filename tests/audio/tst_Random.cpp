#include "RuntimeRandom.h"
#include "UniformDeviate.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

// The runtime generator written directly in 64-bit arithmetic.
std::vector<int> ReferenceRuntimeDraws(std::uint32_t seed, int count)
{
    std::uint64_t state = seed;
    const auto step = [&state] {
        state = (state * 22695477u + 1u) % 4294967296u;
        return static_cast<int>((state >> 16) & 32767u);
    };
    step();  // seeding discards one draw
    std::vector<int> draws;
    for (int i = 0; i < count; ++i) {
        draws.push_back(step());
    }
    return draws;
}

class RuntimeSeed : public testing::TestWithParam<std::uint32_t> {};

TEST_P(RuntimeSeed, DrawsMatchTheRecurrence)
{
    RuntimeRandom generator;
    generator.Seed(GetParam());
    std::vector<int> draws;
    for (int i = 0; i < 2000; ++i) {
        draws.push_back(generator.Next());
        ASSERT_GE(draws.back(), 0);
        ASSERT_LE(draws.back(), RuntimeRandom::Max);
    }
    EXPECT_EQ(draws, ReferenceRuntimeDraws(GetParam(), 2000));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RuntimeSeed,
                         testing::Values(0u, 1u, static_cast<std::uint32_t>(-5), 4000000000u, 1733559600u));

TEST(RuntimeRandom, KnownFirstDraws)
{
    RuntimeRandom generator;
    generator.Seed(1);  // state 1 -> 22695478 (discarded) -> ...
    EXPECT_EQ(generator.Next(), ReferenceRuntimeDraws(1, 1)[0]);
    generator.Seed(0);  // state 0 -> 1 (discarded, draw 0) -> 22695478: bits 16-30 are 346
    EXPECT_EQ(generator.Next(), 346);
}

// The shuffled minimal-standard generator written independently: the recurrence as a plain
// 64-bit product modulo 2^31 - 1 instead of Schrage's decomposition.
class ReferenceDeviates {
public:
    float Next(std::int64_t& seed)
    {
        if (seed <= 0 || last_ == 0) {
            seed = (-seed < 1) ? 1 : -seed;
            for (int j = 39; j >= 0; --j) {
                seed = seed * 16807 % 2147483647;
                if (j < 32) {
                    table_[j] = seed;
                }
            }
            last_ = table_[0];
        }
        seed = seed * 16807 % 2147483647;
        const std::int64_t j = last_ / 67108864;
        last_ = table_[j];
        table_[j] = seed;
        const double x = static_cast<double>(last_) / 2147483647.0;
        return static_cast<float>(x > 1.0 - 1.2e-7 ? 1.0 - 1.2e-7 : x);
    }

private:
    std::array<std::int64_t, 32> table_{};
    std::int64_t last_ = 0;
};

class DeviateSeed : public testing::TestWithParam<std::int32_t> {};

TEST_P(DeviateSeed, SequenceMatchesTheReference)
{
    UniformDeviateGenerator generator;
    ReferenceDeviates reference;
    std::int32_t seed = GetParam();
    std::int64_t referenceSeed = GetParam();
    for (int i = 0; i < 5000; ++i) {
        const float x = generator.Next(seed);
        ASSERT_EQ(x, reference.Next(referenceSeed)) << "draw " << i;
        ASSERT_EQ(seed, referenceSeed) << "draw " << i;
        ASSERT_GT(x, 0.0f);
        ASSERT_LT(x, 1.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, DeviateSeed, testing::Values(0, 1, -5, -32767, 2000000000, -2000000000));

std::vector<float> Draws(UniformDeviateGenerator& generator, std::int32_t& seed, int count)
{
    std::vector<float> draws;
    for (int i = 0; i < count; ++i) {
        draws.push_back(generator.Next(seed));
    }
    return draws;
}

TEST(UniformDeviate, FirstCallWithAPositiveSeedStartsFromOne)
{
    for (const std::int32_t start : {0, 1, 12345, 2000000000}) {
        UniformDeviateGenerator fresh;
        UniformDeviateGenerator fromOne;
        std::int32_t seed = start;
        std::int32_t one = 1;
        EXPECT_EQ(Draws(fresh, seed, 100), Draws(fromOne, one, 100)) << start;
    }
    UniformDeviateGenerator fromMinusFive;
    UniformDeviateGenerator fromPlusFive;
    std::int32_t minusFive = -5;
    std::int32_t plusFive = 5;
    EXPECT_NE(Draws(fromMinusFive, minusFive, 10), Draws(fromPlusFive, plusFive, 10));  // +5 starts from 1
}

TEST(UniformDeviate, OnlyANonPositiveSeedRefillsTheTable)
{
    UniformDeviateGenerator generator;
    std::int32_t seed = -7;
    Draws(generator, seed, 50);
    // A positive seed continues with the existing table: not the same as a fresh start from it.
    std::int32_t continued = seed;
    UniformDeviateGenerator copy = generator;
    const std::vector<float> next = Draws(copy, continued, 20);
    UniformDeviateGenerator fresh;
    std::int32_t freshSeed = -seed;
    EXPECT_NE(next, Draws(fresh, freshSeed, 20));
    // A negative seed rebuilds the table: the sequence restarts exactly.
    std::int32_t restart = -7;
    UniformDeviateGenerator reference;
    std::int32_t referenceSeed = -7;
    EXPECT_EQ(Draws(generator, restart, 50), Draws(reference, referenceSeed, 50));
}

std::int64_t PowMod(std::int64_t base, std::int64_t exponent)
{
    std::int64_t result = 1;
    base %= 2147483647;
    while (exponent > 0) {
        if (exponent & 1) {
            result = result * base % 2147483647;
        }
        base = base * base % 2147483647;
        exponent >>= 1;
    }
    return result;
}

TEST(UniformDeviate, OutputsAboveTheLimitAreClamped)
{
    // Finds a starting seed whose first deviate comes from the table entry holding 2^31 - 2,
    // the largest state: after the 40 start-up steps, entry j holds state 40 - j and the first
    // output is the entry that state 40 points at.
    const std::int64_t largest = 2147483646;
    const std::int64_t inverse = PowMod(16807, 2147483647 - 2);  // 16807^-1 modulo the prime
    std::int32_t start = 0;
    for (std::int64_t j = 0; j < 32 && start == 0; ++j) {
        const std::int64_t state40 = largest * PowMod(16807, j) % 2147483647;
        if (state40 / 67108864 == j) {
            start = static_cast<std::int32_t>(largest * PowMod(inverse, 40 - j) % 2147483647);
        }
    }
    ASSERT_NE(start, 0) << "no table position fits; choose another large state";
    UniformDeviateGenerator generator;
    std::int32_t seed = -start;
    EXPECT_EQ(generator.Next(seed), 0.99999988f);
    EXPECT_EQ(0.99999988f, static_cast<float>(1.0 - 1.2e-7));
}

TEST(UniformDeviate, ModuleWideGeneratorRestartsOnTheNoiseSeed)
{
    NoiseSeed = -5;
    const float first = UniformDeviate(NoiseSeed);
    EXPECT_GT(NoiseSeed, 0);
    UniformDeviateGenerator reference;
    std::int32_t seed = -5;
    EXPECT_EQ(first, reference.Next(seed));
    EXPECT_EQ(NoiseSeed, seed);
}

}  // namespace
