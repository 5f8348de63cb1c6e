#pragma once

#include "EventDispatcher.h"
#include "TrackingRun.h"

#include <functional>

// A run's events without a window system: the benchmarks' listener acts from the run's trials.
class NoEvents final : public EventDispatcher {
public:
    void ProcessEvents() override {}
};

// The benchmarks' listener, for a run's OnTrial: it changes the key every third trial, so that
// the level tracks up and down as with a person, and stops the run after trial `trials`.
inline std::function<void(const TrialRecord&)> KeyChangingListener(TrackingRun& run, int trials)
{
    return [&run, trials](const TrialRecord& trial) {
        if (trial.Trial >= trials) {
            run.KeyDown('Q');
        } else if (trial.Trial % 6 == 3) {
            run.KeyDown(TrackingRun::SpaceKey);
        } else if (trial.Trial % 6 == 0) {
            run.KeyUp(TrackingRun::SpaceKey);
        }
    };
}
