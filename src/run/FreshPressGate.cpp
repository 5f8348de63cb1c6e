#include "FreshPressGate.h"

void FreshPressGate::Open(std::uint32_t nowMs)
{
    openedAt_ = nowMs;
}

bool FreshPressGate::Pressed(std::uint32_t nowMs, bool autoRepeat, std::uint64_t stamp)
{
    const bool unmarkedRepeat = stamp != 0 && lastRelease_ == stamp;
    lastRelease_.reset();
    // Unsigned: the difference is right across the clock's wrap.
    if (!openedAt_ || autoRepeat || unmarkedRepeat || nowMs - *openedAt_ < ReadyMs) {
        return false;
    }
    Close();
    return true;
}
