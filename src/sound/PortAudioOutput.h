#pragma once

#include "PortAudioStream.h"
#include "SoundOutput.h"


#include <chrono>
#include <string>

// When the last call to PortAudioOutput::PlayPcm was made, when the device first asked for its
// frames and when it returned. FirstCallback is a default time_point when nothing was started.
struct PlaybackTimes {
    std::chrono::steady_clock::time_point Called;
    std::chrono::steady_clock::time_point FirstCallback;
    std::chrono::steady_clock::time_point Returned;
};

// Plays on a PortAudio callback stream: a one-off buffer on a stream opened for it alone and
// closed when the device has played it, a series of sounds on one stream kept open. The device
// is the default output, or the one named by `deviceName` (the AudioDevice setting: text in a
// device's or host API's name, e.g. "JACK"). After a sound that was not played, and when no
// device matches, the next sound or stream sets the sound library up again first, so that a
// sound server started or restarted since is found.
class PortAudioOutput : public SoundOutput {
public:
    explicit PortAudioOutput(std::string deviceName = {});

    Result<SoundPlayed> PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                                int channels) override;
    std::unique_ptr<SoundStream> OpenStream(int sampleRate, int channels, int prepareMs) override;

    std::string UsedDevice() const override { return Used; }

    std::string DescribeDevice() override;
    // Sets the sound library up again (when no stream is open) and checks the device.
    OutputDeviceStatus CheckDevice() override { return CheckOutputDevice(DeviceName); }

    const PlaybackTimes& LastPlayback() const { return Times; }
    // The AudioDevice setting of a newly loaded test-condition file.
    void SetDeviceName(std::string deviceName) { DeviceName = std::move(deviceName); }

private:
    // The device index for the AudioDevice setting, from a list made again when needed.
    int Device();
    PortAudioStream::Explanation Explain();

    std::string DeviceName;
    PlaybackTimes Times;
    std::string Used;
};
