#pragma once

#include "RecordingSoundOutput.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

// One channel of a two-channel 16-bit sound, from interleaved samples.
inline std::vector<std::int16_t> ChannelOf(const std::vector<std::int16_t>& interleaved, int channel)
{
    std::vector<std::int16_t> samples;
    for (std::size_t i = static_cast<std::size_t>(channel); i < interleaved.size(); i += 2) {
        samples.push_back(interleaved[i]);
    }
    return samples;
}

inline int PeakOf(const std::vector<std::int16_t>& samples)
{
    int peak = 0;
    for (const std::int16_t sample : samples) {
        peak = std::max(peak, sample < 0 ? -static_cast<int>(sample) : static_cast<int>(sample));
    }
    return peak;
}

// The interleaved samples after the 44-byte header of a two-channel 16-bit WAV file.
inline std::vector<std::int16_t> WavSamples(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> samples;
    for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<std::uint8_t>(bytes[i]);
        const auto high = static_cast<std::uint8_t>(bytes[i + 1]);
        samples.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8))));
    }
    return samples;
}

// The channel (0 left, 1 right) that carries sound; -1 if both or neither do.
inline int SoundingChannel(const std::vector<std::int16_t>& interleaved)
{
    const bool left = PeakOf(ChannelOf(interleaved, 0)) > 0;
    const bool right = PeakOf(ChannelOf(interleaved, 1)) > 0;
    return left == right ? -1 : (left ? 0 : 1);
}
