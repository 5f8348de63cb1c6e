#pragma once

#include "SoundOutput.h"

#include <cstdint>
#include <vector>

// Left sample i at 2i, right at 2i + 1; refused when the buffer cannot be had.
Result<std::vector<std::int16_t>> InterleaveTwoChannel(std::uint32_t frameCount, const std::int16_t* left,
                                               const std::int16_t* right);

// Interleaves two 16-bit channels (left sample i at 2i, right at 2i + 1) and plays them as
// one buffer on `output`. Returns PlayPcm's result.
Result<SoundPlayed> PlayTwoChannel(SoundOutput& output, int sampleRate, std::uint32_t frameCount,
                                   const std::int16_t* left, const std::int16_t* right);
