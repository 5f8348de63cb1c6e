#include "JackRecorder.h"

#include <pa_jack.h>
#include <portaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

JackRecorder::JackRecorder(const std::string& clientName, std::size_t capacityFrames)
    : Left(capacityFrames), Right(capacityFrames), Cycles(capacityFrames / 16 + 1)
{
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    jack_status_t status{};
    Client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (Client == nullptr) {
        Error = std::string("the JACK server '") + (server ? server : "default") +
                "' is not running; start it as scripts/test.sh does "
                "(jackd -n NAME --no-realtime -d dummy -r 44100 -p 256) and set JACK_DEFAULT_SERVER=NAME";
        return;
    }
    ClientName = jack_get_client_name(Client);
    Inputs[0] = jack_port_register(Client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    Inputs[1] = jack_port_register(Client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_on_shutdown(Client, ServerShutDown, this);
    if (Inputs[0] == nullptr || Inputs[1] == nullptr || jack_set_process_callback(Client, Process, this) != 0 ||
        jack_set_xrun_callback(Client, Xrun, this) != 0 ||
        jack_set_port_connect_callback(Client, PortConnected, this) != 0 || jack_activate(Client) != 0) {
        Error = "could not set up the JACK recording client";
        return;
    }
    Connector = std::thread([this] { ConnectMirrors(); });
}

JackRecorder::~JackRecorder()
{
    if (Connector.joinable()) {
        {
            std::lock_guard lock(PendingLock);
            Stopping = true;
        }
        PendingChanged.notify_all();
        Connector.join();
    }
    // A client whose server has gone is left as it is: libjack crashes deactivating or closing it.
    if (Client != nullptr && !ServerGone.load()) {
        jack_deactivate(Client);
        jack_client_close(Client);
    }
}

void JackRecorder::ServerShutDown(void* self)
{
    static_cast<JackRecorder*>(self)->ServerGone.store(true);
}

int JackRecorder::Process(jack_nframes_t frames, void* self)
{
    auto* r = static_cast<JackRecorder*>(self);
    const std::size_t at = r->Written.load(std::memory_order_relaxed);
    const std::size_t n = std::min<std::size_t>(frames, r->Left.size() - at);
    const auto* left = static_cast<const float*>(jack_port_get_buffer(r->Inputs[0], frames));
    const auto* right = static_cast<const float*>(jack_port_get_buffer(r->Inputs[1], frames));
    std::memcpy(r->Left.data() + at, left, n * sizeof(float));
    std::memcpy(r->Right.data() + at, right, n * sizeof(float));
    const std::size_t cycle = r->CycleCount.load(std::memory_order_relaxed);
    if (n > 0 && cycle < r->Cycles.size()) {
        r->Cycles[cycle] = {at, jack_get_time()};
        r->CycleCount.store(cycle + 1, std::memory_order_release);
    }
    r->Written.store(at + n, std::memory_order_release);
    return 0;
}

int JackRecorder::Xrun(void* self)
{
    // Called on JACK's notification thread, never the process thread: it may lock.
    auto* r = static_cast<JackRecorder*>(self);
    std::lock_guard lock(r->XrunLock);
    r->XrunFrames.push_back(r->Mark());
    return 0;
}

std::vector<std::size_t> JackRecorder::Xruns() const
{
    std::lock_guard lock(XrunLock);
    return XrunFrames;
}

void JackRecorder::PortConnected(jack_port_id_t a, jack_port_id_t b, int connect, void* self)
{
    auto* r = static_cast<JackRecorder*>(self);
    if (!connect || !r->Mirroring.load()) {
        return;
    }
    const jack_port_t* source = jack_port_by_id(r->Client, a);
    const jack_port_t* target = jack_port_by_id(r->Client, b);
    if (source == nullptr || target == nullptr) {
        return;
    }
    const std::string sourceName = jack_port_name(source);
    const std::string targetName = jack_port_name(target);
    int input = 0;
    if (targetName == "system:playback_1") {
        input = 1;
    } else if (targetName == "system:playback_2") {
        input = 2;
    }
    if (input != 0) {
        {
            std::lock_guard lock(r->PendingLock);
            r->Pending.emplace_back(sourceName, input);
        }
        r->PendingChanged.notify_all();
    }
}

void JackRecorder::ConnectMirrors()
{
    // JACK forbids server requests from its notification thread, so connections are made here.
    std::unique_lock lock(PendingLock);
    for (;;) {
        PendingChanged.wait(lock, [this] { return Stopping || !Pending.empty(); });
        if (Stopping) {
            return;
        }
        const auto [source, input] = Pending.front();
        Pending.pop_front();
        lock.unlock();
        // Only this process's sounds: other test programs may play on the same server meanwhile.
        const char* ours = nullptr;
        const std::string sourceClient = source.substr(0, source.find(':'));
        if (PaJack_GetClientName(&ours) == paNoError && ours != nullptr && sourceClient == ours) {
            jack_connect(Client, source.c_str(), jack_port_name(Inputs[input - 1]));
        }
        lock.lock();
    }
}

std::vector<std::int32_t> JackRecorder::Since(std::size_t mark) const
{
    const std::size_t end = Mark();
    std::vector<std::int32_t> frames;
    for (std::size_t i = std::min(mark, end); i < end; ++i) {
        frames.push_back(static_cast<std::int32_t>(std::lround(Left[i] * 32768.0f)));
        frames.push_back(static_cast<std::int32_t>(std::lround(Right[i] * 32768.0f)));
    }
    return frames;
}

std::vector<float> JackRecorder::LeftSince(std::size_t mark) const
{
    const std::size_t end = Mark();
    return std::vector<float>(Left.begin() + static_cast<std::ptrdiff_t>(std::min(mark, end)),
                              Left.begin() + static_cast<std::ptrdiff_t>(end));
}

jack_time_t JackRecorder::TimeOf(std::size_t frame) const
{
    const std::size_t cycles = CycleCount.load(std::memory_order_acquire);
    if (frame >= Mark() || cycles == 0) {
        return 0;
    }
    const auto end = Cycles.begin() + static_cast<std::ptrdiff_t>(cycles);
    const auto after = std::upper_bound(Cycles.begin(), end, frame,
                                        [](std::size_t f, const auto& cycle) { return f < cycle.first; });
    return (after - 1)->second;
}
