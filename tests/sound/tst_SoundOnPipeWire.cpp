// Sounds played through PortAudio's ALSA devices to a PipeWire server, as on a stock Linux
// desktop, recorded from the server's null sink by a client of the test's own.
// scripts/test.sh runs the tests under scripts/with-test-pipewire.sh, which starts the server.
#include "PipeWireRecorder.h"
#include "PlayTwoChannel.h"
#include "PortAudioOutput.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int Rate = 44100;
constexpr std::size_t Frames600ms = 26460;

// Noise with 20 ms raised-cosine ramps at both ends, like a gated masker.
std::vector<std::int16_t> RampedNoise(std::uint32_t seed, int amplitude, std::size_t frames)
{
    std::vector<std::int16_t> wave = NoiseWave(seed, amplitude, frames);
    const std::size_t ramp = std::min<std::size_t>(882, frames / 2);
    for (std::size_t i = 0; i < ramp; ++i) {
        const double gain = 0.5 - 0.5 * std::cos(M_PI * static_cast<double>(i) / static_cast<double>(ramp));
        wave[i] = static_cast<std::int16_t>(std::lround(wave[i] * gain));
        wave[frames - 1 - i] = static_cast<std::int16_t>(std::lround(wave[frames - 1 - i] * gain));
    }
    return wave;
}

struct Stimulus {
    const char* Name;
    std::vector<std::int16_t> Left;
    std::vector<std::int16_t> Right;
};

std::vector<Stimulus> Stimuli()
{
    const std::vector<std::int16_t> silence(Frames600ms, 0);
    return {
        {"RampedLeft", RampedNoise(1, 8000, Frames600ms), silence},
        {"RampedRight", silence, RampedNoise(2, 8000, Frames600ms)},
        {"BothDifferent", NoiseWave(3, 3000, Frames600ms), NoiseWave(4, 20000, Frames600ms)},
        {"Short", NoiseWave(6, 8000, 300), NoiseWave(8, 8000, 300)},
    };
}

class SoundOnPipeWire : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        PipeWireRecorder::UseTestServer();
        Recorder = std::make_unique<PipeWireRecorder>("quorvex-rec-" + std::to_string(getpid()), 120 * Rate);
    }
    static void TearDownTestSuite() { Recorder.reset(); }

    void SetUp() override
    {
        ASSERT_EQ(Recorder->Problem(), "");
    }

    // Everything recorded since `mark`, once at least `frames` frames have been recorded.
    static std::vector<std::int32_t> RecordedSince(std::size_t mark, std::size_t frames)
    {
        const Clock::time_point deadline = Clock::now() + 3s;
        while (Recorder->Mark() < mark + frames && Clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        return Recorder->Since(mark);
    }

    static inline std::unique_ptr<PipeWireRecorder> Recorder;
};

// The sound output says a sound has been played when it returns; whatever the server still had to
// play then is cut off, so everything heard must be in the recording soon after.
TEST_F(SoundOnPipeWire, EverySoundArrivesWholeWithItsRamps)
{
    for (const char* device : {"pipewire", ""}) {
        PortAudioOutput output(device);
        for (const Stimulus& s : Stimuli()) {
            SCOPED_TRACE(std::string("AudioDevice=") + device + ", " + s.Name);
            const std::size_t frames = s.Left.size();
            const std::size_t mark = Recorder->Mark();
            ASSERT_EQ(PlayTwoChannel(output, Rate, static_cast<std::uint32_t>(frames), s.Left.data(), s.Right.data()), 0);
            const std::vector<std::int32_t> recorded = RecordedSince(mark, Recorder->Mark() - mark + Rate / 2);

            const bool leftSounds = Rms(s.Left, 0, frames) > 0.0;
            const auto start = FindStart(recorded, leftSounds ? 0 : 1, leftSounds ? s.Left : s.Right);
            ASSERT_TRUE(start.has_value());
            // Every frame from the first to the last comes back as it was sent, and nothing else
            // is heard before or after it.
            std::size_t whole = 0;
            while (*start + whole < recorded.size() / 2 && whole < frames &&
                   recorded[2 * (*start + whole)] == s.Left[whole] &&
                   recorded[2 * (*start + whole) + 1] == s.Right[whole]) {
                ++whole;
            }
            EXPECT_EQ(whole, frames) << "frames heard as sent, in a row from the first";
            std::size_t stray = 0;
            for (std::size_t i = 0; i < recorded.size() / 2; ++i) {
                if (i < *start || i >= *start + frames) {
                    stray += recorded[2 * i] != 0 || recorded[2 * i + 1] != 0;
                }
            }
            EXPECT_EQ(stray, 0u) << "frames heard outside the sound";
        }
    }
}

// As a run plays them: one stream opened a while before the first sound, each next sound queued
// one lead before it is due, ISI after the last frame of the one before.
TEST_F(SoundOnPipeWire, SoundsOfOneStreamStartWhereScheduledFromTheFirst)
{
    PortAudioOutput output("pipewire");
    const std::unique_ptr<SoundStream> stream = output.OpenStream(Rate, 2, 10);
    std::this_thread::sleep_for(300ms);
    const std::int64_t isi = 20 * Rate / 1000;
    std::vector<std::vector<std::int16_t>> sounds;
    std::vector<int> tickets;
    const std::size_t mark = Recorder->Mark();
    for (std::uint32_t seed = 21; seed < 25; ++seed) {
        const std::vector<std::int16_t> left = RampedNoise(seed, 8000, 4410);
        std::vector<std::int16_t> stereo;
        for (std::int16_t v : left) {
            stereo.insert(stereo.end(), {v, 0});
        }
        if (!tickets.empty()) {
            stream->WaitUntil(stream->ExpectedOnset(tickets.back()) + 4410 + isi - stream->LeadFrames());
        }
        tickets.push_back(stream->Queue(stereo.data(), 4410, tickets.empty() ? SoundStart::Now() : SoundStart::AfterPrevious(isi), false));
        sounds.push_back(left);
    }
    for (int ticket : tickets) {
        const StreamedSound played = stream->Wait(ticket);
        EXPECT_TRUE(played.Played);
        EXPECT_EQ(played.LateFrames, 0);
    }
    const std::vector<std::int32_t> recorded = RecordedSince(mark, Recorder->Mark() - mark + Rate / 2);
    std::vector<std::size_t> onsets;
    for (const std::vector<std::int16_t>& sound : sounds) {
        const auto start = FindStart(recorded, 0, sound);
        ASSERT_TRUE(start.has_value());
        onsets.push_back(*start);
    }
    for (std::size_t k = 1; k < onsets.size(); ++k) {
        EXPECT_EQ(onsets[k] - onsets[k - 1], static_cast<std::size_t>(4410 + isi)) << "sound " << k + 1;
    }
}

}  // namespace
