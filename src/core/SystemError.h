#pragma once

#include <cerrno>
#include <system_error>

// The error of the system call that just failed, as an error code the caller can report. A
// failure that left errno at 0 (a short write to a full disk, for one) still reads as an
// input/output error rather than as success.
inline std::error_code LastSystemError()
{
    return {errno != 0 ? errno : EIO, std::generic_category()};
}
