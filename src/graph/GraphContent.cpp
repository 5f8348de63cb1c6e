#include "GraphContent.h"

#include "CurveAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

std::string GraphTitle(const std::string& subjectName, int ear)
{
    return subjectName + (ear == 0 ? ": left ear" : ": right ear");
}

namespace {

// The latest run's points in recording order, never past what the buffer holds.
std::vector<ResultPoint> StoredPoints(const ResultsBuffer& results)
{
    const auto& recorded = results.Points();
    const auto count = std::clamp(results.StoredResultCount, 0, static_cast<int>(recorded.size()));
    return std::vector<ResultPoint>(recorded.begin(), recorded.begin() + count);
}

} // namespace

std::vector<ResultPoint> LinePoints(const ResultsBuffer& results, int sweepDirection)
{
    std::vector<ResultPoint> line = StoredPoints(results);
    if (sweepDirection == 1)
        std::reverse(line.begin(), line.end());

    // The line keeps its x values ascending, as a sorted chart series does when points are
    // added one by one; a stable sort leaves equal frequencies in the order they were added.
    // This matters when the sweep direction was changed after the run. NaN goes last so the
    // ordering stays strict whatever was recorded.
    const auto key = [](const ResultPoint& p) { return std::pair{std::isnan(p.Freq), p.Freq}; };
    std::stable_sort(line.begin(), line.end(),
                     [&](const ResultPoint& a, const ResultPoint& b) { return key(a) < key(b); });
    return line;
}

GraphContent BuildGraphContent(const SharedState& state)
{
    GraphContent content;
    content.Title = GraphTitle(state.SubjectName, state.Ear);
    content.Line = LinePoints(state.Results, state.SweepDirection);
    const auto index = static_cast<std::size_t>(state.CurrentCondition);
    if (state.CurrentCondition >= 0 && index < state.Conditions.size())
        content.ToneMarker = ResultPoint{state.Conditions[index].ToneF, state.RunToneSPL};

    const CurveAnalysis analysis = AnalyseCurve(StoredPoints(state.Results));
    content.TipMarker = analysis.Tip;
    content.CurveSummary = "Tip: " + DescribeTip(analysis) + "\nQ10: " + DescribeQ10(analysis);
    return content;
}
