#include "NonFiniteSamples.h"
#include "RuntimeRandom.h"
#include "Wave.h"
#include "WaveSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>

namespace {

Wave Constant(float durationMs, float value)
{
    Wave w(durationMs, 44100);
    w.Fill(value);
    return w;
}

TEST(WaveScale, ClipsAtFullScaleAndSaysSo)
{
    Wave w = WaveOfLength(2);
    w.Samples()[0] = 20000.0f;
    w.Samples()[1] = -20000.0f;
    EXPECT_FALSE(w.Scale(2.0));
    EXPECT_EQ(w.Samples()[0], 32767.0f);
    EXPECT_EQ(w.Samples()[1], -32767.0f);
    EXPECT_TRUE(w.Scale(0.5));
    EXPECT_EQ(w.Samples()[0], 16383.5f);
}

TEST(WaveScale, ZeroDbChangesNothingAndGainsAreInDecibels)
{
    Wave w = Constant(10.0f, 1234.5f);
    EXPECT_TRUE(w.ScaleDb(0.0f));
    EXPECT_EQ(w.Samples()[0], 1234.5f);
    EXPECT_TRUE(w.ScaleDb(-20.0f));
    EXPECT_FLOAT_EQ(w.Samples()[0], 123.45f);
    EXPECT_FALSE(w.ScaleDb(60.0f));  // clipped
    EXPECT_EQ(w.Samples()[0], 32767.0f);
}

TEST(WaveScale, SetRmsReachesTheTargetAndLeavesSilenceAlone)
{
    Wave silent(10.0f, 44100);
    EXPECT_TRUE(silent.SetRms(8000.0f));
    EXPECT_EQ(silent.Peak(), 0.0);
    Wave w = WaveOfLength(4);
    const float v[] = {1.0f, -2.0f, 3.0f, -4.0f};
    std::copy(std::begin(v), std::end(v), w.Samples().begin());
    EXPECT_TRUE(w.SetRms(8000.0f));
    EXPECT_NEAR(w.Rms(), 8000.0, 0.01);
    EXPECT_FALSE(w.SetRms(30000.0f));  // peak 4/sqrt(7.5) x 30000 is beyond full scale
}

TEST(WaveGate, FourHundredMsWithTwentyMsRamps)
{
    Wave w = Constant(400.0f, 1000.0f);
    w.Gate(0.0f, 400.0f, 0.0f, 20.0f);
    const auto s = w.Samples();
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_EQ(s[17639], 0.0f);
    EXPECT_FLOAT_EQ(s[441], 500.0f);
    EXPECT_FLOAT_EQ(s[17639 - 441], 500.0f);
    for (std::uint32_t i = 882; i <= 16757; ++i) {
        ASSERT_EQ(s[i], 1000.0f) << i;
    }
    for (std::uint32_t i = 1; i < 882; ++i) {
        ASSERT_LT(s[i - 1], s[i]) << i;
        ASSERT_EQ(s[i], s[17639 - i]) << i;
    }
}

// Gates of different ramps one after another, as the run, the preview and the calibration
// tone give them: each ramp has its own raised-cosine weights, also ramps longer than the
// wave, which overlap (the rising ramp's weight first, then the falling one's).
TEST(WaveGate, EachGateWeighsByItsOwnRamp)
{
    for (const float rampMs : {20.0f, 10.0f, 20.0f, 500.0f}) {
        Wave w = Constant(400.0f, 1000.0f);
        w.Gate(0.0f, 400.0f, 0.0f, rampMs);
        const auto k = static_cast<std::uint32_t>(rampMs * 44.1f);
        const auto weight = [k](std::uint32_t i) {
            return (1.0 - std::cos(3.1415927 / static_cast<double>(k) * i)) * 0.5;
        };
        const std::uint32_t last = w.SampleCount() - 1;
        for (const std::uint32_t i : {1u, k / 3, k / 2, k - 1}) {
            if (i > last) {
                continue;
            }
            float expected = static_cast<float>(1000.0f * weight(i));
            if (last - i < k) {
                expected = static_cast<float>(expected * weight(last - i));
            }
            ASSERT_EQ(w.Samples()[i], expected) << rampMs << " ms, sample " << i;
        }
    }
}

TEST(WaveGate, RunToneSitsInTheMiddleOfTheMasker)
{
    Wave w = Constant(600.0f, 1000.0f);
    w.Gate(100.0f, 400.0f, 100.0f, 20.0f);
    const auto s = w.Samples();
    for (std::uint32_t i = 0; i < 26460; ++i) {
        if (i < 4410 || i >= 22050) {
            ASSERT_EQ(s[i], 0.0f) << i;
        }
    }
    EXPECT_EQ(s[4410], 0.0f);  // first sample of the rising ramp
    EXPECT_GT(s[4411], 0.0f);
    EXPECT_EQ(s[22049], 0.0f);  // last sample of the falling ramp
    EXPECT_GT(s[22048], 0.0f);
    EXPECT_EQ(s[4410 + 882], 1000.0f);
}

TEST(WaveGate, LeavesSamplesAfterTheTrailingSilenceAlone)
{
    Wave w = Constant(600.0f, 1000.0f);
    w.Gate(0.0f, 200.0f, 100.0f, 0.0f);
    EXPECT_EQ(w.Samples()[8819], 1000.0f);
    EXPECT_EQ(w.Samples()[8820], 0.0f);
    EXPECT_EQ(w.Samples()[13229], 0.0f);
    EXPECT_EQ(w.Samples()[13230], 1000.0f);
}

using GateArgs = std::tuple<float, float, float, float>;

class HostileGate : public testing::TestWithParam<GateArgs> {};

// Whatever the durations, the gate touches only the buffer, leaves no sample larger than
// before and makes no NaN.
TEST_P(HostileGate, StaysInsideTheBuffer)
{
    const auto [leading, on, trailing, ramp] = GetParam();
    for (const float durationMs : {0.0f, 1.0f, 600.0f}) {
        Wave w = Constant(durationMs, 1000.0f);
        w.Gate(leading, on, trailing, ramp);
        EXPECT_EQ(w.SampleCount(), Wave(durationMs, 44100).SampleCount());
        for (float s : w.Samples()) {
            ASSERT_FALSE(std::isnan(s));
            ASSERT_GE(s, 0.0f);
            ASSERT_LE(s, 1000.0f);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, HostileGate,
    testing::Values(GateArgs{0.0f, 600.0f, 0.0f, 400.0f},  // ramps longer than half the on-time
                    GateArgs{0.0f, 100.0f, 0.0f, 1.0e6f},   // ramp far longer than the buffer
                    GateArgs{500.0f, 400.0f, 500.0f, 20.0f}, // on-time running past the end
                    GateArgs{1.0e9f, 1.0e9f, 1.0e9f, 1.0e9f}, GateArgs{Inf, Inf, Inf, Inf},
                    GateArgs{-100.0f, -400.0f, -100.0f, -20.0f}, GateArgs{Nan, Nan, Nan, Nan},
                    GateArgs{0.0f, Nan, 0.0f, 20.0f}, GateArgs{-Inf, 600.0f, 0.0f, 20.0f},
                    GateArgs{0.0f, 600.0f, Inf, 20.0f}));

// Fills a source with its own indices so the added section reveals where it started.
Wave IndexedSource(std::uint32_t count)
{
    Wave source = WaveOfLength(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        source.Samples()[i] = static_cast<float>(i);
    }
    return source;
}

// The start the section must have: three runtime draws as one 45-bit number, drawn again in the
// incomplete last round of the number of starts, reduced modulo that number.
std::uint32_t ExpectedStart(std::uint32_t seed, std::uint64_t starts)
{
    RuntimeRandom reference;
    reference.Seed(seed);
    const std::uint64_t range = std::uint64_t{1} << 45;
    for (;;) {
        const std::uint64_t a = reference.Next(), b = reference.Next(), c = reference.Next();
        const std::uint64_t value = a * 32768 * 32768 + b * 32768 + c;
        if (value < range - range % starts) {
            return static_cast<std::uint32_t>(value % starts);
        }
    }
}

class RandomSection : public testing::TestWithParam<std::uint32_t> {};

TEST_P(RandomSection, StartsAnywhereTheSectionFitsUpToTheSourcesEnd)
{
    const std::uint32_t sourceSamples = GetParam();
    const std::uint32_t lastStart = sourceSamples - 26460u;
    const Wave source = IndexedSource(sourceSamples);
    std::uint32_t smallest = lastStart;
    std::uint32_t largest = 0;
    for (std::uint32_t seed = 0; seed < 3000; ++seed) {
        SharedRuntimeRandom().Seed(seed * 7919u);
        Wave masker(600.0f, 44100);
        masker.AddRandomSection(source, 0.0f, 600.0f);
        const auto start = static_cast<std::uint32_t>(masker.Samples()[0]);
        ASSERT_EQ(start, ExpectedStart(seed * 7919u, lastStart + 1u));
        ASSERT_LE(start, lastStart);
        ASSERT_EQ(masker.Samples()[26459], static_cast<float>(start + 26459));
        smallest = std::min(smallest, start);
        largest = std::max(largest, start);
    }
    // The draws cover the whole source: both ends are reached within a thousandth of it.
    EXPECT_LE(smallest, lastStart / 1000);
    EXPECT_GE(largest, lastStart - lastStart / 1000);
}

// The run's reservoir, and a source three samples longer than the section: all four starts.
INSTANTIATE_TEST_SUITE_P(Sources, RandomSection, testing::Values(524288u, 26460u + 3u));

TEST(RandomSectionEdge, EveryStartOfAShortSourceIsEquallyLikely)
{
    const Wave source = IndexedSource(26460 + 3);
    std::array<int, 4> counts{};
    SharedRuntimeRandom().Seed(11);
    for (int i = 0; i < 8000; ++i) {
        Wave masker(600.0f, 44100);
        masker.AddRandomSection(source, 0.0f, 600.0f);
        ++counts.at(static_cast<std::size_t>(masker.Samples()[0]));
    }
    for (const int count : counts) {
        EXPECT_NEAR(count, 2000, 200);  // about 4.5 standard deviations
    }
}

TEST(RandomSectionEdge, SourceExactlyAsLongAsTheSectionStartsAtZero)
{
    const Wave source = IndexedSource(26460);
    Wave masker(600.0f, 44100);
    masker.AddRandomSection(source, 0.0f, 600.0f);
    EXPECT_EQ(masker.Samples()[0], 0.0f);
    EXPECT_EQ(masker.Samples()[26459], 26459.0f);
}

TEST(RandomSectionEdge, AddsAtTheOffsetAndKeepsTheRest)
{
    const Wave source = IndexedSource(26460);
    Wave masker = Constant(600.0f, 1.0f);
    masker.AddRandomSection(source, 100.0f, 400.0f);
    EXPECT_EQ(masker.Samples()[4409], 1.0f);
    EXPECT_GE(masker.Samples()[4410], 1.0f);
    EXPECT_EQ(masker.Samples()[4410 + 17640], 1.0f);
}

TEST(RandomSectionEdge, EmptyOrNonsenseLengthsAddNothing)
{
    const Wave source = IndexedSource(1000);
    for (const float length : {0.0f, -600.0f, Nan, -Inf}) {
        Wave masker = Constant(10.0f, 1.0f);
        masker.AddRandomSection(source, Nan, length);
        for (float s : masker.Samples()) {
            ASSERT_EQ(s, 1.0f) << length;
        }
    }
}

TEST(RandomSection, SectionsThatDoNotFitAreRefusedBeforeASampleChanges)
{
    const Wave reservoir = WaveOfLength(524288);
    struct Misuse {
        float MaskerMs;
        int Rate;
        float OffsetMs;
        float LengthMs;
        const char* Reason;
    };
    for (const Misuse& m : {Misuse{12000.0f, 44100, 0.0f, 12000.0f, "a section of 529200 samples is longer than its source of 524288"},
                            Misuse{600.0f, 44100, 100.0f, 600.0f, "a section does not fit the sound it is added to"},
                            Misuse{600.0f, 44100, 0.0f, Inf, "a section does not fit the sound it is added to"},
                            Misuse{1200.0f, 22050, 0.0f, 600.0f, "a section's sample rate is not the sound's"}}) {
        Wave masker(m.MaskerMs, m.Rate);
        const std::vector<float> before(masker.Samples().begin(), masker.Samples().end());
        try {
            masker.AddRandomSection(reservoir, m.OffsetMs, m.LengthMs);
            ADD_FAILURE() << m.Reason << ": nothing refused";
        } catch (const std::logic_error& error) {
            EXPECT_EQ(error.what(), "A sound could not be made: " + std::string(m.Reason) + ".");
        }
        EXPECT_TRUE(std::equal(before.begin(), before.end(), masker.Samples().begin(), masker.Samples().end()));
    }
}

}  // namespace
