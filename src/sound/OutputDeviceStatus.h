#pragma once

#include "OutputDeviceList.h"
#include "SoundStream.h"

#include <functional>
#include <string>

// What the status's reason says when the JACK server it needs is not running.
inline constexpr const char* JackServerNotRunning = "the JACK sound server is not running";

// The one rate the program plays at.
inline constexpr int PlaybackRate = 44100;

// What is known of the device the program would play on, for the operator.
struct OutputDeviceStatus {
    bool CanPlay = false;
    int Index = -1;  // the PortAudio device index; -1 when none is chosen
    std::string Name;
    std::string HostApi;
    bool TakesPlaybackRate = false;  // accepts PlaybackRate in stereo
    // The resolution the program's samples keep on it: FloatStreamBits where it takes floats,
    // 16 where it takes only 16-bit samples; 0 when it cannot play.
    int SampleBits = 0;
    double DeviceRate = 0.0;         // the rate the device itself runs at (its default)
    // Why it cannot play, or what else is wrong, in one line without a final full stop
    // ("the JACK sound server is not running"); empty when nothing is known to be wrong.
    std::string Reason;
};

// How the status is found out: whether the device at an index takes PlaybackRate in stereo,
// and whether the JACK server this process would reach is running.
struct OutputDeviceProbes {
    std::function<bool(int index)> TakesPlaybackRate;
    std::function<bool(int index)> TakesFloat;  // in stereo at PlaybackRate
    std::function<bool()> JackServerRunning;
};

// The status of the device chosen from `list` for `wanted` (the AudioDevice setting). The JACK
// server is asked about only where it matters: the setting or the chosen device names JACK.
OutputDeviceStatus AssessOutputDevice(const OutputDeviceList& list, const std::string& wanted,
                                      const OutputDeviceProbes& probes);

// Whether PortAudio device `index` takes `channels` channels at `rate` as 32-bit floats
// (`asFloat`) or as 16-bit samples.
bool DeviceTakesFormat(int index, int channels, double rate, bool asFloat);

// The probes on this machine: PortAudio's format check and a JACK client that never starts a server.
OutputDeviceProbes SystemOutputDeviceProbes();

// Sets the sound library up again when no stream uses it (a server may have started, stopped or
// restarted since) and returns the status of the device for `wanted`.
OutputDeviceStatus CheckOutputDevice(const std::string& wanted);

// One line for the set-up window: the device, its host API and the rate, or why nothing can play.
std::string DescribeOutputDeviceStatus(const OutputDeviceStatus& status);
