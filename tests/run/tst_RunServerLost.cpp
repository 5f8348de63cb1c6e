// The sound server goes away in the middle of a run: the run must go on to its end without the
// sound, say how many stimuli were not played, and write the points recorded.
#include "OwnJackServer.h"
#include "PortAudioOutput.h"
#include "ScratchFolder.h"
#include "ScriptedListener.h"
#include "StopOnSound.h"
#include "TrackingRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using Key = ScriptedListener::Key;

TEST(RunServerLost, TheRunEndsWithItsPointsWrittenAndTheLossReported)
{
    const std::string name = "quorvex-runlost-" + std::to_string(getpid());
    OwnJackServer server(name);
    ASSERT_TRUE(server.Started()) << "jackd could not be started";
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    ASSERT_TRUE(WaitForServer()) << "jackd -n " << name << " did not come up";
    const ScratchFolder dir;  // the run writes test.out here

    SharedState state = ShortRunState(dir.Path("lost.dat").string());
    PortAudioOutput output;
    StopOnSound stopper(server, "quorvex-runlost-rec");
    ASSERT_EQ(stopper.Problem(), "");
    TrialCountingClock clock;
    ScriptedListener listener(clock);
    TrackingRun run(state, RunDevices{&output, &clock, &listener, nullptr});
    listener.Attach(run);
    listener.During(1, {Key::Press, Key::Release, Key::Press, Key::Release, Key::Press});
    listener.During(6, {Key::Stop});
    listener.AfterTrial = [&](int trial) {
        if (trial == 2) {
            stopper.Arm();  // the server goes when the third stimulus is heard
        }
    };
    testing::internal::CaptureStderr();
    const RunOutcome report = run.Run();
    const std::string said = testing::internal::GetCapturedStderr();

    ASSERT_TRUE(stopper.Disarm()) << "the third stimulus was never heard";
    EXPECT_EQ(report.Trials, 6);
    EXPECT_EQ(report.FailedPresentations, 4) << "the third stimulus, cut off, and the three after it";
    EXPECT_THAT(said, testing::HasSubstr("Error on write to wave out device\n"));
    EXPECT_THAT(said, testing::HasSubstr("The JACK sound server is not running\n"));
    EXPECT_EQ(report.StoredPoints, 1);
    EXPECT_EQ(report.ResultsError, "");
    std::ifstream results(state.ResultsFileName, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(results), std::istreambuf_iterator<char>()};
    EXPECT_NE(text.find("500\t"), std::string::npos) << text;
}

}  // namespace
