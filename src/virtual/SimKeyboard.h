#pragma once

#include "EventDispatcher.h"

#include <deque>

class TrackingRun;

// The keyboard of the simulated session. Key changes are queued when they are made and reach
// the run only when it lets events be dispatched, as a real keyboard's events wait in the
// window system's queue while a stimulus plays.
class SimKeyboard final : public EventDispatcher {
public:
    void Attach(TrackingRun& run) { run_ = &run; }

    void Press(int key) { queue_.push_back({true, key}); }
    void Release(int key) { queue_.push_back({false, key}); }

    // Delivers every queued change in order (a stop key's own dispatch may deliver the rest).
    void ProcessEvents() override;

    int Dispatches() const { return dispatches_; }
    bool Pending() const { return !queue_.empty(); }

private:
    struct KeyChange {
        bool Down;
        int Key;
    };

    TrackingRun* run_ = nullptr;
    std::deque<KeyChange> queue_;
    int dispatches_ = 0;
};
