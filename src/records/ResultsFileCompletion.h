#pragma once

#include "Result.h"

#include <string>

// A run writes its rows to the session record before its block to the results file, so that a
// run counts as done only once it is on record. A program stopped between the two writes (a
// kill, a crash, a power cut) leaves a record with a run whose block the results file lacks;
// the next run adds that block, rebuilt from the record, before it measures.

// Adds the block of the session record's last run to `resultsFileName` when the results file
// does not end with it. The value is what the operator is told: the block added, or a last
// block that the record does not hold (a run whose record write failed, or a program stopped
// by an earlier version between its writes); empty when the two agree. Fails when the results
// file cannot be read or written, with the file and the system's reason.
Result<std::string> CompleteResultsFile(const std::string& resultsFileName);
