#pragma once

#include <optional>
#include <string>

// Files a quorvex-sim command was told to read. A file that cannot be read is reported on
// standard error as "quorvex-sim: cannot read 'PATH': REASON", the reason in the system's words.

// The whole content of `path`, or nothing (after the report) when it cannot be read.
std::optional<std::string> ReadCommandFile(const std::string& path);
