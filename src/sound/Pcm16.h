#pragma once

#include <cstdint>

// Converts a float sample in 16-bit units to the signed 16-bit value that goes to a file or
// the sound device: truncated toward zero, and saturated at -32768 and 32767 so that a sum
// that overshoots full scale is heard as a flat top, never as a wrapped full-scale click.
// A NaN sample becomes 0.
std::int16_t ToPcm16(float sample);
