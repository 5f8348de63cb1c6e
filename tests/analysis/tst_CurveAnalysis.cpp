#include "CurveAnalysis.h"

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

}  // namespace
