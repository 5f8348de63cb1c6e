#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Deterministic 16-bit noise, uniform in [-amplitude, amplitude]. Unlike a tone it matches a
// shifted copy of itself nowhere, so its position in a recording is unambiguous.
inline std::vector<std::int16_t> NoiseWave(std::uint32_t seed, int amplitude, std::size_t frames)
{
    std::vector<std::int16_t> wave(frames);
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        wave[i] = static_cast<std::int16_t>(static_cast<int>((state >> 8) % (2u * amplitude + 1u)) - amplitude);
    }
    return wave;
}

// Where `expected` (one channel) starts in `recorded` (interleaved stereo, channel `channel`):
// the offset whose window of the expected sound's middle best matches the recording.
inline std::optional<std::size_t> FindStart(const std::vector<std::int32_t>& recorded, int channel,
                                            const std::vector<std::int16_t>& expected)
{
    const std::size_t recordedFrames = recorded.size() / 2;
    const std::size_t window = std::min<std::size_t>(1024, expected.size());
    const std::size_t middle = (expected.size() - window) / 2;
    std::optional<std::size_t> best;
    double bestError = 0.0;
    for (std::size_t at = middle; at + window <= recordedFrames; ++at) {
        double error = 0.0;
        for (std::size_t i = 0; i < window && (!best || error < bestError); ++i) {
            const double d = recorded[2 * (at + i) + channel] - expected[middle + i];
            error += d * d;
        }
        if (!best || error < bestError) {
            best = at - middle;
            bestError = error;
        }
    }
    return best;
}

// Root mean square of channel `channel` of interleaved stereo frames [first, first + count).
inline double ChannelRms(const std::vector<std::int32_t>& frames, int channel, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = first; i < first + count && 2 * i + 1 < frames.size(); ++i) {
        const double v = frames[2 * i + channel];
        sum += v * v;
    }
    return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}

inline double Rms(const std::vector<std::int16_t>& wave, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = first; i < first + count && i < wave.size(); ++i) {
        sum += static_cast<double>(wave[i]) * wave[i];
    }
    return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}
