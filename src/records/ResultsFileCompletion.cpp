#include "ResultsFileCompletion.h"

#include "PlainText.h"
#include "RecordedRuns.h"
#include "ResultsFileBlocks.h"
#include "ResultsWriter.h"
#include "RunChoices.h"
#include "SessionFiles.h"
#include "WholeFile.h"

#include <filesystem>

namespace {

// The runs that wrote a block of the results file: every tuning curve with rows of its own but
// those a session skipped (a threshold run writes no block).
const RecordedRun* LastRunWithBlock(const RecordedRuns& record)
{
    for (auto run = record.Runs.rbegin(); run != record.Runs.rend(); ++run) {
        if (run->Status != "skipped" && run->Kind == RunKind::Ptc) {
            return &*run;
        }
    }
    return nullptr;
}

bool SameRun(const RecordedRun& run, const ResultsBlock& block)
{
    return block.Subject == WithControlCharactersShown(run.Subject) && block.Ear == run.Ear
           && SamePoints(block.Points, run.Points);
}

Result<> AppendBlockOf(const RecordedRun& run, const std::string& resultsFileName)
{
    SharedState state;
    state.Conditions = {run.Parameters};
    state.Settings = run.Settings;
    state.Settings.Attenuator = AttenuatorFromName(run.AttenuatorMode).value_or(AttenuatorMode::Software);
    state.SubjectName = run.Subject;
    state.Ear = EarFromName(run.Ear).value_or(EarSide::Right);
    state.ResultsFileName = resultsFileName;
    state.ResetResults();
    for (const ResultPoint& point : run.Points) {
        state.Results.Record(point.Freq, point.SPL);
    }
    return WriteResultsBlock(state, static_cast<int>(run.Points.size()));
}

}  // namespace

Result<std::string> CompleteResultsFile(const std::string& resultsFileName)
{
    const std::string recordPath = SessionRecordFileName(resultsFileName);
    std::error_code error;
    if (!std::filesystem::is_regular_file(recordPath, error)) {
        return std::string();
    }
    const WholeFile recordFile = ReadWholeFile(recordPath);
    const RecordedRuns record = ReadSessionRecord(recordFile.Text);
    const RecordedRun* last = recordFile.Error ? nullptr : LastRunWithBlock(record);
    if (last == nullptr || last->Incomplete) {
        return std::string();
    }
    const bool exists = std::filesystem::exists(resultsFileName, error);
    if (!exists && record.Runs.size() > 1) {
        return std::string();  // moved away by the operator: a new results file begins with the next run
    }
    const WholeFile results = exists ? ReadWholeFile(resultsFileName) : WholeFile{};
    if (results.Error) {
        return Failure{"Quorvex cannot read the results file '" + resultsFileName + "' to check it against the session record: "
                       + results.Error.message() + "."};
    }
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(results.Text);
    if (!blocks.empty() && SameRun(*last, blocks.back())) {
        return std::string();
    }
    if (blocks.size() >= 2 && SameRun(*last, blocks[blocks.size() - 2])) {
        return "The last block of the results file '" + resultsFileName + "' (line "
               + std::to_string(blocks.back().FirstLine) + ") is not in the session record '" + recordPath
               + "': its run was not counted, and a session measures it again.";
    }
    if (const Result<> added = AppendBlockOf(*last, resultsFileName); !added) {
        return Failure{added.Reason()};
    }
    return "The results file '" + resultsFileName + "' lacked the block of run " + last->RunId
           + ", which the session record holds (Quorvex was stopped between writing the two); the block was added "
             "from the session record.";
}
