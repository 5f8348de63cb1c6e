#include "PortAudioOutput.h"

#include "OutputDeviceList.h"
#include "PortAudioSession.h"
#include "PortAudioStream.h"
#include "SoundFailure.h"

#include <portaudio.h>

#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

int DeviceIndexFor(const std::string& wanted)
{
    const OutputDeviceList list = ListOutputDevices();
    return ChooseOutputDevice(list.Devices, list.DefaultIndex, wanted);
}

}  // namespace

PortAudioOutput::PortAudioOutput(std::string deviceName) : DeviceName(std::move(deviceName)) {}

int PortAudioOutput::Device()
{
    const int device = DeviceIndexFor(DeviceName);
    if (device < 0 && !DeviceName.empty()) {
        std::fprintf(stderr, "No sound output device matches AudioDevice=%s\n", DeviceName.c_str());
    }
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    const PaHostApiInfo* api = info != nullptr ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    Used = info == nullptr ? std::string()
                           : std::string(info->name ? info->name : "") + " (" + (api && api->name ? api->name : "") + ")";
    return device;
}

std::string PortAudioOutput::DescribeDevice()
{
    const OutputDeviceList list = ListOutputDevices();
    return DescribeOutputDeviceChoice(list.Devices, list.DefaultIndex, DeviceName);
}

int PortAudioOutput::PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                             int channels)
{
    Times = PlaybackTimes{};
    Times.Called = Clock::now();
    const SoundFailure failure = CheckPcmRequest(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    StreamedSound sound;
    if (failure == SoundFailure::None) {
        PortAudioStream stream(Device(), sampleRate, channels, 0);
        const std::size_t frames = static_cast<std::size_t>(lengthBytes) / (2 * static_cast<std::size_t>(channels));
        sound = stream.Wait(stream.Queue(buffer, frames, SoundStart::Now(), false));
        Times.FirstCallback = stream.FirstCallback();
    } else {
        ReportSoundFailure(failure);
    }
    Times.Returned = Clock::now();
    if (!sound.Played) {
        return -1;
    }
    return sound.Dropout ? PlayedWithDropout : 0;
}

std::unique_ptr<SoundStream> PortAudioOutput::OpenStream(int sampleRate, int channels, int prepareMs)
{
    return std::make_unique<PortAudioStream>(Device(), sampleRate, channels, prepareMs);
}
