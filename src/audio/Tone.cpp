#include "Tone.h"

#include "SampleCount.h"

#include <cmath>

Tone::Tone(float durationMs, int sampleRate, float frequency, float rms)
{
    Synthesise(durationMs, sampleRate, frequency, rms, 0.0f);
}

Tone::Tone(float durationMs, int sampleRate, float frequency, float rms, float phase)
{
    Synthesise(durationMs, sampleRate, frequency, rms, phase);
}

void Tone::Regenerate(float durationMs, int sampleRate, float frequency, float rms)
{
    Synthesise(durationMs, sampleRate, frequency, rms, 0.0f);
}

void Tone::Synthesise(float durationMs, int sampleRate, float frequency, float rms, float phase)
{
    const auto peak = static_cast<float>(rms * 1.4142136);
    Reshape(sampleRate, SamplesFor(sampleRate, durationMs));
    constexpr double pi = 3.141592653589793;
    const std::span<float> samples = Samples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(
            std::sin(2.0 * pi * frequency * static_cast<double>(i) / sampleRate + phase) * peak);
    }
}
