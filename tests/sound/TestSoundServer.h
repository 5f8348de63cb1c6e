#pragma once

#include "SoundRecorder.h"

#include <cstddef>
#include <memory>
#include <string>

// The test sound servers that scripts/test.sh starts: JACK with its dummy driver, and PipeWire
// with a null sink, reached through ALSA as on a desktop.
enum class TestServer { Jack, PipeWire };

// A sound server as a test plays to it: what to set AudioDevice to, and a recorder of the test's
// own that hears every sound played there from its first frame.
struct TestSoundServer {
    std::string Name;  // "JACK" or "PipeWire", for messages
    std::string AudioDevice;
    std::string UsedDevice;  // part of how the output names the device it then plays on
    std::unique_ptr<SoundRecorder> Recorder;
};

// Starts recording on `server`. Call it before the process plays its first sound: PortAudio
// fixes the devices it knows when it starts. The recorder's Problem() says why it cannot record.
TestSoundServer OpenTestSoundServer(TestServer server, const std::string& clientName, std::size_t capacityFrames);

// The server a test program is run against: PipeWire when QUORVEX_TEST_SOUND_SERVER is
// "pipewire" (ctest sets it for the tests labelled pipewire), JACK otherwise.
TestServer TestServerOfThisRun();
