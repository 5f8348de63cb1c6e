#pragma once

#include <memory>

typedef void PaStream;

// The process's one PortAudio initialisation. PortAudio is set up on first use (which also
// fixes the list of devices it can see) and shut down when the program ends.
class PortAudioSession {
public:
    // The session, initialising PortAudio on the first call. Thread-safe.
    static PortAudioSession& Instance();

    // False when PortAudio could not be initialised; then there is no device to play on.
    bool Ready() const { return Initialised; }

    // Hands over a stream whose device stopped answering. Stopping such a stream can block for
    // minutes (PortAudio's JACK layer waits that long for a server that has gone), so it is
    // stopped and closed on a thread of its own; `keepAlive` (what its callbacks use) lives until
    // then. While any such stream is open, PortAudio is not shut down at exit, which would block
    // the same way.
    void Abandon(PaStream* stream, std::shared_ptr<void> keepAlive);

    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

private:
    PortAudioSession();
    ~PortAudioSession();

    bool Initialised = false;
};
