#pragma once

#include "ParameterFile.h"

#include <optional>
#include <string>
#include <system_error>

// Tells standard error "quorvex-sim: cannot read 'PATH': <the system's reason>".
void ReportUnreadable(const std::string& path, std::error_code error);
// The whole of a file a command was given, or nothing after ReportUnreadable.
std::optional<std::string> ReadNamedFile(const std::string& path);

// Loads the test-condition file a command was given. Unlike "Parameters", a file that cannot
// be read is refused rather than replaced by defaults: a rehearsal or an inspection must use the
// file the lab named. Refusals go to standard error, and so does each value that took its
// default because it was unreadable ("quorvex-sim: PATH: [Cond1] StartF = 5OO -> default used").
std::optional<ParameterLoad> LoadNamedParameterFile(const std::string& command, const std::string& path);
