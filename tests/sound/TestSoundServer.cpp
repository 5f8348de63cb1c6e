#include "TestSoundServer.h"

#include "JackRecorder.h"
#include "PipeWireRecorder.h"

#include <cstdlib>
#include <string_view>

TestSoundServer OpenTestSoundServer(TestServer server, const std::string& clientName, std::size_t capacityFrames)
{
    TestSoundServer opened;
    if (server == TestServer::Jack) {
        auto recorder = std::make_unique<JackRecorder>(clientName, capacityFrames);
        opened.Name = "JACK";
        // PortAudio lists the recorder as a device of its own, which it hears from the first frame.
        opened.AudioDevice = recorder->Name();
        opened.UsedDevice = "(JACK Audio Connection Kit)";
        opened.Recorder = std::move(recorder);
    } else {
        PipeWireRecorder::UseTestServer();
        opened.Name = "PipeWire";
        opened.AudioDevice = "pipewire";
        opened.UsedDevice = "pipewire (ALSA)";
        opened.Recorder = std::make_unique<PipeWireRecorder>(clientName, capacityFrames);
    }
    return opened;
}

TestServer TestServerOfThisRun()
{
    const char* server = std::getenv("QUORVEX_TEST_SOUND_SERVER");
    return server != nullptr && std::string_view(server) == "pipewire" ? TestServer::PipeWire : TestServer::Jack;
}
