#pragma once

#include "SharedState.h"

#include <optional>

// "Graph Results" after a restart, when no run is in memory: the latest run of the subject in
// the session record of the results name, as the shared state of a run just measured would
// hold it (its points, ear, direction, condition and settings), for the graph window to show
// over the subject's earlier runs. The set-up window's own state is left as it is.

// Whether the session record holds a run of `state`'s subject with more than two points.
bool HasRecordedRun(const SharedState& state);

// A copy of `state` holding that run; nothing when the record has none.
std::optional<SharedState> StateOfLatestRecordedRun(const SharedState& state);
