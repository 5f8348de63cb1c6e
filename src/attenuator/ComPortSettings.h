#pragma once

#include <string>

// Line settings of the attenuator's serial port. The initial values are those the KC35 needs:
// 9600 baud, 7 data bits, even parity, 2 stop bits, RTS/CTS hardware handshake. They live in
// memory only; every start of the program begins with these.

enum class BaudRate {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000,
};
enum class DataBits { dbFive, dbSix, dbSeven, dbEight };
enum class StopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class ParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum class DtrControl { dtrDisable, dtrEnable, dtrHandshake };
enum class RtsControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

struct FlowControlSettings {
    bool OutCTSFlow = true;    // output waits for CTS
    bool OutDSRFlow = false;   // output waits for DSR
    DtrControl ControlDTR = DtrControl::dtrDisable;
    RtsControl ControlRTS = RtsControl::rtsHandshake;
    bool XonXoffOut = false;
    bool XonXoffIn = false;

    bool operator==(const FlowControlSettings&) const = default;
};

struct ComPortSettings {
    std::string Port;  // "ttyS0" (under /dev), an absolute device path, or "COM1" on Windows
    BaudRate Baud = BaudRate::br9600;
    int CustomBaudRate = 9600;  // used only with brCustom
    DataBits Data = DataBits::dbSeven;
    StopBits Stop = StopBits::sbTwoStopBits;
    ParityBits Parity = ParityBits::prEven;
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

// Bits per second of a baud-rate setting (brCustom: `custom`).
int BaudRateValue(BaudRate rate, int custom);

// The time bound of writing `count` bytes, in milliseconds.
int WriteTimeoutMs(const ComPortSettings& settings, int count);
