#include "RecordingSoundOutput.h"
#include "TonePreview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

struct Stereo {
    std::vector<std::int16_t> left;
    std::vector<std::int16_t> right;
};

Stereo Split(const std::vector<std::int16_t>& interleaved)
{
    Stereo out;
    for (std::size_t i = 0; i + 1 < interleaved.size(); i += 2) {
        out.left.push_back(interleaved[i]);
        out.right.push_back(interleaved[i + 1]);
    }
    return out;
}

Stereo ReadWav(const std::string& path, std::size_t* frames)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> samples;
    for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) {
        samples.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i])
                                                    | (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    }
    *frames = samples.size() / 2;
    return Split(samples);
}

double Rms(const std::vector<std::int16_t>& samples)
{
    double sum = 0.0;
    for (std::int16_t s : samples) {
        sum += static_cast<double>(s) * s;
    }
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

bool Silent(const std::vector<std::int16_t>& samples)
{
    return Rms(samples) == 0.0;
}

class TonePreviewTest : public testing::Test {
protected:
    void SetUp() override
    {
        state.Conditions.resize(1);
        path = (std::filesystem::temp_directory_path() / ("quorvex_tone_" + std::to_string(::getpid()) + ".wav")).string();
    }
    void TearDown() override { std::filesystem::remove(path); }

    Result<TonePreviewOutcome> Preview()
    {
        return PlayTonePreview(state, sound, [this](float level) -> Result<> {
            levels.push_back(level);
            soundsBeforeLevel = sound.Played().size();
            if (!levelFailure.empty()) {
                return Failure{levelFailure};
            }
            return {};
        }, path);
    }

    TonePreviewOutcome Play()
    {
        const Result<TonePreviewOutcome> outcome = Preview();
        EXPECT_TRUE(outcome) << outcome.Reason();
        return outcome ? outcome.Value() : TonePreviewOutcome{};
    }

    SharedState state;
    RecordingSoundOutput sound;
    std::string path;
    std::vector<float> levels;
    std::size_t soundsBeforeLevel = 99;
    std::string levelFailure;  // the attenuator's refusal, when not empty
};

}  // namespace

TEST_F(TonePreviewTest, DefaultsPlayAQuietToneOnTheRightInFileAndSound)
{
    const TonePreviewOutcome outcome = Play();
    EXPECT_TRUE(outcome.Attempted && outcome.FileWritten && outcome.Played);
    std::size_t frames = 0;
    const Stereo file = ReadWav(path, &frames);
    EXPECT_EQ(frames, 17640u);
    EXPECT_TRUE(Silent(file.left));
    for (std::int16_t s : file.right) {
        ASSERT_GE(s, -3);
        ASSERT_LE(s, 3);
    }
    EXPECT_FALSE(Silent(file.right));
    ASSERT_EQ(sound.Played().size(), 1u);
    const Stereo played = Split(sound.Played()[0].Samples);
    EXPECT_EQ(played.right, file.right);
    EXPECT_TRUE(Silent(played.left));
    EXPECT_TRUE(levels.empty());
}

TEST_F(TonePreviewTest, LeftEarPutsTheToneLeftInFileAndSound)
{
    state.Ear = EarSide::Left;
    Play();
    std::size_t frames = 0;
    const Stereo file = ReadWav(path, &frames);
    EXPECT_FALSE(Silent(file.left));
    EXPECT_TRUE(Silent(file.right));
    const Stereo played = Split(sound.Played().at(0).Samples);
    EXPECT_FALSE(Silent(played.left));
    EXPECT_TRUE(Silent(played.right));
}

TEST_F(TonePreviewTest, KC35SetsTheToneChannelFirstAndPlaysUnscaledOnTheRight)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    state.Ear = EarSide::Left;
    state.Current().ToneSPL = 45.9f;
    Play();
    ASSERT_EQ(levels, std::vector<float>{45.9f});
    EXPECT_EQ(soundsBeforeLevel, 0u) << "the attenuator is set before the sound starts";
    std::size_t frames = 0;
    const Stereo file = ReadWav(path, &frames);
    EXPECT_FALSE(Silent(file.left)) << "the file keeps the ear's side";
    EXPECT_TRUE(Silent(file.right));
    const Stereo played = Split(sound.Played().at(0).Samples);
    EXPECT_TRUE(Silent(played.left));
    int peak = 0;
    for (std::int16_t sample : played.right) {
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    EXPECT_NEAR(peak, 11313, 2) << "unscaled: the amplitude of RMS 8000";
}

TEST_F(TonePreviewTest, ALevelTheAttenuatorCannotSetFailsThePreviewBeforeAnythingIsWrittenOrPlayed)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    levelFailure = "Cannot open the serial port /dev/ttyS0: No such file or directory (error code: 2)";
    const Result<TonePreviewOutcome> outcome = Preview();
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.Reason(), levelFailure);
    EXPECT_TRUE(sound.Played().empty()) << "a tone at a level the attenuator was not given is not played";
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TonePreviewTest, OtherModesLeaveAnExistingFileAndPlayNothing)
{
    std::ofstream(path) << "previous";
    for (int mode : {0, 3}) {
        state.Settings.Attenuator = AttenuatorModeFromNumber(mode);
        const TonePreviewOutcome outcome = Play();
        EXPECT_FALSE(outcome.Attempted);
    }
    EXPECT_TRUE(sound.Played().empty());
    EXPECT_EQ(std::filesystem::file_size(path), 8u);
}

TEST_F(TonePreviewTest, ModulationSilencesTheToneEveryPeriod)
{
    state.Settings.Modulated = 1;
    state.Settings.ModFreq = 20.0f;
    state.Settings.Attenuator = AttenuatorMode::Kc35;  // unscaled, so the envelope is easy to see
    Play();
    const Stereo played = Split(sound.Played().at(0).Samples);
    for (int period = 0; period < 8; ++period) {
        const std::size_t at = static_cast<std::size_t>(period) * 2205;  // 50 ms
        EXPECT_LE(std::abs(played.right.at(at)), 2) << "at " << period * 50 << " ms";
    }
    // Half-way between two zeros the envelope is at its peak of 2.
    int peak = 0;
    for (std::size_t i = 2205 + 1000; i < 2205 + 1205; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(played.right[i])));
    }
    EXPECT_GT(peak, 20000);
}
