#pragma once

#include "RecordedRuns.h"
#include "SharedState.h"

#include <cstddef>
#include <string>
#include <vector>

// The earlier runs the graph draws behind the latest one, read from the session record.
struct OverlaidRun {
    std::string Label;              // for the legend: "left ear, upwards, 2026-12-07 14:05:12", no day when the latest run's
    EarSide Ear = EarSide::Left;
    Sweep Direction = Sweep::Up;
    std::vector<ResultPoint> Line;  // as the graph's line joins them
};

// More lines than this would hide the latest run and crowd the legend.
inline constexpr std::size_t MostOverlaidRuns = 8;

// What the session record adds to the latest run: the earlier runs, and the latest run's day.
struct RecordedOverlay {
    std::vector<OverlaidRun> Earlier;
    std::string LatestDate;  // "2026-12-08"; empty when the record does not have the run
};

// The runs of `record` for `subject` and the 1-based `condition`, of both ears and both
// directions, the latest MostOverlaidRuns of them in the order they were run. The latest run,
// which the graph draws from memory, is left out: the last recorded run whose points are
// `latest` as the results files write them.
RecordedOverlay OverlaidRuns(const std::vector<RecordedRun>& record, const std::string& subject, int condition,
                             const std::vector<ResultPoint>& latest);

// The same for the session record beside the state's results file and its current subject
// and condition; nothing when the record cannot be read.
RecordedOverlay OverlaidRunsOf(const SharedState& state);
