#pragma once

#include "JackRecorder.h"
#include "OwnJackServer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Stops a test's own JACK server, from a thread of its own, as soon as a sound this process plays
// on the server's main outputs is heard: the server goes in the middle of the sound however busy
// the machine is, where a guessed sleep could end before the sound started or after it ended.
// A recorder of the test's own on that server mirrors the main outputs.
class StopOnSound {
public:
    StopOnSound(OwnJackServer& server, const std::string& recorderName)
        : server_(server), recorder_(recorderName, 120 * 44100)
    {
        recorder_.MirrorSystemPlayback(true);
    }
    ~StopOnSound() { Disarm(); }
    StopOnSound(const StopOnSound&) = delete;
    StopOnSound& operator=(const StopOnSound&) = delete;

    // Empty when the recorder runs.
    const std::string& Problem() const { return recorder_.Problem(); }

    // From now on, the first sound heard stops the server.
    void Arm()
    {
        const std::size_t mark = recorder_.Mark();
        thread_ = std::thread([this, mark] {
            while (!disarmed_.load()) {
                const std::vector<std::int32_t> heard = recorder_.Since(mark);
                if (std::any_of(heard.begin(), heard.end(), [](std::int32_t v) { return v != 0; })) {
                    server_.Stop();
                    stopped_.store(true);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }

    // Stops waiting for a sound and says whether one stopped the server.
    bool Disarm()
    {
        disarmed_.store(true);
        if (thread_.joinable()) {
            thread_.join();
        }
        return stopped_.load();
    }

private:
    OwnJackServer& server_;
    JackRecorder recorder_;
    std::thread thread_;
    std::atomic<bool> disarmed_{false};
    std::atomic<bool> stopped_{false};
};
