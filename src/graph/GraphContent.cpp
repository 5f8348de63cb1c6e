#include "GraphContent.h"

#include "TipFinding.h"

#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>

namespace {

// The latest run's points in recording order, never past what the buffer holds.
std::vector<ResultPoint> StoredPoints(const ResultsBuffer& results)
{
    const auto& recorded = results.Points();
    const auto count = std::clamp(results.StoredResultCount, 0, static_cast<int>(recorded.size()));
    return std::vector<ResultPoint>(recorded.begin(), recorded.begin() + count);
}

} // namespace

std::string GraphTitle(const SharedState& state, const std::string& date)
{
    std::string title = state.SubjectName + ": " + EarName(state.Ear) + " ear";
    const auto index = static_cast<std::size_t>(state.CurrentCondition);
    if (state.CurrentCondition >= 0 && index < state.Conditions.size()) {
        title += " — Condition " + std::to_string(state.CurrentCondition + 1) + " — "
                 + FormatForResults(state.Conditions[index].ToneF) + " Hz tone, "
                 + (state.SweepDirection == Sweep::Down ? "downward" : "upward") + " sweep";
    }
    return date.empty() ? title : title + " — " + date;
}

std::vector<ResultPoint> Q10Segment(const CurveAnalysis& analysis)
{
    if (!analysis.Q10 || !analysis.Tip || !analysis.LowHz || !analysis.HighHz) {
        return {};
    }
    const double level = analysis.Tip->SPL + 10.0;
    const double low = std::max(*analysis.LowHz, GraphAxes::LowestFrequency);
    const double high = std::min(*analysis.HighHz, GraphAxes::HighestFrequency);
    if (level < GraphAxes::LowestLevel || level > GraphAxes::HighestLevel || low >= high) {
        return {};
    }
    return {{static_cast<float>(low), static_cast<float>(level)}, {static_cast<float>(high), static_cast<float>(level)}};
}

std::string SweepDisplayName(Sweep direction)
{
    return direction == Sweep::Down ? "downwards" : "upwards";
}

bool OnFrequencyAxis(float frequency)
{
    return std::isfinite(frequency) && frequency > 0.0f;
}

std::vector<ResultPoint> AscendingLine(std::vector<ResultPoint> points, Sweep sweepDirection)
{
    std::vector<ResultPoint> line;
    line.reserve(points.size());
    // A logarithmic axis has no place for the others; given one, the chart draws no line at all.
    std::copy_if(points.begin(), points.end(), std::back_inserter(line),
                 [](const ResultPoint& p) { return OnFrequencyAxis(p.Freq); });
    if (sweepDirection == Sweep::Down)
        std::reverse(line.begin(), line.end());

    // The line keeps its x values ascending, as a sorted chart series does when points are
    // added one by one; a stable sort leaves equal frequencies in the order they were added.
    // This matters when the sweep direction was changed after the run.
    std::stable_sort(line.begin(), line.end(),
                     [](const ResultPoint& a, const ResultPoint& b) { return a.Freq < b.Freq; });
    return line;
}

std::vector<ResultPoint> LinePoints(const ResultsBuffer& results, Sweep sweepDirection)
{
    return AscendingLine(StoredPoints(results), sweepDirection);
}

GraphContent BuildGraphContent(const SharedState& state, const std::string& date)
{
    GraphContent content;
    content.Title = GraphTitle(state, date);
    content.Line = LinePoints(state.Results, state.SweepDirection);
    const auto index = static_cast<std::size_t>(state.CurrentCondition);
    if (state.CurrentCondition >= 0 && index < state.Conditions.size() && OnFrequencyAxis(state.Conditions[index].ToneF))
        content.ToneMarker = ResultPoint{state.Conditions[index].ToneF, state.RunToneSPL};
    if (state.CurrentCondition >= 0 && index < state.Conditions.size()) {
        const TipFinding range = FindTip({}, NormOf(state.Settings),
                                         state.SweepDirection == Sweep::Down ? CurveKind::Downward : CurveKind::Upward);
        const double tone = state.Conditions[index].ToneF;
        content.NormalRangeHz = std::pair{tone * (1.0 + range.LowPercent / 100.0), tone * (1.0 + range.HighPercent / 100.0)};
    }

    const CurveAnalysis analysis = AnalyseCurve(StoredPoints(state.Results));
    content.TipMarker = analysis.Tip;
    content.Q10Line = Q10Segment(analysis);
    content.CurveSummary = "Tip: " + DescribeTip(analysis) + "\nQ10: " + DescribeQ10(analysis);
    return content;
}
