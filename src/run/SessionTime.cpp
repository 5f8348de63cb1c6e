#include "SessionTime.h"

#include "SessionFiles.h"

#include <algorithm>

std::int64_t RecordedSessionMs(const RecordedRuns& record, const std::string& sessionId)
{
    std::int64_t total = 0;
    for (const RecordedRun& run : record.Runs) {
        if (sessionId.empty() || run.Session != sessionId || (!run.LoggedTrials && run.Points.empty())) {
            continue;  // another session's run, or a skipped run's row
        }
        if (!run.LoggedTrials) {
            total += EstimatedRunMs(run.Settings, run.Parameters);
            continue;
        }
        const double trialMs = std::max(0.0, static_cast<double>(run.Settings.MaskerDuration) + run.Settings.ISI);
        total += RunStartPauseMs + static_cast<std::int64_t>(trialMs * run.LoggedTrials->size());
    }
    return total;
}

std::int64_t RecordedSessionMs(const std::string& resultsFileName, const std::string& sessionId)
{
    const RecordedRuns record =
        ReadRecordFiles(SessionRecordFileName(resultsFileName), TrialLogFileName(resultsFileName));
    return RecordedSessionMs(record, sessionId);
}

SessionCounts CountRuns(const SessionRunner& runner)
{
    SessionCounts counts;
    for (int k = 0; k < runner.Runs(); ++k) {
        switch (runner.State(k)) {
        case SessionRunState::Measured:
            ++counts.Measured;
            break;
        case SessionRunState::Skipped:
            ++counts.Skipped;
            break;
        case SessionRunState::Pending:
        case SessionRunState::Ended:
            ++counts.ToDo;
            break;
        }
    }
    return counts;
}

std::int64_t TimeLeftMs(const SessionProgress& progress, std::int64_t runningMs)
{
    const int unfinished = progress.Runs - progress.Finished;
    if (unfinished <= 0 || progress.LeftMs <= 0) {
        return 0;
    }
    const std::int64_t share = progress.LeftMs / unfinished;
    return progress.LeftMs - std::clamp<std::int64_t>(runningMs, 0, share);
}
