// Sounds played through PortAudio's ALSA devices to a PipeWire server, as on a stock Linux
// desktop, recorded from the server's null sink by a client of the test's own.
// scripts/test.sh runs the tests under scripts/with-test-pipewire.sh, which starts the server.
#include "PipeWireRecorder.h"
#include "PlayTwoChannel.h"
#include "PortAudioOutput.h"
#include "RetriedAttempts.h"
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

    // Everything recorded since `mark`, and half a second more.
    static std::vector<std::int32_t> RecordedSince(std::size_t mark)
    {
        const std::size_t until = Recorder->Mark() + Rate / 2;
        const Clock::time_point deadline = Clock::now() + 3s;
        while (Recorder->Mark() < until && Clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        return Recorder->Since(mark);
    }

    static inline std::unique_ptr<PipeWireRecorder> Recorder;
};

// PipeWire does not tell its clients when a busy machine made it lose frames, so what was heard
// differently is played again, and counted (RetriedAttempts).
constexpr int Attempts = 5;

// What the recorder heard of one sound.
struct HeardSound {
    bool PlayedWhole = false;   // PlayTwoChannel said it played the sound whole
    bool Found = false;
    std::size_t Whole = 0;      // frames heard as sent, in a row from the first
    std::size_t Stray = 0;      // frames heard outside the sound
};

HeardSound PlayAndHear(PortAudioOutput& output, const Stimulus& s, SoundRecorder& recorder,
                       std::vector<std::int32_t> (*recordedSince)(std::size_t))
{
    HeardSound heard;
    const std::size_t frames = s.Left.size();
    const std::size_t mark = recorder.Mark();
    const Result<SoundPlayed> played =
        PlayTwoChannel(output, Rate, static_cast<std::uint32_t>(frames), s.Left.data(), s.Right.data());
    heard.PlayedWhole = played && played.Value() == SoundPlayed::Whole;
    const std::vector<std::int32_t> recorded = recordedSince(mark);
    const bool leftSounds = Rms(s.Left, 0, frames) > 0.0;
    const auto start = FindStart(recorded, leftSounds ? 0 : 1, leftSounds ? s.Left : s.Right);
    if (!start) {
        return heard;
    }
    heard.Found = true;
    while (*start + heard.Whole < recorded.size() / 2 && heard.Whole < frames &&
           recorded[2 * (*start + heard.Whole)] == s.Left[heard.Whole] &&
           recorded[2 * (*start + heard.Whole) + 1] == s.Right[heard.Whole]) {
        ++heard.Whole;
    }
    for (std::size_t i = 0; i < recorded.size() / 2; ++i) {
        if (i < *start || i >= *start + frames) {
            heard.Stray += recorded[2 * i] != 0 || recorded[2 * i + 1] != 0;
        }
    }
    return heard;
}

// The sound output says a sound has been played when it returns; whatever the server still had to
// play then is cut off, so everything heard must be in the recording soon after: every frame from
// the first to the last as it was sent, and nothing before or after it.
TEST_F(SoundOnPipeWire, EverySoundArrivesWholeWithItsRamps)
{
    RetriedAttempts attempts("sounds heard on PipeWire");
    for (const char* device : {"pipewire", ""}) {
        PortAudioOutput output(device);
        for (const Stimulus& s : Stimuli()) {
            SCOPED_TRACE(std::string("AudioDevice=") + device + ", " + s.Name);
            HeardSound heard;
            for (int attempt = 0; attempt < Attempts; ++attempt) {
                heard = PlayAndHear(output, s, *Recorder, RecordedSince);
                if (!attempts.Again(heard.PlayedWhole && heard.Found && heard.Whole == s.Left.size() &&
                                    heard.Stray == 0)) {
                    break;
                }
            }
            EXPECT_TRUE(heard.PlayedWhole);
            EXPECT_TRUE(heard.Found);
            EXPECT_EQ(heard.Whole, s.Left.size()) << "frames heard as sent, in a row from the first";
            EXPECT_EQ(heard.Stray, 0u) << "frames heard outside the sound";
        }
    }
    attempts.ExpectFewDisturbed();
}

// What the recorder heard of sounds played on one stream.
struct HeardSeries {
    int Played = 0;
    std::int64_t LateFrames = 0;
    std::vector<std::int64_t> OnsetToOnset;  // empty when a sound was not found
};

// As a run plays them: one stream opened a while before the first sound, each next sound queued
// one lead before it is due, `isi` frames after the last frame of the one before.
HeardSeries PlaySeries(SoundRecorder& recorder, std::vector<std::int32_t> (*recordedSince)(std::size_t),
                       std::int64_t frames, std::int64_t isi)
{
    PortAudioOutput output("pipewire");
    const std::unique_ptr<SoundStream> stream = output.OpenStream(Rate, 2, 10);
    std::this_thread::sleep_for(300ms);
    std::vector<std::vector<std::int16_t>> sounds;
    std::vector<int> tickets;
    const std::size_t mark = recorder.Mark();
    for (std::uint32_t seed = 21; seed < 25; ++seed) {
        const std::vector<std::int16_t> left = RampedNoise(seed, 8000, static_cast<std::size_t>(frames));
        std::vector<std::int16_t> stereo;
        for (std::int16_t v : left) {
            stereo.insert(stereo.end(), {v, 0});
        }
        if (!tickets.empty()) {
            stream->WaitUntil(stream->ExpectedOnset(tickets.back()) + frames + isi - stream->LeadFrames());
        }
        const SoundStart start = tickets.empty() ? SoundStart::Now() : SoundStart::AfterPrevious(isi);
        tickets.push_back(stream->Queue(stereo.data(), static_cast<std::size_t>(frames), start, false));
        sounds.push_back(left);
    }
    HeardSeries heard;
    for (int ticket : tickets) {
        const StreamedSound sound = stream->Wait(ticket);
        heard.Played += sound.Played ? 1 : 0;
        heard.LateFrames += sound.LateFrames;
    }
    const std::vector<std::int32_t> recorded = recordedSince(mark);
    std::vector<std::size_t> onsets;
    for (const std::vector<std::int16_t>& sound : sounds) {
        const auto start = FindStart(recorded, 0, sound);
        if (!start) {
            return heard;
        }
        onsets.push_back(*start);
    }
    for (std::size_t k = 1; k < onsets.size(); ++k) {
        heard.OnsetToOnset.push_back(static_cast<std::int64_t>(onsets[k] - onsets[k - 1]));
    }
    return heard;
}

TEST_F(SoundOnPipeWire, SoundsOfOneStreamStartWhereScheduledFromTheFirst)
{
    const std::int64_t frames = 4410;
    const std::int64_t isi = 20 * Rate / 1000;
    const std::vector<std::int64_t> scheduled(3, frames + isi);
    RetriedAttempts attempts("series heard on PipeWire");
    HeardSeries heard;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        heard = PlaySeries(*Recorder, RecordedSince, frames, isi);
        if (!attempts.Again(heard.Played == 4 && heard.LateFrames == 0 && heard.OnsetToOnset == scheduled)) {
            break;
        }
    }
    attempts.ExpectFewDisturbed();
    EXPECT_EQ(heard.Played, 4);
    EXPECT_EQ(heard.LateFrames, 0) << "frames by which the sounds started late, together";
    EXPECT_EQ(heard.OnsetToOnset, scheduled);
}

}  // namespace
