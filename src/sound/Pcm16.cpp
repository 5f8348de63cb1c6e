#include "Pcm16.h"

#include <cmath>

std::int16_t ToPcm16(float sample)
{
    if (std::isnan(sample)) {
        return 0;
    }
    if (sample >= 32767.0f) {
        return 32767;
    }
    if (sample <= -32768.0f) {
        return -32768;
    }
    return static_cast<std::int16_t>(static_cast<int>(sample));
}
