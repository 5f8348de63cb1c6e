#include "CurveAnalysis.h"
#include "ExpectedCurve.h"
#include "ResultsFileBlocks.h"
#include "ScratchFolder.h"
#include "ListenerConditions.h"
#include "VirtualRun.h"
#include "FileText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct SessionCase {
    float toneF;
    AttenuatorMode attenuator;
    Sweep direction;
};

std::string Name(const testing::TestParamInfo<SessionCase>& info)
{
    return std::to_string(static_cast<int>(info.param.toneF))
           + (info.param.attenuator == AttenuatorMode::Software ? "Hz_software" : "Hz_KC35") + "_"
           + DirectionName(info.param.direction);
}

class NoiseFreeListener : public testing::TestWithParam<SessionCase> {};

// The whole chain (stimulus synthesis, band shifting, levels in software or by the attenuator,
// gating, routing, tracking, recording) against the listener's closed-form curve.
TEST_P(NoiseFreeListener, MeasuresTheClosedFormCurve)
{
    const SessionCase c = GetParam();
    const ScratchFolder dir;
    const ParameterSet set = ListenerConditions(c.toneF, c.attenuator);
    VirtualRunOptions options;
    options.SweepDirection = c.direction;
    options.Ear = c.direction == Sweep::Up ? EarSide::Left : EarSide::Right;  // both ears get their turn
    // The seed still draws the noise reservoir and every trial's section of it. (Seed 1 gives
    // the 1000 Hz downward run a flat 58/60 dB zig-zag from 940 to 1055 Hz, whose smoothed
    // minimum lies at its low end, 5.5 % below the tone.)
    options.Listener = ListenerSettings{-4.0, 1.0, 2};
    options.Listener.NoiseDb = 0.0;
    const VirtualRunResult result = RunWithVirtualListener(set, options);
    ASSERT_TRUE(result.Refusal.empty()) << result.Refusal;
    ASSERT_TRUE(result.Report.Error.empty()) << result.Report.Error;
    EXPECT_FALSE(result.StoppedAtLimit);
    EXPECT_TRUE(result.AttenuatorProblems.empty());
    ASSERT_GE(result.Points.size(), 40u);

    const TestCondition& condition = set.Conditions[0];
    const ExpectedCurve curve(set.Settings, condition, -4.0);
    for (const ResultPoint& p : result.Points) {
        const double expected = curve.MaskerLevel(p.Freq);
        const double drift = std::max(std::abs(curve.MaskerLevel(p.Freq + condition.FStep) - expected),
                                      std::abs(curve.MaskerLevel(p.Freq - condition.FStep) - expected));
        // Every trial's masker is a section from anywhere in the reservoir: where the filter
        // passes only the band's edge, its level varies from trial to trial by up to about 1.5 dB.
        EXPECT_LE(std::abs(p.SPL - expected), condition.SPLstep + drift + 1.5)
            << "point at " << p.Freq << " Hz, " << p.SPL << " dB SPL; expected " << expected;
    }

    const CurveAnalysis analysis = AnalyseCurve(result.Points);
    ASSERT_TRUE(analysis.Tip) << analysis.TipProblem;
    EXPECT_NEAR(analysis.Tip->Freq, c.toneF, 0.05 * c.toneF);
    ASSERT_TRUE(analysis.Q10) << analysis.Q10Problem;
    const auto expectedQ10 = curve.Q10();
    ASSERT_TRUE(expectedQ10);
    EXPECT_NEAR(*analysis.Q10, expectedQ10->Q10, 0.15 * expectedQ10->Q10);

    // The results file holds what the run recorded, and test.out its header.
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(FileText(dir.Path("default.dat")));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].Subject, "virtual listener");
    EXPECT_EQ(blocks[0].Ear, c.direction == Sweep::Up ? "left" : "right");
    EXPECT_EQ(blocks[0].Attenuator, c.attenuator == AttenuatorMode::Software ? "software" : "KC35");
    ASSERT_EQ(blocks[0].Points.size(), result.Points.size());
    EXPECT_EQ(FileText(dir.Path("test.out")).substr(0, 2), ";-");
}

INSTANTIATE_TEST_SUITE_P(TonesModesDirections, NoiseFreeListener,
                         testing::Values(SessionCase{1000.0f, AttenuatorMode::Software, Sweep::Up},
                                         SessionCase{1000.0f, AttenuatorMode::Software, Sweep::Down},
                                         SessionCase{1000.0f, AttenuatorMode::Kc35, Sweep::Up},
                                         SessionCase{1000.0f, AttenuatorMode::Kc35, Sweep::Down},
                                         SessionCase{4000.0f, AttenuatorMode::Software, Sweep::Up},
                                         SessionCase{4000.0f, AttenuatorMode::Software, Sweep::Down},
                                         SessionCase{4000.0f, AttenuatorMode::Kc35, Sweep::Up},
                                         SessionCase{4000.0f, AttenuatorMode::Kc35, Sweep::Down}),
                         Name);

// Short stimuli keep the sessions below quick; they test the session, not the curve.
ParameterSet QuickConditions()
{
    ParameterSet set = ListenerConditions(1000.0f, AttenuatorMode::Software);
    set.Settings.MaskerDuration = 200.0f;
    set.Settings.ToneDuration = 100.0f;
    set.Conditions[0].StartF = 900.0f;
    set.Conditions[0].EndF = 1100.0f;
    set.Conditions[0].FStep = 20.0f;
    return set;
}

TEST(VirtualRun, SameOptionsGiveTheSameSession)
{
    const ScratchFolder dir;
    VirtualRunOptions options;
    options.Listener = ListenerSettings{-4.0, 2.0, 42};
    const VirtualRunResult first = RunWithVirtualListener(QuickConditions(), options);
    const VirtualRunResult second = RunWithVirtualListener(QuickConditions(), options);
    ASSERT_FALSE(first.Points.empty());
    ASSERT_EQ(first.Points.size(), second.Points.size());
    for (std::size_t i = 0; i < first.Points.size(); ++i) {
        EXPECT_EQ(first.Points[i].Freq, second.Points[i].Freq);
        EXPECT_EQ(first.Points[i].SPL, second.Points[i].SPL);
    }
    // Simulated time: the opening pause, then each trial's 200 ms stimulus and 200 ms interval.
    EXPECT_EQ(first.ElapsedMs, 1000u + 400u * static_cast<std::uint32_t>(first.Report.Trials));
    EXPECT_EQ(first.Presentations, first.Report.Trials);
}

TEST(VirtualRun, AListenerWhoNeverHearsIsStoppedAfterTheTrialLimit)
{
    const ScratchFolder dir;
    VirtualRunOptions options;
    options.Listener = ListenerSettings{500.0, 0.0, 0};
    const ParameterSet set = QuickConditions();
    const VirtualRunResult result = RunWithVirtualListener(set, options);
    EXPECT_TRUE(result.StoppedAtLimit);
    EXPECT_EQ(result.TrialLimit, 20 * 11 + 1000);
    EXPECT_EQ(VirtualTrialLimit(std::numeric_limits<int>::max()), 20 * std::int64_t{2147483647} + 1000);
    // The stop key waits for the next trial's dispatch, as a real key would.
    EXPECT_EQ(result.Report.Trials, result.TrialLimit + 1);
    EXPECT_TRUE(result.Points.empty());
    EXPECT_TRUE(result.Report.ResultsError.empty());
}

TEST(VirtualRun, RefusesWhatARunRefuses)
{
    ParameterSet set = QuickConditions();
    set.Conditions[0].FStep = 0.0f;
    const VirtualRunResult refused = RunWithVirtualListener(set, {});
    EXPECT_NE(refused.Refusal.find("FStep"), std::string::npos) << refused.Refusal;
    EXPECT_EQ(refused.Report.Trials, 0);

    VirtualRunOptions options;
    options.Condition = 2;
    EXPECT_EQ(RunWithVirtualListener(QuickConditions(), options).Refusal, "there is no condition 2 (the file has 1)");

    set = QuickConditions();
    set.Conditions[0].ToneF = 0.0f;
    EXPECT_NE(RunWithVirtualListener(set, {}).Refusal.find("tone frequency above 0 Hz"), std::string::npos);
}

TEST(VirtualRun, AttenuatorLevelOutOfRangeEndsTheRunAndIsReported)
{
    const ScratchFolder dir;
    ParameterSet set = QuickConditions();
    set.Settings.Attenuator = AttenuatorMode::Kc35;
    set.Conditions[0].ToneSPL = 130.0f;  // the KC35 goes up to 120 dB SPL
    const VirtualRunResult result = RunWithVirtualListener(set, {});
    EXPECT_TRUE(result.Refusal.empty());
    EXPECT_FALSE(result.Report.Error.empty());
    EXPECT_EQ(result.Report.Trials, 0);
}

}  // namespace
