#pragma once

#include "OutputDeviceChoice.h"

#include <vector>

// Every device PortAudio sees (output or not, so that an entry's position is its PortAudio
// index) and PortAudio's default output device. Empty, with no default, when PortAudio
// cannot be initialised.
struct OutputDeviceList {
    std::vector<OutputDeviceEntry> Devices;
    int DefaultIndex = -1;
};

OutputDeviceList ListOutputDevices();
