#pragma once

#include "Result.h"
#include "SharedState.h"

#include <string>

// The results files. Each block is appended whole or not at all (AppendBlockToTextFile): the
// file is opened for appending (created when absent, never truncated), written and closed
// again. Lines end with CR LF. A failure's reason is a message for the operator naming the
// file, the system's reason and what still holds.

// Appends the run's block to `state.ResultsFileName`: the commented header for the current
// condition and the first `count` recorded points.
Result<> WriteResultsBlock(const SharedState& state, int count);

// `text` with every "\n" written as CR LF, the line end of the files a run writes.
std::string WithCrLf(const std::string& text);

// Appends the three-line header a run writes to "test.out" when it starts.
Result<> AppendTestLogHeader(const std::string& path = "test.out");

// Whether the results file can be opened for appending, asked when a run starts so that the
// operator hears of a folder that cannot be written before the first stimulus.
Result<> CheckResultsFile(const std::string& path);
