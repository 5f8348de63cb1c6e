#pragma once

#include "SharedState.h"

#include <optional>
#include <string>

// Whether a run can honour the current condition and the settings. Returns a message for the
// operator naming the value that stops it, or nothing when the run can start. Numbers in the
// message use `decimalSeparator`.
std::optional<std::string> CheckRunConditions(const SharedState& state, char decimalSeparator);
