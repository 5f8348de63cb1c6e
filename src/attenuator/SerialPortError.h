#pragma once

#include "Result.h"

#include <string>

// What failed on the serial link.
enum class SerialFault {
    OpenFailed,            // the port cannot be opened (absent, in use)
    WriteFailed,           // a write cannot be started or reports failure
    LineSettingsRefused,   // the line settings are refused
};

// A failure of the serial link. The reason says what failed on which port, the system's
// reason and its error number, e.g. "Cannot open the serial port /dev/ttyS0: No such file or
// directory (error code: 2)". `port` is the device path; empty where it is not known.
Failure SerialPortError(SerialFault fault, int systemError, const std::string& port = {});
