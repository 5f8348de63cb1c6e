#include "TonePreview.h"

#include "Stimuli.h"

TonePreviewOutcome PlayTonePreview(const SharedState& state, SoundOutput& sound,
                                   const std::function<void(float toneLevel)>& setToneLevel,
                                   const std::string& wavPath)
{
    TonePreviewOutcome outcome;
    const int mode = state.Settings.Attenuator;
    if (mode != 1 && mode != 2) {
        return outcome;
    }
    outcome.Attempted = true;
    const TestCondition& c = state.Current();
    const Tone tone = MakePreviewTone(state.Settings, c);
    const Wave silence(state.Settings.ToneDuration, SharedState::SampleRate);
    if (mode == 2) {
        setToneLevel(c.ToneSPL);  // the attenuator is set before the sound starts
    }
    const bool left = state.Ear == 0;
    outcome.FileWritten = tone.WriteStereoWav(wavPath, left ? tone : silence, left ? silence : tone);
    if (mode == 2 || !left) {
        outcome.Played = tone.PlayStereo(sound, silence, tone, &outcome.Dropout);
    } else {
        outcome.Played = tone.PlayStereo(sound, tone, silence, &outcome.Dropout);
    }
    return outcome;
}
