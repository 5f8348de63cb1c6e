#include "Wave.h"

#include "SampleCount.h"
#include "WaveFailure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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
    // The largest magnitude of each block of samples, compared as the bit patterns of the
    // magnitudes, which order like the values and make a loop the compiler vectorises; a NaN
    // (a pattern above infinity's) counts as 0, as it never won a comparison. Then the first
    // sample with the largest of them, searched for in the first block that has it.
    constexpr std::size_t block = 1024;
    const std::size_t n = samples_.size();
    std::int32_t largest = 0;
    std::size_t largestBlock = 0;
    for (std::size_t first = 0; first < n; first += block) {
        const std::size_t end = std::min(n, first + block);
        std::int32_t blockLargest = 0;
        for (std::size_t i = first; i < end; ++i) {
            std::int32_t bits = 0;
            std::memcpy(&bits, &samples_[i], sizeof bits);
            bits &= 0x7fffffff;
            bits = bits > 0x7f800000 ? 0 : bits;
            blockLargest = bits > blockLargest ? bits : blockLargest;
        }
        if (blockLargest > largest) {
            largest = blockLargest;
            largestBlock = first;
        }
    }
    if (largest == 0) {
        return 0.0;
    }
    float magnitude = 0.0f;
    std::memcpy(&magnitude, &largest, sizeof magnitude);
    for (std::size_t i = largestBlock; i < n; ++i) {
        if (std::fabs(samples_[i]) == magnitude) {
            return samples_[i];
        }
    }
    return 0.0;
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

