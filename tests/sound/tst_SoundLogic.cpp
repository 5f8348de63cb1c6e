#include "OutputDeviceChoice.h"
#include "PcmStreamFeed.h"
#include "PlayTwoChannel.h"
#include "RecordingSoundOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct InterleaveCase {
    const char* Name;
    std::vector<std::int16_t> Left;
    std::vector<std::int16_t> Right;
    std::vector<std::int16_t> Interleaved;
};

TEST(PlayTwoChannel, InterleavesLeftThenRightAndPlaysOneBuffer)
{
    std::vector<std::int16_t> longLeft(26460), longRight(26460), longBoth;
    for (std::size_t i = 0; i < longLeft.size(); ++i) {
        longLeft[i] = static_cast<std::int16_t>(i);
        longRight[i] = static_cast<std::int16_t>(-static_cast<int>(i) - 1);
        longBoth.push_back(longLeft[i]);
        longBoth.push_back(longRight[i]);
    }
    const InterleaveCase cases[] = {
        {"empty", {}, {}, {}},
        {"one frame", {5}, {-7}, {5, -7}},
        {"extremes", {32767, -32768, 0}, {-32768, 0, 32767}, {32767, -32768, -32768, 0, 0, 32767}},
        {"600 ms", longLeft, longRight, longBoth},
    };
    for (const InterleaveCase& c : cases) {
        SCOPED_TRACE(c.Name);
        RecordingSoundOutput output;
        const std::int16_t none[1] = {0};
        const std::int16_t* left = c.Left.empty() ? none : c.Left.data();
        const std::int16_t* right = c.Right.empty() ? none : c.Right.data();
        ASSERT_EQ(PlayTwoChannel(output, 44100, static_cast<std::uint32_t>(c.Left.size()), left, right), 0);
        ASSERT_EQ(output.Played().size(), 1u);
        EXPECT_EQ(output.Played()[0].Samples, c.Interleaved);
        EXPECT_EQ(output.Played()[0].SampleRate, 44100);
        EXPECT_EQ(output.Played()[0].Channels, 2);
    }
}

TEST(PlayTwoChannel, PassesTheDevicesRefusalOn)
{
    RecordingSoundOutput output;
    output.FailWith(SoundFailure::CannotOpen);
    const std::int16_t left[2] = {1, 2};
    const std::int16_t right[2] = {3, 4};
    testing::internal::CaptureStderr();
    EXPECT_EQ(PlayTwoChannel(output, 44100, 2, left, right), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open waveform output device\n");
}

struct FailureCase {
    SoundFailure Failure;
    const char* Message;
};

TEST(RecordingSoundOutput, FailsLikeADeviceWhenToldTo)
{
    const FailureCase cases[] = {
        {SoundFailure::UnsupportedFormat, "Unsupported waveform format/rate\n"},
        {SoundFailure::CannotOpen, "Unable to open waveform output device\n"},
        {SoundFailure::WriteError, "Error on write to wave out device\n"},
    };
    const std::vector<std::int16_t> samples{1, 2, 3, 4};
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.Message);
        RecordingSoundOutput output;
        int heard = 0;
        output.SetObserver([&](const PlayedSound&) { ++heard; });
        output.FailWith(c.Failure);
        testing::internal::CaptureStderr();
        EXPECT_EQ(output.PlayPcm(samples.data(), 8, 44100, 2, 2), -1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.Message);
        EXPECT_TRUE(output.Played().empty());
        EXPECT_EQ(heard, 0);
        EXPECT_EQ(output.FailedCount(), 1);

        output.FailWith(SoundFailure::None);
        EXPECT_EQ(output.PlayPcm(samples.data(), 8, 44100, 2, 2), 0);
        EXPECT_EQ(heard, 1);
    }
}

TEST(RecordingSoundOutput, RefusesWhatNoDeviceCouldPlay)
{
    struct Case {
        const char* Name;
        const std::int16_t* Buffer;
        int LengthBytes, SampleRate, BytesPerSample, Channels;
        const char* Message;
    };
    const std::int16_t samples[4] = {1, 2, 3, 4};
    const Case cases[] = {
        {"8 bits", samples, 8, 44100, 1, 2, "Unsupported waveform format/rate\n"},
        {"24 bits", samples, 8, 44100, 3, 2, "Unsupported waveform format/rate\n"},
        {"no channels", samples, 8, 44100, 2, 0, "Unsupported waveform format/rate\n"},
        {"negative rate", samples, 8, -44100, 2, 2, "Unsupported waveform format/rate\n"},
        {"negative length", samples, -8, 44100, 2, 2, "Error on write to wave out device\n"},
        {"no buffer", nullptr, 8, 44100, 2, 2, "Error on write to wave out device\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        RecordingSoundOutput output;
        testing::internal::CaptureStderr();
        EXPECT_EQ(output.PlayPcm(c.Buffer, c.LengthBytes, c.SampleRate, c.BytesPerSample, c.Channels), -1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.Message);
        EXPECT_TRUE(output.Played().empty());
    }
}

TEST(RecordingSoundOutput, KeepsWholeFramesAndTellsTheObserverOfEach)
{
    RecordingSoundOutput output;
    std::vector<std::size_t> heardSizes;
    output.SetObserver([&](const PlayedSound& s) { heardSizes.push_back(s.Samples.size()); });
    const std::int16_t samples[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(output.PlayPcm(samples, 12, 22050, 2, 2), 0);
    EXPECT_EQ(output.PlayPcm(samples, 11, 44100, 2, 2), 0);  // a torn last frame is not played
    EXPECT_EQ(output.PlayPcm(samples, 6, 8000, 2, 1), 0);
    ASSERT_EQ(output.Played().size(), 3u);
    EXPECT_EQ(output.Played()[0].Samples, (std::vector<std::int16_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(output.Played()[1].Samples, (std::vector<std::int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(output.Played()[2].Samples, (std::vector<std::int16_t>{1, 2, 3}));
    EXPECT_EQ(output.Played()[2].Channels, 1);
    EXPECT_EQ(output.Played()[0].SampleRate, 22050);
    EXPECT_EQ(heardSizes, (std::vector<std::size_t>{6, 4, 3}));
}

struct ChoiceCase {
    const char* Wanted;
    int DefaultIndex;
    int Expected;
};

TEST(ChooseOutputDevice, FindsTheNamedHostApiOrDevice)
{
    const std::vector<OutputDeviceEntry> devices = {
        {"HDA Intel PCH: ALC892 Analog (hw:0,0)", "ALSA", 2, false},
        {"jack", "ALSA", 32, false},
        {"default", "ALSA", 32, true},
        {"Built-in Microphone", "ALSA", 0, false},
        {"system", "JACK Audio Connection Kit", 2, true},
        {"quorvex-rec-12", "JACK Audio Connection Kit", 2, false},
    };
    const ChoiceCase cases[] = {
        {"", 2, 2},
        {"", 3, -1},          // a default without outputs
        {"", -1, -1},         // no default device at all
        {"", 99, -1},
        {"JACK", 2, 4},       // the host API wins over the ALSA device called "jack"
        {"jack audio", 2, 4},
        {"alc892", 2, 0},
        {"quorvex-rec", 2, 5},
        {"Microphone", 2, -1},
        {"no such device", 2, -1},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(std::string("wanted '") + c.Wanted + "'");
        EXPECT_EQ(ChooseOutputDevice(devices, c.DefaultIndex, c.Wanted), c.Expected);
    }
    EXPECT_EQ(ChooseOutputDevice({}, -1, "JACK"), -1);
}

TEST(PcmStreamFeed, HandsOverEveryFrameOnceThenSilenceUntilTheLastHasPlayed)
{
    const std::vector<std::int16_t> samples{1, -1, 2, -2, 3, -3, 4, -4, 5, -5};
    for (std::size_t block : {1u, 2u, 3u, 5u, 64u}) {
        SCOPED_TRACE(block);
        PcmStreamFeed feed(samples.data(), 5, 2, 1000);
        const auto t0 = PcmStreamFeed::Clock::time_point(1s);
        std::vector<std::int16_t> played;
        bool last = false;
        int calls = 0;
        int handingOverCalls = 0;
        while (!last && calls < 20) {
            std::vector<std::int16_t> out(block * 2, 99);
            last = feed.Fill(out.data(), block, t0 + calls * 1ms, 3ms);
            played.insert(played.end(), out.begin(), out.end());
            ++calls;
            handingOverCalls += feed.HandedOver() ? 0 : 1;
        }
        ASSERT_TRUE(last);
        EXPECT_EQ(handingOverCalls + 1, static_cast<int>((5 + block - 1) / block));
        std::vector<std::int16_t> expected = samples;
        expected.resize(played.size(), 0);
        EXPECT_EQ(played, expected);
        EXPECT_EQ(feed.FirstCallback(), t0);
        EXPECT_FALSE(feed.Finished());
        feed.MarkFinished();
        EXPECT_TRUE(feed.Finished());
        // The last block's converter time plus its frames, and never before the whole duration.
        const int inLast = 5 - handingOverCalls * static_cast<int>(block);
        const PcmStreamFeed::Clock::time_point lastAtDac = t0 + handingOverCalls * 1ms + 3ms + inLast * 1ms;
        EXPECT_EQ(feed.PlayedBy(), std::max<PcmStreamFeed::Clock::time_point>(lastAtDac, t0 + 5ms));
        // The stream ends at the first block asked for once the last frame has been played.
        EXPECT_EQ(t0 + (calls - 1) * 1ms, lastAtDac);
    }
}

TEST(PcmStreamFeed, EmptySoundEndsAtTheFirstBlock)
{
    PcmStreamFeed feed(nullptr, 0, 2, 44100);
    std::vector<std::int16_t> out(8, 99);
    const auto t0 = PcmStreamFeed::Clock::time_point(1s);
    EXPECT_TRUE(feed.Fill(out.data(), 4, t0, 2ms));
    EXPECT_EQ(out, std::vector<std::int16_t>(8, 0));
    EXPECT_EQ(feed.PlayedBy(), t0 + 2ms);
}

}  // namespace
