#pragma once

#include "SharedState.h"
#include "TrialRecord.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The two data files written beside the results file at the end of every run, for analysis
// programs: the session record "<results name>.csv", one row per recorded point with every
// parameter of the run, and the trial log "<results name>.trials.csv", one row per trial.
// Both are CSV with a header row when the file is new, '.' as decimal separator whatever the
// locale, and lines ending in CR LF like the results file.

// A run's place in a session, as the session record's session columns give it.
struct SessionMark {
    std::string Id;      // the session's identifier
    int Run = 0;         // the run's position in the session, from 1
    int Runs = 0;        // the session's number of runs
    std::string Status;  // "measured", "repeated", "skipped" or "ended"
};

// What the two files say about a run beyond the shared state.
struct RunLog {
    std::chrono::system_clock::time_point Started;  // when the run started
    std::string SoundDevice;                          // where the stimuli went; empty when unknown
    std::vector<TrialRecord> Trials;
    // Set for a run of a session: the record then has a row for the run even without points.
    std::optional<SessionMark> Session;
    // Set for a row marking a run already written (a repeated run): its identifier.
    std::string RunId;
};

// The results name is ResultsFileName without its ".dat".
std::string SessionRecordFileName(const std::string& resultsFileName);
std::string TrialLogFileName(const std::string& resultsFileName);

// The run's identifier: its local start time to the millisecond in ISO 8601 with the UTC
// offset, "_" and the run's number among the runs `existing` (texts of the two files as they
// are) already name, raised until no row carries the same identifier.
std::string MakeRunId(std::chrono::system_clock::time_point started, const std::vector<std::string>& existing);

// A session's identifier: its local start time to the millisecond in ISO 8601 with the UTC offset.
std::string SessionTimestamp(std::chrono::system_clock::time_point started);

// The rows of one run; the header row first when `header`. A session run without points has
// one row with empty point columns.
std::string SessionRecordRows(const SharedState& state, const RunLog& log, const std::string& runId, int count,
                              bool header);
std::string TrialLogRows(const RunLog& log, const std::string& runId, bool header);

struct SessionFilesOutcome {
    std::string RunId;
    std::string RecordError;    // the session record could not be written: file name and reason
    std::string TrialLogError;  // the trial log could not be written: file name and reason
};

// Appends the run's rows to both files: the first `count` recorded points of `state` and
// every trial of `log`. A file that does not take its rows is left as it was.
SessionFilesOutcome WriteSessionFiles(const SharedState& state, const RunLog& log, int count);
