// Whole clinical sessions with the virtual listener, end to end: the threshold run, the tone set
// above it, practice runs left out, and the combined curve's finding.
#include "ScratchFolder.h"
#include "VirtualSessionRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

// A tone 10 dB above the threshold measured first, an upward and a downward practice run, then
// an upward and a downward run that are combined; the masker from 0.6 to 1.6 times the tone.
ParameterLoad ClinicalSession()
{
    std::ofstream("PTC.INI") << "[Settings]\nToneDuration=400\nMaskerDuration=600\nISI=20\n[Tests]\nN_Cond=1\n"
                                "CalibFactor=100\n[Cond1]\nToneF=1000\nStartF=600\nEndF=1600\nFStep=10\nMaskerBW=100\n"
                                "SPLstep=2\nMaxSPL=90\nToneSL=10\nMaskStartSPL=60\n"
                                "[Session]\nDirections=up,down\nRepeats=2\nThresholds=first\nPractice=2\n";
    return LoadParameterFile("PTC.INI", '.');
}

// A threshold in quiet of 30 dB SPL, and with `dead` a dead region from 750 Hz up.
ListenerHearing Listener(bool dead)
{
    ListenerHearing hearing;
    hearing.Right.Audiogram = {{1000.0, 30.0}};
    if (dead) {
        hearing.Right.Dead = DeadRegion{750.0, 20000.0};
    }
    return hearing;
}

struct WholeSessionCase {
    std::uint32_t seed;
    bool dead;
    FindingKind finding;
};

class WholeSession : public testing::TestWithParam<WholeSessionCase> {};

}  // namespace

TEST_P(WholeSession, MeasuresTheThresholdSetsTheToneAboveItAndFindsWhatTheEarHas)
{
    const WholeSessionCase& p = GetParam();
    const ScratchFolder dir;
    VirtualSessionRunsOptions options;
    options.Seed = p.seed;
    options.Hearing = Listener(p.dead);
    const ParameterLoad load = ClinicalSession();
    ASSERT_TRUE(load.Session.Runnable()) << load.Error << load.Session.Refusal;
    const Result<SessionFindings> session = RunWholeSession(load, options);
    ASSERT_TRUE(session) << session.Reason();
    const SessionFindings& found = session.Value();

    ASSERT_EQ(found.Thresholds.size(), 1u);
    const RecordedRun& threshold = found.Thresholds.front();
    ASSERT_TRUE(threshold.Threshold);
    EXPECT_NEAR(threshold.Threshold->Level, 30.0, 3.0) << "within the threshold run's validated spread";
    EXPECT_EQ(threshold.Reversals.size(), 8u);
    EXPECT_EQ(threshold.Ear, "right");

    const float played = static_cast<float>(std::round((threshold.Threshold->Level + 10.0) * 10.0) / 10.0);
    ASSERT_EQ(found.Analysis.Runs.size(), 4u);
    for (std::size_t k = 0; k < found.Analysis.Runs.size(); ++k) {
        const AnalysedRun& run = found.Analysis.Runs[k];
        EXPECT_EQ(run.Run.ThresholdRun, threshold.RunId) << "run " << k;
        EXPECT_EQ(run.Run.Parameters.ToneSL, 10.0f) << "run " << k;
        EXPECT_EQ(run.Run.Parameters.ToneSPL, played) << "run " << k;
        EXPECT_EQ(run.LeftOut, k < 2 ? "practice" : "") << "run " << k;
    }
    ASSERT_EQ(found.Analysis.Conditions.size(), 1u);
    const ConditionCurves& curves = found.Analysis.Conditions.front();
    ASSERT_TRUE(curves.HasCombined);
    EXPECT_EQ(curves.CombinedFinding.Curve, CurveKind::Combined) << "an upward and a downward run";
    EXPECT_EQ(curves.CombinedFinding.Kind, p.finding) << DescribeFinding(curves.CombinedFinding);
}

INSTANTIATE_TEST_SUITE_P(NormalAndDeadRegion, WholeSession,
                         testing::Values(WholeSessionCase{1, false, FindingKind::Normal},
                                         WholeSessionCase{6, false, FindingKind::Normal},
                                         WholeSessionCase{1, true, FindingKind::OffFrequency},
                                         WholeSessionCase{6, true, FindingKind::OffFrequency}));

TEST(WholeSession, EndsWithTheReasonWhenTheListenerHearsNoTone)
{
    const ScratchFolder dir;
    ParameterLoad load = ClinicalSession();
    load.Parameters.Settings.ThresholdTimeLimit = 10.0f;
    VirtualSessionRunsOptions options;
    options.Hearing.Right.Audiogram = {{1000.0, 120.0}};
    const Result<SessionFindings> session = RunWholeSession(load, options);
    ASSERT_FALSE(session);
    EXPECT_NE(session.Reason().find("threshold track without a reversal ended run 1 of 5"), std::string::npos) << session.Reason();
}
