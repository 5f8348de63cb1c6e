#include "PortAudioOutput.h"

#include "OutputDeviceList.h"
#include "OutputDeviceStatus.h"
#include "PortAudioLibrary.h"
#include "PortAudioStream.h"
#include "SoundFailure.h"

#include <portaudio.h>

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

PortAudioOutput::PortAudioOutput(std::string deviceName) : DeviceName(std::move(deviceName)) {}

int PortAudioOutput::Device()
{
    OutputDeviceList list = ListOutputDevices();
    int device = ChooseOutputDevice(list.Devices, list.DefaultIndex, DeviceName);
    PortAudioLibrary& session = PortAudioLibrary::Instance();
    if ((device < 0 && session.Reopen()) || session.ReopenIfStale()) {
        list = ListOutputDevices();
        device = ChooseOutputDevice(list.Devices, list.DefaultIndex, DeviceName);
    }
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    const PaHostApiInfo* api = info != nullptr ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    Used = info == nullptr ? std::string()
                           : std::string(info->name ? info->name : "") + " (" + (api && api->name ? api->name : "") + ")";
    return device;
}

PortAudioStream::Explanation PortAudioOutput::Explain()
{
    return [wanted = DeviceName](SoundFailure) {
        PortAudioLibrary::Instance().MarkStale();
        return AssessOutputDevice(ListOutputDevices(), wanted, SystemOutputDeviceProbes()).Reason;
    };
}

std::string PortAudioOutput::DescribeDevice()
{
    const OutputDeviceList list = ListOutputDevices();
    return DescribeOutputDeviceChoice(list.Devices, list.DefaultIndex, DeviceName);
}

Result<SoundPlayed> PortAudioOutput::PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate,
                                             int bytesPerSample, int channels)
{
    Times = PlaybackTimes{};
    Times.Called = Clock::now();
    const SoundFailure failure = CheckPcmRequest(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    StreamedSound sound;
    if (failure == SoundFailure::None) {
        PortAudioStream stream(Device(), sampleRate, channels, 0, Explain());
        const std::size_t frames = static_cast<std::size_t>(lengthBytes) / (2 * static_cast<std::size_t>(channels));
        sound = stream.Wait(stream.Queue(buffer, frames, SoundStart::Now(), false));
        Times.FirstCallback = stream.FirstCallback();
    } else {
        ReportSoundFailure(failure);
        sound.Problem = SoundProblem(failure, "");
    }
    Times.Returned = Clock::now();
    return PlayedResult(sound);
}

std::unique_ptr<SoundStream> PortAudioOutput::OpenStream(int sampleRate, int channels, int prepareMs)
{
    return std::make_unique<PortAudioStream>(Device(), sampleRate, channels, prepareMs, Explain());
}
