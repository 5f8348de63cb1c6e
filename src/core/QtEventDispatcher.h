#pragma once

#include "EventDispatcher.h"

// Dispatches the pending window events of the running Qt application.
class QtEventDispatcher final : public EventDispatcher {
public:
    void ProcessEvents() override;
};
