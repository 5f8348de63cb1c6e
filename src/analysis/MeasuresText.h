#pragma once

#include "CurveMeasures.h"

#include <string>

// The measures as the program states them wherever it shows them (analyze, the graph window,
// the report), each number to the step its quantity can tell (NumberFormat.h); the settings
// and thresholds they name as the files give them.

// "2.5 %", with " (off-frequency: 20 % or more)" when it reaches `criterionPercent`.
std::string DescribeShift(double shiftPercent, double criterionPercent);
// "1003 Hz at 34.1 dB SPL, shift 0.3 % (quadratic in log frequency over 25 points from 870 to
// 1149 Hz)", or "none: " and the reason; the shift marked as DescribeShift marks it.
std::string DescribeFittedTip(const CurveMeasures& measures, double criterionPercent);
// "-45.2 dB/octave (12 points from 500 to 901 Hz)", or "none: " and the reason.
std::string DescribeSlope(const SideSlope& slope);
// The methods' parameters and the flags' thresholds, in one line.
std::string DescribeParameters(const AnalysisParameters& parameters);
