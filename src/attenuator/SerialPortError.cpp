#include "SerialPortError.h"

#include <cstring>
#include <string>

namespace {

std::string Message(SerialPortError::Code code, int systemError, const std::string& port)
{
    const std::string reason = systemError != 0 ? std::strerror(systemError) : "no reason given by the system";
    return std::string(SerialPortError::Text(code)) + (port.empty() ? std::string() : " " + port) + ": " + reason
           + " (error code: " + std::to_string(systemError) + ")";
}

}  // namespace

SerialPortError::SerialPortError(Code code, int systemError, const std::string& port)
    : std::runtime_error(Message(code, systemError, port)), code_(code), systemError_(systemError)
{
}

const char* SerialPortError::Text(Code code)
{
    switch (code) {
    case Code::OpenFailed:
        return "Cannot open the serial port";
    case Code::WriteFailed:
        return "Cannot write to the serial port";
    case Code::SetCommState:
        return "Cannot apply the line settings (baud rate, data bits, parity, stop bits, flow control) to the "
               "serial port";
    }
    return "Serial link error";
}
