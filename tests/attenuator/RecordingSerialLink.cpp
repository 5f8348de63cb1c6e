#include "RecordingSerialLink.h"

#include "SerialPortError.h"

#include <cerrno>

void RecordingSerialLink::Open()
{
    ++openCalls_;
    if (connected_) {
        return;
    }
    if (failOpen_) {
        throw SerialPortError(SerialPortError::Code::OpenFailed, ENOENT);
    }
    connected_ = true;
    transcript_ += '[';
}

int RecordingSerialLink::Write(const char* buffer, int count)
{
    writeSizes_.push_back(count);
    if (!connected_) {
        throw SerialPortError(SerialPortError::Code::WriteFailed, EBADF);
    }
    if (failWriteCountdown_ > 0 && --failWriteCountdown_ == 0) {
        throw SerialPortError(SerialPortError::Code::WriteFailed, EIO);
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
