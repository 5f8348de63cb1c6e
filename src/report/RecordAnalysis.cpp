#include "RecordAnalysis.h"

#include "SessionFiles.h"

RecordAnalysis AnalyseRecordOf(const std::string& resultsFile, const RunSelection& selection,
                                       const AnalysisParameters& parameters)
{
    RecordAnalysis file;
    file.ResultsFile = resultsFile;
    file.RecordFile = SessionRecordFileName(resultsFile);
    file.Selection = selection;
    file.Record = ReadRecordFiles(file.RecordFile, TrialLogFileName(resultsFile));
    file.Analysis = AnalyseRecordedRuns(file.Record.Runs, selection, parameters);
    return file;
}
