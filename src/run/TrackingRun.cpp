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
#include "ToneLevel.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <exception>
#include <memory>

namespace {

// The lowest level a run plays, the masker's or the tone's alone: the device's floor, dB SPL.
constexpr float LowestLevel = -10.0f;
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

// The condition's ToneSPL is the level resolved from its ToneSL for the run, so that the
// stimuli, the session record and the results file all take it; the loaded value comes back after.
class ToneAtThreshold {
public:
    ToneAtThreshold(TestCondition& condition, float toneSPL)
        : condition_(condition)
        , loaded_(condition.ToneSPL)
    {
        condition_.ToneSPL = toneSPL;
    }
    ~ToneAtThreshold() { condition_.ToneSPL = loaded_; }
    ToneAtThreshold(const ToneAtThreshold&) = delete;
    ToneAtThreshold& operator=(const ToneAtThreshold&) = delete;

private:
    TestCondition& condition_;
    float loaded_;
};

}  // namespace

TrackingRun::TrackingRun(SharedState& state, RunDevices devices)
    : state_(state)
    , devices_(devices)
{
    assert(devices_.sound != nullptr && devices_.clock != nullptr && devices_.dispatcher != nullptr);
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
    reversalLevels_.clear();
    report.Kind = Kind;
    log_.Kind = Kind;
    std::optional<ToneAtThreshold> toneAtThreshold;
    if (Kind == RunKind::Ptc && state_.Current().ToneSL) {
        const Result<ResolvedTone> tone = ResolveToneSL(state_, Session ? Session->Id : std::string());
        if (!tone) {
            // Refused before anything plays or is written; a session's run counts as ended.
            report.Error = tone.Reason();
            report.Started = log_.Started;
            report.RunStatus = Session ? "ended" : "";
            return report;
        }
        report.ToneLevel = DescribeTone(tone.Value());
        log_.ToneSL = tone.Value().ToneSL;
        log_.ThresholdRun = tone.Value().ThresholdRun;
        toneAtThreshold.emplace(state_.Current(), tone.Value().ToneSPL);
    }
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
        devices_.clock->Delay(RunStartPauseMs);
        if (const Result<> trials = Trials(report, stream.get()); !trials) {
            BreakOff(report, trials.Reason());
        }
    } catch (const std::exception& error) {
        // What the standard library reports (memory, a sound longer than memory holds).
        BreakOff(report, error.what());
    }
    Finish(report);
    return report;
}

void TrackingRun::BreakOff(RunOutcome& report, const std::string& reason)
{
    report.Error = reason;
    if (openTrial_) {
        NoteKeys(*openTrial_);
        log_.Trials.push_back(*openTrial_);
    }
}

Result<> TrackingRun::Trials(RunOutcome& report, SoundStream* stream)
{
    const ExperimentSettings& settings = state_.Settings;
    const AttenuatorMode mode = settings.Attenuator;

    state_.RunToneSPL = state_.Current().ToneSPL;
    sweepDone_ = false;
    reversalCount_ = 0;
    report.TestLogError = AppendTestLogHeader().Reason();
    if (report.TestLogError.empty()) {
        report.FilesWritten.push_back("test.out");
    }
    const Result<std::string> completed = CompleteResultsFile(state_.ResultsFileName);
    report.ResultsNotice = completed ? completed.Value() : completed.Reason();
    // A threshold run writes no block, so the results file is neither opened nor made.
    const std::string resultsProblem = Kind == RunKind::Ptc ? CheckResultsFile(state_.ResultsFileName).Reason() : std::string();
    for (const std::string& problem : {report.TestLogError, resultsProblem, report.ResultsNotice}) {
        if (!problem.empty() && OnFileProblem) {
            OnFileProblem(problem);
        }
    }
    report.SampleBits = stream != nullptr ? stream->SampleBits() : 0;
    state_.Results.Clear();
    TrialSchedule schedule;
    schedule.IsiFrames = FramesOfMs(settings.ISI);
    const Result<> trials = Kind == RunKind::Threshold ? ThresholdTrials(report, stream, schedule)
                                                       : CurveTrials(report, stream, schedule);
    if (!trials) {
        return trials;
    }
    if (schedule.Previous) {
        Complete(*schedule.Previous, stream, report);
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
    return {};
}

Result<> TrackingRun::CurveTrials(RunOutcome& report, SoundStream* stream, TrialSchedule& schedule)
{
    const ExperimentSettings& settings = state_.Settings;
    const TestCondition& c = state_.Current();
    const AttenuatorMode mode = settings.Attenuator;

    const Noise reservoir = MakeNoiseReservoir(c, NoiseSeed, ReservoirTransform);
    const Wave silentWave = MakeTrialBuffer(settings);
    const float toneCorrection = StimulusCorrectionDb(state_.Calibration, state_.Ear, c.ToneF);
    if (log_.Calibration) {
        log_.Calibration->ToneDb = toneCorrection;
    }
    // The tone is played lower by the headphone's correction at ToneF, so that it reaches the
    // ear at RunToneSPL; the level recorded stays RunToneSPL.
    const Tone toneWave = MakeRunTone(settings, c, state_.RunToneSPL - toneCorrection);
    if (mode == AttenuatorMode::Software) {
        NoteResolution(report, toneWave, "The tone", state_.RunToneSPL);
    }
    if (mode == AttenuatorMode::Kc35) {
        if (const Result<> set = SetToneAttenuatorLevel(state_.RunToneSPL, toneCorrection); !set) {
            return set;
        }
    }
    Tone carrierWave = MakeCarrier(settings);
    Wave maskerWave = MakeTrialBuffer(settings);

    state_.MaskerFreq = state_.SweepDirection == Sweep::Up ? c.StartF : c.EndF;
    state_.MaskerSPL = c.MaskStartSPL;
    relativeLevel_ = state_.MaskerSPL - settings.CalibFactor;
    levelDirection_ = -1;
    if (mode == AttenuatorMode::Kc35) {
        if (const Result<> set = SetToneAttenuatorLevel(c.ToneSPL, toneCorrection); !set) {
            return set;
        }
    }

    std::int64_t maxLevelTrials = 0;
    // The sweep plays FreqPointCount frequencies, StartF to EndF inclusive: counting them ends
    // it at EndF whatever rounding the accumulated frequency carries.
    const int sweepFrequencies = FreqPointCount(c);
    int frequenciesPlayed = 1;
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
        if (!(state_.MaskerSPL >= LowestLevel)) {
            state_.MaskerSPL = LowestLevel;
            relativeLevel_ = state_.MaskerSPL - settings.CalibFactor;
        }
        TrialRecord trial;
        trial.Trial = report.Trials + 1;
        trial.Frequency = state_.MaskerFreq;
        trial.Level = state_.MaskerSPL;
        trial.MaskerCorrection = maskerCorrection;
        if (log_.Calibration) {
            log_.Calibration->NoteMasker(maskerCorrection);
        }
        const auto setLevel = [&]() { return SetMaskerAttenuatorLevel(state_.MaskerSPL, maskerCorrection, c.MaxSPL); };
        const Result<> presented = Present(report, stream, schedule, trial, setLevel, [&]() -> StereoSound {
            BuildTrialMasker(maskerWave, carrierWave, reservoir, settings, state_.MaskerFreq, CarrierSynthesis);
            if (mode != AttenuatorMode::Software) {
                GateMasker(maskerWave, settings);
                return {&maskerWave, &toneWave};
            }
            LevelAndGateMasker(maskerWave, settings, relativeLevel_ - maskerCorrection);
            NoteResolution(report, maskerWave, "The masker", state_.MaskerSPL);
            maskerWave.Add(toneWave);
            return state_.Ear == EarSide::Left ? StereoSound{&maskerWave, &silentWave} : StereoSound{&silentWave, &maskerWave};
        });
        if (!presented) {
            return presented;
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
    return {};
}

Result<> TrackingRun::ThresholdTrials(RunOutcome& report, SoundStream* stream, TrialSchedule& schedule)
{
    const ExperimentSettings& settings = state_.Settings;
    const TestCondition& c = state_.Current();
    const bool kc35 = settings.Attenuator == AttenuatorMode::Kc35;
    // The attenuator sets whole dB: the track moves in whole dB from a whole-dB start.
    const float step = kc35 ? std::max(1.0f, std::round(settings.ThresholdStep)) : settings.ThresholdStep;
    // The tone is played lower by the headphone's correction at ToneF, never with a positive gain.
    const float toneCorrection = StimulusCorrectionDb(state_.Calibration, state_.Ear, c.ToneF);
    if (log_.Calibration) {
        log_.Calibration->ToneDb = toneCorrection;
    }
    const float ceiling = settings.CalibFactor + MaskerCeilingRelativeDb(!kc35, toneCorrection);
    const double trialMs = std::max(1.0, static_cast<double>(settings.MaskerDuration) + settings.ISI);
    const auto trialLimit = static_cast<std::int64_t>(std::ceil(1000.0 * settings.ThresholdTimeLimit / trialMs));
    float level = kc35 ? std::trunc(settings.ThresholdStartSPL) : settings.ThresholdStartSPL;
    const Wave silentWave = MakeTrialBuffer(settings);
    Tone toneWave = MakeRunTone(settings, c, level - toneCorrection);
    levelDirection_ = -1;
    levelMoved_ = false;
    reversalLevels_.clear();
    bool atFloor = false;
    bool atCeiling = false;
    do {
        if (level > ceiling) {
            level = ceiling;
            atCeiling = true;
        }
        if (!(level >= LowestLevel)) {
            level = LowestLevel;
            atFloor = true;
        }
        toneLevel_ = level;
        state_.RunToneSPL = level;
        TrialRecord trial;
        trial.Trial = report.Trials + 1;
        trial.Frequency = c.ToneF;
        trial.Level = level;
        const auto setLevel = [&]() { return SetToneAttenuatorLevel(level, toneCorrection); };
        const Result<> presented = Present(report, stream, schedule, trial, setLevel, [&]() -> StereoSound {
            if (kc35) {
                return {&silentWave, &toneWave};  // the tone's channel at the reference level
            }
            toneWave = MakeRunTone(settings, c, level - toneCorrection);
            NoteResolution(report, toneWave, "The tone", level);
            return state_.Ear == EarSide::Left ? StereoSound{&toneWave, &silentWave} : StereoSound{&silentWave, &toneWave};
        });
        if (!presented) {
            return presented;
        }
        levelMoved_ = true;
        level -= static_cast<float>(levelDirection_) * step;
    } while (!stopRequested_ && static_cast<int>(reversalLevels_.size()) < settings.ThresholdReversals
             && report.Trials < trialLimit);
    if (atFloor || atCeiling) {
        report.ThresholdFlags.push_back("The tone's level was held at the device's " + std::string(atFloor ? "floor" : "ceiling")
                                        + " (" + FormatShortest(atFloor ? LowestLevel : ceiling)
                                        + " dB SPL) during the run: the threshold may lie beyond it.");
    }
    if (report.Trials >= trialLimit && static_cast<int>(reversalLevels_.size()) < settings.ThresholdReversals) {
        report.ThresholdFlags.push_back("The run reached its time limit (" + FormatShortest(settings.ThresholdTimeLimit)
                                        + " s) after " + std::to_string(reversalLevels_.size()) + " of its "
                                        + std::to_string(settings.ThresholdReversals) + " reversals.");
    }
    return {};
}

Result<> TrackingRun::Present(RunOutcome& report, SoundStream* stream, TrialSchedule& schedule, const TrialRecord& trial,
                              const std::function<Result<>()>& setLevel, const std::function<StereoSound()>& build)
{
    const AttenuatorMode mode = state_.Settings.Attenuator;
    Presentation current;
    current.Trial = trial;
    openTrial_ = trial;
    // The attenuator changes the level the moment the command arrives, so the command
    // waits for the last sample of the stimulus before; when that has been played it goes
    // out at once, as early as the key allows.
    const bool levelSet = mode == AttenuatorMode::Kc35 && !schedule.Previous;
    if (levelSet) {
        if (const Result<> set = setLevel(); !set) {
            return set;
        }
        // The first stimulus starts as soon as the device can take it: it waits for the
        // command to cross the line and the attenuator to settle first. Later ones are
        // scheduled a whole lead after the key, on the device's clock.
        if (schedule.First && devices_.attenuator != nullptr && stream != nullptr) {
            stream->WaitUntil(stream->Position() + FramesOfMs(devices_.attenuator->LevelCommandLeadMs()));
        }
    }
    const StereoSound sound = build();
    // Each stimulus starts ISI after the last frame of the one before.
    const SoundStart start = schedule.First ? SoundStart::Now() : SoundStart::AfterPrevious(schedule.IsiFrames);
    schedule.First = false;
    if (mode == AttenuatorMode::Software) {
        current.Ticket = sound.first->QueueStereo(*stream, *sound.first, *sound.second, start, false);
    } else if (mode == AttenuatorMode::Kc35) {
        // A stimulus whose level is still to be set waits for its command.
        current.Ticket = sound.first->QueueStereo(*stream, *sound.first, *sound.second, start, !levelSet);
        if (!levelSet) {
            Complete(*schedule.Previous, stream, report);
            schedule.Previous.reset();
            if (const Result<> set = setLevel(); !set) {
                return set;
            }
            stream->Release(current.Ticket);
        }
    }
    ++report.Trials;
    if (schedule.Previous) {
        Complete(*schedule.Previous, stream, report);
        schedule.Previous.reset();
    }

    std::int64_t end = 0;
    if (stream != nullptr) {
        end = stream->ExpectedOnset(current.Ticket) + static_cast<std::int64_t>(sound.first->SampleCount());
        WaitUntil(*stream, end + schedule.IsiFrames - stream->LeadFrames());
    } else {
        devices_.clock->Delay(static_cast<std::uint32_t>(state_.Settings.ISI));
    }
    devices_.dispatcher->ProcessEvents();
    NoteKeys(current.Trial);
    openTrial_.reset();
    // With an ISI shorter than the lead the next stimulus is queued before this one ends.
    if (stream != nullptr && stream->Position() < end) {
        schedule.Previous = current;
    } else {
        Complete(current, stream, report);
    }
    return {};
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
    if (Kind == RunKind::Threshold) {
        report.Reversals = reversalLevels_;
        report.Threshold = EstimateThreshold(reversalLevels_);
        log_.Reversals = reversalLevels_;
        log_.Threshold = report.Threshold;
        log_.ThresholdFlags = report.ThresholdFlags;
    }
    // A threshold run without a reversal measured nothing and is refused like an ended run.
    const bool measured = report.Error.empty() && !stopRequested_ && (Kind != RunKind::Threshold || report.Threshold);
    if (Session) {
        report.RunStatus = !measured ? "ended" : Session->Practice ? "practice" : "measured";
        report.StopCause = stopRequested_ ? stopCause_
                           : !measured && report.Error.empty() ? "a threshold track without a reversal"
                                                               : std::string();
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
    // The results file holds tuning curves only: its readers know no other block.
    if (Kind == RunKind::Ptc) {
        report.ResultsError = WriteResultsBlock(state_, state_.Results.StoredResultCount).Reason();
        if (report.ResultsError.empty()) {
            report.FilesWritten.push_back(state_.ResultsFileName);
        }
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

Result<> TrackingRun::SetAttenuatorLevel(int channel, float level)
{
    const Result<int> whole = TruncateLevel(level);
    if (!whole) {
        return Failure{whole.Reason()};
    }
    return SendAttenuatorLevel(channel, whole.Value());
}

Result<> TrackingRun::SendAttenuatorLevel(int channel, int level)
{
    assert(devices_.attenuator != nullptr && "KC35 mode needs an attenuator link");
    return devices_.attenuator->SetAttenuatorLevel(channel, level);
}

Result<> TrackingRun::SetToneAttenuatorLevel(float level, float correctionDb)
{
    if (!log_.Calibration) {
        return SetAttenuatorLevel(2, level);
    }
    const Result<Kc35Setting> setting = Kc35CorrectedLevel(level, correctionDb);
    if (!setting) {
        return Failure{setting.Reason()};
    }
    log_.Calibration->NoteResidual(setting.Value().ResidualDb);
    return SendAttenuatorLevel(2, setting.Value().Level);
}

Result<> TrackingRun::SetMaskerAttenuatorLevel(float level, float correctionDb, float maxSpl)
{
    if (!log_.Calibration) {
        return SetAttenuatorLevel(1, level);
    }
    const Result<Kc35Setting> setting = Kc35CorrectedLevel(level, correctionDb, maxSpl);
    if (!setting) {
        return Failure{setting.Reason()};
    }
    log_.Calibration->NoteResidual(setting.Value().ResidualDb);
    return SendAttenuatorLevel(1, setting.Value().Level);
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
    if (Kind == RunKind::Threshold) {
        if (levelMoved_) {
            reversalLevels_.push_back(toneLevel_);
        }
        return;
    }
    if (reversalCount_ > UnrecordedChanges) {
        state_.Results.Record(state_.MaskerFreq, state_.MaskerSPL);
    }
}
