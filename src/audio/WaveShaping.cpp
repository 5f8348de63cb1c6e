// The signal-shaping operations of Wave: level, gating and random sections.
#include "Wave.h"

#include "RuntimeRandom.h"
#include "SampleCount.h"
#include "WaveFailure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

bool Wave::Scale(double factor)
{
    // Without branches, so that the compiler vectorises the loop.
    int clipped = 0;
    for (float& s : samples_) {
        float scaled = static_cast<float>(s * factor);
        clipped |= static_cast<int>(scaled > FullScale) | static_cast<int>(scaled < -FullScale);
        scaled = scaled > FullScale ? FullScale : scaled;
        scaled = scaled < -FullScale ? -FullScale : scaled;
        s = scaled;
    }
    return clipped == 0;
}

bool Wave::SetRms(float target)
{
    const auto rms = static_cast<float>(Rms());
    if (rms == 0.0f) {
        return true;
    }
    return Scale(target / rms);
}

bool Wave::ScaleDb(float gainDb)
{
    return Scale(std::pow(10.0, 0.05 * gainDb));
}

void Wave::Gate(float leadingMs, float onMs, float trailingMs, float rampMs)
{
    // Positions in 64 bits: the sums of the four counts cannot wrap, and every span is cut
    // at the end of the buffer.
    const auto count = [this](float ms) { return static_cast<std::int64_t>(SamplesFor(sampleRate_, ms)); };
    const std::int64_t n = static_cast<std::int64_t>(samples_.size());
    const std::int64_t d = count(leadingMs);
    const std::int64_t onEnd = d + count(onMs);
    const std::int64_t offEnd = onEnd + count(trailingMs);
    const std::int64_t k = count(rampMs);
    const auto zero = [this, n](std::int64_t from, std::int64_t to) {
        from = std::clamp<std::int64_t>(from, 0, n);
        to = std::clamp<std::int64_t>(to, from, n);
        std::fill(samples_.begin() + from, samples_.begin() + to, 0.0f);
    };
    zero(0, d);
    zero(onEnd, offEnd);

    const auto weight = [k](std::int64_t i) {
        return (1.0 - std::cos(3.1415927 / static_cast<double>(k) * static_cast<double>(i))) * 0.5;
    };
    // The weights of the ramp positions that can lie inside the buffer, computed once for both
    // ramps and kept for the next gate of the same ramp (a run gates every trial's masker
    // alike); ramps longer than a few seconds, and the positions of a falling ramp cut at the
    // buffer's end, are computed where they are needed.
    constexpr std::int64_t longestKeptRamp = 1 << 18;
    thread_local std::vector<double> weights;
    thread_local std::int64_t weightsRamp = -1;
    const auto kept = static_cast<std::size_t>(std::clamp<std::int64_t>(std::min(k, n), 0, longestKeptRamp));
    if (weightsRamp != k || weights.size() < kept) {
        weights.resize(kept);
        for (std::size_t i = 0; i < kept; ++i) {
            weights[i] = weight(static_cast<std::int64_t>(i));
        }
        weightsRamp = k;
    }
    const auto rampWeight = [&](std::int64_t i) {
        return static_cast<std::size_t>(i) < weights.size() ? weights[static_cast<std::size_t>(i)] : weight(i);
    };
    // The rising ramp runs forward from d, the falling one backward from onEnd - 1; each
    // covers only the ramp positions that lie inside the buffer.
    const std::int64_t risingEnd = std::min(k, n - d);
    for (std::int64_t i = 0; i < risingEnd; ++i) {
        samples_[static_cast<std::size_t>(d + i)] *= rampWeight(i);
    }
    const std::int64_t fallingFirst = std::max<std::int64_t>(0, onEnd - n);
    const std::int64_t fallingEnd = std::min(k, onEnd);
    for (std::int64_t i = fallingFirst; i < fallingEnd; ++i) {
        samples_[static_cast<std::size_t>(onEnd - 1 - i)] *= rampWeight(i);
    }
}

void Wave::AddRandomSection(const Wave& source, float offsetMs, float lengthMs)
{
    const int rate = source.sampleRate_;
    // The same count as a buffer of that duration, so that a section cut to fill one fits it.
    const std::uint32_t count = SamplesFor(rate, lengthMs);
    const std::uint32_t dest = SamplesFor(rate, offsetMs);
    // Every start that keeps the section inside the source is equally likely, so the sections
    // of a run come from the whole source and together have its level.
    const std::uint64_t starts =
        count <= source.SampleCount() ? std::uint64_t{source.SampleCount()} - count + 1 : 0;
    const std::uint32_t start = SharedRuntimeRandom().Below(starts);
    if (std::uint64_t{SampleCount()} < std::uint64_t{dest} + count) {
        RefuseWaveMisuse("a section does not fit the sound it is added to");
    }
    if (std::uint64_t{start} + count > source.SampleCount()) {
        RefuseWaveMisuse("a section of " + std::to_string(count) + " samples is longer than its source of "
                         + std::to_string(source.SampleCount()));
    }
    if (sampleRate_ != rate) {
        RefuseWaveMisuse("a section's sample rate is not the sound's");
    }
    float* to = samples_.data() + dest;
    const float* from = source.samples_.data() + start;
    for (std::size_t i = 0; i < count; ++i) {
        to[i] += from[i];
    }
}
