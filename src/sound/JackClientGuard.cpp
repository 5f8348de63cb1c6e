#include "JackClientGuard.h"

#include <dlfcn.h>
#include <jack/jack.h>

#include <algorithm>
#include <iterator>
#include <list>
#include <mutex>
#include <new>
#include <vector>

namespace {

// A client's own shutdown handler, called after the client is marked.
struct Watched {
    jack_client_t* Client = nullptr;
    JackShutdownCallback Handler = nullptr;
    void* Argument = nullptr;
    bool ServerGone = false;
};

struct Registry {
    std::mutex Lock;
    // One entry per registered handler until its client is closed; a list, because libjack
    // holds the address of the entry it calls back with.
    std::list<Watched> Clients;
};

// Built in place on first use and never destroyed: a thread still letting go of a stream lost
// with its server asks it while the program exits and destroys its statics.
Registry& Watch()
{
    alignas(Registry) static unsigned char storage[sizeof(Registry)];
    static Registry* const registry = ::new (static_cast<void*>(storage)) Registry;
    return *registry;
}

template <typename Function>
Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void ServerShutDown(void* argument)
{
    auto* watched = static_cast<Watched*>(argument);
    JackShutdownCallback handler = nullptr;
    void* handlerArgument = nullptr;
    {
        const std::lock_guard<std::mutex> guard(Watch().Lock);
        watched->ServerGone = true;
        handler = watched->Handler;
        handlerArgument = watched->Argument;
    }
    if (handler != nullptr) {
        handler(handlerArgument);
    }
}

bool ServerGone(jack_client_t* client)
{
    const std::lock_guard<std::mutex> guard(Watch().Lock);
    return std::any_of(Watch().Clients.begin(), Watch().Clients.end(),
                       [client](const Watched& watched) { return watched.Client == client && watched.ServerGone; });
}

// After its close nothing calls a client's handler again, and the address may be given to a
// new client.
void Forget(jack_client_t* client)
{
    const std::lock_guard<std::mutex> guard(Watch().Lock);
    Watch().Clients.remove_if([client](const Watched& watched) { return watched.Client == client; });
}

}  // namespace

void WatchJackClientShutdowns() {}

void RepeatJackShutdownNotices()
{
    std::vector<Watched> gone;
    {
        const std::lock_guard<std::mutex> guard(Watch().Lock);
        std::copy_if(Watch().Clients.begin(), Watch().Clients.end(), std::back_inserter(gone),
                     [](const Watched& watched) { return watched.ServerGone && watched.Handler != nullptr; });
    }
    for (const Watched& watched : gone) {
        watched.Handler(watched.Argument);
    }
}

extern "C" void jack_on_shutdown(jack_client_t* client, JackShutdownCallback function, void* argument)
{
    using Register = void (*)(jack_client_t*, JackShutdownCallback, void*);
    static const Register next = Next<Register>("jack_on_shutdown");
    Watched* watched = nullptr;
    {
        const std::lock_guard<std::mutex> guard(Watch().Lock);
        watched = &Watch().Clients.emplace_back(Watched{client, function, argument});
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

extern "C" int jack_port_unregister(jack_client_t* client, jack_port_t* port)
{
    using Call = int (*)(jack_client_t*, jack_port_t*);
    static const Call next = Next<Call>("jack_port_unregister");
    return ServerGone(client) || next == nullptr ? 0 : next(client, port);
}

extern "C" int jack_client_close(jack_client_t* client)
{
    using Call = int (*)(jack_client_t*);
    static const Call next = Next<Call>("jack_client_close");
    const int result = ServerGone(client) || next == nullptr ? 0 : next(client);
    Forget(client);
    return result;
}
