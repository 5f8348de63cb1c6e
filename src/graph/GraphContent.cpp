#include "GraphContent.h"

#include "CurveAnalysis.h"

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

std::string GraphTitle(const std::string& subjectName, EarSide ear)
{
    return subjectName + ": " + EarName(ear) + " ear";
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

GraphContent BuildGraphContent(const SharedState& state)
{
    GraphContent content;
    content.Title = GraphTitle(state.SubjectName, state.Ear);
    content.Line = LinePoints(state.Results, state.SweepDirection);
    const auto index = static_cast<std::size_t>(state.CurrentCondition);
    if (state.CurrentCondition >= 0 && index < state.Conditions.size() && OnFrequencyAxis(state.Conditions[index].ToneF))
        content.ToneMarker = ResultPoint{state.Conditions[index].ToneF, state.RunToneSPL};

    const CurveAnalysis analysis = AnalyseCurve(StoredPoints(state.Results));
    content.TipMarker = analysis.Tip;
    content.CurveSummary = "Tip: " + DescribeTip(analysis) + "\nQ10: " + DescribeQ10(analysis);
    return content;
}
