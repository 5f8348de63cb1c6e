#include "TonePreview.h"

#include "Stimuli.h"

Result<TonePreviewOutcome> PlayTonePreview(const SharedState& state, SoundOutput& sound,
                                           const std::function<Result<>(float toneLevel)>& setToneLevel,
                                           const std::string& wavPath)
{
    TonePreviewOutcome outcome;
    const AttenuatorMode mode = state.Settings.Attenuator;
    if (!AttenuatorModePlays(mode)) {
        return outcome;
    }
    outcome.Attempted = true;
    const TestCondition& c = state.Current();
    const Tone tone = MakePreviewTone(state.Settings, c);
    const Wave silence(state.Settings.ToneDuration, SharedState::SampleRate);
    if (mode == AttenuatorMode::Kc35) {
        // The attenuator is set before the sound starts.
        if (const Result<> set = setToneLevel(c.ToneSPL); !set) {
            return Failure{set.Reason()};
        }
    }
    const bool left = state.Ear == EarSide::Left;
    outcome.FileWritten = tone.WriteStereoWav(wavPath, left ? tone : silence, left ? silence : tone).Ok();
    const bool toneRight = mode == AttenuatorMode::Kc35 || !left;
    const Result<SoundPlayed> played =
        toneRight ? tone.PlayStereo(sound, silence, tone) : tone.PlayStereo(sound, tone, silence);
    outcome.Played = played.Ok();
    outcome.Dropout = played.Ok() && played.Value() == SoundPlayed::WithDropout;
    return outcome;
}

Result<> TonePreviewResult(const TonePreviewOutcome& outcome, const std::string& workingFolder,
                           const std::string& deviceAdvice)
{
    if (!outcome.Attempted || (outcome.Played && outcome.FileWritten)) {
        return {};
    }
    const std::string file = "tone.wav could not be written in the working folder " + workingFolder + ".";
    if (outcome.Played) {
        return Failure{"The tone was played, but " + file};
    }
    if (outcome.FileWritten) {
        return Failure{"The sound device did not play the tone. " + deviceAdvice};
    }
    return Failure{"The tone was not played and " + file + " " + deviceAdvice};
}
