#pragma once

#include "ListenerDetails.h"
#include "RunChoices.h"
#include "TestCondition.h"
#include "ThresholdEstimate.h"
#include "TrialEntries.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// The calibration profile a run was measured with, as its record gives it; an empty Profile
// means none (or a record begun before its columns). Corrections in dB.
struct RecordedCalibration {
    std::string Profile;
    std::string LastCalibrated;  // ISO date and time of the profile's objective calibration
    std::optional<float> ToneDb;
    std::optional<float> MaskerMinDb;
    std::optional<float> MaskerMaxDb;
    std::optional<float> Kc35ResidualDb;
    bool Overdue = false;           // the flag "calibration overdue"
    bool NoListeningCheck = false;  // the flag "no listening check"
};

// The calibration's quality flags a run raised, by name: "calibration overdue", "no listening
// check". A run is measured all the same; the flags travel with it.
std::vector<std::string> CalibrationFlagTitles(const RecordedCalibration& calibration);

// The runs of a session record ("<results name>.csv"), read back by column name so that
// columns added later do no harm, with what the trial log says of each.
struct RecordedRun {
    std::string RunId;
    std::string Session;  // empty for runs outside a session, or a record without the column
    int SessionRun = 0;   // the run's place in its session, from 1; 0 outside a session
    int SessionRuns = 0;
    // The run_status of the run's own rows ("measured", "ended", "skipped"; empty outside a
    // session), and whether a later row marks it repeated (the operator rejected it).
    std::string Status;
    bool MarkedRepeated = false;
    bool SkipUndone = false;  // a skipped run's mark taken back: the run is to do again
    std::string SessionSeed;
    std::string SessionPlan;  // the fingerprint of the session's plan
    // The run's rows are fewer than its run_points says, or one of them was cut short (a
    // power cut or a full disk in the middle of its write): what is there is not the run.
    bool Incomplete = false;
    int ExpectedPoints = -1;  // from run_points; -1 where the record does not say
    bool Simulated = false;   // a virtual listener, not a person, gave the answers
    std::size_t LastRow = 0;  // the number of its last row in the file, mark rows included
    std::string Date;
    std::string Time;
    std::string Version;
    std::string Subject;
    ListenerDetails Listener;  // empty in a record begun before its columns
    std::string Ear;        // "left" or "right"
    std::string Direction;  // "up" or "down"
    int Condition = 0;      // from 1
    TestCondition Parameters;
    ExperimentSettings Settings;
    std::string AttenuatorMode;
    std::string Device;
    RecordedCalibration Calibration;
    std::vector<ResultPoint> Points;    // in their recorded order
    std::optional<std::vector<TrialEntry>> LoggedTrials;  // when the trial log has the run
    // A threshold run has no points: its estimate and the levels of its reversals. A tuning
    // curve whose tone was set in dB SL names the threshold run it rests on (Parameters.ToneSL).
    RunKind Kind = RunKind::Ptc;
    std::optional<ThresholdEstimate> Threshold;
    std::vector<float> Reversals;
    std::vector<std::string> ThresholdFlags;  // empty in a record begun before its column
    std::string ThresholdRun;
};

// The row that opened a session, with what it was planned with.
struct RecordedPlan {
    std::string Session;
    std::string Subject;
    int Runs = 0;
    std::string Seed;
    std::string Fingerprint;
    std::string Text;  // "key=value; ..."
    std::string ConditionsFile;
    std::string Date;
    std::string Time;
    std::size_t Row = 0;  // its row's number in the file
};

struct RecordedRuns {
    std::vector<RecordedRun> Runs;      // in the order of their first row
    std::vector<RecordedPlan> Plans;    // in the order of their rows
    std::set<std::string> SetAside;     // sessions the operator set aside
    bool HasSessionColumn = false;
    std::vector<std::string> Problems;  // rows or values that could not be read
};

// Reads the session record's text. Rows without a point (a skipped run of a session) give a
// run without points; a row with fewer fields than the header (cut short) marks its run
// incomplete and is named in Problems.
RecordedRuns ReadSessionRecord(const std::string& text);

// Adds the trial log's trials to every run it has rows for.
void AddTrialLog(RecordedRuns& runs, const std::string& text);

// The session record and the trial log read from their files; a missing file gives no runs
// (or no summaries) and no problem, an unreadable one a problem naming it.
RecordedRuns ReadRecordFiles(const std::string& recordPath, const std::string& trialLogPath);

// Whether a run counts in combined curves and test-retest figures; when not, why not
// ("repeated", "ended", "practice", "record incomplete", "threshold run"); empty when it counts.
std::string LeftOutBecause(const RecordedRun& run);
