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
class SoundStream;

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
    int Trial = 0;            // 1-based
    float Frequency = 0.0f;   // masker centre frequency played
    float Level = 0.0f;       // masker level played, dB SPL
    bool Played = false;      // the sound device played it (always false for modes other than 1 and 2)
    // The frame of the run's sound stream (44100 per second) at which the stimulus started;
    // empty where the output cannot say. LateFrames: how much later than its schedule.
    std::optional<std::int64_t> OnsetFrame;
    std::int64_t LateFrames = 0;
    int ReversalCount = 0;    // after the listener's key changes of this trial
    int LevelDirection = -1;  // after the listener's key changes of this trial
};

// How a run ended.
struct RunReport {
    int Trials = 0;
    int FailedPresentations = 0;   // stimuli the sound device could not play
    int LateStimuli = 0;           // stimuli that started later than ISI after the one before
    double MostLateMs = 0.0;       // the latest of them, by how much
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
    struct Presentation {
        TrialRecord Trial;
        int Ticket = -1;
    };
    void Trials(RunReport& report, SoundStream* stream);
    // Waits for the stimulus to be played (or not), counts how it went and reports the trial.
    void Complete(Presentation& presentation, SoundStream* stream, RunReport& report);
    void WaitUntil(SoundStream& stream, std::int64_t frame);
    void Finish(RunReport& report);
    void CountChange(int previous);
    void SetAttenuatorLevel(int channel, float level);

    SharedState& state_;
    RunDevices devices_;
};
