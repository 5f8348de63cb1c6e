#pragma once

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
    Ended,     // an error or a stop key ended it; it is measured again
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
};

// The latest session in the record `recordText` of `subject` whose rows all fit `protocol`
// (its number of runs, and each run's condition, ear and direction at its place), when it has
// a run not finished. A record without the session columns has none.
std::optional<UnfinishedSession> FindUnfinishedSession(const std::string& recordText, const SessionProtocol& protocol,
                                                       const std::string& subject);

// The session identifiers the record already holds.
std::set<std::string> SessionIds(const std::string& recordText);
