#pragma once

#include "SoundRecorder.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct pa_simple;

// Records everything that reaches the null sink of the test PipeWire server that
// scripts/with-test-pipewire.sh starts, through the sink's monitor, as 16-bit stereo at 44100 Hz.
// It connects through PipeWire's pulse server, so it never appears among the ALSA devices that
// PortAudio plays to. Recording starts when it is created and goes on without a gap.
class PipeWireRecorder final : public SoundRecorder {
public:
    PipeWireRecorder(const std::string& clientName, std::size_t capacityFrames);
    ~PipeWireRecorder();
    PipeWireRecorder(const PipeWireRecorder&) = delete;
    PipeWireRecorder& operator=(const PipeWireRecorder&) = delete;

    const std::string& Problem() const override { return Error; }
    std::size_t Mark() const override { return Written.load(std::memory_order_acquire); }
    std::vector<std::int32_t> Since(std::size_t mark) const override;
    // PipeWire does not tell its clients of lost frames.
    std::vector<std::size_t> Xruns() const override { return {}; }
    bool TellsOfLostFrames() const override { return false; }

    // Points this process's sound libraries at the test server, so that ALSA's "pipewire" and
    // "default" devices reach it. Call it before PortAudio starts. Nothing without a test server.
    static void UseTestServer();

private:
    void Record();

    std::string Error;
    pa_simple* Stream = nullptr;
    std::vector<std::int16_t> Samples;
    std::atomic<std::size_t> Written{0};
    std::atomic<bool> Stopping{false};
    std::thread Reader;
};
