// Whole clinical sessions with the virtual listener, end to end: the threshold run, the tone set
// above it, practice runs left out, and the combined curve's finding.
#include "ScratchFolder.h"
#include "SessionFiles.h"
#include "ValidationParts.h"
#include "VirtualSessionRuns.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct SessionCase {
    std::uint32_t seed;
    bool dead;
    FindingKind finding;
};

class WholeSession : public testing::TestWithParam<SessionCase> {};

}  // namespace

TEST_P(WholeSession, MeasuresTheThresholdSetsTheToneAboveItAndFindsWhatTheEarHas)
{
    const SessionCase& p = GetParam();
    const ScratchFolder dir;
    VirtualSessionRunsOptions options;
    options.Seed = p.seed;
    options.Hearing = ValidationListener(1000.0, 30.0, p.dead ? std::optional<double>(0.75) : std::nullopt);
    const Result<SessionFindings> session = RunWholeSession(ValidationSession(1000.0, 10.0), options);
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
                         testing::Values(SessionCase{1, false, FindingKind::Normal},
                                         SessionCase{6, false, FindingKind::Normal},
                                         SessionCase{1, true, FindingKind::OffFrequency},
                                         SessionCase{6, true, FindingKind::OffFrequency}));

TEST(WholeSession, EndsWithTheReasonWhenTheListenerHearsNoTone)
{
    const ScratchFolder dir;
    ParameterLoad load = ValidationSession(1000.0, 10.0);
    load.Parameters.Settings.ThresholdTimeLimit = 10.0f;
    VirtualSessionRunsOptions options;
    options.Hearing.Right.Audiogram = {{1000.0, 120.0}};
    const Result<SessionFindings> session = RunWholeSession(load, options);
    ASSERT_FALSE(session);
    EXPECT_NE(session.Reason().find("threshold track without a reversal ended run 1 of 5"), std::string::npos) << session.Reason();
}
