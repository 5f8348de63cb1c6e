#pragma once

#include "SharedState.h"
#include "TrialRecord.h"

#include <chrono>
#include <string>
#include <vector>

// The two data files written beside the results file at the end of every run, for analysis
// programs: the session record "<results name>.csv", one row per recorded point with every
// parameter of the run, and the trial log "<results name>.trials.csv", one row per trial.
// Both are CSV with a header row when the file is new, '.' as decimal separator whatever the
// locale, and lines ending in CR LF like the results file.

// What the two files say about a run beyond the shared state.
struct RunLog {
    std::chrono::system_clock::time_point Started;  // when the run started
    std::string SoundDevice;                          // where the stimuli went; empty when unknown
    std::vector<TrialRecord> Trials;
};

// The results name is ResultsFileName without its ".dat".
std::string SessionRecordFileName(const std::string& resultsFileName);
std::string TrialLogFileName(const std::string& resultsFileName);

// The run's identifier: its local start time to the millisecond in ISO 8601 with the UTC
// offset, "_" and the run's number among the runs `existing` (texts of the two files as they
// are) already name, raised until no row carries the same identifier.
std::string MakeRunId(std::chrono::system_clock::time_point started, const std::vector<std::string>& existing);

// The rows of one run; the header row first when `header`.
std::string SessionRecordRows(const SharedState& state, const RunLog& log, const std::string& runId, int count,
                              bool header);
std::string TrialLogRows(const RunLog& log, const std::string& runId, bool header);

struct SessionFilesOutcome {
    std::string RunId;
    std::string RecordError;    // the session record could not be written: file name and reason
    std::string TrialLogError;  // the trial log could not be written: file name and reason
    std::vector<std::string> Written;  // the files that took the run's rows
};

// Appends the run's rows to both files: the first `count` recorded points of `state` and
// every trial of `log`. A file that does not take its rows is left as it was.
SessionFilesOutcome WriteSessionFiles(const SharedState& state, const RunLog& log, int count);
