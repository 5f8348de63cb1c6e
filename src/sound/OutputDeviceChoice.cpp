#include "OutputDeviceChoice.h"

#include <algorithm>
#include <cctype>

namespace {

bool ContainsIgnoringCase(const std::string& text, const std::string& part)
{
    const auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

}  // namespace

int ChooseOutputDevice(const std::vector<OutputDeviceEntry>& devices, int defaultIndex, const std::string& wanted)
{
    const int count = static_cast<int>(devices.size());
    if (wanted.empty()) {
        const bool usable = defaultIndex >= 0 && defaultIndex < count && devices[defaultIndex].MaxOutputChannels > 0;
        return usable ? defaultIndex : -1;
    }
    for (int i = 0; i < count; ++i) {
        const OutputDeviceEntry& d = devices[i];
        if (d.IsHostApiDefault && d.MaxOutputChannels > 0 && ContainsIgnoringCase(d.HostApiName, wanted)) {
            return i;
        }
    }
    for (int i = 0; i < count; ++i) {
        const OutputDeviceEntry& d = devices[i];
        if (d.MaxOutputChannels > 0 && ContainsIgnoringCase(d.Name, wanted)) {
            return i;
        }
    }
    return -1;
}

std::string DescribeOutputDeviceChoice(const std::vector<OutputDeviceEntry>& devices, int defaultIndex,
                                       const std::string& wanted)
{
    const int chosen = ChooseOutputDevice(devices, defaultIndex, wanted);
    if (chosen < 0) {
        return wanted.empty() ? std::string("the default sound output device, but there is none")
                              : "AudioDevice=" + wanted + ", which matches no sound output device";
    }
    const OutputDeviceEntry& d = devices[static_cast<std::size_t>(chosen)];
    return "\"" + d.Name + "\" of " + d.HostApiName + " (device " + std::to_string(chosen) + ")";
}
