#pragma once

#include "ConditionAnalysis.h"

#include <string>

// A results file's runs as its session record and trial log give them, analysed.
struct RecordAnalysis {
    std::string ResultsFile;  // NAME.dat
    std::string RecordFile;   // NAME.csv
    RunSelection Selection;   // the runs asked for
    RecordedRuns Record;
    ResultsAnalysis Analysis;
};

// Reads the session record and trial log beside `resultsFile` and analyses the selected runs.
// Problems reading them are in Record.Problems.
RecordAnalysis AnalyseRecordOf(const std::string& resultsFile, const RunSelection& selection = {},
                                       const AnalysisParameters& parameters = {});
