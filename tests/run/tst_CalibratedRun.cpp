// A run through a calibration profile plays each stimulus lower by its ear's correction at its
// frequency, sets KC35 levels in whole-dB steps, and records what it applied.
#include "CalibrationLevels.h"
#include "Csv.h"
#include "FakeDeviceRun.h"
#include "FileText.h"
#include "Kc35Attenuator.h"
#include "RecordedRuns.h"
#include "RecordingSerialLink.h"
#include "RecordingSoundOutput.h"
#include "RunChecks.h"
#include "RunQuality.h"
#include "ScratchFolder.h"
#include "ScriptedListener.h"
#include "SessionFiles.h"
#include "TrackingRun.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>

namespace {

using Key = ScriptedListener::Key;

// Five measured points of the right ear, and a left ear far off, so that a correction taken
// from the wrong ear or frequency shows.
HeadphoneResponse FivePoints()
{
    HeadphoneResponse response;
    for (const auto& [hz, db] : {std::pair{500.0f, 3.0f}, {800.0f, -2.0f}, {1000.0f, 2.0f}, {1500.0f, -4.0f}, {2000.0f, 1.0f}}) {
        response.Set(EarSide::Right, hz, db);
    }
    response.Set(EarSide::Left, 1000.0f, 12.0f);
    return response;
}

CalibrationInUse Profile(HeadphoneResponse response)
{
    CalibrationInUse calibration;
    calibration.Profile = "Booth A: HDA 200";
    calibration.LastCalibrated = "2026-03-01T09:30:00";
    calibration.Overdue = true;
    calibration.CheckedToday = false;
    calibration.Response = std::move(response);
    return calibration;
}

// The RMS of a stereo sound's channel over frames [from, to), in dB.
double ChannelDb(const PlayedSound& sound, int channel, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double s = sound.Samples[2 * i + static_cast<std::size_t>(channel)];
        sum += s * s;
    }
    return 10.0 * std::log10(sum / static_cast<double>(to - from));
}

// One run on its own devices in a scratch folder of its own, the store of calibrations moved
// there too.
class OneRun : public FakeDeviceRun {
public:
    explicit OneRun(const CalibrationInUse& calibration)
    {
        ::setenv("XDG_DATA_HOME", scratch.Path("data").c_str(), 1);
        ::setenv("QUORVEX_CALIBRATION_DIR", scratch.Path("calibration").c_str(), 1);
        state.Ear = EarSide::Right;
        state.Calibration = calibration;
        run.NoiseSeed = 7;
    }
    RecordedRun Recorded() const
    {
        const RecordedRuns runs = ReadRecordFiles(scratch.Path("run.csv").string(), scratch.Path("run.trials.csv").string());
        EXPECT_EQ(runs.Runs.size(), 1u);
        return runs.Runs.empty() ? RecordedRun{} : runs.Runs.front();
    }
    std::vector<std::vector<std::string>> TrialLog() const
    {
        return ParseCsv(FileText(scratch.Path("run.trials.csv")));
    }

};

// The frames of the tone's on-time without its ramps: 600 ms maskers, 400 ms tones, 20 ms ramps.
constexpr std::size_t ToneFrom = 4410 + 882;
constexpr std::size_t ToneTo = 4410 + 17640 - 882;

class CalibratedToneTest : public testing::TestWithParam<float> {};

TEST_P(CalibratedToneTest, PlaysTheToneLowerByItsEarsCorrectionAtToneF)
{
    const float toneF = GetParam();
    double levels[2] = {};
    for (const bool corrected : {false, true}) {
        OneRun one(corrected ? Profile(FivePoints()) : CalibrationInUse{});
        // The masker held at -10 dB SPL, 110 dB below the reference: the tone alone is heard.
        one.Condition() = {toneF, 500.0f, 2000.0f, 10.0f, 100.0f, 2.0f, -10.0f, 90.0f, -10.0f};
        one.listener.During(2, {Key::Stop});
        const RunOutcome report = one.run.Run();
        ASSERT_TRUE(report.Error.empty()) << report.Error;
        ASSERT_EQ(one.sound.Played().size(), 2u);
        levels[corrected] = ChannelDb(one.sound.Played()[0], EarChannel(EarSide::Right), ToneFrom, ToneTo);
    }
    EXPECT_NEAR(levels[1] - levels[0], -FivePoints().CorrectionDb(EarSide::Right, toneF), 0.05);
}

// On measured points, between them (log-frequency interpolation) and beyond the last (held).
INSTANTIATE_TEST_SUITE_P(OnAndBetweenPoints, CalibratedToneTest, testing::Values(1000.0f, 650.0f, 1200.0f, 3000.0f));

TEST(CalibratedMasker, EveryMaskerPlaysLowerByTheCorrectionAtItsCentreFrequency)
{
    std::vector<PlayedSound> played[2];
    std::vector<TrialRecord> trials[2];
    for (const bool corrected : {false, true}) {
        OneRun one(corrected ? Profile(FivePoints()) : CalibrationInUse{});
        // The tone 150 dB below the reference rounds to silence; the listener holds SPACE, so the
        // masker stays at MaxSPL and the sweep moves every trial after ten there.
        one.Condition() = {1000.0f, 500.0f, 2000.0f, 125.0f, 100.0f, 2.0f, 90.0f, -50.0f, 90.0f};
        one.listener.During(1, {Key::Press});
        const RunOutcome report = one.run.Run();
        ASSERT_TRUE(report.Error.empty()) << report.Error;
        played[corrected] = one.sound.Played();
        trials[corrected] = one.trials;
    }
    ASSERT_EQ(played[0].size(), played[1].size());
    ASSERT_GT(played[1].size(), 20u);
    const HeadphoneResponse response = FivePoints();
    for (std::size_t t = 0; t < played[1].size(); ++t) {
        const float hz = trials[1][t].Frequency;
        SCOPED_TRACE("trial " + std::to_string(t + 1) + " at " + std::to_string(hz) + " Hz");
        ASSERT_EQ(trials[0][t].Frequency, hz);
        EXPECT_EQ(trials[1][t].Level, trials[0][t].Level);  // the level recorded is the level at the ear
        EXPECT_EQ(trials[1][t].MaskerCorrection, response.CorrectionDb(EarSide::Right, hz));
        const double shift = ChannelDb(played[1][t], 1, 0, 26460) - ChannelDb(played[0][t], 1, 0, 26460);
        EXPECT_NEAR(shift, -response.CorrectionDb(EarSide::Right, hz), 0.05);
    }
}

TEST(CalibratedMasker, NeverGetsAPositiveGainAfterTheCorrection)
{
    HeadphoneResponse low;
    low.Set(EarSide::Right, 1000.0f, -3.0f);  // a headphone 3 dB quiet: the masker is played 3 dB louder
    OneRun one(Profile(low));
    one.Condition() = {1000.0f, 500.0f, 2000.0f, 10.0f, 100.0f, 2.0f, 110.0f, -50.0f, 96.0f};
    one.listener.During(1, {Key::Press});
    one.listener.During(6, {Key::Stop});
    ASSERT_TRUE(one.run.Run().Error.empty());
    // 96, 98, then held at CalibFactor - 3 = 97 dB SPL at the ear, at the reference RMS.
    ASSERT_EQ(one.trials.size(), 6u);
    EXPECT_EQ(one.trials[0].Level, 96.0f);
    for (std::size_t t = 1; t < one.trials.size(); ++t) {
        EXPECT_EQ(one.trials[t].Level, 97.0f) << "trial " << t + 1;
    }
}

TEST(CalibratedRecord, NamesTheProfileWhatItAppliedAndItsFlags)
{
    OneRun one(Profile(FivePoints()));
    one.Condition() = {1000.0f, 500.0f, 2000.0f, 250.0f, 100.0f, 2.0f, 90.0f, -50.0f, 90.0f};
    one.listener.During(1, {Key::Press});
    ASSERT_TRUE(one.run.Run().Error.empty());
    const RecordedCalibration recorded = one.Recorded().Calibration;
    EXPECT_EQ(recorded.Profile, "Booth A: HDA 200");
    EXPECT_EQ(recorded.LastCalibrated, "2026-03-01T09:30:00");
    EXPECT_EQ(recorded.ToneDb, 2.0f);
    EXPECT_EQ(recorded.MaskerMinDb, -4.0f);  // the sweep passes 1500 Hz
    EXPECT_EQ(recorded.MaskerMaxDb, 3.0f);   // and starts at 500 Hz
    EXPECT_FALSE(recorded.Kc35ResidualDb);   // software levels are exact
    EXPECT_TRUE(recorded.Overdue);
    EXPECT_TRUE(recorded.NoListeningCheck);
    EXPECT_EQ(CalibrationFlagTitles(recorded), (std::vector<std::string>{"calibration overdue", "no listening check"}));

    const auto log = one.TrialLog();
    const auto column = std::find(log[0].begin(), log[0].end(), "masker_correction") - log[0].begin();
    ASSERT_LT(static_cast<std::size_t>(column), log[0].size());
    EXPECT_EQ(log[1][static_cast<std::size_t>(column)], "3");  // 500 Hz
}

TEST(CalibratedRecord, WithoutAProfileItsColumnsAreEmpty)
{
    OneRun one{CalibrationInUse{}};
    one.listener.During(3, {Key::Stop});
    ASSERT_TRUE(one.run.Run().Error.empty());
    const RecordedCalibration recorded = one.Recorded().Calibration;
    EXPECT_TRUE(recorded.Profile.empty());
    EXPECT_FALSE(recorded.ToneDb || recorded.MaskerMinDb || recorded.Kc35ResidualDb);
    EXPECT_TRUE(CalibrationFlagTitles(recorded).empty());
    const auto log = one.TrialLog();
    EXPECT_EQ(log[0].back(), "masker_correction");
    EXPECT_EQ(log[1].back(), "");
}

TEST(CalibratedRecord, TheSessionPanelsQualityLineNamesTheCalibrationsFlags)
{
    const std::string line = QualityLine({}, TestCondition{}, Profile(FivePoints()));
    EXPECT_NE(line.find("calibration overdue ("), std::string::npos) << line;
    EXPECT_NE(line.find("; no listening check ("), std::string::npos) << line;
    CalibrationInUse checked = Profile(FivePoints());
    checked.Overdue = false;
    checked.CheckedToday = true;
    EXPECT_EQ(QualityLine({}, TestCondition{}, checked), QualityLine({}, TestCondition{}));
}

struct Kc35Case {
    float level, correction;
    std::optional<float> ceiling;
    int command;
    float residual;
};

class Kc35StepTest : public testing::TestWithParam<Kc35Case> {};

TEST_P(Kc35StepTest, TakesTheCorrectionOffInWholeDecibels)
{
    const Kc35Case& c = GetParam();
    const Kc35Setting setting = Kc35CorrectedLevel(c.level, c.correction, c.ceiling);
    EXPECT_EQ(setting.Level, c.command);
    EXPECT_NEAR(setting.ResidualDb, c.residual, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(
    RoundedAndCapped, Kc35StepTest,
    testing::Values(Kc35Case{30.0f, 2.4f, std::nullopt, 28, 0.4f},   // rounded down: 0.4 dB louder at the ear
                    Kc35Case{30.0f, 2.6f, std::nullopt, 27, -0.4f},  // rounded up
                    Kc35Case{30.0f, -1.5f, std::nullopt, 32, 0.5f},  // half a step rounds away from zero
                    Kc35Case{37.5f, 3.0f, std::nullopt, 34, -0.5f},  // the level truncated as without a profile
                    Kc35Case{40.0f, -0.6f, 40.0f, 40, -0.6f},        // 41 would put 40.4 dB at the ear, above MaxSPL
                    Kc35Case{40.0f, 0.0f, 40.0f, 40, 0.0f}));

TEST(CalibratedKc35Run, SendsTheCorrectedLevelsAndRecordsTheLargestResidual)
{
    OneRun one(Profile(FivePoints()));
    one.state.Settings.Attenuator = AttenuatorMode::Kc35;
    one.Condition().MaskStartSPL = 37.5f;  // at 500 Hz, correction +3
    one.Condition().ToneF = 1200.0f;       // correction 2 - 6 * log(1.2) / log(1.5) = -0.70
    one.listener.During(3, {Key::Stop});
    ASSERT_TRUE(one.run.Run().Error.empty());
    // Tone 30 + 1 = 31 -> attenuation 89 ("59"); masker 37.5 - 3 -> 34 -> 86 ("56"), 34.5 - 3 -> 31, 31.5 - 3 -> 28.
    EXPECT_EQ(one.link.Transcript(), "[K59][K59][I56][I59][I5C]");
    const float toneResidual = 31.0f + FivePoints().CorrectionDb(EarSide::Right, 1200.0f) - 30.0f;
    ASSERT_TRUE(one.Recorded().Calibration.Kc35ResidualDb);
    EXPECT_NEAR(*one.Recorded().Calibration.Kc35ResidualDb, std::abs(toneResidual) > 0.5f ? toneResidual : -0.5f, 1e-4);
}

TEST(CalibratedChecks, RefuseATheToneTheCorrectionWouldClip)
{
    SharedState state;
    state.Conditions.resize(1);
    state.ResultsFileName = "run.dat";
    state.Conditions[0].ToneSPL = 106.0f;  // 6 dB over CalibFactor: below the 9.24 dB a tone's peak allows
    HeadphoneResponse quiet;
    quiet.Set(EarSide::Right, 1000.0f, -4.0f);  // played 4 dB louder still
    EXPECT_TRUE(CheckRunConditions(state, '.'));
    state.Calibration = Profile(quiet);
    const Result<> refused = CheckRunConditions(state, '.');
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.Reason().find("would clip"), std::string::npos) << refused.Reason();
    EXPECT_NE(refused.Reason().find("Booth A"), std::string::npos) << refused.Reason();
    state.Settings.Attenuator = AttenuatorMode::Kc35;  // the attenuator sets the level: no gain in the samples
    EXPECT_TRUE(CheckRunConditions(state, '.'));
}

}  // namespace
