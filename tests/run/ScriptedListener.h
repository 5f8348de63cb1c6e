#pragma once

#include "Clock.h"
#include "EventDispatcher.h"
#include "TrackingRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A clock that counts the run's pauses: the first is the 1000 ms before the first trial, every
// later one the pause after a trial. So it knows how many trials were heard. It never waits
// unless given a clock to wait on: a run on a real device pauses as the program's does, and a
// device's stream settles in the pause before the first stimulus.
class TrialCountingClock final : public Clock {
public:
    explicit TrialCountingClock(Clock* waitOn = nullptr)
        : waitOn_(waitOn)
    {
    }
    std::uint32_t NowMs() override { return now_; }
    void Delay(std::uint32_t ms) override
    {
        now_ += ms;
        ++delays_;
        if (waitOn_ != nullptr) {
            waitOn_->Delay(ms);
        }
    }
    int TrialsHeard() const { return delays_ > 0 ? delays_ - 1 : 0; }

private:
    Clock* waitOn_;
    std::uint32_t now_ = 0;
    int delays_ = 0;
};

// A listener whose key changes are scripted per trial: the changes made "during trial N"
// reach the run at the first event dispatch after that trial, as a real keyboard's would.
class ScriptedListener final : public EventDispatcher {
public:
    enum class Key { Press, Release, Stop };

    explicit ScriptedListener(const TrialCountingClock& clock)
        : clock_(clock)
    {
    }

    void Attach(TrackingRun& run) { run_ = &run; }
    void During(int trial, std::vector<Key> keys) { script_[trial] = std::move(keys); }
    // Any other rule, asked once per trial heard (after the scripted keys).
    std::function<void(int trial)> AfterTrial;

    void ProcessEvents() override
    {
        ++dispatches_;
        while (run_ != nullptr && handled_ < clock_.TrialsHeard()) {
            ++handled_;
            for (Key key : script_[handled_]) {
                if (key == Key::Press) {
                    run_->KeyDown(TrackingRun::SpaceKey);
                } else if (key == Key::Release) {
                    run_->KeyUp(TrackingRun::SpaceKey);
                } else {
                    run_->KeyDown('Q');
                }
            }
            if (AfterTrial) {
                AfterTrial(handled_);
            }
            if (handled_ == SafetyTrialLimit) {
                ADD_FAILURE() << "the run was still going after " << SafetyTrialLimit << " trials";
                run_->KeyDown('Q');
            }
        }
    }

    int Dispatches() const { return dispatches_; }

    // A run that a script forgot to stop ends here instead of running for ever.
    static constexpr int SafetyTrialLimit = 5000;

private:
    const TrialCountingClock& clock_;
    TrackingRun* run_ = nullptr;
    std::map<int, std::vector<Key>> script_;
    int handled_ = 0;
    int dispatches_ = 0;
};

// One default condition with 300 ms maskers, 100 ms tones and a 100 ms ISI: a run short enough
// for a test on a sound server, writing its results to `resultsFile`.
inline SharedState ShortRunState(std::string resultsFile)
{
    SharedState state;
    state.Conditions.resize(1);
    state.Settings.MaskerDuration = 300.0f;
    state.Settings.ToneDuration = 100.0f;
    state.Settings.ISI = 100;
    state.ResultsFileName = std::move(resultsFile);
    return state;
}
