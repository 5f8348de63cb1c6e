#pragma once

#include <cstdint>

// The millisecond clock that times stimuli. The run and the calibration window take it as an
// interface so that tests and the simulator can run without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary origin; wraps around at 2^32.
    virtual std::uint32_t NowMs() = 0;
    // Returns when `ms` milliseconds have passed. Processes no window events.
    virtual void Delay(std::uint32_t ms) = 0;
};

// The real clock: the steady clock, and Delay sleeps. Stimuli are timed by the sound device's
// own clock, so a wait that ends a little late costs no accuracy.
class SteadyClock final : public Clock {
public:
    std::uint32_t NowMs() override;
    void Delay(std::uint32_t ms) override;
};

// A clock that never waits: Delay only advances its own time. Used by the simulator and tests.
class VirtualClock final : public Clock {
public:
    std::uint32_t NowMs() override { return now_; }
    void Delay(std::uint32_t ms) override { now_ += ms; }
    void Advance(std::uint32_t ms) { now_ += ms; }

private:
    std::uint32_t now_ = 0;
};
