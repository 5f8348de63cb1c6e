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
            jack_set_port_registration_callback(Client, Registered, this);
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

    // Waits until every xrun the server found before this call has been counted; false if the
    // server did not answer within `deadline`. The server tells its clients of xruns and of new
    // ports in the order it meets them, so the registration of a port of this client's own,
    // asked for now, is told after them.
    bool Caught(std::chrono::seconds deadline = std::chrono::seconds(10))
    {
        const std::string name = "mark_" + std::to_string(++Marks);
        jack_port_t* port = jack_port_register(Client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (port == nullptr) {
            return false;
        }
        const auto until = std::chrono::steady_clock::now() + deadline;
        while (LastRegistered.load() != Marks && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        jack_port_unregister(Client, port);
        return LastRegistered.load() == Marks;
    }

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
    static void Registered(jack_port_id_t id, int registered, void* self)
    {
        auto* client = static_cast<StallingClient*>(self);
        const jack_port_t* port = jack_port_by_id(client->Client, id);
        const std::string mark = std::string(jack_get_client_name(client->Client)) + ":mark_";
        if (registered && port != nullptr && std::string(jack_port_name(port)).starts_with(mark)) {
            client->LastRegistered.store(std::stoi(std::string(jack_port_name(port)).substr(mark.size())));
        }
    }

    jack_client_t* Client = nullptr;
    std::atomic<long> PendingStall{0};
    std::atomic<int> XrunCount{0};
    int Marks = 0;
    std::atomic<int> LastRegistered{0};
};
