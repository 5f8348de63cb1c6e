#pragma once

#include "CurveMeasures.h"
#include "CurveSettings.h"
#include "RecordedRuns.h"
#include "TipFinding.h"

#include <string>
#include <vector>

// Which runs of a record to analyse: all, those of one session, or those named.
struct RunSelection {
    std::string Session;              // empty: any
    std::vector<std::string> RunIds;  // empty: any
    bool Includes(const RecordedRun& run) const;
};

struct AnalysedRun {
    RecordedRun Run;
    CurveMeasures Measures;
    TipFinding Finding;  // against the norm the run was measured with, for its sweep direction
    // Why the run is left out of combined curves and test-retest figures (LeftOutBecause);
    // empty when it counts.
    std::string LeftOut;
};

// The runs that repeat one measurement: one subject, condition and ear, every setting that
// shapes the curve alike (CurveSettings.h), and all measured by a person or all by the virtual
// listener; their combined curve when there are two runs or more.
struct ConditionCurves {
    std::string Subject;
    int Condition = 0;
    std::string Ear;
    bool Simulated = false;
    TestCondition Parameters;
    ExperimentSettings Settings;
    std::vector<std::size_t> Runs;  // indices into ResultsAnalysis::Runs, in record order
    bool HasCombined = false;
    CombinedCurve Combined;
    CurveMeasures CombinedMeasures;
    // The combined curve's finding: a curve of one direction's runs takes that direction's range,
    // of both directions the combined range; the norm is the first run's.
    TipFinding CombinedFinding;
    // Test-retest: the tip difference between runs of the same sweep direction (an upward and
    // a downward run differ by the track's lag, not by chance); Spread is the larger of the two.
    TipSpread Spread;
    TipSpread SpreadUp;
    TipSpread SpreadDown;
};

struct ResultsAnalysis {
    AnalysisParameters Parameters;
    std::vector<AnalysedRun> Runs;  // runs with points, of the selection
    std::vector<ConditionCurves> Conditions;
};

// Measures every selected run with points and combines the runs of each measurement; runs left
// out (repeated, ended, incomplete) are measured but neither combined nor compared.
ResultsAnalysis AnalyseRecordedRuns(const std::vector<RecordedRun>& runs, const RunSelection& selection,
                                    const AnalysisParameters& parameters = {});

// The trial log's trials of a run summed up; nothing when the log has none of them.
std::optional<TrialSummary> SummariseLoggedTrials(const RecordedRun& run);

// The run's measures from its points and what the record and the trial log say of it.
CurveMeasures MeasureRecordedRun(const RecordedRun& run, const AnalysisParameters& parameters = {});

// The kind of curve a run's direction gives ("down": downward; otherwise upward).
CurveKind RunCurveKind(const RecordedRun& run);

// The settings of a recorded run as CurveSettings names them.
std::vector<NamedSetting> RecordedSettings(const RecordedRun& run);

// The runs of `subject`, condition `condition` (from 1) and `ear` measured with `parameters`
// and `settings`; nothing when there are none.
const ConditionCurves* FindConditionCurves(const ResultsAnalysis& analysis, const std::string& subject, int condition,
                                           const std::string& ear, const TestCondition& parameters,
                                           const ExperimentSettings& settings);

// Why runs of the analysis asked for together are not combined, one line each: "run A is left
// out of combined curves: repeated", "runs A and B are not combined: ToneSPL 30 and 50".
std::vector<std::string> SeparationNotes(const ResultsAnalysis& analysis);

// The ids of a condition's runs, joined with ";" (the CSV's `runs` column).
std::string JoinedRunIds(const ResultsAnalysis& analysis, const ConditionCurves& curves);
