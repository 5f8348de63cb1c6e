#pragma once

#include "CurveMeasures.h"
#include "RecordedRuns.h"

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
};

// The runs of one subject, condition and ear (with the same sweep range and step), and their
// combined curve when there are two runs or more.
struct ConditionCurves {
    std::string Subject;
    int Condition = 0;
    std::string Ear;
    TestCondition Parameters;
    std::vector<std::size_t> Runs;  // indices into ResultsAnalysis::Runs, in record order
    bool HasCombined = false;
    CombinedCurve Combined;
    CurveMeasures CombinedMeasures;
    TipSpread Spread;
};

struct ResultsAnalysis {
    AnalysisParameters Parameters;
    std::vector<AnalysedRun> Runs;  // runs with points, of the selection
    std::vector<ConditionCurves> Conditions;
};

// Measures every selected run with points and combines the runs of each condition and ear.
ResultsAnalysis AnalyseRecordedRuns(const std::vector<RecordedRun>& runs, const RunSelection& selection,
                                    const AnalysisParameters& parameters = {});

// The run's measures from its points and what the record and the trial log say of it.
CurveMeasures MeasureRecordedRun(const RecordedRun& run, const AnalysisParameters& parameters = {});

// The ids of a condition's runs, joined with ";" (the CSV's `runs` column).
std::string JoinedRunIds(const ResultsAnalysis& analysis, const ConditionCurves& curves);
