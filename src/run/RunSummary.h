#pragma once

#include "TrackingRun.h"

#include <string>
#include <vector>

// The operator's account of a run that has ended, one paragraph a line: the points stored,
// the stimuli that started late, those played with a dropout or not at all, the files written
// and those that were not, and what ended the run early. The run window shows it until the
// operator closes the window.
std::vector<std::string> RunSummary(const RunOutcome& report);

// Whether the summary tells of anything that went wrong: stimuli not played, late or with a
// dropout, a file not written, an error that ended the run, a stimulus too quiet for the output.
bool RunHadProblems(const RunOutcome& report);
