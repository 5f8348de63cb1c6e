#pragma once

#include "Result.h"
#include "SessionFiles.h"
#include "SessionLock.h"
#include "SessionPlan.h"
#include "SessionProtocol.h"
#include "SessionResume.h"
#include "SharedState.h"
#include "TrackingRun.h"

#include <chrono>
#include <memory>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Where the session stands for the operator: the run k of N that is next (or running), how
// long the session has taken and about how long the rest will take.
struct SessionProgress {
    int Position = 0;  // the next run, from 1; 0 when none is left
    int Runs = 0;
    int Finished = 0;  // runs measured or skipped
    std::int64_t ElapsedMs = 0;
    std::int64_t LeftMs = 0;
};

// About how long one run of `condition` takes before any has been measured: the pause before
// the first trial and the trials a sweep takes (one per masker frequency, and the trials the
// track takes to settle), each a masker and an ISI long.
std::int64_t EstimatedRunMs(const ExperimentSettings& settings, const TestCondition& condition);

// About how long a threshold run takes: the pause, and three trials a reversal after settling.
std::int64_t EstimatedThresholdRunMs(const ExperimentSettings& settings);

// Whether every run of a runnable `protocol` can start with the settings and conditions of
// `state` (as "Run PTC" checks one): the first refusal, naming the run and its condition.
Result<> CheckSessionRuns(const SessionProtocol& protocol, const SharedState& state, char decimalSeparator);

class SessionRunner;

// What the operator is asked when the record holds an unfinished session of the subject: its
// runs whose record is incomplete, and "Continue at run k of N" as the last line; or, for a
// session planned otherwise, what changed, and that only a new session can start.
std::string ResumeQuestion(const SessionRunner& runner, const std::string& subject, const std::string& recordFile);

// "12:05" or "1:02:05".
std::string FormatDuration(std::int64_t ms);

// A listener's session: the protocol's runs one after the other, each an ordinary run of the
// current condition, with the set-up window's choices (condition, ear, direction) taken from
// the protocol. Both the run window and quorvex-sim drive it; it writes what the session
// record needs beyond the runs' own rows (skipped runs, repeated runs).
class SessionRunner {
public:
    // `protocol` must be runnable; `plan` is what it is planned with now (PlanSession). Takes
    // the results name's session lock, held until the runner goes, and reads the session record
    // of `resultsFileName` for an unfinished session of `subject`.
    SessionRunner(SessionProtocol protocol, SessionPlan plan, std::string subject, std::string resultsFileName);

    // The record could not be read, or another program runs a session on it: what the operator
    // is told (a session then cannot start).
    const std::string& RecordProblem() const { return recordProblem_; }
    // The session that "Continue at run k of N" would continue; one planned otherwise says
    // what changed and cannot be continued.
    const std::optional<UnfinishedSession>& Unfinished() const { return unfinished_; }
    bool CanContinue() const { return unfinished_ && unfinished_->CanContinue(); }

    // Starts a new session (a new identifier, every run to do), whose plan opens it in the
    // session record; fails with the record's write error. Or continues the unfinished one,
    // when CanContinue.
    Result<> StartNew(std::chrono::system_clock::time_point now);
    void Continue();

    const SessionProtocol& Protocol() const { return protocol_; }
    const std::string& Id() const { return id_; }
    int Runs() const { return static_cast<int>(protocol_.Runs.size()); }
    SessionRunState State(int index) const { return states_.at(static_cast<std::size_t>(index)); }

    // The run to measure next, from 0; nothing once the session is over.
    std::optional<int> Next() const;
    bool Over() const { return !Next(); }
    // Why the session is over: empty while it goes on.
    const std::string& EndReason() const { return endReason_; }

    // Sets the condition, ear and direction of run `index` in `state` and marks `run` as that
    // run of the session.
    void Prepare(int index, SharedState& state, TrackingRun& run) const;
    SessionMark MarkFor(int index, const std::string& status) const;
    // Takes in how run `index` went. An error or a stop key ended it: the session ends there
    // and continues at this run. So does a session record that did not take its rows.
    void Finished(int index, const RunOutcome& report, std::int64_t durationMs);

    // A rest is offered before the next run (after every RestEvery runs measured).
    bool RestDue() const;

    // Between runs: the run just measured is marked repeated in the record and measured
    // again next; the next run is marked skipped; the session ends. Repeat and Skip fail with
    // the record's write error; `state` is set to the marked run.
    bool CanRepeat() const { return lastMeasured_.has_value() && !Over(); }
    Result<> Repeat(SharedState& state);
    Result<> Skip(SharedState& state);
    void End();
    // The last Repeat or Skip of this sitting withdrawn: a row marks it undone in the record, and
    // the run is measured (repeat) or to do (skip) as before the mark. Fails with the record's
    // write error.
    bool CanUndo() const;
    Result<> Undo(SharedState& state);

    SessionProgress Progress(std::int64_t elapsedMs, const SharedState& state) const;

private:
    // The row's run identifier, or why the record did not take it.
    Result<std::string> Append(SharedState& state, int index, const std::string& status,
                               std::chrono::system_clock::time_point started, const std::string& runId);

    struct Measured {
        int Index = 0;
        std::string RunId;
        std::chrono::system_clock::time_point Started;
    };

    SessionProtocol protocol_;
    SessionPlan plan_;
    std::unique_ptr<SessionLock> lock_;
    std::string subject_;
    std::string resultsFileName_;
    std::string recordProblem_;
    std::set<std::string> existingIds_;
    std::optional<UnfinishedSession> unfinished_;
    std::string id_;
    std::vector<SessionRunState> states_;
    std::optional<Measured> lastMeasured_;
    struct Mark {
        bool Repeat = false;  // else a skip
        Measured Run;         // the run marked: the repeated run, or the skipped run's mark row
    };
    std::optional<Mark> lastMark_;
    std::vector<std::int64_t> durations_;  // of the runs measured in this sitting
    int measuredHere_ = 0;
    std::string endReason_;
};
