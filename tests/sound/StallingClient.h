#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// A JACK client of the test's own that can stall its process callback once, for longer than a
// few periods: the server then misses its deadline for every client (an xrun), as it does on a
// busy machine. It also counts the xruns the server reports.
class StallingClient {
public:
    explicit StallingClient(const std::string& name)
    {
        Client = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (Client != nullptr) {
            jack_set_process_callback(Client, Process, this);
            jack_set_xrun_callback(Client, Xrun, this);
            jack_activate(Client);
        }
    }
    ~StallingClient()
    {
        if (Client != nullptr) {
            jack_deactivate(Client);
            jack_client_close(Client);
        }
    }
    StallingClient(const StallingClient&) = delete;
    StallingClient& operator=(const StallingClient&) = delete;

    bool Running() const { return Client != nullptr; }
    // The next process cycle takes `duration` longer.
    void StallOnce(std::chrono::milliseconds duration) { PendingStall.store(duration.count()); }
    int Xruns() const { return XrunCount.load(); }

private:
    static int Process(jack_nframes_t, void* self)
    {
        auto* client = static_cast<StallingClient*>(self);
        if (const long ms = client->PendingStall.exchange(0); ms > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
        return 0;
    }
    static int Xrun(void* self)
    {
        ++static_cast<StallingClient*>(self)->XrunCount;
        return 0;
    }

    jack_client_t* Client = nullptr;
    std::atomic<long> PendingStall{0};
    std::atomic<int> XrunCount{0};
};
