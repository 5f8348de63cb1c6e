#include "CalibrationTone.h"

#include "EventDispatcher.h"
#include "Kc35Attenuator.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "SharedState.h"
#include "SoundOutput.h"
#include "Stimuli.h"
#include "StimulusLimits.h"
#include "Tone.h"
#include "Wave.h"

#include <cassert>
#include <memory>
#include <string>

namespace {

// Both attenuator channels start nearly shut (attenuation 130 dB) before the selected one
// opens to the calibration level.
constexpr int QuietLevel = -10;
constexpr float SilenceMs = 1000.0f;
// Time to write the file and build the next repetition before it is handed to the device.
constexpr int PrepareMs = 50;

// Clears the playing mark however Play ends.
class PlayingMark {
public:
    explicit PlayingMark(bool& playing) : playing_(playing) { playing_ = true; }
    ~PlayingMark() { playing_ = false; }
    PlayingMark(const PlayingMark&) = delete;
    PlayingMark& operator=(const PlayingMark&) = delete;

private:
    bool& playing_;
};

}  // namespace

int CalibrationFileToneChannel(AttenuatorMode attenuator, int selectedChannel, EarSide ear)
{
    if (attenuator == AttenuatorMode::Kc35 && selectedChannel == 2) {
        return ear == EarSide::Right ? 0 : 1;
    }
    return ear == EarSide::Left ? 0 : 1;
}

int CalibrationOutputChannel(int selectedChannel)
{
    return selectedChannel == 1 ? 0 : 1;
}

CalibrationTone::CalibrationTone(SharedState& state, SoundOutput& sound, EventDispatcher& events,
                                 Kc35Attenuator& attenuator)
    : state_(state), sound_(sound), events_(events), attenuator_(attenuator)
{
}

void CalibrationTone::SelectChannel(int channel)
{
    assert((channel == 1 || channel == 2) && "the calibration tone has Channel 1 and Channel 2");
    channel_ = channel;
}

Result<> CalibrationTone::SelectFrequency(float hz)
{
    TestCondition condition;
    condition.ToneF = hz;
    if (!(hz > 0.0f)) {
        return Failure{"the calibration tone needs a frequency above 0 Hz"};
    }
    if (const Result<> check = CheckToneFrequency(condition, SystemDecimalSeparator()); !check) {
        return check;
    }
    frequency_ = hz;
    return {};
}

float CalibrationTone::Frequency() const
{
    if (frequency_) {
        return *frequency_;
    }
    return state_.HasConditions() ? state_.Current().ToneF : 0.0f;
}

Result<std::unique_ptr<Tone>> CalibrationTone::MakeToneAt(float frequency) const
{
    TestCondition condition = state_.Current();
    condition.ToneF = frequency;
    if (const Result<> check = CheckToneFrequency(condition, SystemDecimalSeparator()); !check) {
        return Failure{"The calibration tone cannot be played: " + check.Reason() + "."};
    }
    return std::make_unique<Tone>(MakeCalibrationTone(state_.Settings, condition));
}

Result<int> CalibrationTone::Play()
{
    if (playing_) {
        return 0;
    }
    stopRequested_ = false;
    dropouts_ = 0;
    problem_.clear();
    const ExperimentSettings& settings = state_.Settings;
    if (!AttenuatorModePlays(settings.Attenuator)) {
        return 0;
    }
    if (!state_.HasConditions()) {
        return Failure{"No test-condition file has been loaded: there is no tone to calibrate with"};
    }
    float frequency = Frequency();
    Result<std::unique_ptr<Tone>> made = MakeToneAt(frequency);
    if (!made) {
        return Failure{made.Reason()};
    }
    std::unique_ptr<Tone> tone = std::move(made).Value();
    const PlayingMark mark(playing_);
    const Wave silence(SilenceMs, SharedState::SampleRate);
    if (settings.Attenuator == AttenuatorMode::Kc35) {
        for (const int channel : {1, 2}) {
            if (const Result<> quiet = attenuator_.SetAttenuatorLevel(channel, QuietLevel); !quiet) {
                return Failure{quiet.Reason()};
            }
        }
    }
    // One stream for all repetitions: each starts at the frame after the last one's end.
    const std::unique_ptr<SoundStream> stream = sound_.OpenStream(SharedState::SampleRate, 2, PrepareMs);
    int repetitions = 0;
    int previous = -1;
    // A failure ends the tone after the repetition in progress has played to its end.
    const auto endEarly = [&stream, &previous, this](const std::string& reason) -> Result<int> {
        if (previous >= 0) {
            Finish(*stream, previous);
        }
        return Failure{reason};
    };
    do {
        // A frequency chosen during the tone takes effect at the next repetition.
        if (Frequency() != frequency) {
            frequency = Frequency();
            made = MakeToneAt(frequency);
            if (!made) {
                return endEarly(made.Reason());
            }
            tone = std::move(made).Value();
        }
        const Result<int> queued = QueueRepetition(*stream, *tone, silence, previous);
        if (!queued) {
            return endEarly(queued.Reason());
        }
        const int ticket = queued.Value();
        ++repetitions;
        if (previous >= 0) {
            Finish(*stream, previous);
        }
        previous = ticket;
        // A device that cannot play makes no repetition wait: go on and the file would be
        // rewritten as fast as the disk takes it.
        if (!problem_.empty()) {
            break;
        }
        stream->WaitUntil(stream->ExpectedOnset(ticket) + tone->SampleCount() - stream->LeadFrames());
        events_.ProcessEvents();
    } while (!stopRequested_);
    Finish(*stream, previous);
    return repetitions;
}

void CalibrationTone::Finish(SoundStream& stream, int ticket)
{
    const StreamedSound sound = stream.Wait(ticket);
    if (sound.Dropout) {
        ++dropouts_;
    }
    if (!sound.Played && problem_.empty()) {
        problem_ = sound.Problem.empty() ? std::string("the sound device did not play it") : sound.Problem;
    }
}

Result<int> CalibrationTone::QueueRepetition(SoundStream& stream, const Wave& tone, const Wave& silence, int& previous)
{
    const int channel = channel_;
    const AttenuatorMode attenuator = state_.Settings.Attenuator;
    if (attenuator == AttenuatorMode::Kc35) {
        // The attenuator acts when the command arrives: after the repetition before has been played.
        if (previous >= 0) {
            Finish(stream, previous);
            previous = -1;
        }
        const Result<int> level = TruncateLevel(state_.Settings.CalibFactor);
        const Result<> set = level ? attenuator_.SetAttenuatorLevel(channel, level.Value()) : Failure{level.Reason()};
        if (!set) {
            return Failure{set.Reason()};
        }
    }
    // The file and the sound report their own failures; the repetition goes on regardless, so
    // the file's result is deliberately not looked at.
    const bool fileLeft = CalibrationFileToneChannel(attenuator, channel, state_.Ear) == 0;
    static_cast<void>(tone.WriteStereoWav(CalibrationWavName, fileLeft ? tone : silence, fileLeft ? silence : tone));
    const bool outputLeft = CalibrationOutputChannel(channel) == 0;
    const SoundStart start = previous < 0 ? SoundStart::Now() : SoundStart::AfterPrevious(0);
    return tone.QueueStereo(stream, outputLeft ? tone : silence, outputLeft ? silence : tone, start, false);
}

std::string DescribeCalibrationTone(const SharedState& state, int selectedChannel, char decimalSeparator)
{
    return DescribeCalibrationTone(state, selectedChannel,
                                   state.HasConditions() ? std::optional<float>(state.Current().ToneF) : std::nullopt,
                                   decimalSeparator);
}

std::string DescribeCalibrationTone(const SharedState& state, int selectedChannel, std::optional<float> frequencyHz,
                                    char decimalSeparator)
{
    const bool left = CalibrationOutputChannel(selectedChannel) == 0;
    const std::string frequency =
        state.HasConditions() && frequencyHz ? FormatForDisplay(*frequencyHz, decimalSeparator) + " Hz" : "(no file loaded)";
    return "Tone " + frequency + " at " + FormatForDisplay(state.Settings.CalibFactor, decimalSeparator)
           + " dB SPL on output " + std::to_string(selectedChannel == 2 ? 2 : 1) + (left ? " (left)" : " (right)")
           + ": the " + (left ? "left" : "right") + " earphone";
}
