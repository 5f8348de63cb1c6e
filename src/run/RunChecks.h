#pragma once

#include "Result.h"
#include "SharedState.h"

// Whether a run can honour the current condition and the settings. Refuses with a message for
// the operator naming the value that stops it; Ok when the run can start. Numbers in the
// message use `decimalSeparator`.
Result<> CheckRunConditions(const SharedState& state, char decimalSeparator);

// Whether a threshold run can honour the current condition's tone and the threshold settings.
Result<> CheckThresholdRun(const SharedState& state, char decimalSeparator);
