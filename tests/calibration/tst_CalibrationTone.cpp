// The calibration procedure: which channel of "calib.wav" and which output get the tone, the
// attenuator commands around each repetition, stopping, and its failures.
#include "CalibrationSupport.h"
#include "CalibrationTone.h"
#include "Kc35Attenuator.h"
#include "RecordingSerialLink.h"
#include "ScratchFolder.h"
#include "SharedState.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class CalibrationToneTest : public testing::Test {
protected:
    void SetUp() override
    {
        state.Conditions.assign(1, TestCondition{});
        state.Settings.N_Cond = 1;
    }

    // Stops the tone once `count` sounds have been played.
    void StopAfterPlays(std::size_t count)
    {
        sound.SetObserver([this, count](const PlayedSound&) {
            if (sound.Played().size() >= count) {
                procedure.Stop();
            }
        });
    }

    const ScratchFolder scratch;  // each repetition writes "calib.wav" in the current folder
    SharedState state;
    RecordingSoundOutput sound;
    RecordingSerialLink link;
    RecordingDispatcher dispatcher;
    Kc35Attenuator attenuator{link, dispatcher};
    CalibrationTone procedure{state, sound, dispatcher, attenuator};
};

struct ChannelRow {
    AttenuatorMode attenuator;
    int channel;
    EarSide ear;
    int fileTone;  // 0 left, 1 right
    int output;
    const char* commands;
};

class CalibrationChannelTable : public CalibrationToneTest, public testing::WithParamInterface<ChannelRow> {};

TEST_P(CalibrationChannelTable, FileFollowsTheEarAndTheSoundTheChannel)
{
    const ChannelRow row = GetParam();
    state.Settings.Attenuator = row.attenuator;
    state.Ear = row.ear;
    procedure.SelectChannel(row.channel);
    StopAfterPlays(1);

    EXPECT_EQ(procedure.Play().Value(), 1);

    EXPECT_EQ(CalibrationFileToneChannel(row.attenuator, row.channel, row.ear), row.fileTone);
    const std::vector<std::int16_t> file = WavSamples(CalibrationWavName);
    ASSERT_EQ(file.size(), 2u * 44100u);
    EXPECT_EQ(SoundingChannel(file), row.fileTone);
    ASSERT_EQ(sound.Played().size(), 1u);
    const PlayedSound& played = sound.Played()[0];
    EXPECT_EQ(played.SampleRate, 44100);
    ASSERT_EQ(played.Samples.size(), 2u * 44100u);
    EXPECT_EQ(SoundingChannel(played.Samples), row.output);
    // The same unscaled, gated tone in both: RMS 8000 (peak 11313.7), silent at the first sample.
    const std::vector<std::int16_t> tone = ChannelOf(played.Samples, row.output);
    EXPECT_NEAR(PeakOf(tone), 11313, 2);
    EXPECT_EQ(tone.front(), 0);
    EXPECT_EQ(ChannelOf(file, row.fileTone), tone);
    EXPECT_EQ(link.Transcript(), row.commands);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CalibrationChannelTable,
    testing::Values(ChannelRow{AttenuatorMode::Software, 1, EarSide::Left, 0, 0, ""},
                    ChannelRow{AttenuatorMode::Software, 1, EarSide::Right, 1, 0, ""},
                    ChannelRow{AttenuatorMode::Software, 2, EarSide::Left, 0, 1, ""},
                    ChannelRow{AttenuatorMode::Software, 2, EarSide::Right, 1, 1, ""},
                    ChannelRow{AttenuatorMode::Kc35, 1, EarSide::Left, 0, 0, "[I82][K82][I14]"},
                    ChannelRow{AttenuatorMode::Kc35, 1, EarSide::Right, 1, 0, "[I82][K82][I14]"},
                    ChannelRow{AttenuatorMode::Kc35, 2, EarSide::Left, 1, 1, "[I82][K82][K14]"},
                    ChannelRow{AttenuatorMode::Kc35, 2, EarSide::Right, 0, 1, "[I82][K82][K14]"}));

TEST(CalibrationChannels, AnEarOtherThanLeftOrRightCountsAsNotTheTestedOne)
{
    const auto ear = [](int number) { return static_cast<EarSide>(number); };
    EXPECT_EQ(CalibrationFileToneChannel(AttenuatorMode::Software, 1, ear(2)), 1);
    EXPECT_EQ(CalibrationFileToneChannel(AttenuatorMode::Kc35, 1, ear(-1)), 1);
    EXPECT_EQ(CalibrationFileToneChannel(AttenuatorMode::Kc35, 2, ear(2)), 1);
    EXPECT_EQ(CalibrationFileToneChannel(AttenuatorModeFromNumber(0), 2, EarSide::Left), 0);
}

TEST_F(CalibrationToneTest, SwitchingChannelMovesTheToneAndItsCommandAtTheNextRepetition)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    state.Settings.CalibFactor = 100.0f;
    sound.SetObserver([this](const PlayedSound&) {
        if (sound.Played().size() == 2) {
            procedure.SelectChannel(2);
        } else if (sound.Played().size() == 3) {
            procedure.Stop();
        }
    });

    EXPECT_EQ(procedure.Play().Value(), 3);

    EXPECT_EQ(link.Transcript(), "[I82][K82][I14][I14][K14]");
    ASSERT_EQ(sound.Played().size(), 3u);
    EXPECT_EQ(SoundingChannel(sound.Played()[0].Samples), 0);
    EXPECT_EQ(SoundingChannel(sound.Played()[1].Samples), 0);
    EXPECT_EQ(SoundingChannel(sound.Played()[2].Samples), 1);
    // Events ran before every command and after every repetition.
    EXPECT_EQ(dispatcher.Calls(), 5 + 3);
}

TEST_F(CalibrationToneTest, EarIsReadAtEveryRepetition)
{
    state.Ear = EarSide::Right;
    sound.SetObserver([this](const PlayedSound&) {
        state.Ear = EarSide::Left;
        if (sound.Played().size() == 2) {
            procedure.Stop();
        }
    });

    ASSERT_TRUE(procedure.Play());

    EXPECT_EQ(SoundingChannel(WavSamples(CalibrationWavName)), 0);
    EXPECT_EQ(SoundingChannel(sound.Played()[1].Samples), 0);
}

TEST_F(CalibrationToneTest, StopTakesEffectAfterTheRepetitionInProgressAndPlayStartsAgainCleared)
{
    dispatcher.OnDispatch = [this] {
        if (sound.Played().size() % 2 == 0) {
            procedure.Stop();
        }
    };
    procedure.Stop();  // a stop left over from an idle "OK"

    EXPECT_EQ(procedure.Play().Value(), 2);
    EXPECT_FALSE(procedure.Playing());
    EXPECT_EQ(procedure.Play().Value(), 2);
    EXPECT_EQ(sound.Played().size(), 4u);
}

TEST_F(CalibrationToneTest, ToneFollowsTheCurrentConditionAndNotTheCalibrationLevel)
{
    state.Conditions.push_back(TestCondition{});
    state.Conditions[1].ToneF = 2000.0f;
    state.CurrentCondition = 1;
    state.Settings.CalibFactor = 70.0f;
    StopAfterPlays(1);

    ASSERT_TRUE(procedure.Play());

    const std::vector<std::int16_t> tone = ChannelOf(sound.Played()[0].Samples, 0);
    int rises = 0;
    for (std::size_t i = 1; i < tone.size(); ++i) {
        rises += tone[i - 1] < 0 && tone[i] >= 0 ? 1 : 0;
    }
    EXPECT_NEAR(rises, 2000, 2);
    EXPECT_NEAR(PeakOf(tone), 11313, 2);
}

TEST_F(CalibrationToneTest, OtherAttenuatorModesDoNothing)
{
    for (const int mode : {0, 3}) {
        state.Settings.Attenuator = AttenuatorModeFromNumber(mode);
        EXPECT_EQ(procedure.Play().Value(), 0);
    }
    EXPECT_TRUE(sound.Played().empty());
    EXPECT_FALSE(std::filesystem::exists(CalibrationWavName));
    EXPECT_EQ(link.Transcript(), "");
    EXPECT_EQ(dispatcher.Calls(), 0);
}

TEST_F(CalibrationToneTest, AToneAboveHalfTheSampleRateIsRefusedBeforeAnything)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    state.Conditions[0].ToneF = 30000.0f;
    const Result<int> played = procedure.Play();
    ASSERT_FALSE(played) << "a 30000 Hz tone was played";
    EXPECT_NE(played.Reason().find("ToneF (30000 Hz)"), std::string::npos) << played.Reason();
    EXPECT_EQ(link.Transcript(), "");
    EXPECT_TRUE(sound.Played().empty());
    EXPECT_FALSE(procedure.Playing());
}

TEST_F(CalibrationToneTest, LevelOutOfRangeEndsPlayAfterTheQuietCommandsWithNothingPlayed)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    state.Settings.CalibFactor = 121.0f;

    EXPECT_EQ(procedure.Play().Reason(),
              "Attenuator level 121 dB SPL is out of range: the KC35 can set -23 to 120 dB SPL");

    EXPECT_EQ(link.Transcript(), "[I82][K82]");
    EXPECT_TRUE(sound.Played().empty());
    EXPECT_FALSE(std::filesystem::exists(CalibrationWavName));
    EXPECT_FALSE(procedure.Playing());

    state.Settings.CalibFactor = -23.0f;
    StopAfterPlays(1);
    EXPECT_EQ(procedure.Play().Value(), 1);
    EXPECT_EQ(link.Transcript(), "[I82][K82][I82][K82][I8F]");
}

TEST_F(CalibrationToneTest, SerialErrorEndsPlayAtTheRepetitionItHitsWithItsReason)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    link.FailOnWrite(10);  // the "I" of the second repetition's I14

    EXPECT_EQ(procedure.Play().Reason(), "Cannot write to the serial port: Input/output error (error code: 5)");

    EXPECT_EQ(sound.Played().size(), 1u);
    EXPECT_FALSE(procedure.Playing());
}

// A device that cannot play makes no repetition wait: the tone stops at the first one found
// not played, with the reason, instead of rewriting the file as fast as the disk takes it.
TEST_F(CalibrationToneTest, FailingSoundDeviceEndsTheRepetitionWithItsReason)
{
    sound.FailWith(SoundFailure::CannotOpen);
    dispatcher.OnDispatch = [this] {
        if (dispatcher.Calls() == 50) {
            procedure.Stop();
        }
    };
    testing::internal::CaptureStderr();

    EXPECT_EQ(procedure.Play().Value(), 2);

    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open waveform output device\n"
                                                      "Unable to open waveform output device\n");
    EXPECT_EQ(procedure.Problem(), "Unable to open waveform output device");
    EXPECT_FALSE(procedure.Playing());
    EXPECT_EQ(WavSamples(CalibrationWavName).size(), 2u * 44100u);

    sound.FailWith(SoundFailure::None);
    StopAfterPlays(1);
    EXPECT_EQ(procedure.Play().Value(), 1);
    EXPECT_EQ(procedure.Problem(), "");
}

TEST_F(CalibrationToneTest, PlayAskedForWhileTheToneRepeatsIsIgnored)
{
    int nested = -1;
    sound.SetObserver([this, &nested](const PlayedSound&) {
        nested = procedure.Play().Value();
        procedure.Stop();
    });

    EXPECT_EQ(procedure.Play().Value(), 1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(sound.Played().size(), 1u);
}


}  // namespace
