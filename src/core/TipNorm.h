#pragma once

#include "TestCondition.h"

#include <string>

// The norm a tuning curve's tip is judged against (TipFinding.h), in % of ToneF.

// The norm as the test-condition file gives it ([Settings] NormalTipLow, NormalTipHigh,
// OffFrequencyShift), for upward sweeps, in % of ToneF.
struct TipNorm {
    double LowPercent = -3.0;
    double HighPercent = 10.0;
    double OffFrequencyPercent = 20.0;
};

TipNorm NormOf(const ExperimentSettings& settings);

// Why a norm cannot be used ("NormalTipLow (12) is not below NormalTipHigh (10)"); empty when
// it can: the range must be one and lie within the criterion on both sides.
std::string NormProblem(const TipNorm& norm);

