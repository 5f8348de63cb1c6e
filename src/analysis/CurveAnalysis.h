#pragma once

#include "TestCondition.h"

#include <optional>
#include <string>
#include <vector>

// The shape of a measured tuning curve: its tip and its sharpness Q10.
//
// A swept-masker track zig-zags: a press is recorded just below the listener's threshold, a
// release just above it, one after the other. The points are put in frequency order and
// smoothed with a running mean over five neighbours weighted 1/8, 1/4, 1/4, 1/4, 1/8 (the
// frequency as the same mean of its logarithm). Whatever point is in the middle, the presses
// and the releases in such a window weigh one half each, so the zig-zag cancels instead of
// pulling the curve towards whichever kind happens to be in the majority, and the window is
// still short (two reversal pairs) next to the width of a tip. The two points at each end
// have no full window and are left out of the smoothed curve.
struct CurveAnalysis {
    static constexpr int SmoothingWidth = 5;

    int Points = 0;                       // usable points (finite, frequency above 0)
    std::vector<ResultPoint> Smoothed;    // the smoothed curve, in frequency order
    std::optional<ResultPoint> Tip;       // the smoothed curve's lowest point
    std::string TipProblem;               // why there is no tip
    // Where the smoothed curve first reaches 10 dB above the tip on each side (interpolated
    // linearly between the smoothed points around the crossing), and tip frequency / width.
    std::optional<double> LowHz;
    std::optional<double> HighHz;
    std::optional<double> Q10;
    std::string Q10Problem;               // why there is no Q10
};

CurveAnalysis AnalyseCurve(const std::vector<ResultPoint>& points);

// The points an analysis can use (finite, frequency above 0), in frequency order; points of
// one frequency keep their recorded order.
std::vector<ResultPoint> UsablePointsInFrequencyOrder(const std::vector<ResultPoint>& points);

// The tip and Q10 of a curve that is smooth already (a combined curve), in frequency order:
// its points are taken as they are, and Points counts them.
CurveAnalysis AnalyseSmoothedCurve(std::vector<ResultPoint> smoothed);

// The tip and Q10 as the program states them wherever it shows them, each number to the step
// its quantity can tell (NumberFormat.h): "1000 Hz at 34.5 dB SPL", "5.20 (10 dB above the tip
// from 905 to 1097 Hz)", or "cannot be computed: " and the reason.
std::string DescribeTip(const CurveAnalysis& analysis);
std::string DescribeQ10(const CurveAnalysis& analysis);
