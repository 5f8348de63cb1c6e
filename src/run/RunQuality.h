#pragma once

#include "TestCondition.h"

#include <string>
#include <vector>

// The operator's line on a run's curve, for the session panel: the quality flags its points
// raise ("Quality flags: none." or each flag with its reason). Flags that need the trial log
// (the sweep, playback) are left to the run's summary.
std::string QualityLine(const std::vector<ResultPoint>& points, const TestCondition& condition);
