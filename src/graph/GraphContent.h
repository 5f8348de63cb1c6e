#pragma once

#include "SharedState.h"

#include <optional>
#include <string>
#include <vector>

// What the graph window draws, taken from the shared state at the moment it is shown.
struct GraphContent {
    std::string Title;                      // "<subject>: left ear" / "<subject>: right ear"
    std::vector<ResultPoint> Line;          // the tuning curve, in the order the line joins them
    std::optional<ResultPoint> ToneMarker;  // (ToneF, RunToneSPL); none before a file is loaded or off the axis
    std::optional<ResultPoint> TipMarker;   // the curve's tip, when it can be computed
    std::string CurveSummary;               // "Tip: ..." and "Q10: ..." lines, or why not
};

// Title line for a subject and ear.
std::string GraphTitle(const std::string& subjectName, EarSide ear);

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
// points read from the results file (in recording order, whatever the sweep direction).
GraphContent BuildGraphContent(const SharedState& state);
