#pragma once

#include <cstddef>
#include <string>
#include <system_error>

// The most a file read whole may hold: far more than any test-condition or results file, far
// less than the memory of the machines that read them.
inline constexpr std::size_t WholeFileLimit = std::size_t{16} << 20;

// A file read whole: its bytes, or the reason why it could not be read: the system's (a
// missing file, a directory, a read error part way through), a device that is not a file
// (/dev/zero would never end), or more than WholeFileLimit bytes.
struct WholeFile {
    std::string Text;
    std::error_code Error;
};

WholeFile ReadWholeFile(const std::string& path);
