// The sound server goes away in the middle of a sound: the call must come back, say the sound
// was not played, and leave the program able to go on.
#include "OwnJackServer.h"
#include "PlayTwoChannel.h"
#include "PortAudioOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(SoundServerLost, SoundCutOffIsReportedAndTheNextIsTooThenTheProgramGoesOn)
{
    const std::string name = "quorvex-lost-" + std::to_string(getpid());
    OwnJackServer server(name);
    ASSERT_TRUE(server.Started()) << "jackd could not be started";
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    ASSERT_TRUE(WaitForServer()) << "jackd -n " << name << " did not come up";

    const std::vector<std::int16_t> left(3 * 44100, 1000);
    const std::vector<std::int16_t> right(3 * 44100, -1000);
    PortAudioOutput output;
    std::thread killer([&] {
        std::this_thread::sleep_for(500ms);
        server.Stop();
    });
    testing::internal::CaptureStderr();
    const int cutOff = PlayTwoChannel(output, 44100, 3 * 44100, left.data(), right.data());
    const std::string said = testing::internal::GetCapturedStderr();
    killer.join();
    EXPECT_EQ(cutOff, -1);
    EXPECT_EQ(said, "Error on write to wave out device\n");

    testing::internal::CaptureStderr();
    const int next = PlayTwoChannel(output, 44100, 44100, left.data(), right.data());
    const std::string saidNext = testing::internal::GetCapturedStderr();
    EXPECT_EQ(next, -1);
    // PortAudio adds a line of its own here, which it offers no way to silence.
    EXPECT_THAT(saidNext, testing::EndsWith("Unable to open waveform output device\n"));
}

}  // namespace
