#include "ConditionAnalysis.h"
#include "Csv.h"
#include "ParameterFile.h"
#include "RecordedRuns.h"
#include "ResultsFileBlocks.h"
#include "ScratchFolder.h"
#include "SessionRunner.h"
#include "SessionTime.h"
#include "VirtualSessionRuns.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace {

// A short condition whose tone the listener's 16-bit ear still resolves near its threshold in
// quiet (CalibFactor 80), with the tone given as `tone` ("ToneSPL=40" or "ToneSL=15").
ParameterLoad LoadToneCondition(const std::string& tone, const std::string& session = "")
{
    std::ofstream("PTC.INI") << "[Settings]\nMaskerDuration=300\nToneDuration=200\nISI=50\n[Tests]\nN_Cond=1\n"
                                "CalibFactor=80\n[Cond1]\nToneF=1000\nStartF=900\nEndF=1100\nFStep=20\nMaskerBW=100\n"
                                "MaxSPL=80\nMaskStartSPL=45\n"
                             << tone << "\n" << (session.empty() ? "" : "[Session]\n" + session);
    return LoadParameterFile("PTC.INI", '.');
}

RecordedRuns ThresholdRecord()
{
    return ReadRecordFiles("default.csv", "default.trials.csv");
}

VirtualRunResult Threshold(const ParameterSet& parameters, std::uint32_t seed, const std::string& subject = "ann")
{
    VirtualRunOptions options;
    options.Kind = RunKind::Threshold;
    options.Subject = subject;
    options.Listener.Seed = seed;
    return RunWithVirtualListener(parameters, options);
}

}  // namespace

// The track from 40 dB SPL down to the listener's threshold of 10 dB SPL: 2 dB steps and a
// criterion met at the threshold put every estimate within a step and a half of it (the
// reversals alternate between the last level heard and the first not heard).
TEST(ThresholdRun, EstimatesTheListenersThresholdAndRecordsItWithoutAResultsBlock)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadToneCondition("ToneSPL=40");
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        const VirtualRunResult result = Threshold(load.Parameters, seed);
        ASSERT_TRUE(result.Refusal.empty()) << result.Refusal;
        ASSERT_TRUE(result.Report.Threshold);
        EXPECT_NEAR(result.Report.Threshold->Level, ModelQuietThresholdDb, 3.0) << "seed " << seed;
        EXPECT_EQ(result.Report.Reversals.size(), 8u);
        EXPECT_EQ(result.Report.Threshold->Averaged, 6);
        EXPECT_TRUE(result.Report.ThresholdFlags.empty());
    }
    EXPECT_FALSE(std::filesystem::exists("default.dat")) << "the results file takes tuning curves only";

    const RecordedRuns record = ThresholdRecord();
    ASSERT_EQ(record.Runs.size(), 8u);
    const RecordedRun& run = record.Runs.back();
    EXPECT_EQ(run.Kind, RunKind::Threshold);
    ASSERT_TRUE(run.Threshold);
    EXPECT_EQ(run.Reversals.size(), 8u);
    EXPECT_NEAR(run.Threshold->Level, EstimateThreshold(run.Reversals)->Level, 1e-3);
    EXPECT_NEAR(run.Threshold->Sd, EstimateThreshold(run.Reversals)->Sd, 1e-3);
    EXPECT_TRUE(run.Points.empty());
    ASSERT_TRUE(run.LoggedTrials) << "the trial log has the run's trials";
    EXPECT_GT(run.LoggedTrials->size(), 8u);
    EXPECT_EQ(LeftOutBecause(run), "threshold run");
    EXPECT_TRUE(AnalyseRecordedRuns(record.Runs, {}, {}).Runs.empty()) << "a threshold run is no curve";
}

TEST(ThresholdRun, ATrackHeldAtTheCeilingGivesNoThresholdAndSaysWhy)
{
    const ScratchFolder dir;
    ParameterLoad load = LoadToneCondition("ToneSPL=40");
    load.Parameters.Settings.ThresholdTimeLimit = 10.0f;  // 29 trials of 350 ms
    VirtualRunOptions options;
    options.Kind = RunKind::Threshold;
    options.Hearing.Right.Audiogram = {{1000.0, 120.0}};  // deaf at this frequency
    const VirtualRunResult result = RunWithVirtualListener(load.Parameters, options);
    EXPECT_FALSE(result.Report.Threshold);
    EXPECT_EQ(result.Report.Trials, 29);
    ASSERT_EQ(result.Report.ThresholdFlags.size(), 2u);
    EXPECT_NE(result.Report.ThresholdFlags[0].find("ceiling (80 dB SPL)"), std::string::npos);
    EXPECT_NE(result.Report.ThresholdFlags[1].find("time limit"), std::string::npos);
}

TEST(ToneInDbSL, IsRefusedWithoutAThresholdAndOtherwisePlayedAboveTheLatestOne)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadToneCondition("ToneSL=15");
    ASSERT_TRUE(load.Loaded) << load.Error;
    VirtualRunOptions curve;
    curve.Subject = "ann";
    const VirtualRunResult refused = RunWithVirtualListener(load.Parameters, curve);
    EXPECT_NE(refused.Refusal.find("Measure it first"), std::string::npos) << refused.Refusal;

    ASSERT_TRUE(Threshold(load.Parameters, 1, "someone else").Report.Threshold);
    EXPECT_FALSE(RunWithVirtualListener(load.Parameters, curve).Refusal.empty()) << "another subject's threshold";
    (void)Threshold(load.Parameters, 2);
    const VirtualRunResult measured = Threshold(load.Parameters, 3);
    ASSERT_TRUE(measured.Report.Threshold);
    const VirtualRunResult result = RunWithVirtualListener(load.Parameters, curve);
    ASSERT_TRUE(result.Refusal.empty()) << result.Refusal;
    const float expected = static_cast<float>(std::round((measured.Report.Threshold->Level + 15.0) * 10.0) / 10.0);
    EXPECT_NE(result.Report.ToneLevel.find("15 dB SL = "), std::string::npos) << result.Report.ToneLevel;

    const RecordedRuns record = ThresholdRecord();
    const RecordedRun& run = record.Runs.back();
    EXPECT_EQ(run.Kind, RunKind::Ptc);
    EXPECT_EQ(run.Parameters.ToneSPL, expected);
    EXPECT_EQ(run.Parameters.ToneSL, 15.0f);
    EXPECT_EQ(run.ThresholdRun, measured.Report.RunId) << "the latest threshold of the subject";
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(ReadWholeFile("default.dat").Text);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].ToneSPL, expected);
    EXPECT_EQ(load.Parameters.Conditions[0].ToneSL, 15.0f);
}

TEST(ToneInDbSL, GivenWithToneSPLIsRefusedAtLoading)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadToneCondition("ToneSL=10\nToneSPL=40");
    EXPECT_FALSE(load.Loaded);
    EXPECT_NE(load.Error.find("gives both ToneSPL and ToneSL in [Cond1]"), std::string::npos) << load.Error;
}

// Thresholds first and a practice run: the order, the statuses, the analysis, the results file
// and a session continued after it was left.
TEST(ClinicalSession, MeasuresThresholdsFirstLeavesPracticeOutAndContinuesWhereItWasLeft)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadToneCondition("ToneSL=15", "Ears=right,left\nRepeats=2\nThresholds=first\nPractice=1\n");
    ASSERT_TRUE(load.Session.Runnable()) << load.Session.Refusal;
    const std::vector<SessionRun>& runs = load.Session.Runs;
    ASSERT_EQ(runs.size(), 6u);
    const std::vector<std::tuple<RunKind, EarSide, bool>> planned = {
        {RunKind::Threshold, EarSide::Right, false}, {RunKind::Ptc, EarSide::Right, true},
        {RunKind::Threshold, EarSide::Left, false},  {RunKind::Ptc, EarSide::Left, false},
        {RunKind::Ptc, EarSide::Right, false},       {RunKind::Ptc, EarSide::Left, false}};
    for (std::size_t k = 0; k < runs.size(); ++k) {
        EXPECT_EQ(std::make_tuple(runs[k].Kind, runs[k].Ear, runs[k].Practice), planned[k]) << "run " << k + 1;
    }
    const SessionPlan plan = PlanSession(load.Session, load.Parameters.Settings, load.Parameters.Conditions);
    SessionProtocol noPractice = load.Session;
    noPractice.Runs[1].Practice = false;
    EXPECT_NE(PlanSession(noPractice, load.Parameters.Settings, load.Parameters.Conditions).Fingerprint, plan.Fingerprint);

    VirtualSessionRunsOptions ann;
    ann.Subject = "ann";
    {
        SessionRunner runner(load.Session, plan, "ann", "default.dat");
        ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
        RunSessionWithVirtualListener(runner, load.Parameters, ann,
                                      [](int index, const VirtualRunResult&) { return index < 3; });
    }
    SessionRunner resumed(load.Session, plan, "ann", "default.dat");
    ASSERT_TRUE(resumed.CanContinue());
    EXPECT_EQ(resumed.Unfinished()->ContinueAt, 4);
    resumed.Continue();
    RunSessionWithVirtualListener(resumed, load.Parameters, ann,
                                  [](int, const VirtualRunResult&) { return true; });
    EXPECT_TRUE(resumed.Over());
    EXPECT_EQ(CountRuns(resumed).Measured, 6);

    const RecordedRuns record = ThresholdRecord();
    ASSERT_EQ(record.Runs.size(), 6u);
    const std::vector<std::string> statuses = {"measured", "practice", "measured", "measured", "measured", "measured"};
    for (std::size_t k = 0; k < record.Runs.size(); ++k) {
        EXPECT_EQ(record.Runs[k].Status, statuses[k]) << "run " << k + 1;
        EXPECT_EQ(record.Runs[k].Kind, std::get<0>(planned[k]));
    }
    EXPECT_EQ(record.Runs[4].ThresholdRun, record.Runs[0].RunId) << "the right ear's threshold";
    EXPECT_EQ(record.Runs[5].ThresholdRun, record.Runs[2].RunId) << "the left ear's threshold";
    const ResultsAnalysis analysis = AnalyseRecordedRuns(record.Runs, {}, {});
    ASSERT_EQ(analysis.Runs.size(), 4u) << "the four tuning curves, no threshold run";
    EXPECT_EQ(analysis.Runs[0].LeftOut, "practice");
    EXPECT_EQ(ReadResultsBlocks(ReadWholeFile("default.dat").Text).size(), 4u) << "no block for a threshold run";
}
