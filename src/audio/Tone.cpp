#include "Tone.h"

#include "SampleCount.h"

#include <algorithm>
#include <array>
#include <cmath>

Tone::Tone(float durationMs, int sampleRate, float frequency, float rms)
{
    Synthesise(durationMs, sampleRate, frequency, rms, 0.0f);
}

Tone::Tone(float durationMs, int sampleRate, float frequency, float rms, float phase)
{
    Synthesise(durationMs, sampleRate, frequency, rms, phase);
}

void Tone::Regenerate(float durationMs, int sampleRate, float frequency, float rms, SineSynthesis synthesis)
{
    if (synthesis == SineSynthesis::Rotation) {
        SynthesiseByRotation(durationMs, sampleRate, frequency, rms);
    } else {
        Synthesise(durationMs, sampleRate, frequency, rms, 0.0f);
    }
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

void Tone::SynthesiseByRotation(float durationMs, int sampleRate, float frequency, float rms)
{
    // Blocks of 512 samples; the table of the sines and cosines of 0 to 511 steps is itself
    // made by rotation, from those of 0 to 31 steps and of 0 to 15 times 32 steps.
    constexpr std::size_t fine = 32;
    constexpr std::size_t block = fine * 16;
    const auto peak = static_cast<float>(rms * 1.4142136);
    Reshape(sampleRate, SamplesFor(sampleRate, durationMs));
    constexpr double pi = 3.141592653589793;
    const double step = 2.0 * pi * frequency / sampleRate;
    std::array<double, block> stepSin{};
    std::array<double, block> stepCos{};
    for (std::size_t coarse = 0; coarse < block; coarse += fine) {
        const double coarseSin = std::sin(step * static_cast<double>(coarse));
        const double coarseCos = std::cos(step * static_cast<double>(coarse));
        for (std::size_t k = 0; k < fine; ++k) {
            const double s = coarse == 0 ? std::sin(step * static_cast<double>(k)) : stepSin[k];
            const double c = coarse == 0 ? std::cos(step * static_cast<double>(k)) : stepCos[k];
            stepSin[coarse + k] = coarseSin * c + coarseCos * s;
            stepCos[coarse + k] = coarseCos * c - coarseSin * s;
        }
    }
    const std::span<float> samples = Samples();
    for (std::size_t first = 0; first < samples.size(); first += block) {
        // The block's first phase as the exact synthesis computes it, so that no error accumulates.
        const double phase = 2.0 * pi * frequency * static_cast<double>(first) / sampleRate;
        const double s = std::sin(phase);
        const double c = std::cos(phase);
        const std::size_t count = std::min(block, samples.size() - first);
        float* out = samples.data() + first;
        for (std::size_t k = 0; k < count; ++k) {
            out[k] = static_cast<float>((s * stepCos[k] + c * stepSin[k]) * peak);
        }
    }
}
