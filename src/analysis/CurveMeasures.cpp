#include "CurveMeasures.h"

#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Least-squares sums of level against x = log2(f / centre), x up to the second power for
// the parabola.
struct Sums {
    double N = 0, X = 0, X2 = 0, X3 = 0, X4 = 0, Y = 0, XY = 0, X2Y = 0;

    void Add(double x, double y)
    {
        N += 1;
        X += x;
        X2 += x * x;
        X3 += x * x * x;
        X4 += x * x * x * x;
        Y += y;
        XY += x * y;
        X2Y += x * x * y;
    }
};

double Octaves(double hz, double centreHz)
{
    return std::log2(hz / centreHz);
}

int DistinctFrequencies(const std::vector<ResultPoint>& points)
{
    int count = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i == 0 || points[i].Freq != points[i - 1].Freq) {
            ++count;
        }
    }
    return count;
}

// Determinant of the 3 x 3 matrix given by rows.
double Det3(const std::array<std::array<double, 3>, 3>& m)
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
           + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

FittedTip FitTip(const std::vector<ResultPoint>& sorted, double minimumHz, double halfWidthOctaves)
{
    FittedTip tip;
    tip.WindowLowHz = minimumHz * std::exp2(-halfWidthOctaves);
    tip.WindowHighHz = minimumHz * std::exp2(halfWidthOctaves);
    std::vector<ResultPoint> window;
    for (const ResultPoint& p : sorted) {
        if (p.Freq >= tip.WindowLowHz && p.Freq <= tip.WindowHighHz) {
            window.push_back(p);
        }
    }
    tip.Points = static_cast<int>(window.size());
    if (tip.Points < MinFitPoints || DistinctFrequencies(window) < 3) {
        tip.Problem = "too few points within the window (" + std::to_string(tip.Points) + "; the fit needs "
                      + std::to_string(MinFitPoints) + " at 3 frequencies or more)";
        return tip;
    }
    Sums s;
    for (const ResultPoint& p : window) {
        s.Add(Octaves(p.Freq, minimumHz), p.SPL);
    }
    // Normal equations for level = a + b x + c x^2, solved by Cramer's rule (x is centred on
    // the minimum and spans a fraction of an octave, so the system is well conditioned).
    const std::array<std::array<double, 3>, 3> m = {{{s.N, s.X, s.X2}, {s.X, s.X2, s.X3}, {s.X2, s.X3, s.X4}}};
    const std::array<double, 3> r = {s.Y, s.XY, s.X2Y};
    const double det = Det3(m);
    if (!(std::abs(det) > 0.0)) {
        tip.Problem = "the points within the window do not determine a parabola";
        return tip;
    }
    std::array<double, 3> coefficients{};
    for (int k = 0; k < 3; ++k) {
        auto replaced = m;
        for (int row = 0; row < 3; ++row) {
            replaced[static_cast<std::size_t>(row)][static_cast<std::size_t>(k)] = r[static_cast<std::size_t>(row)];
        }
        coefficients[static_cast<std::size_t>(k)] = Det3(replaced) / det;
    }
    const auto [a, b, c] = coefficients;
    if (!(c > 0.0)) {
        tip.Problem = "the fitted parabola opens downwards (no minimum)";
        return tip;
    }
    const double vertex = -b / (2.0 * c);
    if (std::abs(vertex) > halfWidthOctaves) {
        tip.Problem = "the fitted parabola's minimum (" + FormatHz(minimumHz * std::exp2(vertex))
                      + " Hz) falls outside the window";
        return tip;
    }
    tip.Freq = minimumHz * std::exp2(vertex);
    tip.Level = a - b * b / (4.0 * c);
    return tip;
}

SideSlope FitSide(const std::vector<ResultPoint>& sorted, double fromHz, double toHz, const char* side)
{
    SideSlope slope;
    slope.FromHz = fromHz;
    slope.ToHz = toHz;
    Sums s;
    std::vector<ResultPoint> used;
    for (const ResultPoint& p : sorted) {
        if (p.Freq >= fromHz && p.Freq <= toHz) {
            used.push_back(p);
            s.Add(std::log2(static_cast<double>(p.Freq)), p.SPL);
        }
    }
    slope.Points = static_cast<int>(used.size());
    const double spread = s.N * s.X2 - s.X * s.X;
    if (slope.Points < MinSlopePoints || DistinctFrequencies(used) < 2 || !(spread > 0.0)) {
        slope.Problem = std::string("too few points on the ") + side + " side (" + std::to_string(slope.Points)
                        + "; the fit needs " + std::to_string(MinSlopePoints) + ")";
        return slope;
    }
    slope.DbPerOctave = (s.N * s.XY - s.X * s.Y) / spread;
    return slope;
}

std::optional<double> Shift(const std::optional<double>& tipHz, double toneF)
{
    if (!tipHz || !(toneF > 0.0)) {
        return std::nullopt;
    }
    return (*tipHz - toneF) / toneF * 100.0;
}

std::string ShareAsPercent(double share)
{
    return FormatPercent(share * 100.0) + " %";
}

// The fitted tip, the slopes, the shifts and the flags the curve's shape raises.
CurveMeasures MeasureShape(CurveAnalysis smoothed, const std::vector<ResultPoint>& sorted, double toneF,
                           const AnalysisParameters& parameters)
{
    CurveMeasures measures;
    measures.Smoothed = std::move(smoothed);
    const CurveAnalysis& curve = measures.Smoothed;
    if (curve.Tip) {
        const double tipHz = curve.Tip->Freq;
        measures.Fitted = FitTip(sorted, tipHz, parameters.FitHalfWidthOctaves);
        const double exclusion = std::exp2(parameters.SlopeExclusionOctaves);
        measures.Low = FitSide(sorted, sorted.front().Freq, tipHz / exclusion, "low");
        measures.High = FitSide(sorted, tipHz * exclusion, sorted.back().Freq, "high");
        measures.ShiftPercent = Shift(tipHz, toneF);
        measures.FittedShiftPercent = Shift(measures.Fitted.Freq, toneF);
    } else {
        measures.Fitted.Problem = measures.Low.Problem = measures.High.Problem = "no tip";
    }
    if (!curve.Q10) {
        measures.Flags.push_back({QualityFlag::NoQ10, "Q10 not computable: " + curve.Q10Problem});
    }
    if (measures.Low.DbPerOctave && *measures.Low.DbPerOctave >= 0.0) {
        measures.Flags.push_back({QualityFlag::LowSideNotFalling, "the low side does not fall toward the tip (slope "
                                                                      + FormatDb(*measures.Low.DbPerOctave)
                                                                      + " dB/octave, not below 0)"});
    }
    if (curve.Points < QualityThresholds::MinPoints) {
        measures.Flags.push_back({QualityFlag::FewPoints, std::to_string(curve.Points) + " points (fewer than "
                                                              + std::to_string(QualityThresholds::MinPoints) + ")"});
    }
    return measures;
}

void SortFlags(std::vector<RaisedFlag>& flags)
{
    std::stable_sort(flags.begin(), flags.end(),
                     [](const RaisedFlag& a, const RaisedFlag& b) { return a.Flag < b.Flag; });
}

}  // namespace

const char* FlagColumn(QualityFlag flag)
{
    switch (flag) {
    case QualityFlag::NoQ10:
        return "flag_no_q10";
    case QualityFlag::LowSideNotFalling:
        return "flag_low_side";
    case QualityFlag::MaskerAtMax:
        return "flag_max_spl";
    case QualityFlag::FewPoints:
        return "flag_few_points";
    case QualityFlag::SweepUnfinished:
        return "flag_sweep_unfinished";
    case QualityFlag::PlaybackFaults:
        return "flag_playback";
    }
    return "flag";
}

const char* FlagTitle(QualityFlag flag)
{
    switch (flag) {
    case QualityFlag::NoQ10:
        return "no Q10";
    case QualityFlag::LowSideNotFalling:
        return "low side not falling";
    case QualityFlag::MaskerAtMax:
        return "masker at MaxSPL";
    case QualityFlag::FewPoints:
        return "few points";
    case QualityFlag::SweepUnfinished:
        return "sweep unfinished";
    case QualityFlag::PlaybackFaults:
        return "late or broken stimuli";
    }
    return "flag";
}

const RaisedFlag* CurveMeasures::Find(QualityFlag flag) const
{
    const auto found = std::find_if(Flags.begin(), Flags.end(), [flag](const RaisedFlag& f) { return f.Flag == flag; });
    return found == Flags.end() ? nullptr : &*found;
}

bool ShiftMarked(double shiftPercent, double criterionPercent)
{
    return std::abs(shiftPercent) >= criterionPercent;
}

TrialSummary SummariseTrials(const std::vector<TrialEntry>& trials, const TestCondition& condition, bool upward,
                             double maskerDurationMs, double isiMs)
{
    TrialSummary summary;
    summary.Trials = static_cast<int>(trials.size());
    summary.SweepEndHz = upward ? condition.EndF : condition.StartF;
    const double slot = (maskerDurationMs + isiMs + QualityThresholds::LateMs) / 1000.0;
    for (std::size_t i = 0; i < trials.size(); ++i) {
        const TrialEntry& t = trials[i];
        const bool atMax = t.Level >= condition.MaxSPL;
        summary.AtMaxSpl += atMax ? 1 : 0;
        summary.MaskerAtMax.emplace_back(t.Freq, atMax);
        summary.Dropouts += t.Dropout ? 1 : 0;
        if (i > 0 && t.OnsetSeconds && trials[i - 1].OnsetSeconds
            && *t.OnsetSeconds - *trials[i - 1].OnsetSeconds >= slot) {
            ++summary.Late;
        }
    }
    if (!trials.empty()) {
        summary.LastFrequency = trials.back().Freq;
        // Within one step of the end (and a little for the float sums of the steps).
        const double reach = condition.FStep * 1.001;
        summary.SweepCompleted = upward ? summary.LastFrequency >= summary.SweepEndHz - reach
                                        : summary.LastFrequency <= summary.SweepEndHz + reach;
    }
    return summary;
}

CurveMeasures MeasureRun(const std::vector<ResultPoint>& points, const RunContext& context,
                         const AnalysisParameters& parameters)
{
    const std::vector<ResultPoint> sorted = UsablePointsInFrequencyOrder(points);
    CurveMeasures measures = MeasureShape(AnalyseCurve(points), sorted, context.ToneF, parameters);
    if (context.MaxSPL && !sorted.empty()) {
        const float lowest = sorted.front().Freq;
        const float highest = sorted.back().Freq;
        const bool byTrials = context.Trials && context.Trials->Trials > 0;
        int total = 0;
        int atMax = 0;
        if (byTrials) {
            for (const auto& [freq, ceiling] : context.Trials->MaskerAtMax) {
                if (freq >= lowest && freq <= highest) {
                    ++total;
                    atMax += ceiling ? 1 : 0;
                }
            }
        } else {
            total = static_cast<int>(sorted.size());
            atMax = static_cast<int>(std::count_if(sorted.begin(), sorted.end(),
                                                   [&](const ResultPoint& p) { return p.SPL >= *context.MaxSPL; }));
        }
        const double share = total > 0 ? static_cast<double>(atMax) / total : 0.0;
        if (share > QualityThresholds::MaxSplShare) {
            measures.Flags.push_back({QualityFlag::MaskerAtMax,
                                      "the masker was at MaxSPL (" + FormatForResults(*context.MaxSPL) + " dB SPL) in "
                                          + ShareAsPercent(share) + " of the " + (byTrials ? "trials" : "points")
                                          + " from " + FormatHz(lowest) + " to " + FormatHz(highest)
                                          + " Hz, where the curve is measured (more than "
                                          + ShareAsPercent(QualityThresholds::MaxSplShare) + ")"});
        }
    }
    if (context.Trials) {
        const TrialSummary& t = *context.Trials;
        if (!t.SweepCompleted) {
            measures.Flags.push_back({QualityFlag::SweepUnfinished,
                                      t.Trials == 0 ? std::string("the run ended before its first trial")
                                                    : "the run ended at " + FormatHz(t.LastFrequency)
                                                          + " Hz, before its sweep reached " + FormatHz(t.SweepEndHz)
                                                          + " Hz"});
        }
        if (t.Late > 0 || t.Dropouts > 0) {
            measures.Flags.push_back({QualityFlag::PlaybackFaults,
                                      std::to_string(t.Late) + " stimuli played late (by "
                                          + FormatForResults(QualityThresholds::LateMs) + " ms or more), "
                                          + std::to_string(t.Dropouts) + " with a dropout"});
        }
    }
    SortFlags(measures.Flags);
    return measures;
}

CombinedCurve CombineCurves(const std::vector<std::vector<ResultPoint>>& smoothedCurves, const TestCondition& condition)
{
    CombinedCurve combined;
    if (smoothedCurves.empty()) {
        combined.Problem = "no runs";
        return combined;
    }
    if (!(condition.FStep > 0.0f) || !(condition.EndF >= condition.StartF)) {
        combined.Problem = "the condition has no frequency grid (FStep " + FormatForResults(condition.FStep) + ")";
        return combined;
    }
    // The grid is counted in steps, not summed, so that no rounding drifts along it.
    const auto steps = static_cast<long>(std::floor((static_cast<double>(condition.EndF) - condition.StartF) / condition.FStep + 1e-9));
    for (long k = 0; k <= steps; ++k) {
        const double f = condition.StartF + static_cast<double>(k) * condition.FStep;
        double sum = 0.0;
        bool everyRun = true;
        for (const std::vector<ResultPoint>& curve : smoothedCurves) {
            const auto above = std::lower_bound(curve.begin(), curve.end(), f,
                                                [](const ResultPoint& p, double hz) { return p.Freq < hz; });
            if (above == curve.end() || (above == curve.begin() && above->Freq != f)) {
                everyRun = false;
                break;
            }
            if (above->Freq == f || above == curve.begin()) {
                sum += above->SPL;
                continue;
            }
            const ResultPoint& a = *(above - 1);
            const ResultPoint& b = *above;
            sum += a.SPL + (f - a.Freq) * (static_cast<double>(b.SPL) - a.SPL) / (static_cast<double>(b.Freq) - a.Freq);
        }
        if (everyRun) {
            combined.Points.push_back({static_cast<float>(f), static_cast<float>(sum / static_cast<double>(smoothedCurves.size()))});
        }
    }
    if (combined.Points.empty()) {
        combined.Problem = "no grid frequency lies within every run's smoothed curve";
    }
    return combined;
}

CurveMeasures MeasureCombined(const CombinedCurve& curve, double toneF, const std::vector<CurveMeasures>& runs,
                              const std::vector<std::string>& runNames, const AnalysisParameters& parameters)
{
    CurveMeasures measures = MeasureShape(AnalyseSmoothedCurve(curve.Points), curve.Points, toneF, parameters);
    if (curve.Points.empty()) {
        measures.Smoothed.TipProblem = curve.Problem;
    }
    for (const QualityFlag flag : {QualityFlag::MaskerAtMax, QualityFlag::SweepUnfinished, QualityFlag::PlaybackFaults}) {
        std::string names;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (runs[i].Find(flag)) {
                names += (names.empty() ? "" : ", ") + (i < runNames.size() ? runNames[i] : std::to_string(i + 1));
            }
        }
        if (!names.empty()) {
            measures.Flags.push_back({flag, std::string(FlagTitle(flag)) + " in run " + names});
        }
    }
    SortFlags(measures.Flags);
    return measures;
}

TipSpread TipDifference(const std::vector<CurveMeasures>& runs)
{
    std::vector<double> smoothed;
    std::vector<double> fitted;
    for (const CurveMeasures& run : runs) {
        if (run.Smoothed.Tip) {
            smoothed.push_back(run.Smoothed.Tip->Freq);
        }
        if (run.Fitted.Freq) {
            fitted.push_back(*run.Fitted.Freq);
        }
    }
    const auto range = [](const std::vector<double>& tips) -> std::optional<double> {
        if (tips.size() < 2) {
            return std::nullopt;
        }
        const auto [low, high] = std::minmax_element(tips.begin(), tips.end());
        return *high - *low;
    };
    return {range(smoothed), range(fitted)};
}
