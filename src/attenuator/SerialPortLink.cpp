#include "SerialPortLink.h"

#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#ifndef _WIN32
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {

using SteadyTime = std::chrono::steady_clock;

QSerialPort::DataBits ToQt(DataBits bits)
{
    switch (bits) {
    case DataBits::Five: return QSerialPort::Data5;
    case DataBits::Six: return QSerialPort::Data6;
    case DataBits::Seven: return QSerialPort::Data7;
    case DataBits::Eight: return QSerialPort::Data8;
    }
    return QSerialPort::Data8;
}

QSerialPort::StopBits ToQt(StopBits bits)
{
    switch (bits) {
    case StopBits::One: return QSerialPort::OneStop;
    case StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case StopBits::Two: return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

QSerialPort::Parity ToQt(ParityBits parity)
{
    switch (parity) {
    case ParityBits::None: return QSerialPort::NoParity;
    case ParityBits::Odd: return QSerialPort::OddParity;
    case ParityBits::Even: return QSerialPort::EvenParity;
    case ParityBits::Mark: return QSerialPort::MarkParity;
    case ParityBits::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

// Qt offers RTS/CTS or XON/XOFF as whole schemes; a mixed set-up gets the nearest one.
QSerialPort::FlowControl ToQt(const FlowControlSettings& flow)
{
    if (flow.ControlRTS == RtsControl::Handshake && flow.OutCTSFlow) {
        return QSerialPort::HardwareControl;
    }
    if (flow.XonXoffOut || flow.XonXoffIn) {
        return QSerialPort::SoftwareControl;
    }
    return QSerialPort::NoFlowControl;
}

// Settings are given before the device is opened so that Qt applies them in one go; set on an
// open pseudo-terminal, Qt would refuse the 7-bit size that the kernel silently replaces.
void Configure(QSerialPort& device, const ComPortSettings& s)
{
    device.setPortName(QString::fromStdString(DevicePath(s.Port)));
    device.setBaudRate(BaudRateValue(s.Baud, s.CustomBaudRate));
    device.setDataBits(ToQt(s.Data));
    device.setStopBits(ToQt(s.Stop));
    device.setParity(ToQt(s.Parity));
    device.setFlowControl(ToQt(s.FlowControl));
}

bool IsOpenFailure(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::DeviceNotFoundError || error == QSerialPort::PermissionError
           || error == QSerialPort::OpenError;
}

// Lines a device does not have (a pseudo-terminal has no modem lines) are not an error.
bool LineMissing(int error)
{
    return error == ENOTTY || error == EINVAL;
}

Result<> SetModemLines(QSerialPort& device, const FlowControlSettings& flow, const std::string& port)
{
    errno = 0;
    if (!device.setDataTerminalReady(flow.ControlDTR != DtrControl::Disable)) {
        const int error = errno;
        if (!LineMissing(error)) {
            return SerialPortError(SerialFault::LineSettingsRefused, error, port);
        }
        device.clearError();
    }
    if (device.flowControl() == QSerialPort::HardwareControl) {
        return {};  // the driver drives RTS itself
    }
    errno = 0;
    if (!device.setRequestToSend(flow.ControlRTS != RtsControl::Disable)) {
        const int error = errno;
        if (!LineMissing(error)) {
            return SerialPortError(SerialFault::LineSettingsRefused, error, port);
        }
        device.clearError();
    }
    return {};
}

// Bytes handed to the driver but not yet on the line.
int DriverQueueLength(QSerialPort& device)
{
#ifndef _WIN32
    int queued = 0;
    if (ioctl(static_cast<int>(device.handle()), TIOCOUTQ, &queued) == 0) {
        return queued;
    }
#else
    (void)device;
#endif
    return 0;
}

}  // namespace

SerialPortLink::SerialPortLink(std::string port)
{
    settings_.Port = std::move(port);
}

SerialPortLink::~SerialPortLink()
{
    Close();
}

bool SerialPortLink::Connected() const
{
    return device_ != nullptr;
}

Result<> SerialPortLink::Open()
{
    if (Connected()) {
        return {};
    }
    if (settings_.Port.empty()) {
        return SerialPortError(SerialFault::OpenFailed, ENOENT, DevicePath(settings_.Port));
    }
    auto device = std::make_unique<QSerialPort>();
    Configure(*device, settings_);
    errno = 0;
    if (!device->open(QIODevice::ReadWrite)) {
        const int error = errno;
        return SerialPortError(IsOpenFailure(device->error()) ? SerialFault::OpenFailed : SerialFault::LineSettingsRefused,
                               error, DevicePath(settings_.Port));
    }
    device->setReadBufferSize(settings_.InputBufferSize);
    // On failure `device` closes the port as it goes.
    if (const Result<> lines = SetModemLines(*device, settings_.FlowControl, DevicePath(settings_.Port)); !lines) {
        return lines;
    }
    device_ = std::move(device);
    return {};
}

int SerialPortLink::BitsPerSecond() const
{
    return BaudRateValue(settings_.Baud, settings_.CustomBaudRate);
}

Result<int> SerialPortLink::Write(const char* buffer, int count)
{
    if (!Connected()) {
        return SerialPortError(SerialFault::WriteFailed, EBADF, DevicePath(settings_.Port));
    }
    if (count <= 0) {
        return 0;
    }
    errno = 0;
    if (device_->write(buffer, count) != count) {
        const int error = errno;
        device_->clear(QSerialPort::Output);
        return SerialPortError(SerialFault::WriteFailed, error, DevicePath(settings_.Port));
    }
    if (const Result<> sent = WaitUntilSent(count); !sent) {
        return Failure{sent.Reason()};
    }
    const long long unsent = device_->bytesToWrite() + DriverQueueLength(*device_);
    if (unsent > 0) {
        // The bound has passed (e.g. the device holds CTS low): drop the rest, as a late byte
        // could reach the attenuator in the middle of a later command.
        device_->clear(QSerialPort::Output);
    }
    return static_cast<int>(count - std::min<long long>(unsent, count));
}

Result<> SerialPortLink::WaitUntilSent(int count)
{
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(WriteTimeoutMs(settings_, count));
    // Rounded up, so that the whole bound is waited for and a wait never asks for 0 ms early.
    const auto remainingMs = [&deadline] {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyTime::now());
        return static_cast<int>(std::max<long long>(left.count(), 0));
    };
    while (device_->bytesToWrite() > 0 && remainingMs() > 0) {
        errno = 0;
        if (!device_->waitForBytesWritten(remainingMs())) {
            if (device_->error() != QSerialPort::TimeoutError) {
                const int error = errno;
                device_->clear(QSerialPort::Output);
                return SerialPortError(SerialFault::WriteFailed, error, DevicePath(settings_.Port));
            }
            device_->clearError();
        }
    }
    // The driver has the bytes; wait until they are on the line so that a level is set before
    // the sound that needs it starts.
    while (DriverQueueLength(*device_) > 0 && remainingMs() > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return {};
}

void SerialPortLink::Close()
{
    if (!Connected()) {
        return;
    }
    device_->close();
    device_.reset();
}

Result<> SerialPortLink::SetSettings(const ComPortSettings& settings)
{
    if (settings == settings_) {
        return {};
    }
    const bool reopen = Connected();
    Close();
    settings_ = settings;
    return reopen ? Open() : Result<>();
}

Result<> SerialPortLink::SetPort(const std::string& port)
{
    ComPortSettings changed = settings_;
    changed.Port = port;
    return SetSettings(changed);
}
