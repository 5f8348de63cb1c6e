#include "PortAudioLibrary.h"

#include "JackClientGuard.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// ALSA and JACK describe every probe of an absent card or server on standard error while
// PortAudio looks for devices. The operator only needs our own message when a sound fails.
void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJackMessage(const char*) {}

// Static storage that outlives the session, as closing threads may still end after it.
std::atomic<int> StreamsBeingClosed{0};

// Long enough for a stream lost with its JACK server to be let go of (PortAudio is told again
// every 50 ms that the server has gone), short enough not to hold the program's exit for long.
constexpr auto ExitWaitForClosing = std::chrono::seconds(2);

}  // namespace

PortAudioLibrary& PortAudioLibrary::Instance()
{
    static PortAudioLibrary session;
    return session;
}

PortAudioLibrary::PortAudioLibrary()
{
    // Playing a stimulus must never start a sound server behind the operator's back.
    setenv("JACK_NO_START_SERVER", "1", 0);
    // The JACK server PortAudio connects to may go away before PortAudio is shut down.
    WatchJackClientShutdowns();
    snd_lib_error_set_handler(IgnoreAlsaMessage);
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    Initialised = Pa_Initialize() == paNoError;
}

bool PortAudioLibrary::Reopen()
{
    const std::lock_guard<std::mutex> guard(Lock);
    if (LiveStreams > 0 || StreamsBeingClosed.load() > 0) {
        return false;
    }
    if (Initialised) {
        Pa_Terminate();
    }
    // PortAudio's JACK layer installs its own message functions when it starts.
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    Initialised = Pa_Initialize() == paNoError;
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    Stale = false;
    return true;
}

bool PortAudioLibrary::ClosingLostStreams() const
{
    return StreamsBeingClosed.load() > 0;
}

void PortAudioLibrary::StreamCreated()
{
    const std::lock_guard<std::mutex> guard(Lock);
    ++LiveStreams;
}

void PortAudioLibrary::StreamDestroyed()
{
    const std::lock_guard<std::mutex> guard(Lock);
    --LiveStreams;
}

void PortAudioLibrary::Abandon(PaStream* stream, std::shared_ptr<void> keepAlive)
{
    ++StreamsBeingClosed;
    try {
        std::thread([stream, keepAlive] {
            // A JACK server that has gone has told PortAudio so already; told again while the
            // abort waits, it stops waiting.
            std::atomic<bool> stopped{false};
            std::optional<std::thread> waker;
            try {
                waker.emplace([&stopped] {
                    while (!stopped.load()) {
                        RepeatJackShutdownNotices();
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    }
                });
            } catch (const std::system_error&) {
                // No thread to wake it: the abort takes PortAudio's own time.
            }
            Pa_AbortStream(stream);
            stopped = true;
            if (waker) {
                waker->join();
            }
            Pa_CloseStream(stream);
            --StreamsBeingClosed;
        }).detach();
    } catch (const std::system_error&) {
        // No thread to close it on: the stream stays open until the program ends.
    }
}

PortAudioLibrary::~PortAudioLibrary()
{
    // A thread letting go of a lost stream uses PortAudio and the sound server's library, whose
    // own statics are destroyed after this: the exit waits for it, but not for a hung device.
    const auto deadline = std::chrono::steady_clock::now() + ExitWaitForClosing;
    while (StreamsBeingClosed.load() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (Initialised && StreamsBeingClosed.load() == 0) {
        Pa_Terminate();
    }
}
