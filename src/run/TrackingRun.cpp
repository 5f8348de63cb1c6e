#include "TrackingRun.h"

#include "Clock.h"
#include "EventDispatcher.h"
#include "Kc35Attenuator.h"
#include "ResultsWriter.h"
#include "SoundOutput.h"
#include "Stimuli.h"

#include <exception>
#include <stdexcept>

namespace {

// The lowest masker level a run plays, dB SPL.
constexpr float LowestMaskerLevel = -10.0f;
// Trials at MaxSPL before the fourth key change after which the sweep starts anyway.
constexpr int MaxLevelTrialLimit = 10;
// Key changes before the first recorded point.
constexpr int UnrecordedChanges = 4;

}  // namespace

TrackingRun::TrackingRun(SharedState& state, RunDevices devices)
    : state_(state)
    , devices_(devices)
{
    if (devices_.sound == nullptr || devices_.clock == nullptr || devices_.dispatcher == nullptr) {
        throw std::invalid_argument("A run needs a sound output, a clock and an event dispatcher");
    }
}

RunReport TrackingRun::Run()
{
    RunReport report;
    log_ = RunLog{};
    log_.Started = std::chrono::system_clock::now();
    pointsLogged_ = 0;
    trialOpen_ = false;
    try {
        devices_.dispatcher->ProcessEvents();
        devices_.clock->Delay(1000);
        Trials(report);
    } catch (const std::exception& error) {
        report.Error = error.what();
        // The trial the error broke off is logged as it stood.
        if (trialOpen_) {
            CompleteTrial(log_.Trials.back());
        }
    }
    Finish(report);
    return report;
}

void TrackingRun::Trials(RunReport& report)
{
    const ExperimentSettings& settings = state_.Settings;
    const TestCondition& c = state_.Current();
    const int mode = settings.Attenuator;

    state_.RunToneSPL = c.ToneSPL;
    SweepDone = false;
    ReversalCount = 0;
    report.TestLogError = AppendTestLogHeader();
    for (const std::string& problem : {report.TestLogError, CheckResultsFile(state_.ResultsFileName)}) {
        if (!problem.empty() && OnFileProblem) {
            OnFileProblem(problem);
        }
    }

    const Noise reservoir = MakeNoiseReservoir(settings, c, NoiseSeed);
    const Wave silentWave = MakeTrialBuffer(settings);
    const Tone toneWave = MakeRunTone(settings, c, state_.RunToneSPL);
    if (mode == 2) {
        SetAttenuatorLevel(2, state_.RunToneSPL);
    }
    Tone carrierWave = MakeCarrier(settings);
    Wave maskerWave = MakeTrialBuffer(settings);

    StopRequested = false;
    state_.MaskerFreq = state_.SweepDirection == 0 ? c.StartF : c.EndF;
    state_.MaskerSPL = c.MaskStartSPL;
    RelativeLevel = state_.MaskerSPL - settings.CalibFactor;
    LevelDirection = -1;
    state_.Results.Clear();
    if (mode == 2) {
        SetAttenuatorLevel(2, c.ToneSPL);
    }

    std::int64_t maxLevelTrials = 0;
    do {
        BuildTrialMasker(maskerWave, carrierWave, reservoir, settings, state_.MaskerFreq);

        // The masker never goes above CalibFactor (no positive gain), nor above MaxSPL or
        // below -10 dB SPL. The limited level is written back so that the track does not
        // wind up beyond a limit.
        if (RelativeLevel > 0.0f) {
            RelativeLevel = 0.0f;
        }
        state_.MaskerSPL = settings.CalibFactor + RelativeLevel;
        if (state_.MaskerSPL > c.MaxSPL) {
            state_.MaskerSPL = c.MaxSPL;
            RelativeLevel = state_.MaskerSPL - settings.CalibFactor;
        }
        if (!(state_.MaskerSPL >= LowestMaskerLevel)) {
            state_.MaskerSPL = LowestMaskerLevel;
            RelativeLevel = state_.MaskerSPL - settings.CalibFactor;
        }

        TrialRecord& trial = log_.Trials.emplace_back();
        trialOpen_ = true;
        trial.Trial = report.Trials + 1;
        trial.Frequency = state_.MaskerFreq;
        trial.Level = state_.MaskerSPL;
        if (mode == 1) {
            LevelAndGateMasker(maskerWave, settings, RelativeLevel);
            maskerWave.Add(toneWave);
            const Wave& left = state_.Ear == 0 ? maskerWave : silentWave;
            const Wave& right = state_.Ear == 0 ? silentWave : maskerWave;
            trial.Played = maskerWave.PlayStereo(*devices_.sound, left, right);
        } else if (mode == 2) {
            SetAttenuatorLevel(1, state_.MaskerSPL);
            GateMasker(maskerWave, settings);
            trial.Played = maskerWave.PlayStereo(*devices_.sound, maskerWave, toneWave);
        }
        ++report.Trials;
        if ((mode == 1 || mode == 2) && !trial.Played) {
            ++report.FailedPresentations;
        }

        devices_.clock->Delay(static_cast<std::uint32_t>(settings.ISI));
        devices_.dispatcher->ProcessEvents();
        CompleteTrial(trial);
        if (OnTrial) {
            OnTrial(trial);
        }

        if (ReversalCount < UnrecordedChanges && state_.MaskerSPL == c.MaxSPL) {
            ++maxLevelTrials;
        }
        if (ReversalCount > UnrecordedChanges || maxLevelTrials > MaxLevelTrialLimit) {
            if (state_.SweepDirection == 0) {
                state_.MaskerFreq += c.FStep;
                SweepDone = state_.MaskerFreq >= c.EndF;
            } else {
                state_.MaskerFreq -= c.FStep;
                SweepDone = state_.MaskerFreq <= c.StartF;
            }
        }
        RelativeLevel += static_cast<float>(LevelDirection) * c.SPLstep;
    } while (!StopRequested && !SweepDone);
}

void TrackingRun::Finish(RunReport& report)
{
    state_.Results.StoredResultCount = state_.Results.ResultCount();
    report.StoredPoints = state_.Results.StoredResultCount;
    report.ResultsError = PTCwrite(state_, state_.Results.StoredResultCount);
    log_.SoundDevice = devices_.sound->UsedDevice();
    const SessionFilesOutcome files = WriteSessionFiles(state_, log_, state_.Results.StoredResultCount);
    report.RunId = files.RunId;
    report.RecordError = files.RecordError;
    report.TrialLogError = files.TrialLogError;
}

void TrackingRun::CompleteTrial(TrialRecord& trial)
{
    trial.ReversalCount = ReversalCount;
    trial.LevelDirection = LevelDirection;
    trial.PointsRecorded = state_.Results.ResultCount() - pointsLogged_;
    pointsLogged_ = state_.Results.ResultCount();
    trialOpen_ = false;
}

void TrackingRun::SetAttenuatorLevel(int channel, float level)
{
    if (devices_.attenuator == nullptr) {
        throw std::logic_error("KC35 mode needs an attenuator link");
    }
    devices_.attenuator->SetAttenuatorLevel(channel, TruncateLevel(level));
}

void TrackingRun::KeyDown(int key)
{
    const int previous = LevelDirection;
    if (key == SpaceKey) {
        LevelDirection = +1;
    } else {
        StopRequested = true;
        if (OnStopKey) {
            OnStopKey();
        }
        devices_.dispatcher->ProcessEvents();
    }
    CountChange(previous);
}

void TrackingRun::KeyUp(int key)
{
    const int previous = LevelDirection;
    if (key == SpaceKey) {
        LevelDirection = -1;
    }
    CountChange(previous);
}

void TrackingRun::CountChange(int previous)
{
    if (LevelDirection == previous) {
        return;
    }
    ++ReversalCount;
    if (ReversalCount > UnrecordedChanges) {
        state_.Results.Record(state_.MaskerFreq, state_.MaskerSPL);
    }
}
