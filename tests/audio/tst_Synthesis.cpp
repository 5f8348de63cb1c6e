#include "Noise.h"
#include "RuntimeRandom.h"
#include "BandEnergy.h"
#include "Stimuli.h"
#include "Tone.h"
#include "UniformDeviate.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <cmath>
#include <limits>

namespace {

TEST(Tone, SamplesPeakAndRms)
{
    const Tone tone(400.0f, 44100, 1000.0f, 8000.0f);
    ASSERT_EQ(tone.SampleCount(), 17640u);
    EXPECT_EQ(tone.Samples()[0], 0.0f);
    EXPECT_NEAR(tone.Peak(), 11313.709, 0.3);  // the samples come within 0.3 of the amplitude
    EXPECT_NEAR(tone.Rms(), 8000.0, 0.1);
    EXPECT_FLOAT_EQ(tone.Samples()[11], static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * 11 / 44100) * 11313.709));
}

TEST(Tone, UnitModulatorStartsAtItsMinimumAndPeaksHalfACycleLater)
{
    Tone modulator(100.0f, 44100, 100.0f, UnitSineRms, PreviewModulationPhase);
    EXPECT_NEAR(std::fabs(modulator.Peak()), 1.0, 1e-6);
    EXPECT_FLOAT_EQ(modulator.Samples()[0], -1.0f);
    modulator.AddConstant(1.0f);
    EXPECT_NEAR(modulator.Samples()[0], 0.0f, 1.0e-6);
    const auto s = modulator.Samples();
    const auto largest = std::max_element(s.begin(), s.end()) - s.begin();
    EXPECT_TRUE(largest == 220 || largest == 221) << largest;
    EXPECT_NEAR(s[220], 2.0f, 1.0e-4);
    EXPECT_NEAR(s[221], 2.0f, 1.0e-4);
}

// The rehearsal's carrier, by rotation, against the library's sine sample by sample: within
// 1e-6 of the unit amplitude (float rounding), over the longest carrier the sweep makes and a
// length that is no multiple of the rotation's block.
TEST(Tone, RotationFollowsTheExactSine)
{
    for (const float frequency : {500.0f, 1234.5f, 8000.0f, 19999.0f}) {
        Tone exact(600.0f, 44100, 1000.0f, UnitSineRms);
        Tone rotated(600.0f, 44100, 1000.0f, UnitSineRms);
        for (const float duration : {600.0f, 2000.0f}) {
            exact.Regenerate(duration, 44100, frequency, UnitSineRms);
            rotated.Regenerate(duration, 44100, frequency, UnitSineRms, SineSynthesis::Rotation);
            ASSERT_EQ(rotated.SampleCount(), exact.SampleCount());
            double largest = 0.0;
            for (std::size_t i = 0; i < exact.SampleCount(); ++i) {
                largest = std::max(largest, std::fabs(static_cast<double>(rotated.Samples()[i]) - exact.Samples()[i]));
            }
            EXPECT_LT(largest, 1e-6) << frequency << " Hz, " << duration << " ms";
        }
    }
}

TEST(Tone, RegenerateRetunesInPlace)
{
    Tone carrier(600.0f, 44100, 1000.0f, UnitSineRms);
    const float* storage = carrier.Samples().data();
    carrier.Regenerate(600.0f, 44100, 500.0f, UnitSineRms);
    EXPECT_EQ(carrier.Samples().data(), storage);
    const Tone fresh(600.0f, 44100, 500.0f, UnitSineRms);
    EXPECT_TRUE(std::equal(fresh.Samples().begin(), fresh.Samples().end(), carrier.Samples().begin()));
    carrier.Regenerate(400.0f, 44100, 500.0f, UnitSineRms);
    EXPECT_EQ(carrier.SampleCount(), 17640u);
}

struct NoiseLength {
    float durationMs;
    std::uint32_t samples;
};

class NoiseLengths : public testing::TestWithParam<NoiseLength> {};

TEST_P(NoiseLengths, AreTheNextPowerOfTwo)
{
    const Noise noise(GetParam().durationMs, 44100, 1);
    EXPECT_EQ(noise.SampleCount(), GetParam().samples);
}

INSTANTIATE_TEST_SUITE_P(Durations, NoiseLengths,
                         testing::Values(NoiseLength{6000.0f, 524288}, NoiseLength{10.0f, 512},
                                         NoiseLength{0.0f, 0}, NoiseLength{-5.0f, 0},
                                         NoiseLength{std::numeric_limits<float>::quiet_NaN(), 0}));

TEST(Noise, ALengthBeyondTwoToThe31IsRefused)
{
    EXPECT_THROW(Noise(1.0e9f, 44100, 1), std::length_error);
}

TEST(Noise, FixedSeedReproducesTheNoise)
{
    Noise a(100.0f, 44100, 99);
    a.SetBands(1, 0.0f, 500.0f, 0.0f, 0.0f);
    a.Generate();
    Noise b(100.0f, 44100, 99);
    b.SetBands(1, 0.0f, 500.0f, 0.0f, 0.0f);
    b.Generate();
    EXPECT_TRUE(std::equal(a.Samples().begin(), a.Samples().end(), b.Samples().begin()));
    b.Generate();  // a fresh draw
    EXPECT_FALSE(std::equal(a.Samples().begin(), a.Samples().end(), b.Samples().begin()));
}

TEST(Noise, NoiseSeedComesFromTheRuntimeGenerator)
{
    Noise noise(10.0f, 44100, 1234);
    noise.SetBands(0, 0.0f, 0.0f, 0.0f, 0.0f);  // no bands: no deviate moves the seed on
    noise.Generate();
    RuntimeRandom reference;
    reference.Seed(1234);
    EXPECT_EQ(NoiseSeed, -reference.Next());
    EXPECT_EQ(noise.Peak(), 0.0);
}

// Generates the reservoir's band without the final scaling and transforms it back.
std::vector<float> BandSpectrum(float bandwidth)
{
    Noise noise(6000.0f, 44100, 17);
    noise.SetBands(1, 0.0f, bandwidth * 0.5f, 0.0f, 0.0f);
    noise.Generate();
    std::vector<float> data(noise.Samples().begin(), noise.Samples().end());
    EXPECT_TRUE(RealFft(data.data(), static_cast<std::uint32_t>(data.size()), 1).Ok());
    return data;
}

struct BandCase {
    float bandwidth;
    std::uint32_t lastBin;
};

class ReservoirBand : public testing::TestWithParam<BandCase> {};

// Each bin of the band holds a component of magnitude 1 (n/2 after the inverse transform, which
// does not divide by n, and the forward one); the bins beyond the band stay empty.
TEST_P(ReservoirBand, CoversExactlyTheBinsOfTheBand)
{
    const std::vector<float> data = BandSpectrum(GetParam().bandwidth);
    const double scale = data.size() / 2.0;
    const auto magnitude = [&](std::uint32_t k) {
        return std::hypot(static_cast<double>(data[2 * k]), static_cast<double>(data[2 * k + 1])) / scale;
    };
    for (std::uint32_t k = 1; k <= GetParam().lastBin; ++k) {
        ASSERT_NEAR(magnitude(k), 1.0, 1.0e-3) << "bin " << k;
    }
    for (std::uint32_t k = GetParam().lastBin + 1; k < GetParam().lastBin + 200; ++k) {
        ASSERT_LT(magnitude(k), 1.0e-3) << "bin " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Bandwidths, ReservoirBand, testing::Values(BandCase{100.0f, 594}, BandCase{1000.0f, 5944}));

TEST(NoiseBand, EdgesBeyondTheSpectrumAreCutAtHalfTheSampleRate)
{
    for (const float high : {22050.0f, 1.0e9f, std::numeric_limits<float>::infinity()}) {
        Noise noise(10.0f, 44100, 3);
        noise.SetBands(2, -1000.0f, high, std::numeric_limits<float>::quiet_NaN(), 100.0f);
        noise.Generate();
        EXPECT_GT(noise.Rms(), 0.0) << high;
        for (float s : noise.Samples()) {
            ASSERT_TRUE(std::isfinite(s));
        }
    }
}

}  // namespace
