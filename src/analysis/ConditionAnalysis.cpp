#include "ConditionAnalysis.h"

#include "RunChoices.h"

#include <algorithm>

namespace {

ExperimentSettings SettingsOf(const RecordedRun& run)
{
    ExperimentSettings settings = run.Settings;
    settings.Attenuator = AttenuatorFromName(run.AttenuatorMode).value_or(settings.Attenuator);
    return settings;
}

bool SameGroup(const ConditionCurves& group, const RecordedRun& run)
{
    return group.Subject == run.Subject && group.Condition == run.Condition && group.Ear == run.Ear
           && group.Simulated == run.Simulated
           && CurveSettings(group.Parameters, group.Settings) == RecordedSettings(run);
}

// The largest tip difference among the runs of one sweep direction.
TipSpread SpreadOf(const ResultsAnalysis& analysis, const ConditionCurves& group, const std::string& direction)
{
    std::vector<CurveMeasures> measures;
    for (const std::size_t i : group.Runs) {
        if (analysis.Runs[i].Run.Direction == direction) {
            measures.push_back(analysis.Runs[i].Measures);
        }
    }
    return TipDifference(measures);
}

std::optional<double> Larger(std::optional<double> a, std::optional<double> b)
{
    return a && b ? std::max(*a, *b) : a ? a : b;
}

// Why two runs are not one measurement, in the order a reader checks.
std::optional<std::string> Separation(const RecordedRun& a, const RecordedRun& b)
{
    if (a.Subject != b.Subject) {
        return "subject " + a.Subject + " and " + b.Subject;
    }
    if (a.Condition != b.Condition) {
        return "condition " + std::to_string(a.Condition) + " and " + std::to_string(b.Condition);
    }
    if (a.Ear != b.Ear) {
        return a.Ear + " and " + b.Ear + " ear";
    }
    if (a.Simulated != b.Simulated) {
        return "one measured by the virtual listener, the other by a person";
    }
    return Differences(RecordedSettings(a), RecordedSettings(b));
}

}  // namespace

bool RunSelection::Includes(const RecordedRun& run) const
{
    if (!Session.empty() && run.Session != Session) {
        return false;
    }
    return RunIds.empty() || std::find(RunIds.begin(), RunIds.end(), run.RunId) != RunIds.end();
}

CurveKind RunCurveKind(const RecordedRun& run)
{
    return run.Direction == DirectionName(Sweep::Down) ? CurveKind::Downward : CurveKind::Upward;
}

std::vector<NamedSetting> RecordedSettings(const RecordedRun& run)
{
    return CurveSettings(run.Parameters, SettingsOf(run));
}

std::optional<TrialSummary> SummariseLoggedTrials(const RecordedRun& run)
{
    if (!run.LoggedTrials) {
        return std::nullopt;
    }
    return SummariseTrials(*run.LoggedTrials, run.Parameters, DirectionFromName(run.Direction) != Sweep::Down,
                           run.Settings.MaskerDuration, run.Settings.ISI);
}

CurveMeasures MeasureRecordedRun(const RecordedRun& run, const AnalysisParameters& parameters)
{
    return MeasureRun(run.Points, {run.Parameters.ToneF, run.Parameters.MaxSPL, SummariseLoggedTrials(run)}, parameters);
}

ResultsAnalysis AnalyseRecordedRuns(const std::vector<RecordedRun>& runs, const RunSelection& selection,
                                    const AnalysisParameters& parameters)
{
    ResultsAnalysis analysis;
    analysis.Parameters = parameters;
    for (const RecordedRun& run : runs) {
        // A threshold run has no curve: it never enters the analysis, not even as a run left out.
        if (run.Points.empty() || run.Kind == RunKind::Threshold || !selection.Includes(run)) {
            continue;
        }
        const std::size_t index = analysis.Runs.size();
        const CurveMeasures measures = MeasureRecordedRun(run, parameters);
        analysis.Runs.push_back({run, measures, FindTip(measures, NormOf(run.Settings), RunCurveKind(run)),
                                 LeftOutBecause(run)});
        if (!analysis.Runs.back().LeftOut.empty()) {
            continue;
        }
        auto group = std::find_if(analysis.Conditions.begin(), analysis.Conditions.end(),
                                  [&](const ConditionCurves& g) { return SameGroup(g, run); });
        if (group == analysis.Conditions.end()) {
            ConditionCurves& added = analysis.Conditions.emplace_back();
            added.Subject = run.Subject;
            added.Condition = run.Condition;
            added.Ear = run.Ear;
            added.Simulated = run.Simulated;
            added.Parameters = run.Parameters;
            added.Settings = SettingsOf(run);
            group = analysis.Conditions.end() - 1;
        }
        group->Runs.push_back(index);
    }
    for (ConditionCurves& group : analysis.Conditions) {
        std::vector<std::vector<ResultPoint>> curves;
        std::vector<CurveMeasures> measures;
        std::vector<std::string> names;
        for (const std::size_t i : group.Runs) {
            curves.push_back(analysis.Runs[i].Measures.Smoothed.Smoothed);
            measures.push_back(analysis.Runs[i].Measures);
            names.push_back(analysis.Runs[i].Run.RunId);
        }
        group.SpreadUp = SpreadOf(analysis, group, DirectionName(Sweep::Up));
        group.SpreadDown = SpreadOf(analysis, group, DirectionName(Sweep::Down));
        group.Spread = {Larger(group.SpreadUp.SmoothedHz, group.SpreadDown.SmoothedHz),
                        Larger(group.SpreadUp.FittedHz, group.SpreadDown.FittedHz)};
        if (group.Runs.size() < 2) {
            continue;
        }
        group.HasCombined = true;
        group.Combined = CombineCurves(curves, group.Parameters);
        group.CombinedMeasures = MeasureCombined(group.Combined, group.Parameters.ToneF, measures, names, parameters);
        const CurveKind first = RunCurveKind(analysis.Runs[group.Runs.front()].Run);
        const bool oneDirection = std::all_of(group.Runs.begin(), group.Runs.end(), [&](std::size_t i) {
            return RunCurveKind(analysis.Runs[i].Run) == first;
        });
        group.CombinedFinding = FindTip(group.CombinedMeasures, NormOf(group.Settings),
                                        oneDirection ? first : CurveKind::Combined);
    }
    return analysis;
}

const ConditionCurves* FindConditionCurves(const ResultsAnalysis& analysis, const std::string& subject, int condition,
                                           const std::string& ear, const TestCondition& parameters,
                                           const ExperimentSettings& settings)
{
    const std::vector<NamedSetting> wanted = CurveSettings(parameters, settings);
    for (const ConditionCurves& c : analysis.Conditions) {
        if (c.Subject == subject && c.Condition == condition && c.Ear == ear
            && CurveSettings(c.Parameters, c.Settings) == wanted) {
            return &c;
        }
    }
    return nullptr;
}

std::string JoinedRunIds(const ResultsAnalysis& analysis, const ConditionCurves& curves)
{
    std::string ids;
    for (const std::size_t i : curves.Runs) {
        ids += (ids.empty() ? "" : ";") + analysis.Runs[i].Run.RunId;
    }
    return ids;
}

std::vector<std::string> SeparationNotes(const ResultsAnalysis& analysis)
{
    std::vector<std::string> notes;
    for (const AnalysedRun& run : analysis.Runs) {
        if (!run.LeftOut.empty()) {
            notes.push_back("run " + run.Run.RunId + " is left out of combined curves: " + run.LeftOut);
        }
    }
    // One run of each measurement stands for it.
    for (std::size_t a = 0; a < analysis.Conditions.size(); ++a) {
        for (std::size_t b = a + 1; b < analysis.Conditions.size(); ++b) {
            const RecordedRun& first = analysis.Runs[analysis.Conditions[a].Runs.front()].Run;
            const RecordedRun& second = analysis.Runs[analysis.Conditions[b].Runs.front()].Run;
            if (const std::optional<std::string> why = Separation(first, second)) {
                notes.push_back("runs " + first.RunId + " and " + second.RunId + " are not combined: " + *why);
            }
        }
    }
    return notes;
}
