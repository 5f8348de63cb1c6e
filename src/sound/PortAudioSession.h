#pragma once

// The process's one PortAudio initialisation. PortAudio is set up on first use (which also
// fixes the list of devices it can see) and shut down when the program ends.
class PortAudioSession {
public:
    // The session, initialising PortAudio on the first call. Thread-safe.
    static PortAudioSession& Instance();

    // False when PortAudio could not be initialised; then there is no device to play on.
    bool Ready() const { return Initialised; }

    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

private:
    PortAudioSession();
    ~PortAudioSession();

    bool Initialised = false;
};
