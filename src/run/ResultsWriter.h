#pragma once

#include "SharedState.h"

#include <string>

// The results files. Each block opens its file for appending (created when absent, never
// truncated), writes, and closes it again. Lines end with CR LF.

// Appends the run's block to `state.ResultsFileName`: the commented header for the current
// condition and the first `count` recorded points. Returns an empty string when the block was
// written, otherwise a message for the operator naming the file and the system's reason.
std::string PTCwrite(const SharedState& state, int count);

// Writes `text` at the end of `path`, every "\n" as CR LF. Returns an empty string when it
// was written, otherwise a message for the operator naming the file and the system's reason.
std::string AppendText(const std::string& path, const std::string& text);

// Appends the three-line header a run writes to "test.out" when it starts.
std::string AppendTestLogHeader(const std::string& path = "test.out");
