#pragma once

#include <cstdint>
#include <optional>

// Which press of a key starts what a screen waits for (the next run, EXIT): only one that begins
// after the screen has shown for ReadyMs. A key still held from before, and its auto-repeat,
// start nothing. The window system marks most repeats; X11 sends those it cannot mark as a
// release and a press with the same timestamp, and such a pair counts as a repeat too.
class FreshPressGate {
public:
    static constexpr std::uint32_t ReadyMs = 1000;

    // The screen appears at `nowMs`; until then, and after a press has counted, none counts.
    void Open(std::uint32_t nowMs);
    void Close() { openedAt_.reset(); }

    // `stamp` is the window system's time of the event; 0 when unknown.
    void Released(std::uint64_t stamp) { lastRelease_ = stamp; }
    // Whether this press counts; a press that counts closes the gate.
    bool Pressed(std::uint32_t nowMs, bool autoRepeat, std::uint64_t stamp);

private:
    std::optional<std::uint32_t> openedAt_;
    std::optional<std::uint64_t> lastRelease_;
};
