#pragma once

#include "CurveAnalysis.h"
#include "SharedState.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The axes' fixed ranges.
namespace GraphAxes {
inline constexpr double LowestFrequency = 100.0;
inline constexpr double HighestFrequency = 10000.0;
inline constexpr double LowestLevel = 0.0;
inline constexpr double HighestLevel = 100.0;
}  // namespace GraphAxes

// What the graph window draws, taken from the shared state at the moment it is shown.
struct GraphContent {
    std::string Title;                      // GraphTitle
    std::vector<ResultPoint> Line;          // the tuning curve, in the order the line joins them
    std::optional<ResultPoint> ToneMarker;  // (ToneF, RunToneSPL); none before a file is loaded or off the axis
    std::optional<ResultPoint> TipMarker;   // the curve's tip, when it can be computed
    std::vector<ResultPoint> Q10Line;       // Q10Segment of the curve
    std::string CurveSummary;               // "Tip: ..." and "Q10: ..." lines, or why not
    // The frequencies a normal tip lies within for the current condition and sweep direction
    // (TipFinding.h), low and high, in Hz; none before a file is loaded.
    std::optional<std::pair<double, double>> NormalRangeHz;
};

// The title: "S01: left ear — Condition 1 — 1000 Hz tone, upward sweep — 2026-12-08"; the
// condition and tone only once a file is loaded, the date (of the latest run) when known.
std::string GraphTitle(const SharedState& state, const std::string& date);

// The width Q10 is taken over: a level line 10 dB above the tip from the low to the high
// 10-dB point, cut at the axes' ranges; no points without a Q10 or when the line lies off the
// axes.
std::vector<ResultPoint> Q10Segment(const CurveAnalysis& analysis);

// "upwards" or "downwards": the direction as the legend and the window's text say it.
std::string SweepDisplayName(Sweep direction);

// Whether the logarithmic frequency axis can show `frequency` (finite and above 0 Hz).
bool OnFrequencyAxis(float frequency);

// A run's points (in recording order) as the graph's line joins them: in ascending frequency,
// an upward run in recording order, a downward run from its last point back, points at one
// frequency in that order; points the axis cannot show left out.
std::vector<ResultPoint> AscendingLine(std::vector<ResultPoint> points, Sweep sweepDirection);

// The latest run's points in ascending frequency: an upward run in recording order, a
// downward run from its last point back. Points recorded at the same
// frequency keep that order, so the line joins them vertically. Points the frequency axis
// cannot show are left out. Never reads past the points the buffer holds, whatever
// StoredResultCount says.
std::vector<ResultPoint> LinePoints(const ResultsBuffer& results, Sweep sweepDirection);

// The tip and Q10 of the latest run, analysed as "quorvex-sim analyze" analyses the same
// points read from the results file (in recording order, whatever the sweep direction);
// `date`: the day of the latest run, empty when unknown.
GraphContent BuildGraphContent(const SharedState& state, const std::string& date = {});
