#pragma once

#include <atomic>
#include <memory>
#include <mutex>

typedef void PaStream;

// The process's one PortAudio initialisation. PortAudio is set up on first use, which fixes the
// list of devices it can see; Reopen sets it up again, so that a sound server started (or
// restarted) since is found.
class PortAudioLibrary {
public:
    // The session, initialising PortAudio on the first call. Thread-safe.
    static PortAudioLibrary& Instance();

    // False when PortAudio could not be initialised; then there is no device to play on.
    bool Ready() const { return Initialised; }

    // Sets PortAudio up again, with a new list of devices, unless a stream still uses it (device
    // indices then keep their meaning). Returns whether it did.
    bool Reopen();
    // A stream of a device that stopped answering is still being closed: until then the list
    // cannot be made again.
    bool ClosingLostStreams() const;
    // A sound was not played: the list may be out of date, and the next ReopenIfStale reopens.
    void MarkStale() { Stale = true; }
    bool ReopenIfStale() { return Stale && Reopen(); }

    // A stream object that uses device indices of the current list exists from StreamCreated to
    // StreamDestroyed.
    void StreamCreated();
    void StreamDestroyed();

    // Hands over a stream whose device stopped answering. It is stopped and closed on a thread of
    // its own, since stopping it can block: PortAudio's JACK layer waits up to ten minutes for a
    // server that has gone unless told again that it has (RepeatJackShutdownNotices), and a hung
    // device may take as long. `keepAlive` (what its callbacks use) lives until then. While any
    // such stream is open, PortAudio is neither shut down at exit (which waits two seconds for
    // it) nor set up again, which would block the same way.
    void Abandon(PaStream* stream, std::shared_ptr<void> keepAlive);

    PortAudioLibrary(const PortAudioLibrary&) = delete;
    PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;

private:
    PortAudioLibrary();
    ~PortAudioLibrary();

    std::mutex Lock;
    bool Initialised = false;
    int LiveStreams = 0;
    std::atomic<bool> Stale{false};
};
