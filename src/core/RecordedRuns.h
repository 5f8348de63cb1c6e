#pragma once

#include "CurveMeasures.h"
#include "TestCondition.h"

#include <optional>
#include <string>
#include <vector>

// The runs of a session record ("<results name>.csv"), read back by column name so that
// columns added later do no harm, with what the trial log says of each.
struct RecordedRun {
    std::string RunId;
    std::string Session;  // empty for runs outside a session, or a record without the column
    std::string Date;
    std::string Time;
    std::string Version;
    std::string Subject;
    std::string Ear;        // "left" or "right"
    std::string Direction;  // "up" or "down"
    int Condition = 0;      // from 1
    TestCondition Parameters;
    ExperimentSettings Settings;
    std::string AttenuatorMode;
    std::string Device;
    std::vector<ResultPoint> Points;    // in their recorded order
    std::optional<TrialSummary> Trials; // when the trial log has the run
};

struct RecordedRuns {
    std::vector<RecordedRun> Runs;      // in the order of their first row
    bool HasSessionColumn = false;
    std::vector<std::string> Problems;  // rows or values that could not be read
};

// Reads the session record's text. Rows without a point (a skipped run of a session) give a
// run without points.
RecordedRuns ReadSessionRecord(const std::string& text);

// Adds the trial log's summary to every run it has rows for.
void AddTrialLog(RecordedRuns& runs, const std::string& text);

// The session record and the trial log read from their files; a missing file gives no runs
// (or no summaries) and no problem, an unreadable one a problem naming it.
RecordedRuns ReadRecordFiles(const std::string& recordPath, const std::string& trialLogPath);
