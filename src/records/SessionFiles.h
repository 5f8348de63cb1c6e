#pragma once

#include "Result.h"
#include "SharedState.h"
#include "ThresholdEstimate.h"
#include "TrialRecord.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The two data files written beside the results file at the end of every run, for analysis
// programs: the session record "<results name>.csv", one row per recorded point with every
// parameter of the run, and the trial log "<results name>.trials.csv", one row per trial.
// Both are CSV with a header row when the file is new, '.' as decimal separator whatever the
// locale, and lines ending in CR LF like the results file.

// The virtual listener a rehearsal measured, as the session record names it.
struct SimulatedListenerRecord {
    std::uint32_t Seed = 0;  // 0: a listener without internal noise
    float CriterionDb = 0.0f;
    float NoiseDb = 0.0f;
    int Model = 0;  // the listener model's version (ListenerModelVersion)
};

// A run's place in a session, as the session record's session columns give it.
struct SessionMark {
    std::string Id;      // the session's identifier
    int Run = 0;         // the run's position in the session, from 1
    int Runs = 0;        // the session's number of runs
    std::string Status;  // "measured", "repeated", "skipped" or "ended"
    std::string Seed;    // the shuffle's seed; empty for a listed order
    std::string Plan;    // the fingerprint of what the session was planned with
    bool Practice = false;  // a practice run: recorded "practice" once measured
};

// A session run's status that counts it done: measured, as a run that counts or as practice.
inline bool MeasuredStatus(const std::string& status)
{
    return status == "measured" || status == "practice";
}

// What a session was planned with, as its first row in the session record keeps it: the
// protocol, its order and seed and the parameters of every condition it uses, readable
// ("key=value; ..."), and their fingerprint, which every row of the session carries.
struct SessionPlanRow {
    std::string SessionId;
    std::string Subject;
    int Runs = 0;
    std::string Seed;
    std::string Fingerprint;
    std::string Text;
    std::chrono::system_clock::time_point Started;
    std::string ConditionsFile;  // the test-condition file it was loaded from, so that it can be offered again
};

// What a run with a calibration profile applied, for the session record: the tone's correction,
// the range of the maskers' and, with the KC35, the residual its whole-dB steps left.
struct AppliedCalibration {
    float ToneDb = 0.0f;
    std::optional<float> MaskerMinDb;  // empty until a masker has been played
    std::optional<float> MaskerMaxDb;
    std::optional<float> Kc35ResidualDb;  // the largest in magnitude, level at the ear − level meant

    void NoteMasker(float correctionDb);
    void NoteResidual(float residualDb);
};

// What the two files say about a run beyond the shared state.
struct RunLog {
    std::chrono::system_clock::time_point Started;  // when the run started
    std::string SoundDevice;                          // where the stimuli went; empty when unknown
    std::optional<SimulatedListenerRecord> Listener;  // absent when a person listened
    std::vector<TrialRecord> Trials;
    // Set for a run of a session: the record then has a row for the run even without points.
    std::optional<SessionMark> Session;
    // The run's identifier once decided: at the start of a run, whose trials then reach the
    // trial log as they are made, or for a row marking a run already written (a repeated run).
    std::string RunId;
    // The trials of `Trials` already in the trial log.
    std::size_t TrialsWritten = 0;
    // Set when the run played through a calibration profile (SharedState::Calibration).
    std::optional<AppliedCalibration> Calibration = std::nullopt;
    RunKind Kind = RunKind::Ptc;
    // A tuning curve whose tone was set in dB SL: that SL and the threshold run it rests on.
    std::optional<float> ToneSL{};
    std::string ThresholdRun{};
    // A threshold run: the levels at its reversals and the estimate from them.
    std::vector<float> Reversals{};
    std::optional<ThresholdEstimate> Threshold{};
    // What makes its threshold doubtful (the level held at the device's floor or ceiling, the
    // time limit), one sentence each.
    std::vector<std::string> ThresholdFlags{};
};

// The results name is ResultsFileName without its ".dat".
std::string SessionRecordFileName(const std::string& resultsFileName);
std::string TrialLogFileName(const std::string& resultsFileName);
// The lock one program holds while it runs a session on the results name.
std::string SessionLockFileName(const std::string& resultsFileName);

// The run's identifier: its local start time to the millisecond in ISO 8601 with the UTC
// offset, "_" and the run's number in the files, one more than `previousRunNumber`.
std::string MakeRunId(std::chrono::system_clock::time_point started, int previousRunNumber);

// The number of the last run named in `tail`, the end of a session record or trial log (from
// its first byte when `fromStart`, otherwise from somewhere inside a row); 0 when it names none.
// Runs are appended in the order of their numbers, so the last one named has the highest.
int LastRunNumber(std::string_view tail, bool fromStart);

// A new run's identifier, numbered after the last run of the session record and trial log of
// `resultsFileName` as they stand.
std::string NewRunId(const std::string& resultsFileName, std::chrono::system_clock::time_point started);

// The header rows of the two files.
std::string SessionRecordHeader();
std::string TrialLogHeader();

// A session's identifier: its local start time to the millisecond in ISO 8601 with the UTC offset.
std::string SessionTimestamp(std::chrono::system_clock::time_point started);

struct SessionFilesOutcome {
    std::string RunId;
    std::string RecordError;    // the session record could not be written: file name and reason
    std::string TrialLogError;  // the trial log could not be written: file name and reason
    std::vector<std::string> Written;  // the files that took the run's rows
    bool TrialLogWritten = false;  // the run had trials and the trial log took them
    // The data dictionary beside the record (RecordDictionary.h) could not be written.
    std::string DictionaryError;
};

// Appends the run's rows to both files and brings the data dictionary beside the record up to
// date (RecordDictionary.h): the trials of `log` not yet in the trial log first,
// then the first `count` recorded points of `state` to the session record, which is what
// makes a run count as done (a run without trials adds nothing to the trial log). Both files
// are held from numbering the run (when `log.RunId` is empty) to its last row, so that runs
// ending together take numbers of their own and one header between them. A file that does
// not take its rows is left as it was, and so is a file whose header row names other columns
// than this version writes; a session record begun by an earlier version, whose columns are
// the first of this version's, takes the rows in its own columns. Memory and reading do not
// grow with the files: only their first and last rows are read.
SessionFilesOutcome WriteSessionFiles(const SharedState& state, const RunLog& log, int count);

// Appends the trials of `log` from `log.TrialsWritten` on to the trial log under `log.RunId`,
// in one block, and advances TrialsWritten when the file took them. A run calls it after every
// trial, so that a program killed in the middle of a run keeps what the listener did.
Result<> AppendTrialLogRows(const std::string& resultsFileName, RunLog& log);

// Appends the row that opens a session with its plan to the session record of `resultsFileName`.
Result<> WriteSessionPlan(const std::string& resultsFileName, const SessionPlanRow& plan);

// Appends a row that sets session `sessionId` of `subject` aside: it is no longer offered when
// the program starts, and "Run Session" with its plan still continues it.
Result<> SetSessionAside(const std::string& resultsFileName, const std::string& sessionId, const std::string& subject,
                         std::chrono::system_clock::time_point when);
