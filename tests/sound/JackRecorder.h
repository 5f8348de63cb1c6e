#pragma once

#include "SoundRecorder.h"

#include <jack/jack.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A JACK client of the test's own with two input ports, in_1 (left) and in_2 (right), that
// records everything reaching them as 16-bit sample values. PortAudio lists it as an output
// device named after the client, so a sound played on that device arrives from its first
// frame. It can also mirror the server's main outputs: whatever this process's PortAudio connects
// to system:playback_N is connected to in_N too, from the moment the connection is seen.
class JackRecorder final : public SoundRecorder {
public:
    JackRecorder(const std::string& clientName, std::size_t capacityFrames);
    ~JackRecorder();
    JackRecorder(const JackRecorder&) = delete;
    JackRecorder& operator=(const JackRecorder&) = delete;

    const std::string& Problem() const override { return Error; }
    const std::string& Name() const { return ClientName; }

    void MirrorSystemPlayback(bool on) { Mirroring.store(on); }

    std::size_t Mark() const override { return Written.load(std::memory_order_acquire); }
    std::vector<std::int32_t> Since(std::size_t mark) const override;
    // The left channel since `mark` as JACK carried it, in floats (full scale 1).
    std::vector<float> LeftSince(std::size_t mark) const;
    // When recorded frame `frame` reached the recorder: the time its process cycle ran, on
    // JACK's clock (jack_get_time(), in microseconds); 0 for a frame not recorded.
    jack_time_t TimeOf(std::size_t frame) const;
    std::vector<std::size_t> Xruns() const override;
    bool TellsOfLostFrames() const override { return true; }

private:
    static int Process(jack_nframes_t frames, void* self);
    static int Xrun(void* self);
    static void ServerShutDown(void* self);
    static void PortConnected(jack_port_id_t a, jack_port_id_t b, int connect, void* self);
    void ConnectMirrors();

    std::string ClientName;
    std::string Error;
    jack_client_t* Client = nullptr;
    jack_port_t* Inputs[2] = {nullptr, nullptr};
    std::vector<float> Left;
    std::vector<float> Right;
    std::atomic<std::size_t> Written{0};
    // The first recorded frame of each process cycle and when the cycle ran.
    std::vector<std::pair<std::size_t, jack_time_t>> Cycles;
    std::atomic<std::size_t> CycleCount{0};
    mutable std::mutex XrunLock;
    std::vector<std::size_t> XrunFrames;

    std::atomic<bool> Mirroring{false};
    std::atomic<bool> ServerGone{false};
    std::mutex PendingLock;
    std::condition_variable PendingChanged;
    std::deque<std::pair<std::string, int>> Pending;  // source port, input number 1 or 2
    bool Stopping = false;
    std::thread Connector;
};
