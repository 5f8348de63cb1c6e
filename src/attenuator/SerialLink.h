#pragma once

#include "Result.h"

// The line to the attenuator, as the command protocol sees it: open, write, close. The real
// link is SerialPortLink; tests substitute a recording one.
class SerialLink {
public:
    virtual ~SerialLink() = default;
    // Does nothing when already connected. Fails (SerialPortError) when the port cannot be opened.
    virtual Result<> Open() = 0;
    // Sends `count` bytes and gives how many were transferred. Fails (SerialPortError) when the
    // write fails or the link is not open.
    virtual Result<int> Write(const char* buffer, int count) = 0;
    // Does nothing when not connected.
    virtual void Close() = 0;
    virtual bool Connected() const = 0;
    // The line's speed, for how long a byte takes on it (a start bit, 7 data bits, parity and
    // two stop bits: 11 bits a byte).
    virtual int BitsPerSecond() const { return 9600; }
};
