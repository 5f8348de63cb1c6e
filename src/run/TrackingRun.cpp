#include "TrackingRun.h"

#include "CalibrationLevels.h"
#include "Clock.h"
#include "EventDispatcher.h"
#include "FreqPointCount.h"
#include "Kc35Attenuator.h"
#include "ResultsFileCompletion.h"
#include "ResultsWriter.h"
#include "SoundOutput.h"
#include "NumberFormat.h"
#include "Stimuli.h"
#include "StimulusResolution.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <stdexcept>

namespace {

// The lowest masker level a run plays, dB SPL.
constexpr float LowestMaskerLevel = -10.0f;
// Trials at MaxSPL before the fourth key change after which the sweep starts anyway.
constexpr int MaxLevelTrialLimit = 10;
// Key changes before the first recorded point.
constexpr int UnrecordedChanges = 4;
// How long before the next stimulus has to be handed to the sound device the listener's key
// is taken: time to level the masker and build the stimulus (a KC35 level command adds its own).
constexpr int KeyLeadMs = 10;
constexpr int Rate = SharedState::SampleRate;

// Milliseconds (an ISI, a lead) as frames, truncated.
std::int64_t FramesOfMs(int ms)
{
    return static_cast<std::int64_t>(std::max(ms, 0)) * Rate / 1000;
}

}  // namespace

TrackingRun::TrackingRun(SharedState& state, RunDevices devices)
    : state_(state)
    , devices_(devices)
{
    if (devices_.sound == nullptr || devices_.clock == nullptr || devices_.dispatcher == nullptr) {
        throw std::invalid_argument("A run needs a sound output, a clock and an event dispatcher");
    }
}

RunOutcome TrackingRun::Run()
{
    RunOutcome report;
    log_ = RunLog{};
    log_.Started = std::chrono::system_clock::now();
    log_.Listener = Listener;
    log_.RunId = NewRunId(state_.ResultsFileName, log_.Started);
    if (state_.Calibration.InUse()) {
        log_.Calibration = AppliedCalibration{};
    }
    stopRequested_ = false;
    stopCause_.clear();
    pointsLogged_ = 0;
    openTrial_.reset();
    try {
        // One stream for the whole run, opened before the pause so that it is running by the first stimulus.
        const AttenuatorMode mode = state_.Settings.Attenuator;
        // In KC35 mode the level command goes out between the key and the stimulus: its time
        // on the line is part of the lead.
        const int leadMs = KeyLeadMs + (mode == AttenuatorMode::Kc35 && devices_.attenuator != nullptr
                                            ? devices_.attenuator->LevelCommandLeadMs() : 0);
        const std::unique_ptr<SoundStream> stream =
            AttenuatorModePlays(mode) ? devices_.sound->OpenStream(Rate, 2, leadMs) : nullptr;
        devices_.dispatcher->ProcessEvents();
        devices_.clock->Delay(1000);
        Trials(report, stream.get());
    } catch (const std::exception& error) {
        report.Error = error.what();
        // The trial the error broke off is logged as it stood.
        if (openTrial_) {
            NoteKeys(*openTrial_);
            log_.Trials.push_back(*openTrial_);
        }
    }
    Finish(report);
    return report;
}

void TrackingRun::Trials(RunOutcome& report, SoundStream* stream)
{
    const ExperimentSettings& settings = state_.Settings;
    const TestCondition& c = state_.Current();
    const AttenuatorMode mode = settings.Attenuator;

    state_.RunToneSPL = c.ToneSPL;
    sweepDone_ = false;
    reversalCount_ = 0;
    report.TestLogError = AppendTestLogHeader().Reason();
    if (report.TestLogError.empty()) {
        report.FilesWritten.push_back("test.out");
    }
    const Result<std::string> completed = CompleteResultsFile(state_.ResultsFileName);
    report.ResultsNotice = completed ? completed.Value() : completed.Reason();
    for (const std::string& problem :
         {report.TestLogError, CheckResultsFile(state_.ResultsFileName).Reason(), report.ResultsNotice}) {
        if (!problem.empty() && OnFileProblem) {
            OnFileProblem(problem);
        }
    }

    const Noise reservoir = MakeNoiseReservoir(c, NoiseSeed, ReservoirTransform);
    const Wave silentWave = MakeTrialBuffer(settings);
    const float toneCorrection = StimulusCorrectionDb(state_.Calibration, state_.Ear, c.ToneF);
    if (log_.Calibration) {
        log_.Calibration->ToneDb = toneCorrection;
    }
    // The tone is played lower by the headphone's correction at ToneF, so that it reaches the
    // ear at RunToneSPL; the level recorded stays RunToneSPL.
    const Tone toneWave = MakeRunTone(settings, c, state_.RunToneSPL - toneCorrection);
    report.SampleBits = stream != nullptr ? stream->SampleBits() : 0;
    if (mode == AttenuatorMode::Software) {
        NoteResolution(report, toneWave, "The tone", state_.RunToneSPL);
    }
    if (mode == AttenuatorMode::Kc35) {
        SetToneAttenuatorLevel(state_.RunToneSPL, toneCorrection);
    }
    Tone carrierWave = MakeCarrier(settings);
    Wave maskerWave = MakeTrialBuffer(settings);

    state_.MaskerFreq = state_.SweepDirection == Sweep::Up ? c.StartF : c.EndF;
    state_.MaskerSPL = c.MaskStartSPL;
    relativeLevel_ = state_.MaskerSPL - settings.CalibFactor;
    levelDirection_ = -1;
    state_.Results.Clear();
    if (mode == AttenuatorMode::Kc35) {
        SetToneAttenuatorLevel(c.ToneSPL, toneCorrection);
    }

    std::int64_t maxLevelTrials = 0;
    // The sweep plays FreqPointCount frequencies, StartF to EndF inclusive: counting them ends
    // it at EndF whatever rounding the accumulated frequency carries.
    const int sweepFrequencies = FreqPointCount(c);
    int frequenciesPlayed = 1;
    const std::int64_t isiFrames = FramesOfMs(settings.ISI);
    std::optional<Presentation> previous;  // a stimulus still playing when the next one is queued
    bool first = true;
    do {
        // The masker is never played above the reference RMS (no positive gain after the
        // headphone's correction), nor recorded above MaxSPL or below -10 dB SPL. The limited
        // level is written back so that the track does not wind up beyond a limit.
        const float maskerCorrection = StimulusCorrectionDb(state_.Calibration, state_.Ear, state_.MaskerFreq);
        const float ceiling = MaskerCeilingRelativeDb(mode == AttenuatorMode::Software, maskerCorrection);
        if (relativeLevel_ > ceiling) {
            relativeLevel_ = ceiling;
        }
        state_.MaskerSPL = settings.CalibFactor + relativeLevel_;
        if (state_.MaskerSPL > c.MaxSPL) {
            state_.MaskerSPL = c.MaxSPL;
            relativeLevel_ = state_.MaskerSPL - settings.CalibFactor;
        }
        if (!(state_.MaskerSPL >= LowestMaskerLevel)) {
            state_.MaskerSPL = LowestMaskerLevel;
            relativeLevel_ = state_.MaskerSPL - settings.CalibFactor;
        }
        Presentation current;
        TrialRecord& trial = current.Trial;
        trial.Trial = report.Trials + 1;
        trial.Frequency = state_.MaskerFreq;
        trial.Level = state_.MaskerSPL;
        trial.MaskerCorrection = maskerCorrection;
        if (log_.Calibration) {
            log_.Calibration->NoteMasker(maskerCorrection);
        }
        openTrial_ = trial;
        // The attenuator changes the level the moment the command arrives, so the command
        // waits for the last sample of the stimulus before; when that has been played it goes
        // out at once, as early as the key allows.
        const bool levelSet = mode == AttenuatorMode::Kc35 && !previous;
        if (levelSet) {
            SetMaskerAttenuatorLevel(state_.MaskerSPL, maskerCorrection, c.MaxSPL);
            // The first stimulus starts as soon as the device can take it: it waits for the
            // command to cross the line and the attenuator to settle first. Later ones are
            // scheduled a whole lead after the key, on the device's clock.
            if (first && devices_.attenuator != nullptr && stream != nullptr) {
                stream->WaitUntil(stream->Position() + FramesOfMs(devices_.attenuator->LevelCommandLeadMs()));
            }
        }
        BuildTrialMasker(maskerWave, carrierWave, reservoir, settings, state_.MaskerFreq, CarrierSynthesis);
        // Each stimulus starts ISI after the last frame of the one before.
        const SoundStart start = first ? SoundStart::Now() : SoundStart::AfterPrevious(isiFrames);
        first = false;
        if (mode == AttenuatorMode::Software) {
            LevelAndGateMasker(maskerWave, settings, relativeLevel_ - maskerCorrection);
            NoteResolution(report, maskerWave, "The masker", state_.MaskerSPL);
            maskerWave.Add(toneWave);
            const Wave& left = state_.Ear == EarSide::Left ? maskerWave : silentWave;
            const Wave& right = state_.Ear == EarSide::Left ? silentWave : maskerWave;
            current.Ticket = maskerWave.QueueStereo(*stream, left, right, start, false);
        } else if (mode == AttenuatorMode::Kc35) {
            GateMasker(maskerWave, settings);
            // A stimulus whose level is still to be set waits for its command.
            current.Ticket = maskerWave.QueueStereo(*stream, maskerWave, toneWave, start, !levelSet);
            if (!levelSet) {
                Complete(*previous, stream, report);
                previous.reset();
                SetMaskerAttenuatorLevel(state_.MaskerSPL, maskerCorrection, c.MaxSPL);
                stream->Release(current.Ticket);
            }
        }
        ++report.Trials;
        if (previous) {
            Complete(*previous, stream, report);
            previous.reset();
        }

        if (stream != nullptr) {
            const std::int64_t end = stream->ExpectedOnset(current.Ticket) + maskerWave.SampleCount();
            const std::int64_t nextHandOver = end + isiFrames - stream->LeadFrames();
            WaitUntil(*stream, nextHandOver);
        } else {
            devices_.clock->Delay(static_cast<std::uint32_t>(settings.ISI));
        }
        devices_.dispatcher->ProcessEvents();
        NoteKeys(trial);
        openTrial_.reset();
        // With an ISI shorter than the lead the next stimulus is queued before this one ends.
        if (stream != nullptr && stream->Position() < stream->ExpectedOnset(current.Ticket) + maskerWave.SampleCount()) {
            previous = current;
        } else {
            Complete(current, stream, report);
        }

        if (reversalCount_ < UnrecordedChanges && state_.MaskerSPL == c.MaxSPL) {
            ++maxLevelTrials;
        }
        if (reversalCount_ > UnrecordedChanges || maxLevelTrials > MaxLevelTrialLimit) {
            state_.MaskerFreq += state_.SweepDirection == Sweep::Up ? c.FStep : -c.FStep;
            sweepDone_ = frequenciesPlayed >= sweepFrequencies;
            ++frequenciesPlayed;
        }
        relativeLevel_ += static_cast<float>(levelDirection_) * c.SPLstep;
    } while (!stopRequested_ && !sweepDone_);
    if (previous) {
        Complete(*previous, stream, report);
    }
    if (mode == AttenuatorMode::Kc35 && stream != nullptr && report.LateStimuli > 0) {
        // The level command waits for the stimulus before to be played and the next stimulus
        // waits for the command, so the device's latency and the command's time fall in the ISI.
        const std::int64_t needs = stream->LeadFrames() - FramesOfMs(KeyLeadMs);
        const auto needsMs = static_cast<int>((needs * 1000 + Rate - 1) / Rate);
        if (settings.ISI < needsMs) {
            report.Kc35NeedsIsiMs = needsMs;
        }
    }
}

void TrackingRun::NoteResolution(RunOutcome& report, const Wave& part, const char* name, float levelDb)
{
    const double bits = EffectiveBits(part.Peak(), report.SampleBits);
    if (report.QuietestStimulus.empty() || bits < report.QuietestBits) {
        report.QuietestBits = bits;
        report.QuietestStimulus = std::string(name) + " at " + FormatShortest(levelDb) + " dB SPL";
    }
}

void TrackingRun::Complete(Presentation& presentation, SoundStream* stream, RunOutcome& report)
{
    TrialRecord& trial = presentation.Trial;
    if (stream != nullptr) {
        const StreamedSound sound = stream->Wait(presentation.Ticket);
        trial.Played = sound.Played;
        trial.OnsetFrame = sound.Onset;
        trial.LateFrames = sound.LateFrames;
        trial.Dropout = sound.Dropout;
        if (sound.Dropout) {
            report.DropoutTrials.push_back(trial.Trial);
        }
        if (!sound.Played) {
            ++report.FailedPresentations;
        } else if (sound.LateFrames > 0) {
            ++report.LateStimuli;
            report.MostLateMs = std::max(report.MostLateMs, 1000.0 * static_cast<double>(sound.LateFrames) / Rate);
        }
    }
    log_.Trials.push_back(trial);
    // A trial log that does not take this trial gets it with the next one, or at the end.
    (void)AppendTrialLogRows(state_.ResultsFileName, log_);
    if (OnTrial) {
        OnTrial(trial);
    }
}

void TrackingRun::WaitUntil(SoundStream& stream, std::int64_t frame)
{
    // The clock sleeps most of the way; the stream's own clock sets the end.
    const std::int64_t frames = std::max<std::int64_t>(frame - stream.Position(), 0);
    devices_.clock->Delay(static_cast<std::uint32_t>(std::llround(static_cast<double>(frames) * 1000.0 / Rate)));
    stream.WaitUntil(frame);
}

void TrackingRun::Finish(RunOutcome& report)
{
    state_.Results.StoredResultCount = state_.Results.ResultCount();
    report.StoredPoints = state_.Results.StoredResultCount;
    log_.SoundDevice = devices_.sound->UsedDevice();
    report.Started = log_.Started;
    if (Session) {
        report.RunStatus = report.Error.empty() && !stopRequested_ ? "measured" : "ended";
        report.StopCause = stopRequested_ ? stopCause_ : std::string();
        log_.Session = *Session;
        log_.Session->Status = report.RunStatus;
    }
    // The session record is written before the results file: a run is done once its rows are
    // on record, and a program stopped between the two writes leaves a results file that the
    // next run completes from the record (CompleteResultsFile), never a block the record lacks.
    const SessionFilesOutcome files = WriteSessionFiles(state_, log_, state_.Results.StoredResultCount);
    report.RunId = files.RunId;
    report.RecordError = files.RecordError;
    report.TrialLogError = files.TrialLogError;
    report.DictionaryError = files.DictionaryError;
    report.TrialLogWritten = files.TrialLogWritten;
    report.ResultsError = WriteResultsBlock(state_, state_.Results.StoredResultCount).Reason();
    if (report.ResultsError.empty()) {
        report.FilesWritten.push_back(state_.ResultsFileName);
    }
    report.FilesWritten.insert(report.FilesWritten.end(), files.Written.begin(), files.Written.end());
}

void TrackingRun::NoteKeys(TrialRecord& trial)
{
    trial.ReversalCount = reversalCount_;
    trial.LevelDirection = levelDirection_;
    trial.PointsRecorded = state_.Results.ResultCount() - pointsLogged_;
    pointsLogged_ = state_.Results.ResultCount();
}

void TrackingRun::SetAttenuatorLevel(int channel, float level)
{
    SendAttenuatorLevel(channel, TruncateLevel(level));
}

void TrackingRun::SendAttenuatorLevel(int channel, int level)
{
    if (devices_.attenuator == nullptr) {
        throw std::logic_error("KC35 mode needs an attenuator link");
    }
    devices_.attenuator->SetAttenuatorLevel(channel, level);
}

void TrackingRun::SetToneAttenuatorLevel(float level, float correctionDb)
{
    if (!log_.Calibration) {
        SetAttenuatorLevel(2, level);
        return;
    }
    const Kc35Setting setting = Kc35CorrectedLevel(level, correctionDb);
    log_.Calibration->NoteResidual(setting.ResidualDb);
    SendAttenuatorLevel(2, setting.Level);
}

void TrackingRun::SetMaskerAttenuatorLevel(float level, float correctionDb, float maxSpl)
{
    if (!log_.Calibration) {
        SetAttenuatorLevel(1, level);
        return;
    }
    const Kc35Setting setting = Kc35CorrectedLevel(level, correctionDb, maxSpl);
    log_.Calibration->NoteResidual(setting.ResidualDb);
    SendAttenuatorLevel(1, setting.Level);
}

void TrackingRun::KeyDown(int key)
{
    const int previous = levelDirection_;
    if (key == SpaceKey) {
        levelDirection_ = +1;
    } else {
        Stop("a stop key");
        if (OnStopKey) {
            OnStopKey();
        }
        devices_.dispatcher->ProcessEvents();
    }
    CountChange(previous);
}

void TrackingRun::Stop(const std::string& cause)
{
    if (!stopRequested_) {
        stopCause_ = cause;
    }
    stopRequested_ = true;
}

void TrackingRun::KeyUp(int key)
{
    const int previous = levelDirection_;
    if (key == SpaceKey) {
        levelDirection_ = -1;
    }
    CountChange(previous);
}

void TrackingRun::CountChange(int previous)
{
    if (levelDirection_ == previous) {
        return;
    }
    ++reversalCount_;
    if (reversalCount_ > UnrecordedChanges) {
        state_.Results.Record(state_.MaskerFreq, state_.MaskerSPL);
    }
}
