// A sound played when there is no sound server and no sound card: the operator gets one line,
// none of the sound libraries' own chatter, and the program carries on.
#include "PlayTwoChannel.h"
#include "PortAudioOutput.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(SoundWithoutServer, EachSoundIsReportedAndTheProgramGoesOn)
{
    if (access("/dev/snd", F_OK) == 0) {
        GTEST_SKIP() << "this machine has a sound card, so a sound would play";
    }
    const std::vector<std::int16_t> left(26460, 1000);
    const std::vector<std::int16_t> right(26460, -1000);
    for (const char* device : {"", "JACK", ""}) {
        SCOPED_TRACE(std::string("AudioDevice=") + device);
        PortAudioOutput output(device);
        testing::internal::CaptureStderr();
        const Result<SoundPlayed> result = PlayTwoChannel(output, 44100, 26460, left.data(), right.data());
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(result.Ok());
        const std::string expected = std::string(device).empty()
                                         ? "Unsupported waveform format/rate\n"
                                           "There is no default sound output device\n"
                                         : "Unsupported waveform format/rate\n"
                                           "AudioDevice=JACK matches no sound output device: the JACK sound server "
                                           "is not running\n";
        EXPECT_EQ(said, expected);
        if (!std::string(device).empty()) {
            EXPECT_EQ(output.DescribeDevice(), "AudioDevice=JACK, which matches no sound output device");
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // A server name nobody runs, so PortAudio finds no JACK server whatever the environment.
    setenv("JACK_DEFAULT_SERVER", ("quorvex-absent-" + std::to_string(getpid())).c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
