#include "IniFile.h"
#include "ParameterFile.h"
#include "TipFinding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A rounded V in log frequency with its lowest point at `tipHz`, measured every 10 Hz from
// `fromHz` to 1600 Hz; `tipHz` 0 gives a curve that only rises.
std::vector<ResultPoint> Curve(double tipHz, double fromHz = 600.0)
{
    std::vector<ResultPoint> points;
    for (double f = fromHz; f <= 1600.0; f += 10.0) {
        const double x = tipHz > 0.0 ? std::log2(f / tipHz) : std::log2(f / fromHz) + 1.0;
        points.push_back({static_cast<float>(f), static_cast<float>(30.0 + 80.0 * std::sqrt(x * x + 0.0025))});
    }
    return points;
}

struct FindingCase {
    const char* name;
    std::vector<ResultPoint> points;
    CurveKind curve;
    FindingKind expected;
    const char* words;  // in the sentence
};

class Findings : public testing::TestWithParam<FindingCase> {};

TEST_P(Findings, JudgeTheTipAgainstTheNorm)
{
    const FindingCase& c = GetParam();
    const CurveMeasures measures = MeasureRun(c.points, {1000.0, std::nullopt, std::nullopt});
    const TipFinding finding = FindTip(measures, TipNorm{}, c.curve);
    EXPECT_EQ(finding.Kind, c.expected) << DescribeFinding(finding);
    EXPECT_NE(DescribeFinding(finding).find(c.words), std::string::npos) << DescribeFinding(finding);
}

INSTANTIATE_TEST_SUITE_P(
    NormalShiftedUndefinable, Findings,
    testing::Values(
        FindingCase{"NormalUpward", Curve(1030.0), CurveKind::Upward, FindingKind::Normal, "within the normal range (shift 3.0 % of the fitted tip"},
        FindingCase{"LowUpward", Curve(950.0), CurveKind::Upward, FindingKind::OutsideRange, "outside the normal range"},
        // The same tip is normal for a downward sweep, whose range is lower.
        FindingCase{"LowDownward", Curve(950.0), CurveKind::Downward, FindingKind::Normal, "downward curves: -5.7 % to 7.3 %"},
        FindingCase{"HighDownward", Curve(1090.0), CurveKind::Downward, FindingKind::OutsideRange, "outside"},
        FindingCase{"DeadRegionBelow", Curve(780.0), CurveKind::Combined, FindingKind::OffFrequency, "off-frequency listening likely"},
        FindingCase{"DeadRegionAbove", Curve(1250.0), CurveKind::Upward, FindingKind::OffFrequency, "dead region at ToneF possible"},
        FindingCase{"LowestAtTheEnd", Curve(0.0), CurveKind::Upward, FindingKind::NotDefinable, "lowest point is at its low end"},
        FindingCase{"NoPoints", {}, CurveKind::Upward, FindingKind::NotDefinable, "tip not definable: "}),
    [](const testing::TestParamInfo<FindingCase>& info) { return std::string(info.param.name); });

TEST(Findings, SmoothedTipStandsInForAMissingFit)
{
    // Too few points near the tip for the parabola: the smoothed minimum is used, and said so.
    std::vector<ResultPoint> sparse;
    for (const ResultPoint& p : Curve(1000.0)) {
        if (std::abs(p.Freq - 1000.0f) > 250.0f || static_cast<int>(p.Freq) % 100 == 0) {
            sparse.push_back(p);
        }
    }
    const TipFinding finding = FindTip(MeasureRun(sparse, {1000.0, std::nullopt, std::nullopt}), TipNorm{}, CurveKind::Upward);
    EXPECT_EQ(finding.Kind, FindingKind::Normal);
    EXPECT_FALSE(finding.Fitted);
    EXPECT_NE(DescribeFinding(finding).find("smoothed tip, no fitted tip: too few points"), std::string::npos)
        << DescribeFinding(finding);
}

TEST(Findings, TheFileGivesTheNormAndRefusesOneThatCannotBeUsed)
{
    const auto load = [](const std::string& settings) {
        return LoadParameters(IniFile::FromText("[Settings]\n" + settings + "[Tests]\nN_Cond=1\n"), "PTC.INI", '.');
    };
    const ParameterLoad given = load("NormalTipLow=-4\nNormalTipHigh=8.5\nOffFrequencyShift=25\n");
    ASSERT_TRUE(given.Loaded) << given.Error;
    EXPECT_EQ(NormOf(given.Parameters.Settings).HighPercent, 8.5);
    EXPECT_EQ(NormOf(given.Parameters.Settings).OffFrequencyPercent, 25.0);
    for (const char* bad : {"NormalTipLow=12\n", "OffFrequencyShift=9\n", "NormalTipLow=-25\n"}) {
        const ParameterLoad refused = load(bad);
        EXPECT_FALSE(refused.Loaded) << bad;
        EXPECT_NE(refused.Error.find("tip norm"), std::string::npos) << refused.Error;
    }
}

}  // namespace
