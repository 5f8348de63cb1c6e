#pragma once

#include <stdexcept>

// A failure of the serial link. The message is the text of the failing step followed by the
// operating system's error number, e.g. "Unable to open com port (error code: 2)".
class EComPort : public std::runtime_error {
public:
    enum class Code {
        OpenFailed,       // the port cannot be opened (absent, in use)
        WriteFailed,      // a write cannot be started or reports failure
        SetCommState,     // the line settings are refused
    };

    EComPort(Code code, int systemError);

    Code code() const { return code_; }
    int systemError() const { return systemError_; }

    static const char* Text(Code code);

private:
    Code code_;
    int systemError_;
};
