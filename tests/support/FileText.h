#pragma once

#include "WholeFile.h"

#include <filesystem>
#include <string>

// A file's bytes for a test to look at, read as the program reads its files; empty when the
// file cannot be read (a missing file is one the test's own checks then find wanting).
inline std::string FileText(const std::filesystem::path& path)
{
    return ReadWholeFile(path.string()).Text;
}
