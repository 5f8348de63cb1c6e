#pragma once

#include "ParameterFile.h"

#include <optional>
#include <string>

// Loads the test-condition file a command was given. Unlike "Parameters", a file that cannot
// be read is refused rather than replaced by defaults: a rehearsal or an inspection must use the
// file the lab named. Refusals are written to standard error as "quorvex-sim COMMAND: ...".
std::optional<ParameterSet> LoadNamedParameterFile(const std::string& command, const std::string& path);
