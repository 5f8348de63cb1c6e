#include "CurveMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// A track of `shape` (level against octaves from 1000 Hz) sampled every `stepHz` as a track
// records it: alternately 1 dB below (press) and 1 dB above (release).
std::vector<ResultPoint> Track(double lowHz, double highHz, double stepHz, const std::function<double(double)>& shape)
{
    std::vector<ResultPoint> points;
    int i = 0;
    for (double f = lowHz; f <= highHz + 1e-9; f += stepHz, ++i) {
        const double level = shape(std::log2(f / 1000.0)) + (i % 2 == 0 ? -1.0 : 1.0);
        points.push_back({static_cast<float>(f), static_cast<float>(level)});
    }
    return points;
}

// Rounded tip at `vertexOct` octaves from 1000 Hz (a parabola of 400 dB/octave^2 out to
// 0.1 octave), then straight sides falling 40 dB/octave below and rising 100 dB/octave above.
std::function<double(double)> RoundedV(double vertexOct)
{
    return [vertexOct](double x) {
        const double d = x - vertexOct;
        const double r = 0.1;
        if (std::abs(d) <= r) {
            return 40.0 + (d < 0 ? 200.0 : 500.0) * d * d;
        }
        return d < 0 ? 40.0 + 200.0 * r * r + 40.0 * (-d - r) : 40.0 + 500.0 * r * r + 100.0 * (d - r);
    };
}

// The same with equal sides: a parabola of 300 dB/octave^2, then 60 dB/octave either way.
std::function<double(double)> SymmetricV(double vertexOct)
{
    return [vertexOct](double x) {
        const double d = std::abs(x - vertexOct);
        return d <= 0.1 ? 40.0 + 300.0 * d * d : 43.0 + 60.0 * (d - 0.1);
    };
}

std::vector<QualityFlag> Flags(const CurveMeasures& m)
{
    std::vector<QualityFlag> flags;
    for (const RaisedFlag& f : m.Flags) {
        flags.push_back(f.Flag);
    }
    return flags;
}

TEST(CurveMeasures, FitsAKnownParabolaAndKnownSides)
{
    // A pure parabola around 1100 Hz: the fit finds its vertex; the tip shift is 10 %.
    const auto parabola = Track(800, 1500, 10, [](double x) { return 40.0 + 300.0 * std::pow(x - std::log2(1.1), 2); });
    const CurveMeasures p = MeasureRun(parabola, {1000.0, 80.0, std::nullopt});
    ASSERT_TRUE(p.Fitted.Freq) << p.Fitted.Problem;
    EXPECT_NEAR(*p.Fitted.Freq, 1100.0, 3.0);
    EXPECT_NEAR(*p.Fitted.Level, 40.0, 0.3);
    EXPECT_NEAR(*p.FittedShiftPercent, 10.0, 0.3);
    EXPECT_FALSE(ShiftMarked(*p.FittedShiftPercent, 20.0));
    EXPECT_NEAR(p.Fitted.WindowLowHz, p.Smoothed.Tip->Freq * std::exp2(-0.2), 1e-6);

    // Straight sides beyond the rounded tip: the slopes are the sides' own.
    const CurveMeasures v = MeasureRun(Track(500, 2000, 10, RoundedV(0.0)), {1000.0, std::nullopt, std::nullopt});
    ASSERT_TRUE(v.Low.DbPerOctave && v.High.DbPerOctave) << v.Low.Problem << v.High.Problem;
    EXPECT_NEAR(*v.Low.DbPerOctave, -40.0, 1.0);
    EXPECT_NEAR(*v.High.DbPerOctave, 100.0, 2.0);
    EXPECT_NEAR(v.Low.ToHz, v.Smoothed.Tip->Freq * std::exp2(-0.15), 1e-3);
    EXPECT_TRUE(v.Flags.empty()) << v.Flags.front().Reason;
    EXPECT_TRUE(ShiftMarked(-20.0, 20.0));
    EXPECT_FALSE(ShiftMarked(-20.0, 25.0)) << "a condition's own criterion";
}

TEST(CurveMeasures, SaysWhyThereIsNoFittedTip)
{
    // Rising from the low end: the minimum is at the edge, the parabola's vertex beyond it.
    const CurveMeasures edge = MeasureRun(Track(1000, 2000, 10, [](double x) { return 40.0 + 60.0 * (x + 0.5) * (x + 0.5); }),
                                          {1000.0, 90.0, std::nullopt});
    EXPECT_FALSE(edge.Fitted.Freq);
    EXPECT_NE(edge.Fitted.Problem.find("falls outside the window"), std::string::npos) << edge.Fitted.Problem;

    // A hump: the lowest smoothed point is at an end, the parabola there opens downwards.
    const CurveMeasures hump = MeasureRun(Track(700, 1400, 10, [](double x) { return 60.0 - 100.0 * x * x; }),
                                          {1000.0, 90.0, std::nullopt});
    EXPECT_FALSE(hump.Fitted.Freq);
    EXPECT_NE(hump.Fitted.Problem.find("opens downwards"), std::string::npos) << hump.Fitted.Problem;
    EXPECT_NE(hump.Find(QualityFlag::NoQ10), nullptr);
}

TEST(CurveMeasures, EachFlagIsRaisedByWhatShouldRaiseItAlone)
{
    const auto good = Track(500, 2000, 10, RoundedV(0.0));
    const TestCondition condition{1000, 500, 2000, 10, 200, 3, 90, 30, 40};
    std::vector<TrialEntry> trials;
    for (double f = 500; f <= 2000; f += 10) {
        trials.push_back({static_cast<float>(f), 50.0f, trials.size() * 0.62, false});
    }
    const TrialSummary clean = SummariseTrials(trials, condition, true, 600, 20);
    EXPECT_TRUE(clean.SweepCompleted);
    EXPECT_EQ(clean.Late, 0);
    EXPECT_TRUE(MeasureRun(good, {1000, 90.0, clean}).Flags.empty());

    struct Case {
        const char* name;
        std::vector<ResultPoint> points;
        RunContext context;
        QualityFlag expected;
    };
    auto unfinished = trials;
    unfinished.resize(100);
    auto faulty = trials;
    faulty[40].Dropout = true;
    for (std::size_t i = 70; i < faulty.size(); ++i) {
        *faulty[i].OnsetSeconds += 0.005;
    }
    auto loud = trials;
    for (std::size_t i = 0; i < 20; ++i) {
        loud[i].Level = 90.0f;
    }
    // The high side rises only 8 dB; the low side rises to a hump before it falls to the tip.
    const auto shallow = Track(500, 2000, 10, [](double x) { return x < 0 ? 40.0 - 40.0 * x : 40.0 + 8.0 * x; });
    const auto hump = Track(500, 2000, 10, [](double x) { return x < -0.15 ? 70.0 + 30.0 * (x + 0.15) : RoundedV(0.0)(x); });
    const std::vector<Case> cases = {
        {"no Q10", shallow, {1000, 90.0, clean}, QualityFlag::NoQ10},
        {"low side", hump, {1000, 90.0, clean}, QualityFlag::LowSideNotFalling},
        {"MaxSPL", good, {1000, 90.0, SummariseTrials(loud, condition, true, 600, 20)}, QualityFlag::MaskerAtMax},
        {"few points", Track(600, 1500, 50, RoundedV(0.0)), {1000, 90.0, clean}, QualityFlag::FewPoints},
        {"unfinished", good, {1000, 90.0, SummariseTrials(unfinished, condition, true, 600, 20)},
         QualityFlag::SweepUnfinished},
        {"playback", good, {1000, 90.0, SummariseTrials(faulty, condition, true, 600, 20)}, QualityFlag::PlaybackFaults},
    };
    for (const Case& c : cases) {
        const CurveMeasures m = MeasureRun(c.points, c.context);
        EXPECT_EQ(Flags(m), std::vector<QualityFlag>{c.expected}) << c.name << ": "
                                                                   << (m.Flags.empty() ? "none" : m.Flags.front().Reason);
    }
    EXPECT_EQ(MeasureRun(good, {1000, 90.0, SummariseTrials(faulty, condition, true, 600, 20)}).Flags.front().Reason,
              "1 stimuli played late (by 1 ms or more), 1 with a dropout");

    // The masker at its ceiling beyond the curve's ends, where the track recorded no point,
    // cuts off nothing a measure uses: 40 of 151 trials, and no flag. The same trials
    // inside the curve are flagged, with the range named.
    auto ends = trials;
    for (auto& trial : ends) {
        trial.Level = trial.Freq < 700.0f || trial.Freq > 1800.0f ? 90.0f : 50.0f;
    }
    const TrialSummary ceilingAtTheEnds = SummariseTrials(ends, condition, true, 600, 20);
    EXPECT_EQ(ceilingAtTheEnds.AtMaxSpl, 40);
    EXPECT_TRUE(MeasureRun(Track(700, 1800, 10, RoundedV(0.0)), {1000, 90.0, ceilingAtTheEnds}).Flags.empty());
    const CurveMeasures inside = MeasureRun(good, {1000, 90.0, ceilingAtTheEnds});
    ASSERT_EQ(Flags(inside), std::vector<QualityFlag>{QualityFlag::MaskerAtMax});
    EXPECT_NE(inside.Flags.front().Reason.find(" of the trials from 500 to 2000 Hz, where the curve is measured"),
              std::string::npos)
        << inside.Flags.front().Reason;
}

TEST(CurveMeasures, CombinesAnUpwardAndADownwardRun)
{
    // The track's lag moves an upward run's tip up and a downward run's down by as much.
    const TestCondition condition{1000, 500, 2000, 10, 200, 3, 90, 30, 40};
    const auto up = Track(500, 2000, 10, SymmetricV(0.05));
    const auto down = Track(520, 1980, 10, SymmetricV(-0.05));
    const std::vector<CurveMeasures> runs = {MeasureRun(up, {1000, 90.0, std::nullopt}),
                                             MeasureRun(down, {1000, 90.0, std::nullopt})};
    const CombinedCurve combined = CombineCurves({runs[0].Smoothed.Smoothed, runs[1].Smoothed.Smoothed}, condition);
    ASSERT_FALSE(combined.Points.empty()) << combined.Problem;
    // Where both smoothed curves have values: from two points in from the later start to the
    // grid point before the earlier end (smoothed frequencies are geometric means, a little
    // below the arithmetic ones).
    EXPECT_FLOAT_EQ(combined.Points.front().Freq, 540.0f);
    EXPECT_FLOAT_EQ(combined.Points.back().Freq, 1950.0f);
    const CurveMeasures both = MeasureCombined(combined, 1000.0, runs, {"a", "b"});
    ASSERT_TRUE(both.Fitted.Freq && both.Smoothed.Q10);
    EXPECT_NEAR(*both.Fitted.Freq, 1000.0, 5.0);
    EXPECT_LT(std::abs(*both.Fitted.Freq - 1000.0), std::abs(*runs[0].Fitted.Freq - 1000.0));
    EXPECT_NEAR(*TipDifference(runs).FittedHz, 1000.0 * (std::exp2(0.05) - std::exp2(-0.05)), 15.0);
    EXPECT_FALSE(CombineCurves({up, Track(2100, 3000, 10, SymmetricV(1.0))}, condition).Problem.empty());
}

}  // namespace
