#pragma once

#include "HeadphoneResponse.h"
#include "TestCondition.h"

#include <string>
#include <vector>

// The operator's line on a run's curve, for the session panel: the quality flags its points
// raise and those of the calibration it was measured with ("calibration overdue", "no
// listening check"), or "Quality flags: none.". Flags that need the trial log (the sweep,
// playback) are left to the run's summary.
std::string QualityLine(const std::vector<ResultPoint>& points, const TestCondition& condition,
                        const CalibrationInUse& calibration = {});

// The calibration's flags of a run measured with `calibration`; none without a profile.
std::vector<std::string> CalibrationFlags(const CalibrationInUse& calibration);
