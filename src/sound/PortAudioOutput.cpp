#include "PortAudioOutput.h"

#include "OutputDeviceChoice.h"
#include "PortAudioSession.h"
#include "PortAudioStream.h"
#include "SoundFailure.h"

#include <portaudio.h>

#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int DeviceIndexFor(const std::string& wanted)
{
    const int count = Pa_GetDeviceCount();
    std::vector<OutputDeviceEntry> devices;
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        const PaHostApiInfo* api = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
        OutputDeviceEntry entry;
        if (info != nullptr && api != nullptr) {
            entry.Name = info->name ? info->name : "";
            entry.HostApiName = api->name ? api->name : "";
            entry.MaxOutputChannels = info->maxOutputChannels;
            entry.IsHostApiDefault = api->defaultOutputDevice == i;
        }
        devices.push_back(entry);
    }
    return ChooseOutputDevice(devices, Pa_GetDefaultOutputDevice(), wanted);
}

}  // namespace

PortAudioOutput::PortAudioOutput(std::string deviceName) : DeviceName(std::move(deviceName)) {}

int PortAudioOutput::Device()
{
    const int device = PortAudioSession::Instance().Ready() ? DeviceIndexFor(DeviceName) : -1;
    if (device < 0 && !DeviceName.empty()) {
        std::fprintf(stderr, "No sound output device matches AudioDevice=%s\n", DeviceName.c_str());
    }
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    const PaHostApiInfo* api = info != nullptr ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    Used = info == nullptr ? std::string()
                           : std::string(info->name ? info->name : "") + " (" + (api && api->name ? api->name : "") + ")";
    return device;
}

int PortAudioOutput::PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                             int channels)
{
    Times = PlaybackTimes{};
    Times.Called = Clock::now();
    const SoundFailure failure = CheckPcmRequest(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    bool played = false;
    if (failure == SoundFailure::None) {
        PortAudioStream stream(Device(), sampleRate, channels, 0);
        const std::size_t frames = static_cast<std::size_t>(lengthBytes) / (2 * static_cast<std::size_t>(channels));
        played = stream.Wait(stream.Queue(buffer, frames, SoundStart::Now(), false)).Played;
        Times.FirstCallback = stream.FirstCallback();
    } else {
        ReportSoundFailure(failure);
    }
    Times.Returned = Clock::now();
    return played ? 0 : -1;
}

std::unique_ptr<SoundStream> PortAudioOutput::OpenStream(int sampleRate, int channels, int prepareMs)
{
    return std::make_unique<PortAudioStream>(Device(), sampleRate, channels, prepareMs);
}
