// quorvex-sim devices against the JACK test server (JACK_DEFAULT_SERVER names it).
#include "OwnJackServer.h"
#include "ScratchFolder.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

TEST(DevicesCommand, ListsTheServersMainOutputsAndMarksTheDefaultAndTheChoice)
{
    const ScratchFolder dir;
    std::ofstream(dir.Path("jack.ini")) << "[Settings]\nAudioDevice=jack\n";
    std::ofstream(dir.Path("nosuch.ini")) << "[Settings]\nAudioDevice=no such device\n";

    const Outcome listed = Sim("devices jack.ini", " 2>/dev/null");
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output.rfind("index\thost API\tname\toutput channels\tdefault rate\tnote\n", 0), 0u)
        << listed.output;
    const auto system = listed.output.find("\tJACK Audio Connection Kit\tsystem\t2\t44100\t");
    ASSERT_NE(system, std::string::npos) << listed.output;
    const std::string line = listed.output.substr(system, listed.output.find('\n', system) - system);
    EXPECT_NE(line.find("chosen"), std::string::npos) << line;
    EXPECT_NE(listed.output.find("\tdefault"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("\nchosen: \"system\" of JACK Audio Connection Kit (device "), std::string::npos)
        << listed.output;

    const Outcome unmatched = Sim("devices nosuch.ini", " 2>&1 >/dev/null");
    EXPECT_EQ(unmatched.status, 1);
    EXPECT_NE(unmatched.output.find("AudioDevice=no such device, which matches no sound output device"),
              std::string::npos)
        << unmatched.output;
    EXPECT_EQ(Sim("devices missing.ini").status, 1);
}

// A device at 48 kHz is chosen all the same, but the listing says that it does not take the
// program's one rate, and the command fails naming both rates.
TEST(DevicesCommand, ADeviceAt48kHzIsMarkedAndTheChoiceRefused)
{
    const ScratchFolder dir;
    std::ofstream(dir.Path("jack.ini")) << "[Settings]\nAudioDevice=jack\n";
    const std::string name = "quorvex-devices48k-" + std::to_string(getpid());
    OwnJackServer server(name, 48000);
    const char* before = std::getenv("JACK_DEFAULT_SERVER");
    const std::string previous = before != nullptr ? before : "";
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    ASSERT_TRUE(WaitForServer()) << "jackd -n " << name << " did not come up";

    const Outcome listed = Sim("devices jack.ini", " 2>/dev/null");
    const Outcome said = Sim("devices jack.ini", " 2>&1 >/dev/null");
    if (previous.empty()) {
        unsetenv("JACK_DEFAULT_SERVER");
    } else {
        setenv("JACK_DEFAULT_SERVER", previous.c_str(), 1);
    }
    EXPECT_EQ(listed.status, 1);
    EXPECT_NE(listed.output.find("\tJACK Audio Connection Kit\tsystem\t2\t48000\t"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("chosen, does not take 44100 Hz\n"), std::string::npos) << listed.output;
    EXPECT_EQ(said.output, "quorvex-sim devices: \"system\" of JACK Audio Connection Kit does not take 44100 Hz (it "
                           "runs at 48000 Hz); Quorvex plays at 44100 Hz only\n");
}
