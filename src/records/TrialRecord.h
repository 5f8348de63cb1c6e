#pragma once

#include <cstdint>
#include <optional>

// One presentation as the run made it, completed after the trial's event dispatch.
struct TrialRecord {
    std::int64_t Trial = 0;   // 1-based
    float Frequency = 0.0f;   // masker centre frequency played
    float Level = 0.0f;       // masker level played, dB SPL
    bool Played = false;      // the sound device played it (always false for modes other than 1 and 2)
    // The frame of the run's sound stream (44100 per second) at which the stimulus started;
    // empty where the output cannot say. LateFrames: how much later than its schedule.
    std::optional<std::int64_t> OnsetFrame;
    std::int64_t LateFrames = 0;
    bool Dropout = false;     // played, but the device lost frames of it: the listener heard a gap
    int ReversalCount = 0;    // after the listener's key changes of this trial
    int LevelDirection = -1;  // after the listener's key changes of this trial: +1 SPACE held
    int PointsRecorded = 0;   // points the key changes of this trial recorded
};
