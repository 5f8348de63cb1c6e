#pragma once

#include "SoundOutput.h"

#include <cstdint>

// Interleaves two 16-bit channels (left sample i at 2i, right at 2i + 1) and plays them as
// one buffer on `output`. Returns PlayPcm's result: 0 played, -1 not played.
int PlayTwoChannel(SoundOutput& output, int sampleRate, std::uint32_t frameCount, const std::int16_t* left,
                   const std::int16_t* right);
