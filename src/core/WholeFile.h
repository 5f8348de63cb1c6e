#pragma once

#include <string>
#include <system_error>

// A file read whole: its bytes, or the system's reason why it could not be read (a missing
// file, a directory, a read error part way through).
struct WholeFile {
    std::string Text;
    std::error_code Error;
};

WholeFile ReadWholeFile(const std::string& path);
