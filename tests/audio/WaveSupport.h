#pragma once

#include "Wave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

// A silent wave of exactly `count` samples (half a sample of extra duration keeps the
// truncation from losing one to rounding).
inline Wave WaveOfLength(std::uint32_t count, int rate = 44100)
{
    return Wave((static_cast<float>(count) + 0.5f) * 1000.0f / static_cast<float>(rate), rate);
}

// The largest magnitude among samples [first, last) of `w`.
inline double PeakBetween(const Wave& w, std::uint32_t first, std::uint32_t last)
{
    double peak = 0.0;
    for (std::uint32_t i = first; i < std::min(last, w.SampleCount()); ++i) {
        peak = std::max(peak, static_cast<double>(std::fabs(w.Samples()[i])));
    }
    return peak;
}

// A tone of constant amplitude that rises from silence at `start` over a raised-cosine ramp of
// `ramp` samples: half its amplitude at most in the ramp's first half, full amplitude after it.
inline void ExpectRampOf(const Wave& tone, std::uint32_t start, std::uint32_t ramp)
{
    const double full = PeakBetween(tone, start + ramp, start + 2 * ramp);
    EXPECT_EQ(tone.Samples()[start], 0.0f);
    EXPECT_LE(PeakBetween(tone, start, start + ramp / 2), full * 0.5 + 1e-3);
    EXPECT_GT(PeakBetween(tone, start + ramp / 2, start + ramp), full * 0.5);
    EXPECT_NEAR(PeakBetween(tone, start + ramp - ramp / 20, start + ramp), full, full * 0.01);
}
