// quorvex-sim devices against the JACK test server (JACK_DEFAULT_SERVER names it).
#include "ScratchFolder.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

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
