#pragma once

#include "RecordedRuns.h"
#include "SessionPlan.h"
#include "SessionProtocol.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// Where a session stands, read from the session record: the record is the session's only
// memory, so a session ended by the operator, a closed program, a crash or a power cut
// continues from what reached the file.

enum class SessionRunState {
    Pending,   // not measured yet
    Measured,  // measured, and not marked repeated since
    Skipped,   // skipped by the operator
    Ended,     // an error or a stop key ended it, or its rows on record are incomplete; it is measured again
};

// A run that no longer needs measuring.
inline bool IsFinished(SessionRunState state)
{
    return state == SessionRunState::Measured || state == SessionRunState::Skipped;
}

std::string Describe(SessionRunState state);

struct UnfinishedSession {
    std::string Id;
    std::vector<SessionRunState> States;  // one per run of the protocol
    int ContinueAt = 0;                   // the first run not finished, from 0
    // Runs whose rows on record are incomplete (a power cut in the middle of their write):
    // they are measured again, and the operator is told which.
    std::vector<std::string> Notes;
    // What differs from the plan the session was begun with. A session whose plan changed is
    // not continued: only a new session can start.
    std::vector<std::string> Changes;

    bool CanContinue() const { return Changes.empty(); }
};

// The unfinished session of `subject` in `record` to offer: the latest one begun with `plan`
// (a session recorded without its plan, by an earlier version, when its rows fit `protocol`:
// its number of runs, and each run's condition, ear and direction at its place); otherwise the
// subject's latest session when it is unfinished and was planned otherwise, with the changes.
std::optional<UnfinishedSession> FindUnfinishedSession(const RecordedRuns& record, const SessionProtocol& protocol,
                                                       const SessionPlan& plan, const std::string& subject);

// Where session `id` of the record stands, for a session of `runs` runs.
UnfinishedSession SessionStates(const RecordedRuns& record, const std::string& id, int runs);

// A session of a data folder's records that is not finished and not set aside, with what the
// operator needs to continue it.
struct FolderSession {
    std::string ResultsFileName;  // "<results name>.dat"
    std::string Subject;
    std::string ConditionsFile;
    std::string SessionId;
    std::string Begun;  // "2026-12-08 10:42:05"
    int Finished = 0;   // runs measured or skipped
    int Runs = 0;
};

// The unfinished sessions of every session record in `folder` whose plan is on record, the most
// recently begun first.
std::vector<FolderSession> UnfinishedSessionsIn(const std::string& folder);

// The session identifiers the record already holds.
std::set<std::string> SessionIds(const RecordedRuns& record);
