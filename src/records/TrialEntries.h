#pragma once

#include "TrialRecord.h"

#include <optional>
#include <vector>

// One trial as the trial log or a run's records have it.
struct TrialEntry {
    float Freq = 0.0f;
    float Level = 0.0f;
    std::optional<double> OnsetSeconds;  // from the run's first stimulus; empty when unknown
    bool Dropout = false;
};

// A run's trial records as the analysis takes them (the trial log's view of each trial).
std::vector<TrialEntry> TrialEntries(const std::vector<TrialRecord>& trials);
