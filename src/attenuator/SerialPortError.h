#pragma once

#include <stdexcept>
#include <string>

// A failure of the serial link. The message says what failed on which port, the system's
// reason and its error number, e.g. "Cannot open the serial port /dev/ttyS0: No such file or
// directory (error code: 2)".
class SerialPortError : public std::runtime_error {
public:
    enum class Code {
        OpenFailed,       // the port cannot be opened (absent, in use)
        WriteFailed,      // a write cannot be started or reports failure
        SetCommState,     // the line settings are refused
    };

    // `port` is the device path; empty where it is not known.
    SerialPortError(Code code, int systemError, const std::string& port = {});

    Code code() const { return code_; }
    int systemError() const { return systemError_; }

    static const char* Text(Code code);

private:
    Code code_;
    int systemError_;
};
