#include "SessionResume.h"

#include "SessionFiles.h"
#include "WholeFile.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

struct RecordedSession {
    const RecordedPlan* Plan = nullptr;
    std::vector<const RecordedRun*> Runs;
    std::size_t LastRow = 0;
};

// A run recorded by an earlier version, whose sessions carry no plan, fits when it stands at
// its place of the protocol.
bool FitsProtocol(const RecordedRun& run, const SessionProtocol& protocol)
{
    const int runs = static_cast<int>(protocol.Runs.size());
    if (run.SessionRuns != runs || run.SessionRun < 1 || run.SessionRun > runs) {
        return false;
    }
    const SessionRun& planned = protocol.Runs[static_cast<std::size_t>(run.SessionRun - 1)];
    return run.Condition == planned.Condition && run.Ear == EarName(planned.Ear)
           && run.Direction == DirectionName(planned.SweepDirection);
}

UnfinishedSession StatesOf(const std::string& id, const RecordedSession& session, std::size_t runs)
{
    UnfinishedSession unfinished{id, std::vector<SessionRunState>(runs, SessionRunState::Pending), 0, {}, {}};
    std::vector<bool> measured(runs, false), skipped(runs, false), ended(runs, false);
    for (const RecordedRun* run : session.Runs) {
        if (run->SessionRun < 1 || static_cast<std::size_t>(run->SessionRun) > runs) {
            continue;
        }
        const auto k = static_cast<std::size_t>(run->SessionRun - 1);
        if (run->Status == "skipped") {
            skipped[k] = skipped[k] || !run->SkipUndone;
        } else if (MeasuredStatus(run->Status) && run->Incomplete) {
            ended[k] = true;
            unfinished.Notes.push_back("Run " + std::to_string(k + 1) + " has only " + std::to_string(run->Points.size())
                                       + (run->ExpectedPoints >= 0 ? " of its " + std::to_string(run->ExpectedPoints) : "")
                                       + " points in the session record (the file was cut while it was written); "
                                         "it is measured again.");
        } else if (MeasuredStatus(run->Status) && !run->MarkedRepeated) {
            measured[k] = true;
        } else if (run->Status == "ended") {
            ended[k] = true;
        }
    }
    for (std::size_t k = 0; k < runs; ++k) {
        unfinished.States[k] = skipped[k]    ? SessionRunState::Skipped
                               : measured[k] ? SessionRunState::Measured
                               : ended[k]    ? SessionRunState::Ended
                                             : SessionRunState::Pending;
    }
    const auto next = std::find_if(unfinished.States.begin(), unfinished.States.end(),
                                   [](SessionRunState state) { return !IsFinished(state); });
    unfinished.ContinueAt = static_cast<int>(next - unfinished.States.begin());
    return unfinished;
}

bool Unfinished(const UnfinishedSession& session)
{
    return static_cast<std::size_t>(session.ContinueAt) < session.States.size();
}

}  // namespace

std::string Describe(SessionRunState state)
{
    switch (state) {
    case SessionRunState::Measured:
        return "measured";
    case SessionRunState::Skipped:
        return "skipped";
    case SessionRunState::Ended:
        return "ended, to be run again";
    case SessionRunState::Pending:
        break;
    }
    return "to do";
}

std::optional<UnfinishedSession> FindUnfinishedSession(const RecordedRuns& record, const SessionProtocol& protocol,
                                                       const SessionPlan& plan, const std::string& subject)
{
    if (protocol.Runs.empty()) {
        return std::nullopt;
    }
    std::map<std::string, RecordedSession> sessions;
    for (const RecordedPlan& planned : record.Plans) {
        if (planned.Subject == subject && !planned.Session.empty()) {
            RecordedSession& session = sessions[planned.Session];
            session.Plan = &planned;
            session.LastRow = std::max(session.LastRow, planned.Row);
        }
    }
    for (const RecordedRun& run : record.Runs) {
        if (run.Subject == subject && !run.Session.empty()) {
            RecordedSession& session = sessions[run.Session];
            session.Runs.push_back(&run);
            session.LastRow = std::max(session.LastRow, run.LastRow);
        }
    }
    const auto samePlan = [&](const RecordedSession& session) {
        if (session.Plan != nullptr) {
            return session.Plan->Fingerprint == plan.Fingerprint;
        }
        return std::all_of(session.Runs.begin(), session.Runs.end(),
                           [&protocol](const RecordedRun* run) { return FitsProtocol(*run, protocol); });
    };
    const std::pair<const std::string, RecordedSession>* latest = nullptr;
    const std::pair<const std::string, RecordedSession>* latestSame = nullptr;
    for (const auto& entry : sessions) {
        if (latest == nullptr || entry.second.LastRow > latest->second.LastRow) {
            latest = &entry;
        }
        if (samePlan(entry.second) && Unfinished(StatesOf(entry.first, entry.second, protocol.Runs.size()))
            && (latestSame == nullptr || entry.second.LastRow > latestSame->second.LastRow)) {
            latestSame = &entry;
        }
    }
    if (latestSame != nullptr) {
        return StatesOf(latestSame->first, latestSame->second, protocol.Runs.size());
    }
    // The subject's last session, planned otherwise: the operator learns what changed.
    if (latest == nullptr || latest->second.Plan == nullptr) {
        return std::nullopt;
    }
    const auto runs = static_cast<std::size_t>(std::max(latest->second.Plan->Runs, 0));
    UnfinishedSession changed = StatesOf(latest->first, latest->second, runs);
    if (!Unfinished(changed)) {
        return std::nullopt;
    }
    changed.Changes = PlanChanges(latest->second.Plan->Text, plan.Text);
    if (changed.Changes.empty()) {
        changed.Changes.push_back("the plan's record does not match its fingerprint (the file was edited)");
    }
    return changed;
}

std::set<std::string> SessionIds(const RecordedRuns& record)
{
    std::set<std::string> ids;
    for (const RecordedRun& run : record.Runs) {
        if (!run.Session.empty()) {
            ids.insert(run.Session);
        }
    }
    for (const RecordedPlan& plan : record.Plans) {
        if (!plan.Session.empty()) {
            ids.insert(plan.Session);
        }
    }
    return ids;
}

UnfinishedSession SessionStates(const RecordedRuns& record, const std::string& id, int runs)
{
    RecordedSession session;
    for (const RecordedRun& run : record.Runs) {
        if (run.Session == id) {
            session.Runs.push_back(&run);
        }
    }
    return StatesOf(id, session, static_cast<std::size_t>(std::max(runs, 0)));
}

std::vector<FolderSession> UnfinishedSessionsIn(const std::string& folder)
{
    std::vector<FolderSession> sessions;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(error) || !name.ends_with(".csv") || name.ends_with(".trials.csv")) {
            continue;
        }
        const WholeFile file = ReadWholeFile(entry.path().string());
        const RecordedRuns record = file.Error ? RecordedRuns{} : ReadSessionRecord(file.Text);
        for (const RecordedPlan& plan : record.Plans) {
            if (record.SetAside.contains(plan.Session)) {
                continue;
            }
            const UnfinishedSession states = SessionStates(record, plan.Session, plan.Runs);
            if (!Unfinished(states)) {
                continue;
            }
            const auto finished = std::count_if(states.States.begin(), states.States.end(), IsFinished);
            const std::string results = entry.path().string();
            sessions.push_back({results.substr(0, results.size() - 4) + ".dat", plan.Subject, plan.ConditionsFile,
                                plan.Session, plan.Date + " " + plan.Time, static_cast<int>(finished), plan.Runs});
        }
    }
    std::sort(sessions.begin(), sessions.end(),
              [](const FolderSession& a, const FolderSession& b) { return a.Begun > b.Begun; });
    return sessions;
}
