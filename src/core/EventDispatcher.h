#pragma once

// "Let the toolkit dispatch pending events": the only points at which the listener's key
// handlers and button clicks run during a long operation (a run, the calibration tone).
class EventDispatcher {
public:
    virtual ~EventDispatcher() = default;
    virtual void ProcessEvents() = 0;
};
