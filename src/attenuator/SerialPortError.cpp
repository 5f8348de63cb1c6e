#include "SerialPortError.h"

#include <cstring>

namespace {

const char* FaultText(SerialFault fault)
{
    switch (fault) {
    case SerialFault::OpenFailed:
        return "Cannot open the serial port";
    case SerialFault::WriteFailed:
        return "Cannot write to the serial port";
    case SerialFault::LineSettingsRefused:
        return "Cannot apply the line settings (baud rate, data bits, parity, stop bits, flow control) to the "
               "serial port";
    }
    return "Serial link error";
}

}  // namespace

Failure SerialPortError(SerialFault fault, int systemError, const std::string& port)
{
    const std::string reason = systemError != 0 ? std::strerror(systemError) : "no reason given by the system";
    return Failure{std::string(FaultText(fault)) + (port.empty() ? std::string() : " " + port) + ": " + reason
                   + " (error code: " + std::to_string(systemError) + ")"};
}
