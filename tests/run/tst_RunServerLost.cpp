// The sound server goes away in the middle of a run: the run must go on to its end without the
// sound, say how many stimuli were not played, and write the points recorded.
#include "JackRecorder.h"
#include "OwnJackServer.h"
#include "PortAudioOutput.h"
#include "ScratchFolder.h"
#include "ScriptedListener.h"
#include "TrackingRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using Key = ScriptedListener::Key;
using namespace std::chrono_literals;

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
    // Hears what the run plays on the server's main outputs, so that the server is stopped
    // when the third stimulus is heard: in its middle, however busy the machine.
    JackRecorder recorder("quorvex-runlost-rec", 60 * 44100);
    ASSERT_EQ(recorder.Problem(), "");
    recorder.MirrorSystemPlayback(true);
    TrialCountingClock clock;
    ScriptedListener listener(clock);
    TrackingRun run(state, RunDevices{&output, &clock, &listener, nullptr});
    listener.Attach(run);
    listener.During(1, {Key::Press, Key::Release, Key::Press, Key::Release, Key::Press});
    listener.During(6, {Key::Stop});
    std::atomic<bool> runEnded{false};
    std::atomic<bool> stoppedWhileHeard{false};
    std::thread killer;
    listener.AfterTrial = [&](int trial) {
        if (trial != 2) {
            return;
        }
        const std::size_t mark = recorder.Mark();
        killer = std::thread([&, mark] {
            while (!runEnded.load()) {
                const std::vector<std::int32_t> heard = recorder.Since(mark);
                if (std::any_of(heard.begin(), heard.end(), [](std::int32_t v) { return v != 0; })) {
                    server.Stop();
                    stoppedWhileHeard.store(true);
                    return;
                }
                std::this_thread::sleep_for(1ms);
            }
        });
    };
    testing::internal::CaptureStderr();
    const RunReport report = run.Run();
    runEnded.store(true);
    const std::string said = testing::internal::GetCapturedStderr();
    if (killer.joinable()) {
        killer.join();
    }

    ASSERT_TRUE(stoppedWhileHeard.load()) << "the third stimulus was never heard";
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
