#include "ComPortSettings.h"

#include <algorithm>
#include <climits>

std::string DefaultPortName()
{
#ifdef _WIN32
    return "COM1";
#else
    return "ttyS0";
#endif
}

std::string DevicePath(const std::string& portName)
{
#ifdef _WIN32
    return portName;
#else
    if (portName.empty() || portName.front() == '/') {
        return portName;
    }
    return "/dev/" + portName;
#endif
}

int BaudRateValue(BaudRate rate, int custom)
{
    switch (rate) {
    case BaudRate::Custom: return custom;
    case BaudRate::Baud110: return 110;
    case BaudRate::Baud300: return 300;
    case BaudRate::Baud600: return 600;
    case BaudRate::Baud1200: return 1200;
    case BaudRate::Baud2400: return 2400;
    case BaudRate::Baud4800: return 4800;
    case BaudRate::Baud9600: return 9600;
    case BaudRate::Baud14400: return 14400;
    case BaudRate::Baud19200: return 19200;
    case BaudRate::Baud38400: return 38400;
    case BaudRate::Baud56000: return 56000;
    case BaudRate::Baud57600: return 57600;
    case BaudRate::Baud115200: return 115200;
    case BaudRate::Baud128000: return 128000;
    case BaudRate::Baud256000: return 256000;
    }
    return custom;
}

int WriteTimeoutMs(const ComPortSettings& settings, int count)
{
    // Wide arithmetic: a large count must not wrap into a short or negative bound.
    const long long ms = static_cast<long long>(settings.WriteTotalMultiplier) * std::max(count, 0)
                         + settings.WriteTotalConstant;
    return static_cast<int>(std::clamp(ms, 0LL, static_cast<long long>(INT_MAX)));
}
