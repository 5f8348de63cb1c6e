#include "CalibrationStoreFolder.h"

#include <stdlib.h>

#include <filesystem>

namespace {

std::string Variable(const char* name)
{
    const char* value = ::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::string CalibrationStoreFolder()
{
    if (std::string moved = Variable(CalibrationStoreVariable); !moved.empty()) {
        return moved;
    }
    std::filesystem::path data = Variable("XDG_DATA_HOME");
    if (data.empty() || !data.is_absolute()) {
        data = std::filesystem::path(Variable("HOME")) / ".local" / "share";
    }
    return (data / "quorvex" / "calibration").string();
}

void MoveCalibrationStore(const std::string& folder)
{
    ::setenv(CalibrationStoreVariable, folder.c_str(), 1);
}
