#pragma once

#include "RecordedRuns.h"
#include "SessionRunner.h"

#include <cstdint>
#include <string>

// The session's clock and counts as the operator's panel shows them, beside what SessionRunner
// keeps of the sitting going on.

// The time the runs of session `sessionId` in the session record took: each run its pause
// before the first trial and its trials (the trial log's count, or without one the estimate of
// its condition), each MaskerDuration + ISI long. A continued session's elapsed time starts
// from here, since the record is all that is left of the earlier sittings.
std::int64_t RecordedSessionMs(const RecordedRuns& record, const std::string& sessionId);
// The same, read from the session record and trial log of `resultsFileName`; 0 when they
// cannot be read.
std::int64_t RecordedSessionMs(const std::string& resultsFileName, const std::string& sessionId);

// The runs of the session by their state: a skipped run is not a measured one.
struct SessionCounts {
    int Measured = 0;
    int Skipped = 0;
    int ToDo = 0;  // not measured yet, or ended and to be measured again
};
SessionCounts CountRuns(const SessionRunner& runner);

// About how long is left while a run has gone on for `runningMs`: the runner's estimate, less
// what the run going on has used of its share.
std::int64_t TimeLeftMs(const SessionProgress& progress, std::int64_t runningMs);
