#include "EComPort.h"

#include <string>

namespace {

std::string Message(EComPort::Code code, int systemError)
{
    return std::string(EComPort::Text(code)) + " (error code: " + std::to_string(systemError) + ")";
}

}  // namespace

EComPort::EComPort(Code code, int systemError)
    : std::runtime_error(Message(code, systemError)), code_(code), systemError_(systemError)
{
}

const char* EComPort::Text(Code code)
{
    switch (code) {
    case Code::OpenFailed:
        return "Unable to open com port";
    case Code::WriteFailed:
        return "WriteFile function failed";
    case Code::SetCommState:
        return "SetCommState function failed";
    }
    return "Serial link error";
}
