#pragma once

#include "CurveMeasures.h"
#include "TrialRecord.h"

#include <vector>

// A run's trial records as the analysis takes them (the trial log's view of each trial).
std::vector<TrialEntry> TrialEntries(const std::vector<TrialRecord>& trials);
