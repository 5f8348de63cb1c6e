#pragma once

#include "SharedState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class Clock;
class EventDispatcher;
class Kc35Attenuator;
class SoundOutput;

// What the run works with: the sound device, the millisecond clock, the window system's
// event dispatch (where the listener's key changes arrive) and, in KC35 mode, the attenuator.
struct RunDevices {
    SoundOutput* sound = nullptr;
    Clock* clock = nullptr;
    EventDispatcher* dispatcher = nullptr;
    Kc35Attenuator* attenuator = nullptr;
};

// One presentation as the run made it, reported after the trial's event dispatch.
struct TrialRecord {
    std::int64_t Trial = 0;   // 1-based
    float Frequency = 0.0f;   // masker centre frequency played
    float Level = 0.0f;       // masker level played, dB SPL
    bool Played = false;      // the sound device played it (always false for modes other than 1 and 2)
    int ReversalCount = 0;    // after the listener's key changes of this trial
    int LevelDirection = -1;  // after the listener's key changes of this trial
};

// How a run ended.
struct RunReport {
    std::int64_t Trials = 0;
    std::int64_t FailedPresentations = 0;  // stimuli the sound device could not play
    int StoredPoints = 0;
    std::string ResultsError;      // the results file could not be written
    std::string TestLogError;      // "test.out" could not be written
    std::string Error;             // what ended the run early (attenuator range, serial link)
};

// The swept-masker tracking procedure and the listener's key handling. The run window owns
// one and drives it; the simulator drives the same class with a virtual listener.
class TrackingRun {
public:
    static constexpr int SpaceKey = 32;

    TrackingRun(SharedState& state, RunDevices devices);

    // The whole run for the current condition: the pause before the first trial, the
    // stimuli, the trials until the sweep ends or a stop key, then the results stored and
    // written. Errors that end it early are reported in the result after the points
    // recorded so far have been written.
    RunReport Run();

    // The listener's key on the SPACE-bar button.
    void KeyDown(int key);
    void KeyUp(int key);

    // Called when a key other than SPACE requests the stop (the window shows EXIT).
    std::function<void()> OnStopKey;
    // Called when the run starts, before the first stimulus, for "test.out" that could not be
    // written and for a results file that cannot be opened for appending; the run goes on.
    std::function<void(const std::string&)> OnFileProblem;
    // Called after every trial's event dispatch.
    std::function<void(const TrialRecord&)> OnTrial;
    // Seeds the runtime generator for the noise reservoir instead of the calendar clock, so
    // that a run can be repeated exactly (the simulator, tests).
    std::optional<std::uint32_t> NoiseSeed;

    bool StopRequested = false;
    bool SweepDone = false;
    int LevelDirection = -1;
    float RelativeLevel = 0.0f;
    int ReversalCount = 0;

private:
    void Trials(RunReport& report);
    void Finish(RunReport& report);
    void CountChange(int previous);
    void SetAttenuatorLevel(int channel, float level);

    SharedState& state_;
    RunDevices devices_;
};
