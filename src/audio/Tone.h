#pragma once

#include "Wave.h"

// A sine tone: sin(2 pi f i / rate + phase) x amplitude, where the amplitude is the requested
// RMS x 1.4142136.
class Tone : public Wave {
public:
    Tone(float durationMs, int sampleRate, float frequency, float rms);
    Tone(float durationMs, int sampleRate, float frequency, float rms, float phase);

    // Refills the tone in place at phase 0, keeping its storage when the length is unchanged:
    // the run retunes its carrier this way in every trial.
    void Regenerate(float durationMs, int sampleRate, float frequency, float rms);

private:
    void Synthesise(float durationMs, int sampleRate, float frequency, float rms, float phase);
};
