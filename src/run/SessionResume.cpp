#include "SessionResume.h"

#include "Csv.h"
#include "NumberParse.h"

#include <algorithm>
#include <map>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The columns a session's rows are read by; the others may come and go.
struct Columns {
    std::size_t Run = 0, Subject = 0, Condition = 0, Ear = 0, Direction = 0;
    std::size_t Session = 0, Position = 0, Count = 0, Status = 0;
};

std::optional<Columns> FindColumns(const std::vector<std::string>& header)
{
    const auto at = [&header](const char* name) -> std::optional<std::size_t> {
        const auto found = std::find(header.begin(), header.end(), name);
        return found == header.end() ? std::nullopt : std::optional<std::size_t>(found - header.begin());
    };
    const auto run = at("run"), subject = at("subject"), condition = at("condition"), ear = at("ear"),
               direction = at("direction"), session = at("session"), position = at("session_run"),
               count = at("session_runs"), status = at("run_status");
    if (!run || !subject || !condition || !ear || !direction || !session || !position || !count || !status) {
        return std::nullopt;
    }
    return Columns{*run, *subject, *condition, *ear, *direction, *session, *position, *count, *status};
}

std::string Field(const std::vector<std::string>& row, std::size_t column)
{
    return column < row.size() ? row[column] : std::string();
}

// The session's rows, in file order, when every one of them fits the protocol and the subject.
struct Candidate {
    std::vector<const std::vector<std::string>*> Rows;
    std::size_t LastRow = 0;
    bool Fits = true;
};

bool Fits(const std::vector<std::string>& row, const Columns& c, const SessionProtocol& protocol,
          const std::string& subject)
{
    const int runs = static_cast<int>(protocol.Runs.size());
    const std::optional<int> count = ParseInteger(Field(row, c.Count));
    const std::optional<int> position = ParseInteger(Field(row, c.Position));
    if (Field(row, c.Subject) != subject || count != runs || !position || *position < 1 || *position > runs) {
        return false;
    }
    const SessionRun& planned = protocol.Runs[static_cast<std::size_t>(*position - 1)];
    return Field(row, c.Condition) == std::to_string(planned.Condition) && Field(row, c.Ear) == EarName(planned.Ear)
           && Field(row, c.Direction) == DirectionName(planned.SweepDirection);
}

std::vector<SessionRunState> States(const Candidate& session, const Columns& c, std::size_t runs)
{
    std::vector<std::set<std::string>> measured(runs);
    std::set<std::string> repeated;
    std::vector<bool> skipped(runs, false), ended(runs, false);
    for (const auto* row : session.Rows) {
        const auto k = static_cast<std::size_t>(*ParseInteger(Field(*row, c.Position)) - 1);
        const std::string status = Field(*row, c.Status);
        const std::string run = Field(*row, c.Run);
        if (status == "measured") {
            measured[k].insert(run);
        } else if (status == "repeated") {
            repeated.insert(run);
        } else if (status == "skipped") {
            skipped[k] = true;
        } else if (status == "ended") {
            ended[k] = true;
        }
    }
    std::vector<SessionRunState> states(runs, SessionRunState::Pending);
    for (std::size_t k = 0; k < runs; ++k) {
        const bool kept = std::any_of(measured[k].begin(), measured[k].end(),
                                      [&repeated](const std::string& run) { return !repeated.contains(run); });
        states[k] = skipped[k] ? SessionRunState::Skipped
                    : kept     ? SessionRunState::Measured
                    : ended[k] ? SessionRunState::Ended
                               : SessionRunState::Pending;
    }
    return states;
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

std::optional<UnfinishedSession> FindUnfinishedSession(const std::string& recordText, const SessionProtocol& protocol,
                                                       const std::string& subject)
{
    const Rows rows = ParseCsv(recordText);
    if (rows.empty() || protocol.Runs.empty()) {
        return std::nullopt;
    }
    const std::optional<Columns> columns = FindColumns(rows.front());
    if (!columns) {
        return std::nullopt;
    }
    std::map<std::string, Candidate> sessions;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::string id = Field(rows[i], columns->Session);
        if (id.empty()) {
            continue;
        }
        Candidate& session = sessions[id];
        session.Rows.push_back(&rows[i]);
        session.LastRow = i;
        session.Fits = session.Fits && Fits(rows[i], *columns, protocol, subject);
    }
    const Candidate* latest = nullptr;
    std::string latestId;
    for (const auto& [id, session] : sessions) {
        if (session.Fits && (latest == nullptr || session.LastRow > latest->LastRow)) {
            latest = &session;
            latestId = id;
        }
    }
    if (latest == nullptr) {
        return std::nullopt;
    }
    UnfinishedSession unfinished{latestId, States(*latest, *columns, protocol.Runs.size()), 0};
    const auto next = std::find_if(unfinished.States.begin(), unfinished.States.end(),
                                   [](SessionRunState state) { return !IsFinished(state); });
    if (next == unfinished.States.end()) {
        return std::nullopt;
    }
    unfinished.ContinueAt = static_cast<int>(next - unfinished.States.begin());
    return unfinished;
}

std::set<std::string> SessionIds(const std::string& recordText)
{
    std::set<std::string> ids;
    const Rows rows = ParseCsv(recordText);
    const std::optional<Columns> columns = rows.empty() ? std::nullopt : FindColumns(rows.front());
    for (std::size_t i = 1; columns && i < rows.size(); ++i) {
        if (const std::string id = Field(rows[i], columns->Session); !id.empty()) {
            ids.insert(id);
        }
    }
    return ids;
}
