#include "NonFiniteSamples.h"
#include "Pcm16.h"
#include "RecordingSoundOutput.h"
#include "Wave.h"
#include "WaveSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

Wave WaveOf(std::initializer_list<float> values, int rate = 44100)
{
    Wave result = WaveOfLength(static_cast<std::uint32_t>(values.size()), rate);
    std::copy(values.begin(), values.end(), result.Samples().begin());
    return result;
}

TEST(Wave, DefaultIsHalfASecondOfSilenceAt20kHz)
{
    const Wave w;
    EXPECT_EQ(w.SampleRate(), 20000);
    EXPECT_EQ(w.SampleCount(), 10000u);
    EXPECT_EQ(w.Peak(), 0.0);
}

struct LengthCase {
    float durationMs;
    std::uint32_t samples;
};

class WaveLength : public testing::TestWithParam<LengthCase> {};

TEST_P(WaveLength, IsRateTimesDurationTruncated)
{
    const Wave w(GetParam().durationMs, 44100);
    EXPECT_EQ(w.SampleCount(), GetParam().samples);
    EXPECT_EQ(w.Samples().size(), GetParam().samples);
    for (float s : w.Samples()) {
        ASSERT_EQ(s, 0.0f);
    }
}

// Durations that are negative or not numbers make an empty buffer, never a huge one.
INSTANTIATE_TEST_SUITE_P(Durations, WaveLength,
                         testing::Values(LengthCase{400.0f, 17640}, LengthCase{600.0f, 26460},
                                         LengthCase{1000.0f, 44100}, LengthCase{0.0f, 0},
                                         LengthCase{0.01f, 0}, LengthCase{-600.0f, 0}, LengthCase{Nan, 0},
                                         LengthCase{-Inf, 0}));

TEST(Wave, RefusesALengthBeyondWhatItCanHold)
{
    EXPECT_THROW(Wave(Inf, 44100), std::length_error);
    EXPECT_THROW(Wave(1.0e9f, 44100), std::length_error);
}

TEST(Wave, CopyOwnsItsSamples)
{
    Wave a(10.0f, 44100);
    Wave b = a;
    b.Samples()[0] = 5.0f;
    EXPECT_EQ(a.Samples()[0], 0.0f);
}

TEST(Wave, PeakKeepsTheFirstLargestMagnitudeWithItsSign)
{
    EXPECT_EQ(WaveOf({1.0f, -3.0f, 3.0f, 2.0f}).Peak(), -3.0);
    EXPECT_EQ(WaveOf({1.0f, 3.0f, -3.0f}).Peak(), 3.0);
    EXPECT_DOUBLE_EQ(WaveOf({3.0f, -4.0f, 3.0f, -4.0f}).Rms(), std::sqrt(12.5));
    EXPECT_EQ(Wave(0.0f, 44100).Rms(), 0.0);
}

// Over many blocks of samples too: the first of two equal magnitudes in different blocks, a
// NaN never, an infinity before any finite value, and 0 for a wave of NaNs.
TEST(Wave, PeakKeepsTheFirstLargestMagnitudeAcrossALongWave)
{
    Wave w = WaveOfLength(5000);
    w.Samples()[10] = Nan;
    w.Samples()[1500] = -7.0f;
    w.Samples()[3000] = 7.0f;
    w.Samples()[4999] = 6.5f;
    EXPECT_EQ(w.Peak(), -7.0);
    w.Samples()[4000] = -Inf;
    EXPECT_EQ(w.Peak(), -Inf);
    EXPECT_EQ(WaveOf({Nan, Nan, -0.0f}).Peak(), 0.0);
}

TEST(Wave, FillLimitsFromAbove)
{
    Wave w(10.0f, 44100);
    EXPECT_FALSE(w.Fill(40000.0f));
    for (float s : w.Samples()) {
        ASSERT_EQ(s, 32767.0f);
    }
    EXPECT_TRUE(w.Fill(0.0f));
    EXPECT_EQ(w.Peak(), 0.0);
}

TEST(Wave, AddIntoALongerWaveChangesOnlyTheOverlap)
{
    Wave big = WaveOfLength(200);
    Wave small = WaveOfLength(100);
    small.Fill(2.0f);
    big.Fill(1.0f);
    big.Add(small);
    for (std::uint32_t i = 0; i < 200; ++i) {
        ASSERT_EQ(big.Samples()[i], i < 100 ? 3.0f : 1.0f) << i;
    }
    big.AddConstant(-1.0f);
    EXPECT_EQ(big.Samples()[0], 2.0f);
    EXPECT_EQ(big.Samples()[199], 0.0f);
}

TEST(Wave, MultiplyIsSampleBySample)
{
    Wave a = WaveOf({1.0f, 2.0f, -3.0f});
    a.Multiply(WaveOf({4.0f, 0.5f, 2.0f}));
    EXPECT_EQ(a.Samples()[0], 4.0f);
    EXPECT_EQ(a.Samples()[1], 1.0f);
    EXPECT_EQ(a.Samples()[2], -6.0f);
}

// No input reaches a misused operation; if the program ever did, the operation stops with a
// message for the operator before it touches a sample, and the program goes on.
TEST(Wave, MisusedArithmeticIsRefusedWithItsReason)
{
    const Wave at44(600.0f, 44100);
    const Wave at22(1200.0f, 22050);
    ASSERT_EQ(at44.SampleCount(), at22.SampleCount());
    const auto reason = [](const std::function<void()>& misuse) -> std::string {
        try {
            misuse();
        } catch (const std::logic_error& error) {
            return error.what();
        }
        return "nothing refused";
    };
    Wave w = at44;
    EXPECT_EQ(reason([&] { w.Multiply(at22); }), "A sound could not be made: Waveform sample frequencies are not equal.");
    EXPECT_EQ(reason([&] { w.Multiply(Wave(400.0f, 22050)); }),
              "A sound could not be made: Waveforms are of different length.");
    Wave shorter(100.0f, 44100);
    EXPECT_EQ(reason([&] { shorter.Add(Wave(200.0f, 44100)); }),
              "A sound could not be made: Original waveform is longer than that to be added.");
    EXPECT_EQ(reason([&] { w.Add(at22); }), "A sound could not be made: Waveform sample frequencies are not equal.");
    EXPECT_TRUE(std::equal(w.Samples().begin(), w.Samples().end(), at44.Samples().begin(), at44.Samples().end()))
        << "a refused operation changes nothing";
}

struct PcmCase {
    float sample;
    std::int16_t value;
};

class Pcm16Conversion : public testing::TestWithParam<PcmCase> {};

TEST_P(Pcm16Conversion, TruncatesTowardZeroAndSaturates)
{
    EXPECT_EQ(ToPcm16(GetParam().sample), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, Pcm16Conversion,
    testing::Values(PcmCase{1000.9f, 1000}, PcmCase{-1000.9f, -1000}, PcmCase{0.9f, 0}, PcmCase{-0.9f, 0},
                    PcmCase{32767.0f, 32767}, PcmCase{32767.9f, 32767}, PcmCase{32768.0f, 32767},
                    PcmCase{40000.0f, 32767}, PcmCase{-32768.0f, -32768}, PcmCase{-32768.5f, -32768},
                    PcmCase{-40000.0f, -32768}, PcmCase{Inf, 32767}, PcmCase{-Inf, -32768}, PcmCase{Nan, 0}));

TEST(WavePlayStereo, SendsBothChannelsInterleavedAndSaturated)
{
    const Wave left = WaveOf({1000.9f, 40000.0f, -40000.0f});
    const Wave right = WaveOf({-1000.9f, 32768.0f});  // one sample short: padded with silence
    RecordingSoundOutput output;
    EXPECT_EQ(left.PlayStereo(output, left, right).Value(), SoundPlayed::Whole);
    ASSERT_EQ(output.Played().size(), 1u);
    EXPECT_EQ(output.Played()[0].SampleRate, 44100);
    EXPECT_EQ(output.Played()[0].Channels, 2);
    EXPECT_EQ(output.Played()[0].Samples, (std::vector<std::int16_t>{1000, -1000, 32767, 32767, -32768, 0}));
}

// A left channel shorter than the right one, and both shorter than the wave: silence after each.
TEST(WavePlayStereo, PadsEitherChannelWithSilence)
{
    const Wave frame = WaveOf({0.0f, 0.0f, 0.0f, 0.0f});
    RecordingSoundOutput output;
    EXPECT_TRUE(frame.PlayStereo(output, WaveOf({5.0f}), WaveOf({-6.0f, 7.0f, -8.0f})).Ok());
    ASSERT_EQ(output.Played().size(), 1u);
    EXPECT_EQ(output.Played()[0].Samples, (std::vector<std::int16_t>{5, -6, 0, 7, 0, -8, 0, 0}));
}

TEST(WavePlayStereo, TellsTheCallerWhenTheDeviceDidNotPlay)
{
    const Wave w(600.0f, 44100);
    RecordingSoundOutput output;
    output.FailWith(SoundFailure::CannotOpen);
    testing::internal::CaptureStderr();
    EXPECT_EQ(w.PlayStereo(output, w, w).Reason(), "Unable to open waveform output device");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open waveform output device\n");
    EXPECT_EQ(output.FailedCount(), 1);
}

}  // namespace
