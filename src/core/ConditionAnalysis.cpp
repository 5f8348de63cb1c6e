#include "ConditionAnalysis.h"

#include <algorithm>

namespace {

bool SameGroup(const ConditionCurves& group, const RecordedRun& run)
{
    const TestCondition& a = group.Parameters;
    const TestCondition& b = run.Parameters;
    return group.Subject == run.Subject && group.Condition == run.Condition && group.Ear == run.Ear
           && a.ToneF == b.ToneF && a.StartF == b.StartF && a.EndF == b.EndF && a.FStep == b.FStep;
}

}  // namespace

bool RunSelection::Includes(const RecordedRun& run) const
{
    if (!Session.empty() && run.Session != Session) {
        return false;
    }
    return RunIds.empty() || std::find(RunIds.begin(), RunIds.end(), run.RunId) != RunIds.end();
}

CurveMeasures MeasureRecordedRun(const RecordedRun& run, const AnalysisParameters& parameters)
{
    return MeasureRun(run.Points, {run.Parameters.ToneF, run.Parameters.MaxSPL, run.Trials}, parameters);
}

ResultsAnalysis AnalyseRecordedRuns(const std::vector<RecordedRun>& runs, const RunSelection& selection,
                                    const AnalysisParameters& parameters)
{
    ResultsAnalysis analysis;
    analysis.Parameters = parameters;
    for (const RecordedRun& run : runs) {
        if (run.Points.empty() || !selection.Includes(run)) {
            continue;
        }
        const std::size_t index = analysis.Runs.size();
        analysis.Runs.push_back({run, MeasureRecordedRun(run, parameters)});
        auto group = std::find_if(analysis.Conditions.begin(), analysis.Conditions.end(),
                                  [&](const ConditionCurves& g) { return SameGroup(g, run); });
        if (group == analysis.Conditions.end()) {
            ConditionCurves& added = analysis.Conditions.emplace_back();
            added.Subject = run.Subject;
            added.Condition = run.Condition;
            added.Ear = run.Ear;
            added.Parameters = run.Parameters;
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
        group.Spread = TipDifference(measures);
        if (group.Runs.size() < 2) {
            continue;
        }
        group.HasCombined = true;
        group.Combined = CombineCurves(curves, group.Parameters);
        group.CombinedMeasures = MeasureCombined(group.Combined, group.Parameters.ToneF, measures, names, parameters);
    }
    return analysis;
}

std::string JoinedRunIds(const ResultsAnalysis& analysis, const ConditionCurves& curves)
{
    std::string ids;
    for (const std::size_t i : curves.Runs) {
        ids += (ids.empty() ? "" : ";") + analysis.Runs[i].Run.RunId;
    }
    return ids;
}
