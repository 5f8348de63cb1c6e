#pragma once

#include "ParameterFile.h"
#include "Result.h"

#include <optional>
#include <string>

// The whole of a file a command was given. A file that cannot be read fails with "cannot read
// 'PATH': <the system's reason>", which standard error has already been told after
// "quorvex-sim: ".
Result<std::string> ReadNamedFile(const std::string& path);

// Loads the test-condition file a command was given. Unlike "Parameters", a file that cannot
// be read is refused rather than replaced by defaults: a rehearsal or an inspection must use the
// file the lab named. Refusals go to standard error, and so does each value that took its
// default because it was unreadable ("quorvex-sim: PATH: [Cond1] StartF = 5OO -> default used").
std::optional<ParameterLoad> LoadNamedParameterFile(const std::string& command, const std::string& path);
