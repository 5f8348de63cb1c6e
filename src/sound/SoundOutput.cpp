#include "SoundOutput.h"

#include "ImmediateSoundStream.h"

std::unique_ptr<SoundStream> SoundOutput::OpenStream(int sampleRate, int channels, int)
{
    return std::make_unique<ImmediateSoundStream>(*this, sampleRate, channels);
}

OutputDeviceStatus SoundOutput::CheckDevice()
{
    OutputDeviceStatus status;
    status.CanPlay = true;
    status.TakesPlaybackRate = true;
    status.SampleBits = 16;  // the stream of a one-buffer output rounds to 16-bit samples
    status.Name = UsedDevice().empty() ? "the program's own output" : UsedDevice();
    status.HostApi = "no sound device";
    return status;
}
