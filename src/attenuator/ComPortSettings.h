#pragma once

#include <string>

// Line settings of the attenuator's serial port. The initial values are those the KC35 needs:
// 9600 baud, 7 data bits, even parity, 2 stop bits, RTS/CTS hardware handshake. They live in
// memory only; every start of the program begins with these.

enum class BaudRate {
    Custom, Baud110, Baud300, Baud600, Baud1200, Baud2400, Baud4800, Baud9600, Baud14400, Baud19200, Baud38400,
    Baud56000, Baud57600, Baud115200, Baud128000, Baud256000,
};
enum class DataBits { Five, Six, Seven, Eight };
enum class StopBits { One, OneAndHalf, Two };
enum class ParityBits { None, Odd, Even, Mark, Space };
enum class DtrControl { Disable, Enable, Handshake };
enum class RtsControl { Disable, Enable, Handshake, Toggle };

struct FlowControlSettings {
    bool OutCTSFlow = true;    // output waits for CTS
    bool OutDSRFlow = false;   // output waits for DSR
    DtrControl ControlDTR = DtrControl::Disable;
    RtsControl ControlRTS = RtsControl::Handshake;
    bool XonXoffOut = false;
    bool XonXoffIn = false;

    bool operator==(const FlowControlSettings&) const = default;
};

struct ComPortSettings {
    std::string Port;  // "ttyS0" (under /dev), an absolute device path, or "COM1" on Windows
    BaudRate Baud = BaudRate::Baud9600;
    int CustomBaudRate = 9600;  // used only with Custom
    DataBits Data = DataBits::Seven;
    StopBits Stop = StopBits::Two;
    ParityBits Parity = ParityBits::Even;
    FlowControlSettings FlowControl;
    int InputBufferSize = 1024;
    int WriteTotalMultiplier = 100;  // ms per byte of a write
    int WriteTotalConstant = 1000;   // ms added to every write

    bool operator==(const ComPortSettings&) const = default;
};

// The port used when the test-condition file names none: ttyS0 on Linux, COM1 on Windows.
std::string DefaultPortName();

// The device a port name stands for: a bare name lives under /dev, a path is used as it is.
// On Windows the name is handed to the system unchanged.
std::string DevicePath(const std::string& portName);

// Bits per second of a baud-rate setting (Custom: `custom`).
int BaudRateValue(BaudRate rate, int custom);

// The time bound of writing `count` bytes, in milliseconds.
int WriteTimeoutMs(const ComPortSettings& settings, int count);
