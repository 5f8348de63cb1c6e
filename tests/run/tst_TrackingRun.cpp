#include "CsvByHeader.h"
#include "FakeDeviceRun.h"
#include "FreqPointCount.h"
#include "Kc35Attenuator.h"
#include "RecordingSerialLink.h"
#include "RecordingSoundOutput.h"
#include "RunSummary.h"
#include "ScratchFolder.h"
#include "ScriptedListener.h"
#include "Stimuli.h"
#include "TrackingRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace {

using Key = ScriptedListener::Key;

class TrackingRunTest : public testing::Test, protected FakeDeviceRun {
protected:
    void SetUp() override
    {
        dir = scratch.Path();
        state.Settings.ISI = 200;
    }

    // Presses during trial 3, releases during 6, presses during 8, releases during 10,
    // presses during 12, and stops during 14.
    void ScriptTheWorkedExample()
    {
        listener.During(3, {Key::Press});
        listener.During(6, {Key::Release});
        listener.During(8, {Key::Press});
        listener.During(10, {Key::Release});
        listener.During(12, {Key::Press});
        listener.During(14, {Key::Stop});
    }

    static std::string Text(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string ResultsText() const { return Text(state.ResultsFileName); }
    // A data file's rows after the header, as columns named by the header.
    std::vector<std::map<std::string, std::string>> Rows(const std::string& name) const
    {
        return CsvRowsByHeader(Text(dir / name));
    }

    std::filesystem::path dir;
};

struct ExpectedTrial {
    float frequency;
    float level;
    int reversals;
    int direction;
};

void ExpectTrials(const std::vector<TrialRecord>& trials, const std::vector<ExpectedTrial>& expected)
{
    ASSERT_GE(trials.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("trial " + std::to_string(i + 1));
        EXPECT_EQ(trials[i].Frequency, expected[i].frequency);
        EXPECT_EQ(trials[i].Level, expected[i].level);
        EXPECT_EQ(trials[i].ReversalCount, expected[i].reversals);
        EXPECT_EQ(trials[i].LevelDirection, expected[i].direction);
    }
}

}  // namespace

TEST_F(TrackingRunTest, FollowsTheWorkedExampleTrialByTrial)
{
    ScriptTheWorkedExample();
    const RunOutcome report = run.Run();

    EXPECT_EQ(report.Trials, 14);
    EXPECT_TRUE(report.Error.empty()) << report.Error;
    ExpectTrials(trials, {{500, 40, 0, -1}, {500, 37, 0, -1}, {500, 34, 1, +1}, {500, 37, 1, +1},
                          {500, 40, 1, +1}, {500, 43, 2, -1}, {500, 40, 2, -1}, {500, 37, 3, +1},
                          {500, 40, 3, +1}, {500, 43, 4, -1}, {500, 40, 4, -1}, {500, 37, 5, +1},
                          {510, 40, 5, +1}, {520, 43, 5, +1}});
    ASSERT_EQ(state.Results.ResultCount(), 1);
    EXPECT_EQ(state.Results[0].Freq, 500.0f);
    EXPECT_EQ(state.Results[0].SPL, 37.0f);
    EXPECT_EQ(state.Results.StoredResultCount, 1);
    EXPECT_NE(ResultsText().find("500\t37\r\n"), std::string::npos);
    EXPECT_EQ(sound.Played().size(), 14u);
}

TEST_F(TrackingRunTest, TrialLogOfTheWorkedExampleFollowsItsTableAndTheRecordHoldsItsPoint)
{
    ScriptTheWorkedExample();
    const RunOutcome report = run.Run();
    EXPECT_EQ(report.RecordError + report.TrialLogError, "");
    // Trial, masker frequency, level, key after the trial, key changes, points recorded.
    const std::vector<std::vector<std::string>> table = {
        {"1", "500", "40", "up", "0", "0"},   {"2", "500", "37", "up", "0", "0"},
        {"3", "500", "34", "down", "1", "0"}, {"4", "500", "37", "down", "1", "0"},
        {"5", "500", "40", "down", "1", "0"}, {"6", "500", "43", "up", "2", "0"},
        {"7", "500", "40", "up", "2", "0"},   {"8", "500", "37", "down", "3", "0"},
        {"9", "500", "40", "down", "3", "0"}, {"10", "500", "43", "up", "4", "0"},
        {"11", "500", "40", "up", "4", "0"},  {"12", "500", "37", "down", "5", "1"},
        {"13", "510", "40", "down", "5", "0"}, {"14", "520", "43", "down", "5", "0"}};
    const auto trials = Rows("run.trials.csv");
    ASSERT_EQ(trials.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        auto row = trials[i];
        EXPECT_EQ((std::vector<std::string>{row["trial"], row["masker_freq"], row["masker_spl"], row["key"],
                                            row["key_changes"], row["recorded"]}),
                  table[i]);
        EXPECT_EQ(row["run"], report.RunId);
        EXPECT_EQ(row["played"], "1");
        EXPECT_EQ(row["onset"], "") << "the recording output cannot say when a sound started";
    }
    const auto record = Rows("run.csv");
    ASSERT_EQ(record.size(), 1u);
    auto point = record[0];
    EXPECT_EQ((std::vector<std::string>{point["run"], point["point"], point["masker_freq"], point["masker_spl"],
                                        point["attenuator"], point["ToneF"], point["CalibFactor"]}),
              (std::vector<std::string>{report.RunId, "1", "500", "37", "software", "1000", "100"}));
}

TEST_F(TrackingRunTest, AnUnwritableSessionRecordIsReportedAndTheOtherFilesAreStillWritten)
{
    std::filesystem::create_directory(dir / "run.csv");
    ScriptTheWorkedExample();
    const RunOutcome report = run.Run();
    EXPECT_NE(report.RecordError.find((dir / "run.csv").string()), std::string::npos) << report.RecordError;
    EXPECT_NE(report.RecordError.find("Is a directory"), std::string::npos) << report.RecordError;
    EXPECT_EQ(report.ResultsError + report.TrialLogError, "");
    EXPECT_NE(ResultsText().find("500\t37\r\n"), std::string::npos);
    EXPECT_EQ(Rows("run.trials.csv").size(), 14u);
}

TEST_F(TrackingRunTest, DownwardRunStartsAtTheEndFrequency)
{
    state.SweepDirection = Sweep::Down;
    ScriptTheWorkedExample();
    run.Run();
    ASSERT_EQ(trials.size(), 14u);
    EXPECT_EQ(trials[11].Frequency, 2000.0f);
    EXPECT_EQ(trials[12].Frequency, 1990.0f);
    EXPECT_EQ(trials[13].Frequency, 1980.0f);
    ASSERT_EQ(state.Results.ResultCount(), 1);
    EXPECT_EQ(state.Results[0].Freq, 2000.0f);
}

TEST_F(TrackingRunTest, AListenerWhoNeverPressesFallsToTheFloorAndStaysThere)
{
    listener.During(30, {Key::Stop});
    run.Run();
    ASSERT_EQ(trials.size(), 30u);
    EXPECT_EQ(trials[0].Level, 40.0f);
    EXPECT_EQ(trials[1].Level, 37.0f);
    EXPECT_EQ(trials[16].Level, -8.0f);
    EXPECT_EQ(trials[17].Level, -10.0f);  // 40 - 17 * 3 = -11 is limited to -10
    EXPECT_EQ(trials[29].Level, -10.0f);
    for (const TrialRecord& trial : trials) {
        EXPECT_EQ(trial.Frequency, 500.0f);
    }
    EXPECT_EQ(state.Results.ResultCount(), 0);
}

TEST_F(TrackingRunTest, HoldingSpaceAtMaxSplStartsTheSweepAndRunsToItsEnd)
{
    Condition().MaxSPL = 80.0f;  // not above CalibFactor
    listener.During(1, {Key::Press});
    const RunOutcome report = run.Run();
    EXPECT_TRUE(run.SweepDone());
    EXPECT_EQ(trials.front().Frequency, 500.0f);
    EXPECT_EQ(trials.back().Frequency, 2000.0f) << "the sweep ends with EndF";
    EXPECT_EQ(trials[14].Level, 80.0f);
    EXPECT_EQ(state.Results.ResultCount(), 0);
    EXPECT_EQ(report.StoredPoints, 0);
    // 40 + 3k reaches 80 at trial 15; the frequency moves after the 11th trial at 80.
    EXPECT_EQ(trials[24].Frequency, 500.0f);
    EXPECT_EQ(trials[25].Frequency, 510.0f);
}

struct SweepCase {
    float startF;
    float endF;
    float fStep;
    Sweep direction;
    float first;
    float last;
};

class SweepEndTest : public TrackingRunTest, public testing::WithParamInterface<SweepCase> {};

TEST_P(SweepEndTest, PlaysEveryFrequencyOfTheRangeFromTheStartToTheEnd)
{
    const SweepCase& sweep = GetParam();
    Condition().StartF = sweep.startF;
    Condition().EndF = sweep.endF;
    Condition().FStep = sweep.fStep;
    state.SweepDirection = sweep.direction;
    listener.During(1, {Key::Press});  // held: the sweep starts after 11 trials at MaxSPL
    run.Run();
    EXPECT_TRUE(run.SweepDone());
    EXPECT_EQ(trials.front().Frequency, sweep.first);
    EXPECT_EQ(trials.back().Frequency, sweep.last);
    int frequencies = 1;
    for (std::size_t i = 1; i < trials.size(); ++i) {
        frequencies += trials[i].Frequency != trials[i - 1].Frequency ? 1 : 0;
    }
    EXPECT_EQ(frequencies, FreqPointCount(Condition()));
}

INSTANTIATE_TEST_SUITE_P(
    UpAndDown, SweepEndTest,
    testing::Values(SweepCase{700, 1300, 10, Sweep::Up, 700, 1300}, SweepCase{700, 1300, 10, Sweep::Down, 1300, 700},
                    SweepCase{500, 2005, 10, Sweep::Up, 500, 2000}, SweepCase{500, 2005, 10, Sweep::Down, 2005, 505},
                    SweepCase{1000, 1001, 0.25f, Sweep::Up, 1000, 1001},
                    SweepCase{800, 800, 10, Sweep::Down, 800, 800}));

// Over a whole run the masker sounds at the level the trial records, less the 3.01 dB the band
// shift takes from the noise: its sections come from the whole reservoir, whose RMS is the
// reference.
class PlayedMaskerLevelTest : public TrackingRunTest, public testing::WithParamInterface<std::uint32_t> {};

TEST_P(PlayedMaskerLevelTest, ARunsMaskerIsPlayedAtItsRecordedLevel)
{
    run.NoiseSeed = GetParam();
    listener.During(1, {Key::Press});  // held at MaxSPL 80 dB SPL, far above the 16-bit floor
    run.Run();
    const Tone tone = MakeRunTone(state.Settings, Condition(), Condition().ToneSPL);
    const std::size_t ramp = 882;  // RiseFall 20 ms: measured between the masker's ramps
    ASSERT_EQ(sound.Played().size(), trials.size());
    double offsetDb = 0.0;
    for (std::size_t t = 0; t < trials.size(); ++t) {
        const auto& pcm = sound.Played()[t].Samples;
        double sum = 0.0;
        for (std::size_t i = ramp; i < 26460 - ramp; ++i) {
            const double masker = pcm[2 * i + 1] - tone.Samples()[i];
            sum += masker * masker;
        }
        const double playedDb = 100.0 + 20.0 * std::log10(std::sqrt(sum / (26460 - 2 * ramp)) / 8000.0);
        offsetDb += (trials[t].Level - playedDb) / static_cast<double>(trials.size());
    }
    EXPECT_NEAR(offsetDb, 3.01, 0.3) << trials.size() << " trials";
}

INSTANTIATE_TEST_SUITE_P(Seeds, PlayedMaskerLevelTest, testing::Values(3u, 9u, 22u, 26u));

TEST_F(TrackingRunTest, BelowMaxSplTheLevelStopsAtCalibFactorAndTheFrequencyStays)
{
    Condition().MaxSPL = 110.0f;  // above CalibFactor: never reached
    listener.During(1, {Key::Press});
    listener.During(40, {Key::Stop});
    run.Run();
    ASSERT_EQ(trials.size(), 40u);
    EXPECT_EQ(trials[20].Level, 100.0f);
    EXPECT_EQ(trials[39].Level, 100.0f);
    EXPECT_EQ(trials[39].Frequency, 500.0f);
    EXPECT_EQ(run.RelativeLevel(), 3.0f) << "the step after the last trial; limited again before the next";
}

TEST_F(TrackingRunTest, ExactlyFourKeyChangesNeverMoveTheFrequency)
{
    listener.During(2, {Key::Press, Key::Release, Key::Press, Key::Release});
    listener.During(25, {Key::Stop});
    run.Run();
    EXPECT_EQ(trials[1].ReversalCount, 4);
    EXPECT_EQ(trials.back().Frequency, 500.0f);
    EXPECT_EQ(state.Results.ResultCount(), 0);
}

TEST_F(TrackingRunTest, AutoRepeatedPressesAndOtherKeysCountNoChange)
{
    listener.During(2, {Key::Press, Key::Press, Key::Press});
    listener.During(3, {Key::Stop});
    run.Run();
    EXPECT_EQ(trials[1].ReversalCount, 1);
    EXPECT_EQ(trials[2].ReversalCount, 1) << "the stop key changes no direction";
    EXPECT_EQ(trials[2].LevelDirection, +1);
    EXPECT_EQ(trials.size(), 3u) << "the run ends after the trial in which the stop key came";
}

class SoftwareModeEarTest : public TrackingRunTest, public testing::WithParamInterface<EarSide> {};

TEST_P(SoftwareModeEarTest, PlaysTheStimulusOnTheChosenEarOnly)
{
    const EarSide ear = GetParam();
    state.Ear = ear;
    listener.During(1, {Key::Stop});
    run.Run();
    ASSERT_EQ(sound.Played().size(), 1u);
    const auto& pcm = sound.Played()[0].Samples;
    ASSERT_EQ(pcm.size(), 2u * 26460u);
    double energy[2] = {0.0, 0.0};
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        energy[i % 2] += static_cast<double>(pcm[i]) * pcm[i];
    }
    const int channel = EarChannel(ear);
    EXPECT_GT(energy[channel], 0.0);
    EXPECT_EQ(energy[1 - channel], 0.0);
}

INSTANTIATE_TEST_SUITE_P(LeftAndRight, SoftwareModeEarTest, testing::Values(EarSide::Left, EarSide::Right));

TEST_F(TrackingRunTest, KC35ModeSetsTheToneTwiceThenTheMaskerBeforeEveryPresentation)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    Condition().MaskStartSPL = 37.5f;
    listener.During(3, {Key::Stop});
    run.Run();
    // Tone level 30 -> attenuation 90 ("5A"); masker 37.5 -> 37 -> 83 ("53"), then 34.5 -> 34, 31.5 -> 31.
    EXPECT_EQ(link.Transcript(), "[K5A][K5A][I53][I56][I59]");
    ASSERT_EQ(sound.Played().size(), 3u);
    // The masker on the left output at full reference level, the tone on the right.
    const auto& pcm = sound.Played()[0].Samples;
    double left = 0.0;
    double right = 0.0;
    for (std::size_t i = 0; i < pcm.size(); i += 2) {
        left += static_cast<double>(pcm[i]) * pcm[i];
        right += static_cast<double>(pcm[i + 1]) * pcm[i + 1];
    }
    EXPECT_GT(std::sqrt(left / 26460.0), 3000.0);
    EXPECT_GT(std::sqrt(right / 26460.0), 3000.0);
}

TEST_F(TrackingRunTest, KC35KeyChangesArriveAtTheAttenuatorsDispatchToo)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    listener.During(1, {Key::Stop});
    run.Run();
    // Before the pause, twice before the loop (tone level), once for the trial's masker level,
    // once after the trial's pause, and once more inside the stop key's own handler.
    EXPECT_EQ(listener.Dispatches(), 1 + 2 + 1 + 1 + 1);
}

TEST_F(TrackingRunTest, AnyOtherModeRunsSilentlyAndStillTracks)
{
    state.Settings.Attenuator = AttenuatorModeFromNumber(3);
    listener.During(1, {Key::Press});
    listener.During(2, {Key::Release});
    listener.During(3, {Key::Press});
    listener.During(4, {Key::Release});
    listener.During(5, {Key::Press});
    listener.During(6, {Key::Stop});
    const RunOutcome report = run.Run();
    EXPECT_TRUE(sound.Played().empty());
    EXPECT_TRUE(link.Transcript().empty());
    EXPECT_EQ(report.FailedPresentations, 0);
    EXPECT_EQ(state.Results.ResultCount(), 1);
}

TEST_F(TrackingRunTest, AnAttenuatorErrorEndsTheRunButKeepsAndWritesThePoints)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    state.Settings.CalibFactor = 125.0f;
    Condition().MaxSPL = 130.0f;
    Condition().MaskStartSPL = 110.0f;
    listener.During(1, {Key::Press});
    listener.During(2, {Key::Release});
    listener.During(3, {Key::Press});
    listener.During(4, {Key::Release});
    listener.During(5, {Key::Press});
    listener.During(6, {Key::Release, Key::Press});
    // 110, 113, 110, 113, 110 (first point), 113 (two points), 116, 119; the next trial
    // asks for 122, which the KC35 cannot set.
    const RunOutcome report = run.Run();
    EXPECT_NE(report.Error.find("122"), std::string::npos) << report.Error;
    EXPECT_EQ(report.Trials, 8);
    EXPECT_EQ(report.StoredPoints, 3);
    EXPECT_EQ(state.Results.StoredResultCount, 3);
    const std::string text = ResultsText();
    EXPECT_NE(text.find("; Attenuator = KC35\r\n"), std::string::npos);
    EXPECT_NE(text.find("500\t"), std::string::npos);
    EXPECT_EQ(Rows("run.csv").size(), 3u);
    // The ninth trial was set up but not played.
    const auto trials = Rows("run.trials.csv");
    ASSERT_EQ(trials.size(), 9u);
    auto last = trials.back();
    EXPECT_EQ((std::vector<std::string>{last["masker_spl"], last["played"], last["key_changes"]}),
              (std::vector<std::string>{"122", "0", "7"}));
}

TEST_F(TrackingRunTest, ASerialFailureEndsTheRunWithItsReasonAndPlaysNothingAtTheLevelNotSet)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    Condition().MaskStartSPL = 37.5f;
    link.FailOnWrite(13);  // the "I" of the third trial's masker level
    const RunOutcome report = run.Run();
    EXPECT_EQ(report.Error, "Cannot write to the serial port: Input/output error (error code: 5)");
    EXPECT_EQ(link.Transcript(), "[K5A][K5A][I53][I56][");
    EXPECT_EQ(report.Trials, 2);
    EXPECT_EQ(sound.Played().size(), 2u) << "the third stimulus waited for its level and was never released";
    const auto logged = Rows("run.trials.csv");
    ASSERT_EQ(logged.size(), 3u) << "the broken-off trial is logged as it stood";
    EXPECT_EQ(logged.back().at("played"), "0");
}

TEST_F(TrackingRunTest, FilesThatCannotBeWrittenAreToldBeforeTheFirstStimulusAndTheRunGoesOn)
{
    std::filesystem::create_directory(dir / "test.out");
    state.ResultsFileName = (dir / "gone" / "run.dat").string();
    std::vector<std::string> told;
    std::size_t playedWhenTold = 99;
    run.OnFileProblem = [&](const std::string& problem) {
        told.push_back(problem);
        playedWhenTold = sound.Played().size();
    };
    listener.During(2, {Key::Stop});
    const RunOutcome report = run.Run();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(playedWhenTold, 0u);
    EXPECT_NE(told[0].find("'test.out': Is a directory"), std::string::npos) << told[0];
    EXPECT_EQ(told[0].find("Graph Results"), std::string::npos) << "test.out keeps no points: " << told[0];
    EXPECT_NE(told[1].find("'" + state.ResultsFileName + "' cannot be opened for appending: No such file"),
              std::string::npos)
        << told[1];
    EXPECT_EQ(report.Trials, 2);
    EXPECT_NE(report.ResultsError.find(state.ResultsFileName), std::string::npos);
}

TEST_F(TrackingRunTest, FailedPresentationsAreCounted)
{
    sound.FailWith(SoundFailure::UnsupportedFormat);
    listener.During(4, {Key::Stop});
    testing::internal::CaptureStderr();
    const RunOutcome report = run.Run();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(report.Trials, 4);
    EXPECT_EQ(report.FailedPresentations, 4);
}

TEST_F(TrackingRunTest, KeysAfterTheRunStillCountButAreNeitherWrittenNorShown)
{
    listener.During(1, {Key::Press, Key::Release, Key::Press, Key::Release, Key::Press});
    listener.During(2, {Key::Stop});
    run.Run();
    EXPECT_EQ(state.Results.StoredResultCount, 1);
    run.KeyUp(TrackingRun::SpaceKey);
    EXPECT_EQ(state.Results.ResultCount(), 2);
    EXPECT_EQ(state.Results.StoredResultCount, 1);
}

// The recording fake plays 16-bit samples: 70 dB below CalibFactor the tone spans a few steps.
TEST_F(TrackingRunTest, AStimulusThatKeepsFewBitsIsToldOnceWithTheAdvice)
{
    listener.During(3, {Key::Stop});
    const std::vector<std::string> quiet = RunSummary(run.Run());
    const auto warnings = std::count_if(quiet.begin(), quiet.end(), [](const std::string& line) {
        return line.find("bits (fewer than 12)") != std::string::npos;
    });
    EXPECT_EQ(warnings, 1);
    const auto line = std::find_if(quiet.begin(), quiet.end(), [](const std::string& l) {
        return l.rfind("The tone at 30 dB SPL keeps 2.8 of the output's 16 bits", 0) == 0;
    });
    ASSERT_NE(line, quiet.end()) << testing::PrintToString(quiet);
    EXPECT_NE(line->find("turn the headphone amplifier down and recalibrate"), std::string::npos);

    // Tone and masker 5 dB below CalibFactor keep more than 13 bits.
    state.Settings.CalibFactor = 45.0f;
    Condition().ToneSPL = 40.0f;
    listener.During(clock.TrialsHeard() + 2, {Key::Stop});
    for (const std::string& l : RunSummary(run.Run())) {
        EXPECT_EQ(l.find("bits (fewer than"), std::string::npos) << l;
    }
}
