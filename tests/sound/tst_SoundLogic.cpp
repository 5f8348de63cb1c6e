#include "OutputDeviceChoice.h"
#include "OutputDeviceStatus.h"
#include "PlayTwoChannel.h"
#include "RecordingSoundOutput.h"
#include "StreamTimeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {


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
        ASSERT_EQ(PlayTwoChannel(output, 44100, static_cast<std::uint32_t>(c.Left.size()), left, right).Value(),
                  SoundPlayed::Whole);
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
    EXPECT_FALSE(PlayTwoChannel(output, 44100, 2, left, right).Ok());
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
        EXPECT_FALSE(output.PlayPcm(samples.data(), 8, 44100, 2, 2).Ok());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.Message);
        EXPECT_TRUE(output.Played().empty());
        EXPECT_EQ(heard, 0);
        EXPECT_EQ(output.FailedCount(), 1);

        output.FailWith(SoundFailure::None);
        EXPECT_EQ(output.PlayPcm(samples.data(), 8, 44100, 2, 2).Value(), SoundPlayed::Whole);
        EXPECT_EQ(heard, 1);
    }
}

TEST(SoundMessages, SaysEachMessageOnceOnALineOfItsOwn)
{
    SoundMessages messages;
    testing::internal::CaptureStderr();
    for (int sound = 0; sound < 3; ++sound) {
        messages.Say("No sound output device matches AudioDevice=x");
        messages.Report(SoundFailure::UnsupportedFormat);
        messages.Report(SoundFailure::None);
    }
    messages.Report(SoundFailure::WriteError);
    messages.Report(SoundFailure::UnsupportedFormat);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No sound output device matches AudioDevice=x\n"
                                                      "Unsupported waveform format/rate\n"
                                                      "Error on write to wave out device\n");
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
        EXPECT_FALSE(output.PlayPcm(c.Buffer, c.LengthBytes, c.SampleRate, c.BytesPerSample, c.Channels).Ok());
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
    EXPECT_EQ(output.PlayPcm(samples, 12, 22050, 2, 2).Value(), SoundPlayed::Whole);
    EXPECT_EQ(output.PlayPcm(samples, 11, 44100, 2, 2).Value(), SoundPlayed::Whole);  // a torn last frame is not played
    EXPECT_EQ(output.PlayPcm(samples, 6, 8000, 2, 1).Value(), SoundPlayed::Whole);
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

    // What the operator is told the program tried.
    EXPECT_EQ(DescribeOutputDeviceChoice(devices, 2, "JACK"), "\"system\" of JACK Audio Connection Kit (device 4)");
    EXPECT_EQ(DescribeOutputDeviceChoice(devices, 2, "nosuch"),
              "AudioDevice=nosuch, which matches no sound output device");
    EXPECT_EQ(DescribeOutputDeviceChoice(devices, -1, ""), "the default sound output device, but there is none");
}

std::vector<std::int16_t> Played(StreamTimeline& timeline, std::size_t block, int blocks)
{
    std::vector<std::int16_t> played;
    for (int b = 0; b < blocks; ++b) {
        std::vector<float> out(block * 2, 99.0f);
        timeline.Fill(out.data(), block, 0.5 + b);
        played.insert(played.end(), out.begin(), out.end());
    }
    return played;
}

std::vector<float> Floats(const std::vector<std::int16_t>& samples)
{
    return {samples.begin(), samples.end()};
}

// The status from the device list and what the probes find, without a sound server: why nothing
// can play, or the resolution the program's samples keep on the device.
TEST(AssessOutputDevice, SaysWhyNothingCanPlayOrHowManyBitsTheSamplesKeep)
{
    const OutputDeviceList list{{{"default", "ALSA", 2, true, 48000.0}, {"system", "JACK Audio Connection Kit", 2, true, 44100.0}},
                                0};
    struct Case {
        const char* Wanted;
        bool JackRunning;
        bool TakesRate;
        bool TakesFloat;
        int SampleBits;  // 0: cannot play
        const char* Reason;
    };
    const Case cases[] = {
        {"", false, true, true, FloatStreamBits, ""},  // ALSA's default: the JACK server does not matter
        {"", true, true, false, 16, ""},
        {"JACK", true, true, true, FloatStreamBits, ""},
        {"JACK", false, true, true, 0, "the JACK sound server is not running"},
        {"Nothing", true, true, true, 0, "AudioDevice=Nothing matches no sound output device"},
        {"", true, false, true, 0,
         "\"default\" of ALSA does not take 44100 Hz (it runs at 48000 Hz); Quorvex plays at 44100 Hz only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("AudioDevice=") + c.Wanted + (c.JackRunning ? ", JACK running" : ""));
        OutputDeviceProbes probes;
        probes.TakesPlaybackRate = [&c](int) { return c.TakesRate; };
        probes.TakesFloat = [&c](int) { return c.TakesFloat; };
        probes.JackServerRunning = [&c] { return c.JackRunning; };
        const OutputDeviceStatus status = AssessOutputDevice(list, c.Wanted, probes);
        EXPECT_EQ(status.CanPlay, c.SampleBits > 0);
        EXPECT_EQ(status.SampleBits, c.SampleBits);
        EXPECT_EQ(status.Reason, c.Reason);
    }
}

TEST(StreamTimeline, HandsOverEveryFrameOnceAtItsFrameThenSilence)
{
    const std::vector<std::int16_t> samples{1, -1, 2, -2, 3, -3, 4, -4, 5, -5};
    for (std::size_t block : {1u, 2u, 3u, 5u, 64u}) {
        SCOPED_TRACE(block);
        StreamTimeline timeline(2, 100);
        const int ticket = timeline.Queue(Floats(samples), SoundStart::AtFrame(103), false);
        const std::vector<std::int16_t> played = Played(timeline, block, static_cast<int>((8 + block - 1) / block) + 1);
        std::vector<std::int16_t> expected(6, 0);
        expected.insert(expected.end(), samples.begin(), samples.end());
        expected.resize(played.size(), 0);
        EXPECT_EQ(played, expected);
        const StreamTimeline::Progress p = timeline.Of(ticket);
        EXPECT_EQ(p.Now, StreamTimeline::State::HandedOver);
        EXPECT_EQ(p.Onset, 103);
        EXPECT_EQ(p.LastFrame, 107);
        EXPECT_EQ(p.LateFrames, 0);
        std::int64_t first = 0;
        double dac = 0.0;
        ASSERT_TRUE(timeline.LastBlock(first, dac));
        EXPECT_EQ(first + static_cast<std::int64_t>(block), timeline.HandedOver());
    }
}

TEST(StreamTimeline, SilenceAfterThePreviousSoundIsExactAndALateOrHeldSoundPlaysWhole)
{
    const std::vector<std::int16_t> a{1, 1, 2, 2, 3, 3};
    const std::vector<std::int16_t> b{7, 7, 8, 8};
    for (std::int64_t gap : {0, 1, 5}) {
        SCOPED_TRACE(gap);
        StreamTimeline timeline(2, 0);
        timeline.Queue(Floats(a), SoundStart::AtFrame(2), false);
        const int second = timeline.Queue(Floats(b), SoundStart::AfterPrevious(gap), false);
        EXPECT_EQ(timeline.ExpectedOnset(second, 0), 2 + 3 + gap);
        std::vector<std::int16_t> expected{0, 0, 0, 0, 1, 1, 2, 2, 3, 3};
        expected.resize(expected.size() + 2 * static_cast<std::size_t>(gap), 0);
        expected.insert(expected.end(), b.begin(), b.end());
        const std::vector<std::int16_t> played = Played(timeline, 3, 6);
        ASSERT_LE(expected.size(), played.size());
        EXPECT_EQ(std::vector<std::int16_t>(played.begin(), played.begin() + static_cast<long>(expected.size())), expected);
        EXPECT_EQ(timeline.Of(second).LateFrames, 0);
    }
    // Asked for frame 1 when frame 4 is next: it starts at 4, whole, 3 frames late.
    StreamTimeline late(2, 0);
    Played(late, 4, 1);
    const int ticket = late.Queue(Floats(b), SoundStart::AtFrame(1), false);
    EXPECT_EQ(Played(late, 4, 1), (std::vector<std::int16_t>{7, 7, 8, 8, 0, 0, 0, 0}));
    EXPECT_EQ(late.Of(ticket).Onset, 4);
    EXPECT_EQ(late.Of(ticket).LateFrames, 3);
    // A held sound waits for its release, and so does everything queued after it.
    StreamTimeline held(2, 0);
    const int first = held.Queue(Floats(a), SoundStart::Now(), true);
    const int next = held.Queue(Floats(b), SoundStart::AfterPrevious(0), false);
    EXPECT_EQ(Played(held, 4, 1), std::vector<std::int16_t>(8, 0));
    held.Release(first);
    EXPECT_EQ(Played(held, 4, 2), (std::vector<std::int16_t>{1, 1, 2, 2, 3, 3, 7, 7, 8, 8, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(held.Of(first).Onset, 4);
    EXPECT_EQ(held.Of(next).Onset, 7);
}

TEST(StreamTimeline, EmptySoundEndsWhereItStartsAndAFullQueueRefuses)
{
    StreamTimeline timeline(2, 0);
    const int empty = timeline.Queue({}, SoundStart::Now(), false);
    EXPECT_EQ(Played(timeline, 4, 1), std::vector<std::int16_t>(8, 0));
    EXPECT_EQ(timeline.Of(empty).Now, StreamTimeline::State::HandedOver);
    EXPECT_EQ(timeline.Of(empty).LastFrame, -1);
    for (int i = 0; i < StreamTimeline::Capacity; ++i) {
        EXPECT_GE(timeline.Queue({1, 1}, SoundStart::Now(), true), 0);
    }
    EXPECT_EQ(timeline.Queue({1, 1}, SoundStart::Now(), false), -1);
}

}  // namespace
