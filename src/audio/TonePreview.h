#pragma once

#include "Result.h"
#include "SharedState.h"

#include <functional>
#include <string>

class SoundOutput;

// What a press of "Tone" did.
struct TonePreviewOutcome {
    bool Attempted = false;    // the mode plays something (software or KC35)
    bool FileWritten = false;  // "tone.wav" was written whole
    bool Played = false;       // the sound device played the tone
    bool Dropout = false;      // ... but lost frames while playing it: the tone had a gap
};

// The tone preview of the current condition: synthesises the tone, writes it to `wavPath`
// with the tone on the chosen ear's side and plays it once. In KC35 mode `setToneLevel` first
// sets attenuator channel 2 to the tone level (whole dB SPL) and the tone is played unscaled
// on the right output, which that channel carries; a level it cannot set fails the preview
// with its reason before anything is written or played. Modes that play nothing
// (AttenuatorModePlays) do nothing at all, not even check the settings. Refuse settings the
// preview's gate cannot honour before calling (CheckPreviewTone).
Result<TonePreviewOutcome> PlayTonePreview(const SharedState& state, SoundOutput& sound,
                                           const std::function<Result<>(float toneLevel)>& setToneLevel,
                                           const std::string& wavPath = "tone.wav");

// How a preview went, as the operator is told of it: a failure's reason says in one message
// whether the tone was heard and whether "tone.wav" was written in `workingFolder`, with
// `deviceAdvice` when the sound device failed. Ok when all went well.
Result<> TonePreviewResult(const TonePreviewOutcome& outcome, const std::string& workingFolder,
                           const std::string& deviceAdvice);
