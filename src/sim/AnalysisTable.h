#pragma once

#include "ConditionAnalysis.h"
#include "ResultsFileBlocks.h"

#include <string>
#include <vector>

// A results block and the session record's run it is (the run with the same points, taken in
// order), or none when the record does not have it; and the block's measures.
struct BlockRun {
    const AnalysedRun* Run = nullptr;
    CurveMeasures Measures;
};
std::vector<BlockRun> MatchBlocksToRuns(const std::vector<ResultsBlock>& blocks, const ResultsAnalysis& analysis);

// The run's status as the record has it now: "repeated" once a later row marks it so.
std::string RecordedStatus(const RecordedRun& run);

// The tidy table of quorvex-sim analyze --csv: a row per block (of the selected runs when
// `selecting`) and per combined curve. The first ten columns are those of earlier versions;
// columns added later come at the end.
std::string AnalysisCsv(const std::vector<ResultsBlock>& blocks, const std::vector<BlockRun>& matched,
                        const ResultsAnalysis& analysis, bool selecting);
