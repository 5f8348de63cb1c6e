#pragma once

#include "ComPortSettings.h"
#include "SerialPortError.h"
#include "SerialLink.h"

#include <memory>
#include <string>

class QSerialPort;

// The attenuator's serial port on Qt SerialPort. It only transmits: nothing is read and no
// port event is used. The device is opened exclusively around each command group.
class SerialPortLink final : public SerialLink {
public:
    explicit SerialPortLink(std::string port = DefaultPortName());
    ~SerialPortLink() override;
    SerialPortLink(const SerialPortLink&) = delete;
    SerialPortLink& operator=(const SerialPortLink&) = delete;

    // Opens the device and applies the line settings; a failure leaves the port closed.
    Result<> Open() override;
    // Returns once the bytes have left the driver or the write bound (WriteTimeoutMs) has
    // passed; bytes still queued then are dropped rather than sent late. A failed write
    // leaves the port open.
    Result<int> Write(const char* buffer, int count) override;
    void Close() override;
    bool Connected() const override;
    int BitsPerSecond() const override;

    const ComPortSettings& Settings() const { return settings_; }
    // While connected a change reopens the device with the new settings; the settings are
    // taken even when the reopening fails, and the port is then left closed.
    Result<> SetSettings(const ComPortSettings& settings);
    const std::string& Port() const { return settings_.Port; }
    Result<> SetPort(const std::string& port);

private:
    Result<> WaitUntilSent(int count);

    ComPortSettings settings_;
    std::unique_ptr<QSerialPort> device_;
};
