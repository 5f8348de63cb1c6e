#include "Wave.h"

#include "SampleCount.h"
#include "WaveFailure.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

Wave::Wave()
    : samples_(10000, 0.0f)
{
}

Wave::Wave(float durationMs, int sampleRate)
{
    Reshape(sampleRate, SamplesFor(sampleRate, durationMs));
}

void Wave::Reshape(int sampleRate, std::uint32_t sampleCount)
{
    if (sampleCount > MaxSampleCount) {
        throw std::length_error("a sound of " + std::to_string(sampleCount) + " samples is longer than the "
                                + std::to_string(MaxSampleCount) + " samples this program can hold");
    }
    sampleRate_ = sampleRate;
    samples_.resize(sampleCount, 0.0f);
}

double Wave::Rms() const
{
    if (samples_.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (float s : samples_) {
        sum += static_cast<double>(s) * s;
    }
    return std::sqrt(sum / static_cast<double>(samples_.size()));
}

double Wave::Peak() const
{
    float kept = 0.0f;
    for (float s : samples_) {
        if (std::fabs(s) > std::fabs(kept)) {
            kept = s;
        }
    }
    return kept;
}

bool Wave::Fill(float value)
{
    bool withinLimit = true;
    if (value > FullScale) {
        value = FullScale;
        withinLimit = false;
    }
    std::fill(samples_.begin(), samples_.end(), value);
    return withinLimit;
}

void Wave::AddConstant(float value)
{
    for (float& s : samples_) {
        s += value;
    }
}

void Wave::Multiply(const Wave& other)
{
    if (SampleCount() != other.SampleCount()) {
        RefuseWaveMisuse("Waveforms are of different length");
    }
    if (sampleRate_ != other.sampleRate_) {
        RefuseWaveMisuse("Waveform sample frequencies are not equal");
    }
    for (std::size_t i = 0; i < other.samples_.size(); ++i) {
        samples_[i] = other.samples_[i] * samples_[i];
    }
}

void Wave::Add(const Wave& other)
{
    if (other.SampleCount() > SampleCount()) {
        RefuseWaveMisuse("Original waveform is longer than that to be added");
    }
    if (sampleRate_ != other.sampleRate_) {
        RefuseWaveMisuse("Waveform sample frequencies are not equal");
    }
    for (std::size_t i = 0; i < other.samples_.size(); ++i) {
        samples_[i] += other.samples_[i];
    }
}

