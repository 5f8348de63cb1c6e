#pragma once

#include <optional>
#include <vector>

// The threshold in quiet a threshold run measured: the mean of the levels at its last
// reversals (the turning points of the tone's track), with their standard deviation.

// Reversals the estimate averages: the first ones are the track's descent from a level far
// above threshold.
inline constexpr int ThresholdReversalsAveraged = 6;

struct ThresholdEstimate {
    double Level = 0.0;  // dB SPL
    double Sd = 0.0;     // dB, of the reversals averaged (n - 1 in the denominator; 0 for one)
    int Averaged = 0;    // reversals averaged: ThresholdReversalsAveraged, or all when fewer
};

// The estimate from the reversal levels in their order; nothing without a reversal.
std::optional<ThresholdEstimate> EstimateThreshold(const std::vector<float>& reversalLevels);
