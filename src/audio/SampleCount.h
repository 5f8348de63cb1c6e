#pragma once

#include <cstdint>

// Truncates a sample count computed in floating point toward zero. Negative, zero and NaN
// values give 0 and values beyond the 32-bit range (infinity included) saturate at its largest
// value, so a hostile duration never turns into a huge count by wrapping or into a small one
// by overflow. Callers that index a buffer still clamp against its length.
std::uint32_t TruncateCount(double exact);

// The sample count of `durationMs` at `sampleRate`: rate x duration (in single precision, as
// the durations are) x 0.001. Every count of a duration comes from here (buffers, gates,
// sections), so that counts of the same duration always agree. A rate below 1 gives 0.
std::uint32_t SamplesFor(int sampleRate, float durationMs);
