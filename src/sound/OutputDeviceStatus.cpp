#include "OutputDeviceStatus.h"

#include "PortAudioLibrary.h"

#include <jack/jack.h>
#include <portaudio.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

bool NamesJack(const std::string& text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("jack") != std::string::npos;
}

std::string Hz(double rate)
{
    return std::to_string(static_cast<long long>(std::llround(rate))) + " Hz";
}

}  // namespace

OutputDeviceStatus AssessOutputDevice(const OutputDeviceList& list, const std::string& wanted,
                                      const OutputDeviceProbes& probes)
{
    OutputDeviceStatus status;
    status.Index = ChooseOutputDevice(list.Devices, list.DefaultIndex, wanted);
    const OutputDeviceEntry* chosen =
        status.Index >= 0 ? &list.Devices[static_cast<std::size_t>(status.Index)] : nullptr;
    if (chosen != nullptr) {
        status.Name = chosen->Name;
        status.HostApi = chosen->HostApiName;
        status.DeviceRate = chosen->DefaultSampleRate;
    }
    const bool jackMatters = NamesJack(wanted) || (chosen != nullptr && NamesJack(chosen->HostApiName));
    if (jackMatters && probes.JackServerRunning && !probes.JackServerRunning()) {
        status.Reason = JackServerNotRunning;
        if (chosen == nullptr) {
            status.Reason = "AudioDevice=" + wanted + " matches no sound output device: " + status.Reason;
        }
        return status;
    }
    if (chosen == nullptr) {
        status.Reason = wanted.empty() ? "there is no default sound output device"
                                       : "AudioDevice=" + wanted + " matches no sound output device";
        return status;
    }
    status.TakesPlaybackRate = probes.TakesPlaybackRate && probes.TakesPlaybackRate(status.Index);
    if (!status.TakesPlaybackRate) {
        status.Reason = "\"" + chosen->Name + "\" of " + chosen->HostApiName + " does not take "
                        + Hz(PlaybackRate) + " (it runs at " + Hz(chosen->DefaultSampleRate)
                        + "); Quorvex plays at " + Hz(PlaybackRate) + " only";
        return status;
    }
    status.CanPlay = true;
    status.SampleBits = probes.TakesFloat && probes.TakesFloat(status.Index) ? FloatStreamBits : 16;
    return status;
}

bool DeviceTakesFormat(int index, int channels, double rate, bool asFloat)
{
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr) {
        return false;
    }
    PaStreamParameters parameters{};
    parameters.device = index;
    parameters.channelCount = channels;
    parameters.sampleFormat = asFloat ? paFloat32 : paInt16;
    parameters.suggestedLatency = info->defaultHighOutputLatency;
    return Pa_IsFormatSupported(nullptr, &parameters, rate) == paFormatIsSupported;
}

OutputDeviceProbes SystemOutputDeviceProbes()
{
    OutputDeviceProbes probes;
    probes.TakesPlaybackRate = [](int index) { return DeviceTakesFormat(index, 2, PlaybackRate, false); };
    probes.TakesFloat = [](int index) { return DeviceTakesFormat(index, 2, PlaybackRate, true); };
    probes.JackServerRunning = [] {
        jack_status_t jackStatus{};
        jack_client_t* client = jack_client_open("quorvex-check", JackNoStartServer, &jackStatus);
        if (client == nullptr) {
            return false;
        }
        jack_client_close(client);
        return true;
    };
    return probes;
}

OutputDeviceStatus CheckOutputDevice(const std::string& wanted)
{
    PortAudioLibrary& session = PortAudioLibrary::Instance();
    if (!session.Reopen() && session.ClosingLostStreams()) {
        OutputDeviceStatus status;
        status.Reason = "PortAudio is still letting go of a sound device that stopped answering (for up to ten "
                        "minutes); start Quorvex again to play at once";
        return status;
    }
    return AssessOutputDevice(ListOutputDevices(), wanted, SystemOutputDeviceProbes());
}

std::string DescribeOutputDeviceStatus(const OutputDeviceStatus& status)
{
    if (!status.CanPlay) {
        std::string reason = status.Reason;
        return "Sound: no device can play: " + reason + ".";
    }
    return "Sound: \"" + status.Name + "\" (" + status.HostApi + "), " + Hz(PlaybackRate) + " accepted";
}
