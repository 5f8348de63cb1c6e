#include "JackClientGuard.h"

#include <dlfcn.h>
#include <jack/jack.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// A client's own shutdown handler, called after the client is marked.
struct Watched {
    jack_client_t* Client = nullptr;
    JackShutdownCallback Handler = nullptr;
    void* Argument = nullptr;
};

std::mutex Lock;
std::vector<Watched*> Clients;            // never freed: libjack may call a handler at any time
std::vector<jack_client_t*> GoneServers;  // clients whose server has shut down

template <typename Function>
Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void ServerShutDown(void* argument)
{
    auto* watched = static_cast<Watched*>(argument);
    {
        const std::lock_guard<std::mutex> guard(Lock);
        GoneServers.push_back(watched->Client);
    }
    if (watched->Handler != nullptr) {
        watched->Handler(watched->Argument);
    }
}

bool ServerGone(jack_client_t* client)
{
    const std::lock_guard<std::mutex> guard(Lock);
    return std::find(GoneServers.begin(), GoneServers.end(), client) != GoneServers.end();
}

void Forget(jack_client_t* client)
{
    const std::lock_guard<std::mutex> guard(Lock);
    GoneServers.erase(std::remove(GoneServers.begin(), GoneServers.end(), client), GoneServers.end());
}

}  // namespace

void WatchJackClientShutdowns() {}

extern "C" void jack_on_shutdown(jack_client_t* client, JackShutdownCallback function, void* argument)
{
    using Register = void (*)(jack_client_t*, JackShutdownCallback, void*);
    static const Register next = Next<Register>("jack_on_shutdown");
    auto* watched = new Watched{client, function, argument};
    {
        const std::lock_guard<std::mutex> guard(Lock);
        Clients.push_back(watched);
    }
    if (next != nullptr) {
        next(client, ServerShutDown, watched);
    }
}

extern "C" int jack_deactivate(jack_client_t* client)
{
    using Call = int (*)(jack_client_t*);
    static const Call next = Next<Call>("jack_deactivate");
    return ServerGone(client) || next == nullptr ? 0 : next(client);
}

extern "C" int jack_client_close(jack_client_t* client)
{
    using Call = int (*)(jack_client_t*);
    static const Call next = Next<Call>("jack_client_close");
    if (ServerGone(client)) {
        // The address may be given to a new client later.
        Forget(client);
        return 0;
    }
    return next == nullptr ? 0 : next(client);
}
