// Sounds played through PortAudio on a JACK server with the dummy driver, recorded by a JACK
// client of the test's own. scripts/test.sh starts the server and sets JACK_DEFAULT_SERVER.
#include "JackRecorder.h"
#include "SharedState.h"
#include "Stimuli.h"
#include "PlayTwoChannel.h"
#include "PortAudioOutput.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int Rate = 44100;
constexpr std::size_t Frames600ms = 26460;

struct Stimulus {
    const char* Name;
    std::vector<std::int16_t> Left;
    std::vector<std::int16_t> Right;
};

std::vector<std::int16_t> Silence(std::size_t frames)
{
    return std::vector<std::int16_t>(frames, 0);
}

std::vector<std::int16_t> FullScaleNoise(std::size_t frames)
{
    // Noise reaching both ends of the 16-bit range.
    std::vector<std::int16_t> wave = NoiseWave(7, 32767, frames);
    wave[100] = -32768;
    wave[101] = 32767;
    return wave;
}

std::vector<Stimulus> Stimuli()
{
    return {
        {"LeftOnly", NoiseWave(1, 8000, Frames600ms), Silence(Frames600ms)},
        {"RightOnly", Silence(Frames600ms), NoiseWave(2, 8000, Frames600ms)},
        {"BothDifferent", NoiseWave(3, 3000, Frames600ms), NoiseWave(4, 20000, Frames600ms)},
        {"FullScale", FullScaleNoise(Frames600ms), NoiseWave(5, 32767, Frames600ms)},
        {"Short", NoiseWave(6, 8000, 300), NoiseWave(8, 8000, 300)},
    };
}

double LevelDifferenceDb(double measured, double expected)
{
    return 20.0 * std::log10(measured / expected);
}

class SoundOnJack : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Created before PortAudio starts, so that PortAudio lists it as an output device.
        Recorder = std::make_unique<JackRecorder>("quorvex-rec-" + std::to_string(getpid()), 120 * Rate);
    }
    static void TearDownTestSuite() { Recorder.reset(); }

    void SetUp() override
    {
        ASSERT_EQ(Recorder->Problem(), "") << "JACK tests need a server";
        Recorder->MirrorSystemPlayback(false);
    }

    // Everything recorded since `mark`, once at least `frames` frames have been recorded.
    static std::vector<std::int32_t> RecordedSince(std::size_t mark, std::size_t frames)
    {
        const Clock::time_point deadline = Clock::now() + 2s;
        while (Recorder->Mark() < mark + frames && Clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        return Recorder->Since(mark);
    }

    // Plays a sound until the server lost no frames while it played, as the recorder (a client
    // of the test's own) tells: a busy machine's xruns lose frames of the recording too. What the
    // program says of the sound plays no part in it. `mark` is the recorder's frame before the
    // attempt that counted; nothing when every attempt was disturbed.
    static std::optional<Result<SoundPlayed>> PlayUndisturbed(PortAudioOutput& output, std::size_t frames,
                                                              const std::vector<std::int16_t>& left,
                                                              const std::vector<std::int16_t>& right, std::size_t& mark)
    {
        for (int attempt = 1; attempt <= Attempts; ++attempt) {
            mark = Recorder->Mark();
            const std::size_t xruns = Recorder->Xruns().size();
            const Result<SoundPlayed> result =
                PlayTwoChannel(output, Rate, static_cast<std::uint32_t>(frames), left.data(), right.data());
            std::this_thread::sleep_for(100ms);  // xruns are told a moment later
            if (Recorder->Xruns().size() == xruns) {
                if (attempt > 1) {
                    std::cout << "quorvex-test: played again after the server lost frames: " << attempt - 1
                              << " time(s)" << std::endl;
                }
                return result;
            }
        }
        return std::nullopt;
    }

    static constexpr int Attempts = 10;
    static constexpr const char* TooBusy = "the machine is so busy that the server lost frames in every attempt";
    static inline std::unique_ptr<JackRecorder> Recorder;
};

TEST_F(SoundOnJack, EachChannelArrivesUnchangedOnItsOwnSide)
{
    PortAudioOutput output(Recorder->Name());
    for (const Stimulus& s : Stimuli()) {
        SCOPED_TRACE(s.Name);
        const std::size_t frames = s.Left.size();
        std::size_t mark = 0;
        const std::optional<Result<SoundPlayed>> result = PlayUndisturbed(output, frames, s.Left, s.Right, mark);
        if (!result) {
            GTEST_SKIP() << TooBusy;
        }
        ASSERT_TRUE(result->Ok()) << result->Reason();
        EXPECT_EQ(result->Value(), SoundPlayed::Whole) << "a dropout reported while the server lost no frames";
        const std::vector<std::int32_t> recorded = RecordedSince(mark, frames + 4096);

        const bool leftSounds = Rms(s.Left, 0, frames) > 0.0;
        const auto start = FindStart(recorded, leftSounds ? 0 : 1, leftSounds ? s.Left : s.Right);
        ASSERT_TRUE(start.has_value());
        ASSERT_LE((*start + frames) * 2, recorded.size());

        // The path is float all the way, so every 16-bit value comes back exactly, and nothing
        // but the sound is heard: silence before it and after it, on both sides.
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < recorded.size() / 2; ++i) {
            const bool inSound = i >= *start && i < *start + frames;
            const std::int32_t left = inSound ? s.Left[i - *start] : 0;
            const std::int32_t right = inSound ? s.Right[i - *start] : 0;
            wrong += (recorded[2 * i] != left) + (recorded[2 * i + 1] != right);
        }
        EXPECT_EQ(wrong, 0u) << "samples differing from what was played, of " << recorded.size();

        if (leftSounds) {
            EXPECT_NEAR(LevelDifferenceDb(ChannelRms(recorded, 0, *start, frames), Rms(s.Left, 0, frames)), 0.0, 0.05);
        }
        if (Rms(s.Right, 0, frames) > 0.0) {
            EXPECT_NEAR(LevelDifferenceDb(ChannelRms(recorded, 1, *start, frames), Rms(s.Right, 0, frames)), 0.0, 0.05);
        }
    }
}

// The server's main outputs, as the operator's default device or the JACK host API by name.
// The mirror joins a moment after the stream starts, so the second half of the sound is compared.
TEST_F(SoundOnJack, MainOutputsGetLeftOnLeftAndRightOnRight)
{
    Recorder->MirrorSystemPlayback(true);
    for (const char* device : {"", "JACK"}) {
        SCOPED_TRACE(std::string("AudioDevice=") + device);
        PortAudioOutput output(device);
        const std::vector<std::int16_t> left = NoiseWave(11, 8000, Frames600ms);
        const std::vector<std::int16_t> right = NoiseWave(12, 16000, Frames600ms);
        std::size_t mark = 0;
        const std::optional<Result<SoundPlayed>> result = PlayUndisturbed(output, Frames600ms, left, right, mark);
        if (!result) {
            GTEST_SKIP() << TooBusy;
        }
        ASSERT_TRUE(result->Ok()) << result->Reason();
        EXPECT_EQ(result->Value(), SoundPlayed::Whole) << "a dropout reported while the server lost no frames";
        const std::vector<std::int32_t> recorded = RecordedSince(mark, Frames600ms + 4096);

        const auto start = FindStart(recorded, 0, left);
        ASSERT_TRUE(start.has_value());
        const std::size_t half = Frames600ms / 2;
        ASSERT_LE((*start + Frames600ms) * 2, recorded.size());
        std::size_t wrong = 0;
        for (std::size_t i = half; i < Frames600ms; ++i) {
            wrong += (recorded[2 * (*start + i)] != left[i]) + (recorded[2 * (*start + i) + 1] != right[i]);
        }
        EXPECT_EQ(wrong, 0u);
        EXPECT_NEAR(LevelDifferenceDb(ChannelRms(recorded, 0, *start + half, half), Rms(left, half, half)), 0.0, 0.05);
        EXPECT_NEAR(LevelDifferenceDb(ChannelRms(recorded, 1, *start + half, half), Rms(right, half, half)), 0.0, 0.05);
    }
}

TEST_F(SoundOnJack, ReturnsNoSoonerThanTheSoundHasPlayed)
{
    const std::vector<std::int16_t> left = NoiseWave(21, 8000, Frames600ms);
    const std::vector<std::int16_t> right = Silence(Frames600ms);
    for (const std::string& device : {std::string(), Recorder->Name()}) {
        SCOPED_TRACE("AudioDevice=" + device);
        PortAudioOutput output(device);
        const Clock::time_point called = Clock::now();
        ASSERT_TRUE(PlayTwoChannel(output, Rate, Frames600ms, left.data(), right.data()).Ok());
        const Clock::time_point returned = Clock::now();
        EXPECT_GE(returned - called, 600ms);
        const PlaybackTimes& times = output.LastPlayback();
        EXPECT_GE(times.FirstCallback, called);
        EXPECT_GE(times.Returned - times.FirstCallback, 600ms);
    }
}

TEST_F(SoundOnJack, RefusedRateIsReportedAndNothingPlays)
{
    const std::vector<std::int16_t> left = NoiseWave(31, 8000, Frames600ms);
    for (const std::string& device : {std::string(), Recorder->Name()}) {
        SCOPED_TRACE("AudioDevice=" + device);
        PortAudioOutput output(device);
        const std::size_t mark = Recorder->Mark();
        testing::internal::CaptureStderr();
        const Result<SoundPlayed> result = PlayTwoChannel(output, 22050, Frames600ms, left.data(), left.data());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unsupported waveform format/rate\n");
        EXPECT_FALSE(result.Ok());
        EXPECT_EQ(output.LastPlayback().FirstCallback, Clock::time_point{}) << "a stream was started";
        // It returns at once instead of waiting for a sound that never plays.
        EXPECT_LT(output.LastPlayback().Returned - output.LastPlayback().Called, 600ms);
        std::this_thread::sleep_for(50ms);
        for (std::int32_t v : Recorder->Since(mark)) {
            ASSERT_EQ(v, 0);
        }
    }
}

struct BadRequest {
    const char* Name;
    int LengthBytes;
    int SampleRate;
    int BytesPerSample;
    int Channels;
    const char* Message;
};

TEST_F(SoundOnJack, RequestsNoDeviceCanPlayAreReported)
{
    const std::vector<std::int16_t> samples(64, 1000);
    const BadRequest requests[] = {
        {"8 bits", 128, Rate, 1, 2, "Unsupported waveform format/rate\n"},
        {"no channels", 128, Rate, 2, 0, "Unsupported waveform format/rate\n"},
        {"zero rate", 128, 0, 2, 2, "Unsupported waveform format/rate\n"},
        {"negative length", -4, Rate, 2, 2, "Error on write to wave out device\n"},
    };
    PortAudioOutput output(Recorder->Name());
    for (const BadRequest& r : requests) {
        SCOPED_TRACE(r.Name);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(output.PlayPcm(samples.data(), r.LengthBytes, r.SampleRate, r.BytesPerSample, r.Channels).Ok());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), r.Message);
    }
}

TEST_F(SoundOnJack, UnknownDeviceNameIsReportedOncePerPreviewOrRunAndNothingPlays)
{
    const std::vector<std::int16_t> samples(64, 1000);
    PortAudioOutput output("no-such-device");
    const std::string refusal = "Unsupported waveform format/rate\n"
                                "AudioDevice=no-such-device matches no sound output device\n";
    for (int preview = 0; preview < 2; ++preview) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(output.PlayPcm(samples.data(), 128, Rate, 2, 2).Ok());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), refusal);
    }
    testing::internal::CaptureStderr();
    {
        const std::unique_ptr<SoundStream> run = output.OpenStream(Rate, 2, 10);
        for (int stimulus = 0; stimulus < 3; ++stimulus) {
            EXPECT_FALSE(run->Wait(run->Queue(samples.data(), 32, SoundStart::AfterPrevious(441), false)).Played);
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), refusal);
}

TEST_F(SoundOnJack, EmptySoundPlaysAndReturns)
{
    PortAudioOutput output(Recorder->Name());
    const std::int16_t none[1] = {0};
    EXPECT_EQ(PlayTwoChannel(output, Rate, 0, none, none).Value(), SoundPlayed::Whole);
}

// Signal to noise and distortion of a recorded stretch that should be a sine of `frequency`:
// the sine fitted by least squares over whole periods against what is left.
double SinadDb(const std::vector<float>& x, double frequency)
{
    const double pi = std::acos(-1.0);
    double s = 0.0, c = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        s += x[i] * std::sin(2.0 * pi * frequency * static_cast<double>(i) / Rate);
        c += x[i] * std::cos(2.0 * pi * frequency * static_cast<double>(i) / Rate);
    }
    s *= 2.0 / static_cast<double>(x.size());
    c *= 2.0 / static_cast<double>(x.size());
    double signal = 0.0, rest = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double phase = 2.0 * pi * frequency * static_cast<double>(i) / Rate;
        const double fit = s * std::sin(phase) + c * std::cos(phase);
        signal += fit * fit;
        rest += (x[i] - fit) * (x[i] - fit);
    }
    return 10.0 * std::log10(signal / std::max(rest, 1e-300));
}

// A 30 dB SPL tone with CalibFactor 100 is 70 dB below the calibration tone, 3 or 4 steps of
// a 16-bit sample: played as floats it keeps its shape at the output.
TEST_F(SoundOnJack, AToneSeventyDbBelowTheCalibrationLevelKeepsItsShape)
{
    ExperimentSettings settings;
    settings.CalibFactor = 100.0f;
    TestCondition condition;
    condition.ToneF = 1000.0f;
    const Tone tone = MakeRunTone(settings, condition, 30.0f);
    PortAudioOutput output(Recorder->Name());
    const std::unique_ptr<SoundStream> stream = output.OpenStream(Rate, 2, 10);
    // JACK takes floats: the status and the stream count the bits the tone keeps in 24.
    EXPECT_EQ(output.CheckDevice().SampleBits, FloatStreamBits);
    EXPECT_EQ(stream->SampleBits(), FloatStreamBits);
    // A busy machine's xruns cut the recording, which no tone survives: an attempt during which
    // the recorder was told of one is played again.
    std::vector<float> steady;
    for (int attempt = 0; attempt < Attempts && steady.empty(); ++attempt) {
        const std::size_t mark = Recorder->Mark();
        const std::size_t xruns = Recorder->Xruns().size();
        const StreamedSound sound = stream->Wait(tone.QueueStereo(*stream, tone, tone, SoundStart::Now(), false));
        ASSERT_TRUE(sound.Played) << sound.Problem;
        RecordedSince(mark, tone.SampleCount() + 4096);
        std::this_thread::sleep_for(100ms);  // xruns are told a moment later
        if (Recorder->Xruns().size() != xruns) {
            continue;
        }
        EXPECT_FALSE(sound.Dropout) << "a dropout reported while the server lost no frames";
        const std::vector<float> left = Recorder->LeftSince(mark);
        const auto first = std::find_if(left.begin(), left.end(), [](float v) { return v != 0.0f; });
        ASSERT_NE(first, left.end()) << "nothing was heard";
        // 100 ms into the tone (past its ramp), 200 whole periods of 1000 Hz.
        const auto start = first + 4410;
        ASSERT_LE(start - left.begin() + 8820, left.end() - left.begin());
        steady.assign(start, start + 8820);
    }
    if (steady.empty()) {
        GTEST_SKIP() << TooBusy;
    }
    EXPECT_GE(SinadDb(steady, 1000.0), 60.0);
}

}  // namespace
