#include "Clock.h"

#include <chrono>

std::uint32_t SteadyClock::NowMs()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

void SteadyClock::Delay(std::uint32_t ms)
{
    const std::uint32_t start = NowMs();
    // Compare elapsed time rather than absolute values so that a wrap of the clock during
    // the wait neither ends it early nor makes it endless.
    while (static_cast<std::uint32_t>(NowMs() - start) < ms) {
    }
}
