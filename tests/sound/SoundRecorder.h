#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A client of a test's own that records, frame by frame, what a sound server plays. The tests
// and benchmarks that check what was heard work on JACK and on PipeWire through it.
class SoundRecorder {
public:
    virtual ~SoundRecorder() = default;

    // Empty when the recorder runs; otherwise why it does not (e.g. no server).
    virtual const std::string& Problem() const = 0;
    // The number of frames recorded so far; frames before it never change.
    virtual std::size_t Mark() const = 0;
    // The frames recorded since `mark`, as interleaved stereo 16-bit values (left, right).
    virtual std::vector<std::int32_t> Since(std::size_t mark) const = 0;
    // The recorded frames near which the server lost frames (a client was late, as happens on a
    // busy machine); a recording across one need not hold every frame played.
    virtual std::vector<std::size_t> Xruns() const = 0;
    // False for a server that does not tell its clients of lost frames: Xruns() is always empty.
    virtual bool TellsOfLostFrames() const = 0;
};
