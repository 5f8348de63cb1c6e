#pragma once

#include "SessionFiles.h"
#include "SharedState.h"
#include "Noise.h"
#include "Tone.h"
#include "ThresholdEstimate.h"
#include "TrialRecord.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class Clock;
class EventDispatcher;
class Kc35Attenuator;
class SoundOutput;
class SoundStream;
class Wave;

// What the run works with: the sound device, the millisecond clock, the window system's
// event dispatch (where the listener's key changes arrive) and, in KC35 mode, the attenuator.
struct RunDevices {
    SoundOutput* sound = nullptr;
    Clock* clock = nullptr;
    EventDispatcher* dispatcher = nullptr;
    Kc35Attenuator* attenuator = nullptr;
};

// How a run ended.
struct RunOutcome {
    std::int64_t Trials = 0;
    std::int64_t FailedPresentations = 0;  // stimuli the sound device could not play
    std::int64_t LateStimuli = 0;          // stimuli that started later than ISI after the one before
    double MostLateMs = 0.0;               // the latest of them, by how much
    std::vector<std::int64_t> DropoutTrials;  // trials whose stimulus was played with a dropout
    int StoredPoints = 0;
    std::string ResultsError;      // the results file could not be written
    // Before the run: the results file was completed from the session record, or its last block
    // is not on record (ResultsFileCompletion.h).
    std::string ResultsNotice;
    std::string RecordError;       // the session record could not be written
    std::string TrialLogError;     // the trial log could not be written
    std::string DictionaryError;   // the data dictionary beside the session record could not be written
    bool TrialLogWritten = false;  // the trial log took the run's trials (a run without trials adds none)
    std::string RunId;             // the run's identifier in the session record and trial log
    std::string TestLogError;      // "test.out" could not be written
    std::vector<std::string> FilesWritten;  // the files that took what the run wrote, in that order
    std::string Error;             // what ended the run early (attenuator range, serial link)
    std::chrono::system_clock::time_point Started;  // when the run started
    std::string RunStatus;         // of a session's run: "measured", or "ended" by an error or a stop key
    std::string StopCause;         // of a session's run that was stopped: what stopped it
    // Software mode: the quietest part of a stimulus played (the tone, or the masker at its
    // lowest level) and how many of the output's SampleBits it kept; empty when nothing played.
    std::string QuietestStimulus;  // "The tone at 30 dB SPL"
    double QuietestBits = 0.0;
    int SampleBits = 0;
    // KC35 mode, when stimuli started late and the ISI was shorter: the ISI this sound device
    // needs for the level command to fall between the stimuli.
    int Kc35NeedsIsiMs = 0;
    RunKind Kind = RunKind::Ptc;
    // A tone set in dB SL: how it was resolved ("10 dB SL = 47.5 dB SPL (threshold ...)").
    std::string ToneLevel;
    // A threshold run: its estimate (none without a reversal), the levels of its reversals, and
    // what makes the estimate doubtful (the level held at the device's floor or ceiling, the
    // time limit reached before the reversals asked for).
    std::optional<ThresholdEstimate> Threshold;
    std::vector<float> Reversals;
    std::vector<std::string> ThresholdFlags;
};

// The pause between START and a run's first trial, in which the listener settles.
inline constexpr int RunStartPauseMs = 1000;

// The swept-masker tracking procedure and the listener's key handling. The run window owns
// one and drives it; the simulator drives the same class with a virtual listener. Set to
// RunKind::Threshold, the same procedure tracks the threshold in quiet at ToneF: the tone alone,
// falling by ThresholdStep while SPACE is held and rising while it is released, until
// ThresholdReversals reversals or ThresholdTimeLimit; it writes the session record and the trial
// log but no results-file block.
class TrackingRun {
public:
    static constexpr int SpaceKey = 32;

    TrackingRun(SharedState& state, RunDevices devices);

    // The whole run for the current condition: the pause before the first trial, the
    // stimuli, the trials until the sweep ends or a stop key, then the results stored and
    // written with the session record and the trial log. Errors that end it early are
    // reported in the result after the points and trials so far have been written.
    RunOutcome Run();

    // The listener's key on the SPACE-bar button.
    void KeyDown(int key);
    void KeyUp(int key);
    // Ends the run after the trial that is going, as a stop key does; `cause` says what ended
    // it ("a stop key", "the run window's close box"); the first cause is kept.
    void Stop(const std::string& cause);

    // Called when a key other than SPACE requests the stop (the window shows EXIT).
    std::function<void()> OnStopKey;
    // Called when the run starts, before the first stimulus, for "test.out" that could not be
    // written and for a results file that cannot be opened for appending; the run goes on.
    std::function<void(const std::string&)> OnFileProblem;
    // Called after every trial's event dispatch, with the trial as the trial log has it.
    std::function<void(const TrialRecord&)> OnTrial;
    // Seeds the runtime generator for the noise reservoir instead of the calendar clock, so
    // that a run can be repeated exactly (the simulator, tests).
    std::optional<std::uint32_t> NoiseSeed;
    // How the masker's carrier is computed: exactly for a device; by rotation in a rehearsal with
    // the virtual listener, whose filter cannot tell the two apart.
    SineSynthesis CarrierSynthesis = SineSynthesis::Exact;
    // How the noise reservoir's spectrum becomes samples: RealFft's own transform when empty (a
    // device's noise); a rehearsal passes a faster one.
    Noise::InverseTransform ReservoirTransform;
    // The virtual listener of a rehearsal, for the session record.
    std::optional<SimulatedListenerRecord> Listener;
    // The run's place in a session, written to the session record with its status.
    std::optional<SessionMark> Session;
    // What the run measures.
    RunKind Kind = RunKind::Ptc;

    // The track as it stands: the sweep has played its last frequency, the level's direction
    // (-1 down, +1 up), the level relative to CalibFactor for the next stimulus, and the key
    // changes counted at the current frequency.
    bool SweepDone() const { return sweepDone_; }
    int LevelDirection() const { return levelDirection_; }
    float RelativeLevel() const { return relativeLevel_; }
    int ReversalCount() const { return reversalCount_; }

private:
    struct Presentation {
        TrialRecord Trial;
        int Ticket = -1;
    };
    // Where the trials stand on the stream: a stimulus still playing when the next is queued.
    struct TrialSchedule {
        std::optional<Presentation> Previous;
        bool First = true;
        std::int64_t IsiFrames = 0;
    };
    using StereoSound = std::pair<const Wave*, const Wave*>;  // left, right
    // The trials fail, and the run ends there, when the attenuator cannot set a level.
    Result<> Trials(RunOutcome& report, SoundStream* stream);
    Result<> CurveTrials(RunOutcome& report, SoundStream* stream, TrialSchedule& schedule);
    Result<> ThresholdTrials(RunOutcome& report, SoundStream* stream, TrialSchedule& schedule);
    // Plays one trial: in KC35 mode sends the level with `setLevel` between the stimuli, queues
    // what `build` makes ISI after the stimulus before, waits for the
    // listener's key and completes the trial (or keeps it in `schedule` while it plays). A level
    // that cannot be set fails the trial before its stimulus is released, so nothing is heard
    // at a level the attenuator was not given.
    Result<> Present(RunOutcome& report, SoundStream* stream, TrialSchedule& schedule, const TrialRecord& trial,
                     const std::function<Result<>()>& setLevel, const std::function<StereoSound()>& build);
    // Waits for the stimulus to be played (or not), counts how it went and reports the trial.
    void Complete(Presentation& presentation, SoundStream* stream, RunOutcome& report);
    // Keeps `part` of a stimulus in the report when it is the quietest yet.
    static void NoteResolution(RunOutcome& report, const Wave& part, const char* name, float levelDb);
    void WaitUntil(SoundStream& stream, std::int64_t frame);
    // Ends the run early with `reason`, the trial it broke off logged as it stood.
    void BreakOff(RunOutcome& report, const std::string& reason);
    void Finish(RunOutcome& report);
    void CountChange(int previous);
    // The listener's key changes of the trial just heard, as the trial log gives them.
    void NoteKeys(TrialRecord& trial);
    Result<> SetAttenuatorLevel(int channel, float level);
    Result<> SendAttenuatorLevel(int channel, int level);
    // KC35 levels through a calibration profile: the correction in whole-dB steps, the residual
    // noted; without a profile the level as it is (SetAttenuatorLevel).
    Result<> SetToneAttenuatorLevel(float level, float correctionDb);
    Result<> SetMaskerAttenuatorLevel(float level, float correctionDb, float maxSpl);

    SharedState& state_;
    RunDevices devices_;
    bool stopRequested_ = false;  // a key other than SPACE ends the run after this trial
    std::string stopCause_;
    bool sweepDone_ = false;
    int levelDirection_ = -1;
    float relativeLevel_ = 0.0f;
    int reversalCount_ = 0;
    // A threshold run: the tone's level of the trial last played, whether it has moved yet (a
    // press during the first trial turns nothing), and the levels at the reversals.
    float toneLevel_ = 0.0f;
    bool levelMoved_ = false;
    std::vector<float> reversalLevels_;
    RunLog log_;
    int pointsLogged_ = 0;                  // points already counted in a trial of the log
    std::optional<TrialRecord> openTrial_;  // the trial being presented, until its key changes are noted
};
