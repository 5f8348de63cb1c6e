#include "RecordedRunState.h"

#include "CurveSettings.h"
#include "RecordedRuns.h"
#include "RunChoices.h"
#include "SessionFiles.h"

namespace {

std::optional<RecordedRun> LatestRun(const SharedState& state)
{
    const RecordedRuns record = ReadRecordFiles(SessionRecordFileName(state.ResultsFileName), "");
    for (auto run = record.Runs.rbegin(); run != record.Runs.rend(); ++run) {
        if (run->Subject == state.SubjectName && run->Points.size() > 2) {
            return *run;
        }
    }
    return std::nullopt;
}

}  // namespace

bool HasRecordedRun(const SharedState& state)
{
    return LatestRun(state).has_value();
}

std::optional<SharedState> StateOfLatestRecordedRun(const SharedState& state)
{
    const std::optional<RecordedRun> run = LatestRun(state);
    if (!run) {
        return std::nullopt;
    }
    SharedState shown = state;
    shown.Settings = run->Settings;
    shown.Settings.Attenuator = AttenuatorFromName(run->AttenuatorMode).value_or(state.Settings.Attenuator);
    const auto index = static_cast<std::size_t>(run->Condition - 1);
    // The loaded condition of that number when it is the one the run measured; else the run's own.
    const bool loaded = run->Condition >= 1 && index < state.Conditions.size()
                        && CurveSettings(state.Conditions[index], shown.Settings)
                               == CurveSettings(run->Parameters, shown.Settings);
    if (!loaded) {
        shown.Conditions = {run->Parameters};
    }
    shown.CurrentCondition = loaded ? static_cast<int>(index) : 0;
    shown.Ear = EarFromName(run->Ear).value_or(state.Ear);
    shown.SweepDirection = DirectionFromName(run->Direction).value_or(state.SweepDirection);
    shown.RunToneSPL = run->Parameters.ToneSPL;
    shown.ResetResults();
    for (const ResultPoint& point : run->Points) {
        shown.Results.Record(point.Freq, point.SPL);
    }
    shown.Results.StoredResultCount = shown.Results.ResultCount();
    return shown;
}
