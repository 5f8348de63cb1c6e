#include "OutputDeviceList.h"

#include "PortAudioLibrary.h"

#include <portaudio.h>

OutputDeviceList ListOutputDevices()
{
    OutputDeviceList list;
    if (!PortAudioLibrary::Instance().Ready()) {
        return list;
    }
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        const PaHostApiInfo* api = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
        OutputDeviceEntry entry;
        if (info != nullptr && api != nullptr) {
            entry.Name = info->name ? info->name : "";
            entry.HostApiName = api->name ? api->name : "";
            entry.MaxOutputChannels = info->maxOutputChannels;
            entry.DefaultSampleRate = info->defaultSampleRate;
            entry.IsHostApiDefault = api->defaultOutputDevice == i;
        }
        list.Devices.push_back(entry);
    }
    list.DefaultIndex = Pa_GetDefaultOutputDevice();
    return list;
}
