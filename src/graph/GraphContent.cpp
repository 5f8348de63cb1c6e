#include "GraphContent.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>

std::string GraphTitle(const std::string& subjectName, int ear)
{
    return subjectName + (ear == 0 ? ": left ear" : ": right ear");
}

bool OnFrequencyAxis(float frequency)
{
    return std::isfinite(frequency) && frequency > 0.0f;
}

std::vector<ResultPoint> LinePoints(const ResultsBuffer& results, int sweepDirection)
{
    const auto& recorded = results.Points();
    const auto count = static_cast<std::size_t>(
        std::clamp(results.StoredResultCount, 0, static_cast<int>(recorded.size())));

    std::vector<ResultPoint> line;
    line.reserve(count);
    // A logarithmic axis has no place for the others; given one, the chart draws no line at all.
    std::copy_if(recorded.begin(), recorded.begin() + static_cast<std::ptrdiff_t>(count), std::back_inserter(line),
                 [](const ResultPoint& p) { return OnFrequencyAxis(p.Freq); });
    if (sweepDirection == 1)
        std::reverse(line.begin(), line.end());

    // The line keeps its x values ascending, as a sorted chart series does when points are
    // added one by one; a stable sort leaves equal frequencies in the order they were added.
    // This matters when the sweep direction was changed after the run.
    std::stable_sort(line.begin(), line.end(),
                     [](const ResultPoint& a, const ResultPoint& b) { return a.Freq < b.Freq; });
    return line;
}

GraphContent BuildGraphContent(const SharedState& state)
{
    GraphContent content;
    content.Title = GraphTitle(state.SubjectName, state.Ear);
    content.Line = LinePoints(state.Results, state.SweepDirection);
    const auto index = static_cast<std::size_t>(state.CurrentCondition);
    if (state.CurrentCondition >= 0 && index < state.Conditions.size() && OnFrequencyAxis(state.Conditions[index].ToneF))
        content.ToneMarker = ResultPoint{state.Conditions[index].ToneF, state.RunToneSPL};
    return content;
}
