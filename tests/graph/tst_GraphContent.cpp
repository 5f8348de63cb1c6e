#include "GraphContent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

using Points = std::vector<std::pair<float, float>>;

ResultsBuffer Recorded(const Points& points, int stored)
{
    ResultsBuffer results;
    results.Reset(static_cast<int>(points.size()));
    for (const auto& [f, spl] : points)
        results.Record(f, spl);
    results.StoredResultCount = stored;
    return results;
}

Points AsPairs(const std::vector<ResultPoint>& line)
{
    Points out;
    for (const ResultPoint& p : line)
        out.emplace_back(p.Freq, p.SPL);
    return out;
}

struct LineCase {
    const char* name;
    Points recorded;
    int stored;
    Sweep direction;
    Points expected;
};

class LinePointsTest : public testing::TestWithParam<LineCase> {};

TEST_P(LinePointsTest, OrdersTheLatestRunsPoints)
{
    const LineCase& c = GetParam();
    EXPECT_EQ(AsPairs(LinePoints(Recorded(c.recorded, c.stored), c.direction)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, LinePointsTest,
    testing::Values(
        LineCase{"UpwardInRecordingOrder", {{500, 40}, {510, 43}, {520, 41}}, 3, Sweep::Up,
                 {{500, 40}, {510, 43}, {520, 41}}},
        LineCase{"DownwardFromLastRecorded", {{2000, 50}, {1990, 47}, {1980, 44}}, 3, Sweep::Down,
                 {{1980, 44}, {1990, 47}, {2000, 50}}},
        // Key changes in the same trial share a frequency; the line joins them vertically
        // in the order they were added.
        LineCase{"UpwardRepeatedFrequency", {{500, 40}, {510, 43}, {510, 40}, {510, 43}, {520, 46}}, 5, Sweep::Up,
                 {{500, 40}, {510, 43}, {510, 40}, {510, 43}, {520, 46}}},
        LineCase{"DownwardRepeatedFrequency", {{2000, 50}, {1990, 47}, {1990, 50}, {1980, 53}}, 4, Sweep::Down,
                 {{1980, 53}, {1990, 50}, {1990, 47}, {2000, 50}}},
        // The direction is read when the graph is shown; the line still runs left to right.
        LineCase{"DirectionChangedAfterUpwardRun", {{500, 40}, {500, 43}, {510, 41}}, 3, Sweep::Down,
                 {{500, 43}, {500, 40}, {510, 41}}},
        // Points added after the run ended (late key changes) are not part of its curve.
        LineCase{"OnlyStoredCount", {{500, 40}, {510, 43}, {520, 41}, {520, 44}}, 3, Sweep::Up,
                 {{500, 40}, {510, 43}, {520, 41}}},
        // A count beyond what the buffer holds (buffer cleared for a new run) reads no further.
        LineCase{"StoredCountBeyondBuffer", {{500, 40}}, 7, Sweep::Up, {{500, 40}}},
        LineCase{"NegativeStoredCount", {{500, 40}}, -3, Sweep::Up, {}},
        LineCase{"EmptyRun", {}, 0, Sweep::Down, {}}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(LinePoints, PointsOutsideTheAxesAreKept)
{
    const Points recorded{{20, -10}, {1000, 30}, {20000, 140}};
    EXPECT_EQ(AsPairs(LinePoints(Recorded(recorded, 3), Sweep::Up)), recorded);
}

TEST(LinePoints, FrequenciesTheLogarithmicAxisCannotShowAreLeftOutWithoutDisturbingTheRest)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const auto line = LinePoints(Recorded({{510, 1}, {nan, 2}, {0, 3}, {500, 4}, {-1500, 5}, {inf, 6}}, 6), Sweep::Up);
    EXPECT_EQ(AsPairs(line), (Points{{500, 4}, {510, 1}}));
}

TEST(GraphTitle, SubjectEarConditionToneDirectionAndDate)
{
    SharedState state;
    state.SubjectName = " Anna B ";  // as typed, no trimming
    state.Ear = EarSide::Left;
    EXPECT_EQ(GraphTitle(state, ""), " Anna B : left ear") << "no file loaded";
    state.Conditions = {TestCondition{}, TestCondition{}};
    state.Conditions[1].ToneF = 1500.5f;
    state.CurrentCondition = 1;
    state.SweepDirection = Sweep::Down;
    EXPECT_EQ(GraphTitle(state, "2026-12-08"),
              " Anna B : left ear — Condition 2 — 1500.5 Hz tone, downward sweep — 2026-12-08");
    state.SubjectName.clear();
    state.Ear = EarSide::Right;
    state.SweepDirection = Sweep::Up;
    EXPECT_EQ(GraphTitle(state, ""), ": right ear — Condition 2 — 1500.5 Hz tone, upward sweep");
}

TEST(Q10Segment, RunsBetweenTheTenDecibelPointsCutAtTheAxes)
{
    CurveAnalysis analysis;
    analysis.Tip = ResultPoint{1000.0f, 30.0f};
    analysis.LowHz = 800.0;
    analysis.HighHz = 1250.0;
    analysis.Q10 = 2.2;
    EXPECT_EQ(AsPairs(Q10Segment(analysis)), (Points{{800, 40}, {1250, 40}}));
    analysis.LowHz = 50.0;
    analysis.HighHz = 20000.0;
    EXPECT_EQ(AsPairs(Q10Segment(analysis)), (Points{{100, 40}, {10000, 40}}));
    analysis.Tip->SPL = 95.0f;
    EXPECT_TRUE(Q10Segment(analysis).empty()) << "above the level axis";
    analysis.Q10.reset();
    analysis.Tip->SPL = 30.0f;
    EXPECT_TRUE(Q10Segment(analysis).empty());
}

SharedState StateAfterRun()
{
    SharedState state;
    state.Conditions = {TestCondition{}, TestCondition{}};
    state.Conditions[0].ToneF = 1000.0f;
    state.Conditions[1].ToneF = 4000.0f;
    state.SubjectName = "S01";
    state.Ear = EarSide::Left;
    state.RunToneSPL = 30.0f;
    state.Conditions[0].ToneSPL = 30.0f;
    state.ResetResults();
    state.Results.Record(900, 50);
    state.Results.Record(1000, 35);
    state.Results.Record(1100, 55);
    state.Results.StoredResultCount = 3;
    return state;
}

TEST(BuildGraphContent, ToneMarkerAtCurrentToneFrequencyAndTheRunsToneLevel)
{
    SharedState state = StateAfterRun();
    GraphContent content = BuildGraphContent(state);
    ASSERT_TRUE(content.ToneMarker.has_value());
    EXPECT_EQ(content.ToneMarker->Freq, 1000.0f);
    EXPECT_EQ(content.ToneMarker->SPL, 30.0f);
    EXPECT_EQ(content.Title, "S01: left ear — Condition 1 — 1000 Hz tone, upward sweep");
    EXPECT_EQ(content.Line.size(), 3u);

    // The operator moves the tone level after the run: the marker keeps the run's level.
    state.Conditions[0].ToneSPL = 45.0f;
    EXPECT_EQ(BuildGraphContent(state).ToneMarker->SPL, 30.0f);

    // Editing ToneF or moving to another condition moves the marker.
    state.Conditions[0].ToneF = 1200.0f;
    EXPECT_EQ(BuildGraphContent(state).ToneMarker->Freq, 1200.0f);
    state.CurrentCondition = 1;
    EXPECT_EQ(BuildGraphContent(state).ToneMarker->Freq, 4000.0f);
}

TEST(BuildGraphContent, NormalTipRangeOfTheConditionAndSweep)
{
    SharedState state = StateAfterRun();
    const auto upward = BuildGraphContent(state).NormalRangeHz;
    ASSERT_TRUE(upward.has_value());
    EXPECT_NEAR(upward->first, 970.0, 1e-3);
    EXPECT_NEAR(upward->second, 1100.0, 1e-3);
    // A downward sweep's tip lies lower: its range is moved by the measured bias.
    state.SweepDirection = Sweep::Down;
    state.Settings.NormalTipHigh = 8.0f;
    const auto downward = BuildGraphContent(state).NormalRangeHz;
    EXPECT_NEAR(downward->first, 943.0, 1e-3);
    EXPECT_NEAR(downward->second, 1053.0, 1e-3);
}

TEST(BuildGraphContent, NoToneMarkerWithoutACondition)
{
    SharedState state = StateAfterRun();
    state.CurrentCondition = 2;
    EXPECT_FALSE(BuildGraphContent(state).ToneMarker.has_value());
    state.CurrentCondition = -1;
    EXPECT_FALSE(BuildGraphContent(state).ToneMarker.has_value());
    state.CurrentCondition = 0;
    state.Conditions[0].ToneF = 0.0f;  // off the logarithmic axis
    EXPECT_FALSE(BuildGraphContent(state).ToneMarker.has_value());
    state.Conditions.clear();
    state.CurrentCondition = 0;
    const GraphContent content = BuildGraphContent(state);
    EXPECT_FALSE(content.ToneMarker.has_value());
    EXPECT_EQ(content.Line.size(), 3u);
}

} // namespace
