#pragma once

#include <string>
#include <vector>

// What the device chooser needs to know of one output device of the sound library.
struct OutputDeviceEntry {
    std::string Name;
    std::string HostApiName;
    int MaxOutputChannels = 0;
    bool IsHostApiDefault = false;  // the default output device of its host API
    double DefaultSampleRate = 0.0;
};

// Picks the output device for `wanted` (the AudioDevice setting): empty means `defaultIndex`.
// Otherwise the text is looked for, ignoring case, first in host-API names (giving that host
// API's default output device, so "JACK" means the JACK server's main outputs even when an
// ALSA device is also called "jack"), then in device names. Devices without outputs are never
// chosen. Returns the index into `devices`, or -1 when nothing matches.
int ChooseOutputDevice(const std::vector<OutputDeviceEntry>& devices, int defaultIndex, const std::string& wanted);

// The choice for messages to the operator: the chosen device's name, host API and index, or
// why there is none ("AudioDevice=<wanted> matches no sound output device").
std::string DescribeOutputDeviceChoice(const std::vector<OutputDeviceEntry>& devices, int defaultIndex,
                                       const std::string& wanted);
