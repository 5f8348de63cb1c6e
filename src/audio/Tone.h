#pragma once

#include "Wave.h"

// How a tone's samples are computed: each with the library's sine, as every sound that goes to a
// device is; or by rotation, the sine of every 512th sample's phase turned on by a table of the
// sines and cosines of one to 511 steps (within about 1e-12 of the library's values, some ten
// times faster), for the virtual listener's stimuli.
enum class SineSynthesis { Exact, Rotation };

// A sine tone: sin(2 pi f i / rate + phase) x amplitude, where the amplitude is the requested
// RMS x 1.4142136.
class Tone : public Wave {
public:
    Tone(float durationMs, int sampleRate, float frequency, float rms);
    Tone(float durationMs, int sampleRate, float frequency, float rms, float phase);

    // Refills the tone in place at phase 0, keeping its storage when the length is unchanged:
    // the run retunes its carrier this way in every trial.
    void Regenerate(float durationMs, int sampleRate, float frequency, float rms,
                    SineSynthesis synthesis = SineSynthesis::Exact);

private:
    void Synthesise(float durationMs, int sampleRate, float frequency, float rms, float phase);
    void SynthesiseByRotation(float durationMs, int sampleRate, float frequency, float rms);
};
