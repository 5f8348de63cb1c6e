#include "TrialEntries.h"

#include "SharedState.h"

std::vector<TrialEntry> TrialEntries(const std::vector<TrialRecord>& trials)
{
    std::vector<TrialEntry> entries;
    entries.reserve(trials.size());
    for (const TrialRecord& t : trials) {
        TrialEntry entry{t.Frequency, t.Level, std::nullopt, t.Dropout};
        if (t.OnsetFrame) {
            entry.OnsetSeconds = static_cast<double>(*t.OnsetFrame) / SharedState::SampleRate;
        }
        entries.push_back(entry);
    }
    return entries;
}
