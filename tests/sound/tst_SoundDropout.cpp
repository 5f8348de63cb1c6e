// The sound server loses frames while a sound plays (an xrun, forced by a client of the test's
// own that stalls once): the play call must say the sound was played with a dropout, and a run
// must count the trial; without an xrun nothing is reported.
#include "OwnJackServer.h"
#include "PlayTwoChannel.h"
#include "PortAudioOutput.h"
#include "ScratchFolder.h"
#include "ScriptedListener.h"
#include "StallingClient.h"
#include "TrackingRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <type_traits>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Key = ScriptedListener::Key;

class SoundDropout : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Server = std::make_unique<OwnJackServer>("quorvex-xrun-" + std::to_string(getpid()));
        setenv("JACK_DEFAULT_SERVER", ("quorvex-xrun-" + std::to_string(getpid())).c_str(), 1);
        if (WaitForServer()) {
            Staller = std::make_unique<StallingClient>("quorvex-staller");
        }
    }
    // The server stops when the program ends, after PortAudio has let go of it.
    static void TearDownTestSuite() { Staller.reset(); }
    void SetUp() override { ASSERT_TRUE(Staller && Staller->Running()) << "jackd could not be started"; }

    // Runs `play` until the server lost frames exactly `xruns` times while it ran (a busy
    // machine makes xruns of its own) and says what it returned; nothing if it never did.
    template <typename Play>
    static std::optional<std::invoke_result_t<Play>> WithXruns(int xruns, const Play& play)
    {
        for (int attempt = 1; attempt <= 10; ++attempt) {
            const int before = Staller->Xruns();
            auto result = play();
            if (!Staller->Caught()) {
                ADD_FAILURE() << "the JACK server did not tell of a port of the test's own within 10 s";
                return std::nullopt;
            }
            if (Staller->Xruns() - before == xruns) {
                if (attempt > 1) {
                    std::cout << "quorvex-test: made again " << attempt - 1 << " time(s): the server lost frames "
                              << "other than the ones the test made it lose" << std::endl;
                }
                return result;
            }
        }
        return std::nullopt;
    }
    static constexpr const char* TooBusy = "the machine is so busy that the JACK server keeps losing frames";

    // The next process cycle of the server, `after` from now, comes too late.
    static void StallIn(std::chrono::milliseconds after)
    {
        std::thread([after] {
            std::this_thread::sleep_for(after);
            Staller->StallOnce(40ms);
        }).detach();
    }

    static inline std::unique_ptr<OwnJackServer> Server;
    static inline std::unique_ptr<StallingClient> Staller;
};

TEST_F(SoundDropout, ThePlayCallReportsADropoutAndOnlyThen)
{
    const std::vector<std::int16_t> left(26460, 1000);
    const std::vector<std::int16_t> right(26460, -1000);
    PortAudioOutput output;
    const auto play = [&] { return PlayTwoChannel(output, 44100, 26460, left.data(), right.data()); };
    const auto stalled = [&] {
        StallIn(250ms);
        return play();
    };
    const std::optional<Result<SoundPlayed>> clean = WithXruns(0, play);
    const std::optional<Result<SoundPlayed>> dropout = WithXruns(1, stalled);
    const std::optional<Result<SoundPlayed>> cleanAgain = WithXruns(0, play);
    if (!clean || !dropout || !cleanAgain) {
        GTEST_SKIP() << TooBusy;
    }
    EXPECT_EQ(clean->Value(), SoundPlayed::Whole);
    EXPECT_EQ(dropout->Value(), SoundPlayed::WithDropout);
    EXPECT_EQ(cleanAgain->Value(), SoundPlayed::Whole) << "the next sound is clean again";
}

TEST_F(SoundDropout, TheRunCountsTheTrialsWithADropout)
{
    const ScratchFolder dir;  // the run writes test.out here
    SharedState state = ShortRunState(dir.Path("dropout.dat").string());
    PortAudioOutput output;
    RunOutcome report;
    const auto run = [&](int stallAfterTrial) {
        TrialCountingClock clock;
        ScriptedListener listener(clock);
        TrackingRun tracking(state, RunDevices{&output, &clock, &listener, nullptr});
        listener.Attach(tracking);
        listener.During(4, {Key::Stop});
        listener.AfterTrial = [stallAfterTrial](int trial) {
            if (trial == stallAfterTrial) {
                StallIn(150ms);  // in the middle of the next stimulus
            }
        };
        report = tracking.Run();
        return static_cast<int>(report.DropoutTrials.size());
    };
    const std::optional<int> clean = WithXruns(0, [&] { return run(0); });
    const int cleanFailures = report.FailedPresentations;
    const bool stalled = WithXruns(1, [&] { return run(2); }).has_value();
    if (!clean || !stalled) {
        GTEST_SKIP() << TooBusy;
    }
    EXPECT_EQ(*clean, 0);
    EXPECT_EQ(cleanFailures, 0);
    EXPECT_EQ(report.DropoutTrials, std::vector<std::int64_t>{3});
    EXPECT_EQ(report.FailedPresentations, 0) << "a stimulus with a dropout was still played";
}

}  // namespace
