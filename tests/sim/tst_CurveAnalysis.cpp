#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "ResultsFileBlocks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A V-shaped curve with its tip at 1000 Hz and 40 dB, rising 0.2 dB per Hz on each side,
// sampled every 10 Hz as a track would: alternately 1 dB below (press) and 1 dB above.
std::vector<ResultPoint> ZigZagV(double lowHz, double highHz)
{
    std::vector<ResultPoint> points;
    int i = 0;
    for (double f = lowHz; f <= highHz; f += 10.0, ++i) {
        const double level = 40.0 + 0.2 * std::abs(f - 1000.0) + (i % 2 == 0 ? -1.0 : 1.0);
        points.push_back({static_cast<float>(f), static_cast<float>(level)});
    }
    return points;
}

TEST(CurveAnalysis, TipAndQ10OfAZigZagTrack)
{
    const CurveAnalysis analysis = AnalyseCurve(ZigZagV(800.0, 1200.0));
    EXPECT_EQ(analysis.Points, 41);
    ASSERT_TRUE(analysis.Tip);
    EXPECT_NEAR(analysis.Tip->Freq, 1000.0, 0.5);
    // The smoothing cancels the zig-zag; at the tip it blunts the V by its own width.
    EXPECT_NEAR(analysis.Tip->SPL, 40.0 + 0.2 * (0.25 * 10 + 0.25 * 10 + 0.125 * 20 * 2), 0.01);
    ASSERT_TRUE(analysis.Q10);
    // 10 dB above the smoothed tip (42 dB): 60 Hz from the centre on each side.
    EXPECT_NEAR(*analysis.HighHz - 1000.0, 1000.0 - *analysis.LowHz, 0.5);
    EXPECT_NEAR(*analysis.Q10, analysis.Tip->Freq / (*analysis.HighHz - *analysis.LowHz), 1e-9);
    EXPECT_NEAR(*analysis.HighHz - *analysis.LowHz, 120.0, 1.0);
}

TEST(CurveAnalysis, OrderOfRecordingDoesNotMatter)
{
    std::vector<ResultPoint> points = ZigZagV(800.0, 1200.0);
    const CurveAnalysis upwards = AnalyseCurve(points);
    std::reverse(points.begin(), points.end());
    const CurveAnalysis downwards = AnalyseCurve(points);
    ASSERT_TRUE(upwards.Q10 && downwards.Q10);
    EXPECT_FLOAT_EQ(upwards.Tip->Freq, downwards.Tip->Freq);
    EXPECT_DOUBLE_EQ(*upwards.Q10, *downwards.Q10);
}

TEST(CurveAnalysis, SaysWhyItCannotComputeTipOrQ10)
{
    const CurveAnalysis few = AnalyseCurve(ZigZagV(980.0, 1010.0));
    EXPECT_FALSE(few.Tip);
    EXPECT_NE(few.TipProblem.find("too few points (4"), std::string::npos);

    // Only the upper skirt rises far enough.
    const CurveAnalysis oneSided = AnalyseCurve(ZigZagV(960.0, 1200.0));
    ASSERT_TRUE(oneSided.Tip);
    EXPECT_FALSE(oneSided.Q10);
    EXPECT_NE(oneSided.Q10Problem.find("never rises 10 dB above the tip below it"), std::string::npos);

    const CurveAnalysis lowSide = AnalyseCurve(ZigZagV(800.0, 1040.0));
    EXPECT_NE(lowSide.Q10Problem.find("above it"), std::string::npos);

    // Points a file cannot mean are left out, not analysed.
    std::vector<ResultPoint> odd = ZigZagV(800.0, 1200.0);
    odd.push_back({0.0f, 10.0f});
    odd.push_back({NAN, 10.0f});
    EXPECT_EQ(AnalyseCurve(odd).Points, 41);
}

TEST(ResultsFileBlocks, ReadsEveryBlockWithCrLfAndTabs)
{
    const std::string text =
        ";----------------------------------------------------\r\n"
        "; Subject = \tAnna K\r\n"
        "; Ear = left\r\n"
        "; Tone Frequency = \t1000\r\n"
        "; Tone SPL = \t30\r\n"
        "; Attenuator = software\r\n"
        "1000\t42\r\n"
        "1010\t39.5\r\n"
        ";----------------------------------------------------\r\n"
        "; Subject = \t\r\n"
        "; Ear = right\r\n"
        "; Tone Frequency = \t4000\r\n"
        "; Tone SPL = \t35.5\r\n"
        "3800\t-10\r\n"
        "oops\r\n"
        ";----------------------------------------------------\r\n";
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(text);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].FirstLine, 1);
    EXPECT_EQ(blocks[0].Subject, "Anna K");
    EXPECT_EQ(blocks[0].Ear, "left");
    EXPECT_EQ(blocks[0].ToneF, 1000.0);
    EXPECT_EQ(blocks[0].ToneSPL, 30.0);
    EXPECT_EQ(blocks[0].Attenuator, "software");
    ASSERT_EQ(blocks[0].Points.size(), 2u);
    EXPECT_EQ(blocks[0].Points[1].Freq, 1010.0f);
    EXPECT_EQ(blocks[0].Points[1].SPL, 39.5f);
    EXPECT_TRUE(blocks[0].Problems.empty());

    EXPECT_EQ(blocks[1].FirstLine, 9);
    EXPECT_EQ(blocks[1].Subject, "");
    EXPECT_EQ(blocks[1].ToneSPL, 35.5);
    EXPECT_FALSE(blocks[1].Attenuator);
    ASSERT_EQ(blocks[1].Points.size(), 1u);
    EXPECT_EQ(blocks[1].Points[0].SPL, -10.0f);
    ASSERT_EQ(blocks[1].Problems.size(), 1u);
    EXPECT_NE(blocks[1].Problems[0].find("line 15"), std::string::npos);

    EXPECT_TRUE(blocks[2].Points.empty());

    const std::string report = DescribeBlock(blocks[1], 2) + DescribeCurve(AnalyseCurve(blocks[1].Points));
    EXPECT_NE(report.find("subject: \"\""), std::string::npos);
    EXPECT_NE(report.find("tone: 4000 Hz at 35.5 dB SPL"), std::string::npos);
    EXPECT_NE(report.find("points: 1"), std::string::npos);
    EXPECT_NE(report.find("tip: cannot be computed: too few points"), std::string::npos);
}

TEST(ResultsFileBlocks, PointsBeforeAnySeparatorFormABlockAndLfAlsoEndsLines)
{
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks("\n500\t40\n510\t41\n;---\n; Ear = left\n");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].FirstLine, 2);
    EXPECT_FALSE(blocks[0].Subject);
    EXPECT_EQ(blocks[0].Points.size(), 2u);
    EXPECT_EQ(blocks[1].Ear, "left");
    EXPECT_TRUE(ReadResultsBlocks("").empty());
}

}  // namespace
