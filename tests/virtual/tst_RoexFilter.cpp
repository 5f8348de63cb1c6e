#include "ExpectedCurve.h"
#include "Fft.h"
#include "ListenerModel.h"
#include "Pcm16.h"
#include "RoexFilter.h"
#include "Stimuli.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(RoexFilter, ErbAndSlopeFollowGlasbergAndMoore)
{
    EXPECT_NEAR(ErbHz(1000.0), 132.639, 1e-3);
    EXPECT_NEAR(ErbHz(4000.0), 456.456, 1e-3);
    EXPECT_NEAR(RoexP(1000.0), 4000.0 / 132.639, 1e-3);
    EXPECT_DOUBLE_EQ(RoexWeight(1000.0, 1000.0), 1.0);
    // g = 0.1 at 1 kHz: p g = 3.0157, W = (1 + p g) e^(-p g).
    const double pg = RoexP(1000.0) * 0.1;
    EXPECT_NEAR(RoexWeight(1000.0, 1100.0), (1.0 + pg) * std::exp(-pg), 1e-12);
    EXPECT_DOUBLE_EQ(RoexWeight(1000.0, 900.0), RoexWeight(1000.0, 1100.0));
}

// The closed-form integral against a fine midpoint sum, for bands on either side of the
// centre, across it, and far out on a skirt.
TEST(RoexFilter, BandIntegralMatchesNumericalIntegration)
{
    struct Band {
        double centre, low, high;
    };
    for (const Band& band : {Band{1000, 950, 1050}, Band{1000, 1000, 1100}, Band{1000, 700, 750},
                             Band{4000, 4400, 4600}, Band{4000, 3000, 5000}}) {
        const int steps = 200000;
        const double width = (band.high - band.low) / steps;
        double sum = 0.0;
        for (int i = 0; i < steps; ++i) {
            sum += RoexWeight(band.centre, band.low + (i + 0.5) * width) * width;
        }
        EXPECT_NEAR(RoexBandIntegral(band.centre, band.low, band.high), sum, sum * 1e-6)
            << band.centre << " Hz filter, band " << band.low << " to " << band.high;
    }
    // The whole filter passes an equivalent rectangular band of 4 F / p = one ERB.
    EXPECT_NEAR(RoexBandIntegral(1000.0, 0.0, 5000.0), ErbHz(1000.0), 1e-6);
}

// A steady sine through the meter delivers W at its frequency times its windowed energy.
TEST(RoexFilter, MeterWeightsASineByTheFilter)
{
    const double rate = 44100.0;
    std::vector<float> window(20000, 1.0f);
    for (int k = 0; k < 882; ++k) {
        const auto w = static_cast<float>((1.0 - std::cos(3.1415927 / 882 * k)) * 0.5);
        window[static_cast<std::size_t>(k)] = w;
        window[window.size() - 1 - static_cast<std::size_t>(k)] = w;
    }
    RoexEnergyMeter meter(rate, 1000.0, window);
    for (const double f : {1000.0, 1050.0, 1150.0, 800.0}) {
        std::vector<float> sine(window.size());
        double raw = 0.0;
        for (std::size_t i = 0; i < sine.size(); ++i) {
            sine[i] = static_cast<float>(1000.0 * std::sin(2.0 * 3.141592653589793 * f * i / rate));
            raw += std::pow(sine[i] * window[i], 2);
        }
        const double weighted = meter.Energy(sine);
        EXPECT_NEAR(10.0 * std::log10(weighted / raw), 10.0 * std::log10(RoexWeight(1000.0, f)), 0.05) << f << " Hz";
    }
}

// The filtered energy of a noise band through a transform as long as the one used before (a
// power of two at least as long as the window), computed with the program's own transform:
// the meter's shorter transform, guard included, gives the same to within 0.005 dB, on the
// filter's skirts too, where the filtered energy is 60 dB below the band's.
TEST(RoexFilter, MeterAgreesWithALongZeroPaddedTransform)
{
    const double rate = 44100.0;
    std::vector<float> window(17640, 1.0f);
    for (int k = 0; k < 882; ++k) {
        const auto w = static_cast<float>((1.0 - std::cos(3.1415927 / 882 * k)) * 0.5);
        window[static_cast<std::size_t>(k)] = w;
        window[window.size() - 1 - static_cast<std::size_t>(k)] = w;
    }
    RoexEnergyMeter meter(rate, 1000.0, window);
    EXPECT_LT(meter.TransformLength(), 32768u);
    const Noise reservoir = MakeNoiseReservoir(TestCondition{}, 3);  // 0 to 100 Hz
    for (const double centre : {500.0, 800.0, 1000.0, 1300.0, 2000.0}) {
        std::vector<float> band(window.size());
        for (std::size_t i = 0; i < band.size(); ++i) {
            band[i] = reservoir.Samples()[10000 + i]
                      * static_cast<float>(std::sin(2.0 * 3.141592653589793 * centre * i / rate));
        }
        const std::uint32_t n = 32768;
        std::vector<float> padded(n, 0.0f);
        for (std::size_t i = 0; i < band.size(); ++i) {
            padded[i] = band[i] * window[i];
        }
        ASSERT_TRUE(RealFft(padded.data(), n, 1).Ok());
        double reference = RoexWeight(1000.0, 0.0) * padded[0] * padded[0]
                           + RoexWeight(1000.0, rate / 2) * padded[1] * padded[1];
        for (std::uint32_t k = 1; k < n / 2; ++k) {
            reference += 2.0 * RoexWeight(1000.0, k * rate / n)
                         * (static_cast<double>(padded[2 * k]) * padded[2 * k]
                            + static_cast<double>(padded[2 * k + 1]) * padded[2 * k + 1]);
        }
        reference /= n;
        EXPECT_NEAR(10.0 * std::log10(meter.Energy(band) / reference), 0.0, 0.005) << centre << " Hz";
    }
}

// What the listener hears of a float stimulus is what a 16-bit device plays (ToPcm16: truncated,
// saturated, NaN silent), less the tone it knows; past the sound's end the tone alone remains.
TEST(RoexFilter, HeardEnergyIsThatOfTheSixteenBitSamplesLessTheKnownTone)
{
    const std::vector<float> window(4096, 1.0f);
    RoexEnergyMeter meter(44100.0, 1000.0, window);
    std::vector<float> stereo(2 * 4000);
    std::vector<float> tone(4096);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<float>(300.0 * std::sin(0.14 * static_cast<double>(i)));
    }
    const float odd[] = {std::nanf(""), 40000.0f, -40000.0f, 32767.5f, -32768.5f, 0.99f, -0.99f, -2.5f};
    for (std::size_t i = 0; i < 4000; ++i) {
        stereo[2 * i] = i < 8 ? odd[i] : static_cast<float>(2000.0 * std::sin(0.15 * static_cast<double>(i)) + 0.3);
        stereo[2 * i + 1] = 1e6f;  // the other channel, never heard
    }
    std::vector<float> played(tone.size());
    for (std::size_t i = 0; i < played.size(); ++i) {
        played[i] = (i < 4000 ? static_cast<float>(ToPcm16(stereo[2 * i])) : 0.0f) - tone[i];
    }
    const double expected = meter.Energy(played);
    EXPECT_GT(expected, 0.0);
    EXPECT_DOUBLE_EQ(meter.HeardEnergy(stereo.data(), stereo.size(), 2, tone), expected);
}

TEST(ListenerModel, WindowLiesOnTheTonesGate)
{
    ExperimentSettings settings;
    settings.MaskerDuration = 600.0f;
    settings.ToneDuration = 400.0f;
    const ListeningWindow window = ToneListeningWindow(settings);
    EXPECT_EQ(window.Start, 4410u);
    ASSERT_EQ(window.Weights.size(), 17640u);
    EXPECT_EQ(window.Weights.front(), 0.0f);
    EXPECT_EQ(window.Weights.back(), 0.0f);
    EXPECT_FLOAT_EQ(window.Weights[441], 0.5f);
    EXPECT_EQ(window.Weights[882], 1.0f);
}

class ExpectedCurveTest : public testing::Test {
protected:
    ExpectedCurveTest()
    {
        settings.MaskerDuration = 2000.0f;
        settings.ToneDuration = 1800.0f;
        condition.ToneF = 1000.0f;
        condition.ToneSPL = 50.0f;
        condition.MaskerBW = 100.0f;
    }
    ExperimentSettings settings;
    TestCondition condition;
};

TEST_F(ExpectedCurveTest, TipIsTheToneLevelCorrectedForBandHalvingGateAndFilter)
{
    const ExpectedCurve curve(settings, condition, -4.0);
    const double meanWeight = RoexBandIntegral(1000.0, 950.0, 1050.0) / 100.0;
    // Gate: sum(w^4) / sum(w^2) = (O - 2K + 2K 35/128) / (O - 2K + 2K 3/8), K = 20 ms, O = 1800 ms.
    const double gate = (1800.0 - 40.0 + 40.0 * 35.0 / 128.0) / (1800.0 - 40.0 + 40.0 * 3.0 / 8.0);
    const double expected = 50.0 + 10.0 * std::log10(2.0) + 10.0 * std::log10(gate) + 4.0 - 10.0 * std::log10(meanWeight);
    EXPECT_NEAR(curve.TipLevel(), expected, 1e-3);
    EXPECT_EQ(curve.TipFrequency(), 1000.0);
    for (const double offset : {20.0, 100.0, 300.0}) {
        EXPECT_NEAR(curve.MaskerLevel(1000.0 - offset), curve.MaskerLevel(1000.0 + offset), 1e-9);
        EXPECT_GT(curve.MaskerLevel(1000.0 + offset), curve.TipLevel());
    }
    // A criterion 3 dB higher needs 3 dB less masker.
    EXPECT_NEAR(ExpectedCurve(settings, condition, -1.0).MaskerLevel(1200.0), curve.MaskerLevel(1200.0) - 3.0, 1e-9);
}

TEST_F(ExpectedCurveTest, Q10EdgesLieTenDecibelsAboveTheTip)
{
    const ExpectedCurve curve(settings, condition, -4.0);
    const auto band = curve.Q10();
    ASSERT_TRUE(band);
    EXPECT_NEAR(curve.MaskerLevel(band->LowHz), curve.TipLevel() + 10.0, 1e-6);
    EXPECT_NEAR(curve.MaskerLevel(band->HighHz), curve.TipLevel() + 10.0, 1e-6);
    EXPECT_NEAR(band->Q10, 1000.0 / (band->HighHz - band->LowHz), 1e-12);
    // A sharper filter at 4 kHz (p grows with F) gives a higher Q10.
    condition.ToneF = 4000.0f;
    const auto high = ExpectedCurve(settings, condition, -4.0).Q10();
    ASSERT_TRUE(high);
    EXPECT_GT(high->Q10, band->Q10);
}

TEST_F(ExpectedCurveTest, AttenuatorModeUsesTheWholeDecibelToneLevel)
{
    condition.ToneSPL = 50.7f;
    settings.Attenuator = AttenuatorMode::Software;
    const double software = ExpectedCurve(settings, condition, 0.0).TipLevel();
    settings.Attenuator = AttenuatorMode::Kc35;
    const double kc35 = ExpectedCurve(settings, condition, 0.0).TipLevel();
    EXPECT_NEAR(software - kc35, 0.7, 1e-5);
}

TEST_F(ExpectedCurveTest, NoQ10WhenTheBandCannotGoLowEnough)
{
    // A band as wide as twice the tone frequency covers 0 Hz before the curve rises 10 dB.
    condition.ToneF = 100.0f;
    condition.MaskerBW = 180.0f;
    EXPECT_FALSE(ExpectedCurve(settings, condition, 0.0).Q10());
}

}  // namespace
