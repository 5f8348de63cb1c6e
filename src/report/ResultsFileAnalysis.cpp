#include "ResultsFileAnalysis.h"

#include "SessionFiles.h"

ResultsFileAnalysis AnalyseResultsFile(const std::string& resultsFile, const RunSelection& selection,
                                       const AnalysisParameters& parameters)
{
    ResultsFileAnalysis file;
    file.ResultsFile = resultsFile;
    file.RecordFile = SessionRecordFileName(resultsFile);
    file.Selection = selection;
    file.Record = ReadRecordFiles(file.RecordFile, TrialLogFileName(resultsFile));
    file.Analysis = AnalyseRecordedRuns(file.Record.Runs, selection, parameters);
    return file;
}
