#include "BandEnergy.h"
#include "NonFiniteSamples.h"
#include "Stimuli.h"
#include "StimulusLimits.h"
#include "StimulusResolution.h"
#include "WaveSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

namespace {

ExperimentSettings Software()
{
    ExperimentSettings s;
    s.Attenuator = AttenuatorMode::Software;
    s.CalibFactor = 100.0f;
    return s;
}

TEST(PreviewTone, DefaultsGiveAQuietRampedTone)
{
    const TestCondition condition;  // ToneF 1000, ToneSPL 30
    const Tone tone = MakePreviewTone(Software(), condition);
    ASSERT_EQ(tone.SampleCount(), 17640u);
    EXPECT_NEAR(std::fabs(tone.Peak()), 11313.709 * std::pow(10.0, -70.0 / 20.0), 0.001);
    EXPECT_EQ(tone.Samples()[0], 0.0f);
    EXPECT_EQ(tone.Samples()[17639], 0.0f);
    ExpectRampOf(tone, 0, 882);
}

TEST(PreviewTone, AttenuatorModeKeepsTheReferenceLevel)
{
    ExperimentSettings kc35 = Software();
    kc35.Attenuator = AttenuatorMode::Kc35;
    const Tone tone = MakePreviewTone(kc35, TestCondition{});
    EXPECT_NEAR(std::fabs(tone.Peak()), 11313.709, 0.3);
}

TEST(PreviewTone, ModulationEnvelopeIsZeroAtTheStartAndEveryPeriod)
{
    ExperimentSettings s = Software();
    s.Modulated = 1;
    s.ModFreq = 20.0f;
    s.Attenuator = AttenuatorMode::Kc35;  // reference level, easier to compare
    const Tone tone = MakePreviewTone(s, TestCondition{});
    for (std::uint32_t i = 0; i < tone.SampleCount(); i += 2205) {  // every 50 ms
        EXPECT_LT(std::fabs(tone.Samples()[i]), 0.5f) << i;
    }
    EXPECT_GT(std::fabs(tone.Peak()), 15000.0);  // the envelope reaches 2 between its zeros
}

TEST(RunTone, ModulationPhasePutsTheEnvelopeMinimumAtTheOnset)
{
    ExperimentSettings s = Software();
    s.Modulated = 1;
    s.ModFreq = 10.0f;
    EXPECT_NEAR(RunModulationPhase(s), 0.75 * 2.0 * M_PI, 1.0e-6);
    s.ModFreq = 7.0f;
    EXPECT_NEAR(RunModulationPhase(s), 0.05 * 2.0 * M_PI, 1.0e-5);
    for (const float modFreq : {7.0f, 10.0f, 13.0f}) {
        s.ModFreq = modFreq;
        const double phase = RunModulationPhase(s);
        EXPECT_NEAR(1.0 + std::sin(2.0 * M_PI * modFreq * 0.1 + phase), 0.0, 1.0e-6) << modFreq;
    }
}

TEST(RunTone, SitsGatedInTheMiddleAtItsLevel)
{
    const Tone tone = MakeRunTone(Software(), TestCondition{}, 30.0f);
    ASSERT_EQ(tone.SampleCount(), 26460u);
    ExpectRampOf(tone, 4410, 882);
    for (std::uint32_t i = 0; i < 26460; ++i) {
        if (i <= 4410 || i >= 22049) {
            ASSERT_EQ(tone.Samples()[i], 0.0f) << i;
        }
    }
    EXPECT_NEAR(std::fabs(tone.Peak()), 11313.709 * std::pow(10.0, -70.0 / 20.0), 0.001);

    ExperimentSettings modulated = Software();
    modulated.Modulated = 1;
    modulated.ModFreq = 7.0f;
    modulated.Attenuator = AttenuatorMode::Kc35;
    const Tone kc35 = MakeRunTone(modulated, TestCondition{}, 30.0f);
    EXPECT_GT(std::fabs(kc35.Peak()), 11313.709);  // unscaled, envelope up to 2
    EXPECT_LT(std::fabs(kc35.Samples()[4410 + 882]), 1000.0f);  // envelope still near 0 20 ms in
}

TEST(CalibrationTone, OneSecondAtTheReferenceLevel)
{
    const Tone tone = MakeCalibrationTone(Software(), TestCondition{});
    ASSERT_EQ(tone.SampleCount(), 44100u);
    ExpectRampOf(tone, 0, 882);
    EXPECT_NEAR(tone.Peak(), 11313.709, 0.3);
    EXPECT_EQ(tone.Samples()[44099], 0.0f);
}

struct MaskerCase {
    float bandwidth;
    float centre;
};

class MaskerBand : public testing::TestWithParam<MaskerCase> {};

TEST_P(MaskerBand, ReservoirAndTrialMaskerKeepTheirEnergyInTheBand)
{
    const auto [bandwidth, centre] = GetParam();
    ExperimentSettings settings = Software();
    TestCondition condition;
    condition.MaskerBW = bandwidth;
    const Noise reservoir = MakeNoiseReservoir(condition, 2024);
    ASSERT_EQ(reservoir.SampleCount(), 524288u);
    EXPECT_NEAR(reservoir.Rms(), 8000.0, 8.0);  // the rare peaks beyond full scale are clipped
    const PowerSpectrum noise = SpectrumOf(reservoir);
    EXPECT_GE(noise.Between(0.0, bandwidth * 0.5), 0.999 * noise.Total());

    Wave masker = MakeTrialBuffer(settings);
    Tone carrier = MakeCarrier(settings);
    double meanSquare = 0.0;
    constexpr int trials = 16;
    for (int trial = 0; trial < trials; ++trial) {
        BuildTrialMasker(masker, carrier, reservoir, settings, centre);
        meanSquare += masker.Rms() * masker.Rms() / trials;
    }
    EXPECT_NEAR(std::sqrt(meanSquare), 8000.0 / std::sqrt(2.0), 8000.0 / std::sqrt(2.0) * 0.05);

    GateMasker(masker, settings);  // the ramps keep the cut's spectral splatter small
    const PowerSpectrum band = SpectrumOf(masker);
    EXPECT_GE(band.Between(centre - bandwidth * 0.5 - 10.0, centre + bandwidth * 0.5 + 10.0), 0.999 * band.Total());
}

INSTANTIATE_TEST_SUITE_P(Bands, MaskerBand,
                         testing::Values(MaskerCase{100.0f, 500.0f}, MaskerCase{100.0f, 1000.0f},
                                         MaskerCase{100.0f, 4000.0f}, MaskerCase{1000.0f, 500.0f},
                                         MaskerCase{1000.0f, 1000.0f}, MaskerCase{1000.0f, 4000.0f}));

TEST(TrialMasker, ReusesItsBuffersAndAppliesLevelAndGate)
{
    const ExperimentSettings settings = Software();
    TestCondition condition;
    const Noise reservoir = MakeNoiseReservoir(condition, 5);
    Wave masker = MakeTrialBuffer(settings);
    Tone carrier = MakeCarrier(settings);
    const float* maskerStorage = masker.Samples().data();
    const float* carrierStorage = carrier.Samples().data();
    BuildTrialMasker(masker, carrier, reservoir, settings, 800.0f);
    const double unscaled = masker.Rms();
    BuildTrialMasker(masker, carrier, reservoir, settings, 800.0f);
    EXPECT_EQ(masker.Samples().data(), maskerStorage);
    EXPECT_EQ(carrier.Samples().data(), carrierStorage);
    LevelAndGateMasker(masker, settings, -20.0f);
    EXPECT_EQ(masker.Samples()[0], 0.0f);
    EXPECT_EQ(masker.Samples()[26459], 0.0f);
    EXPECT_LT(PeakBetween(masker, 0, 441), PeakBetween(masker, 882, 26460 - 882) * 0.5);
    EXPECT_LT(masker.Rms(), unscaled * 0.2);
}

// Every whole millisecond of MaskerDuration up to the reservoir's length: the section cut
// from the reservoir fills the run's trial buffer exactly (a section one sample longer than
// the buffer ended the program, e.g. at 3050 ms; one sample shorter left the last one silent).
TEST(TrialMasker, EveryWholeMillisecondOfMaskerDurationFitsItsBuffer)
{
    ExperimentSettings settings = Software();
    settings.ToneDuration = 20.0f;
    const Noise reservoir = MakeNoiseReservoir(TestCondition{}, 11);
    for (int ms = 1; ms <= static_cast<int>(LongestStimulusMs); ++ms) {
        settings.MaskerDuration = static_cast<float>(ms);
        Wave masker = MakeTrialBuffer(settings);
        AddTrialSection(masker, reservoir, settings);
        ASSERT_NE(masker.Samples().back(), 0.0f) << ms << " ms: the section does not reach the buffer's end";
    }
    for (const float ms : {3050.0f, 3090.0f, 11887.0f, 11888.0f}) {
        settings.MaskerDuration = ms;
        settings.ToneDuration = ms - 40.0f;
        Wave masker = MakeTrialBuffer(settings);
        Tone carrier = MakeCarrier(settings);
        BuildTrialMasker(masker, carrier, reservoir, settings, 1000.0f);
        LevelAndGateMasker(masker, settings, -10.0f);
        const Tone tone = MakeRunTone(settings, TestCondition{}, 30.0f);
        masker.Add(tone);
        EXPECT_EQ(tone.SampleCount(), masker.SampleCount()) << ms;
    }
}

using LimitCase = std::tuple<float, float, float, float, const char*>;

class RunLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(RunLimits, RefuseWhatTheRunCannotHonourNamingTheValue)
{
    const auto [masker, tone, riseFall, bandwidth, named] = GetParam();
    ExperimentSettings s = Software();
    s.MaskerDuration = masker;
    s.ToneDuration = tone;
    s.RiseFall = riseFall;
    TestCondition c;
    c.MaskerBW = bandwidth;
    const Result<> check = CheckRunStimulus(s, c);
    if (named == nullptr) {
        EXPECT_TRUE(check.Ok()) << check.Reason();
    } else {
        ASSERT_FALSE(check.Ok());
        EXPECT_NE(check.Reason().find(named), std::string::npos) << check.Reason();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RunLimits,
    testing::Values(LimitCase{600.0f, 400.0f, 20.0f, 200.0f, nullptr}, LimitCase{11888.0f, 20.0f, 0.0f, 0.0f, nullptr},
                    LimitCase{600.0f, 600.0f, 600.0f, 40100.0f, nullptr},
                    LimitCase{600.0f, 600.0f, 600.0f, 40101.0f, "EndF + MaskerBW/2 = 22050.5 Hz"},
                    LimitCase{Nan, 400.0f, 20.0f, 200.0f, "MaskerDuration"},
                    LimitCase{-600.0f, 400.0f, 20.0f, 200.0f, "MaskerDuration"},
                    LimitCase{12000.0f, 400.0f, 20.0f, 200.0f, "MaskerDuration (12000 ms) is longer than the noise reservoir (11888 ms)"},
                    LimitCase{600.0f, Inf, 20.0f, 200.0f, "ToneDuration"},
                    LimitCase{600.0f, 700.0f, 20.0f, 200.0f, "ToneDuration (700 ms) is longer than MaskerDuration (600 ms)"},
                    LimitCase{600.0f, 19.5f, 0.0f, 200.0f, "ToneDuration (19.5 ms)"},
                    LimitCase{600.0f, 400.0f, -1.0f, 200.0f, "RiseFall (-1 ms) is negative"},
                    LimitCase{600.0f, 400.0f, 601.0f, 200.0f, "RiseFall (601 ms) is longer than MaskerDuration"},
                    LimitCase{600.0f, 400.0f, 20.0f, Nan, "MaskerBW"}, LimitCase{600.0f, 400.0f, 20.0f, -1.0f, "MaskerBW"},
                    LimitCase{600.0f, 400.0f, 20.0f, 44100.0f, "MaskerBW"}));

TEST(PreviewLimits, RefuseWhatThePreviewGateCannotHonour)
{
    ExperimentSettings s = Software();
    TestCondition c;
    EXPECT_TRUE(CheckPreviewTone(s, c).Ok());
    s.ToneDuration = 10.0f;  // shorter than the run's ramps is fine for the preview
    s.RiseFall = 5.0f;
    EXPECT_TRUE(CheckPreviewTone(s, c).Ok());
    s.RiseFall = 10.5f;
    EXPECT_EQ(CheckPreviewTone(s, c, ',').Reason(), "RiseFall (10,5 ms) is longer than ToneDuration (10 ms)");
    s.RiseFall = Nan;
    EXPECT_EQ(CheckPreviewTone(s, c).Reason(), "RiseFall is not a finite number of milliseconds");
    s.RiseFall = 20.0f;
    s.ToneDuration = 1.0e6f;
    EXPECT_EQ(CheckPreviewTone(s, c).Reason(), "ToneDuration (1000000 ms) is longer than the noise reservoir (11888 ms)");
    s.ToneDuration = 400.0f;
    c.ToneF = 22049.5f;
    EXPECT_TRUE(CheckPreviewTone(s, c).Ok());
    EXPECT_TRUE(CheckToneFrequency(c).Ok());
    c.ToneF = 30000.0f;
    const std::string aliased =
        "ToneF (30000 Hz) is not below half the sample rate (22050 Hz); it would be played at a wrong frequency";
    EXPECT_EQ(CheckPreviewTone(s, c).Reason(), aliased);
    EXPECT_EQ(CheckToneFrequency(c).Reason(), aliased);
}

}  // namespace

TEST(StimulusResolution, EffectiveBitsCountTheStepsThePeakSpansWithItsSign)
{
    EXPECT_NEAR(EffectiveBits(32767.0, 16), 16.0, 1e-4);  // a full-scale sound
    EXPECT_NEAR(EffectiveBits(32767.0, 24), 24.0, 1e-4);
    EXPECT_DOUBLE_EQ(EffectiveBits(-1.0, 16), 1.0);  // one step, of either sign
    EXPECT_DOUBLE_EQ(EffectiveBits(1.0 / 256.0, 24), 1.0);
    EXPECT_DOUBLE_EQ(EffectiveBits(0.4, 16), 0.0);  // rounds to silence
    EXPECT_DOUBLE_EQ(EffectiveBits(0.0, 24), 0.0);
}

TEST(StimulusResolution, TheRunsToneSeventyDbBelowCalibrationKeepsTooFewBitsEvenAsFloats)
{
    ExperimentSettings settings;
    settings.CalibFactor = 100.0f;
    TestCondition condition;
    condition.ToneSPL = 30.0f;
    // RMS 8000 at -70 dB: a peak of 3.58 steps of a 16-bit sample.
    EXPECT_NEAR(*RunToneBits(settings, condition, 16), 2.84, 0.01);
    EXPECT_NEAR(*RunToneBits(settings, condition, 24), 10.84, 0.01);
    condition.ToneSPL = 90.0f;
    EXPECT_GT(*RunToneBits(settings, condition, 16), FewestEffectiveBits);
    settings.Attenuator = AttenuatorMode::Kc35;  // plays at the reference level
    EXPECT_FALSE(RunToneBits(settings, condition, 16).has_value());
}
