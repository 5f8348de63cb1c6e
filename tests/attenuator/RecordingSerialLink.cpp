#include "RecordingSerialLink.h"

#include "SerialPortError.h"

#include <cerrno>

Result<> RecordingSerialLink::Open()
{
    ++openCalls_;
    if (connected_) {
        return {};
    }
    if (failOpen_) {
        return SerialPortError(SerialFault::OpenFailed, ENOENT);
    }
    connected_ = true;
    transcript_ += '[';
    return {};
}

Result<int> RecordingSerialLink::Write(const char* buffer, int count)
{
    writeSizes_.push_back(count);
    if (!connected_) {
        return SerialPortError(SerialFault::WriteFailed, EBADF);
    }
    if (failWriteCountdown_ > 0 && --failWriteCountdown_ == 0) {
        return SerialPortError(SerialFault::WriteFailed, EIO);
    }
    if (holdWriteCountdown_ > 0 && --holdWriteCountdown_ == 0) {
        return 0;
    }
    transcript_.append(buffer, static_cast<std::size_t>(count));
    return count;
}

void RecordingSerialLink::Close()
{
    if (!connected_) {
        return;
    }
    connected_ = false;
    transcript_ += ']';
}

void RecordingSerialLink::Clear()
{
    transcript_.clear();
    writeSizes_.clear();
    openCalls_ = 0;
}

void RecordingDispatcher::ProcessEvents()
{
    ++calls_;
    if (OnDispatch) {
        OnDispatch();
    }
}
