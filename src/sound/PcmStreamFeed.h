#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

// The state one played buffer shares between the caller and the audio thread: a copy of the
// samples (so that a stream given up on can never read freed memory) and the progress. The audio
// thread asks for frames with Fill and reports the end of the stream with MarkFinished; the
// caller polls PlaybackDone and then waits until PlayedBy, the moment the last frame has left
// the device. All shared fields are atomics: no lock is taken on the audio thread.
class PcmStreamFeed {
public:
    using Clock = std::chrono::steady_clock;

    PcmStreamFeed(const std::int16_t* samples, std::size_t frameCount, int channels, int sampleRate);

    // Copies the next frames into `out` (room for `frames` frames), padding with silence after
    // the last one. `now` is when this block was asked for and `dacDelay` how long until its first
    // frame reaches the converter. Returns true once the last frame has reached the converter
    // (at once for an empty sound): until then the stream must go on, with silence.
    bool Fill(std::int16_t* out, std::size_t frames, Clock::time_point now, std::chrono::nanoseconds dacDelay);

    // Called on the audio thread when the stream has stopped.
    void MarkFinished() { PlaybackDone.store(1); }
    bool Finished() const { return PlaybackDone.load() != 0; }
    // True once the last frame has been handed to the device. A stream that finishes before
    // that was cut off (e.g. the sound server went away) and has not played the sound.
    bool HandedOver() const { return LastFrameHandedOver.load(); }

    // When the first block was asked for; Clock::time_point{} before that.
    Clock::time_point FirstCallback() const;
    // No sooner than the last frame's time at the converter, and never sooner than the whole
    // sound's duration after the first block. Meaningful once Finished().
    Clock::time_point PlayedBy() const;
    std::chrono::nanoseconds Duration() const;

private:
    std::vector<std::int16_t> Samples;
    std::size_t FrameCount;
    std::size_t Channels;
    int SampleRate;
    std::size_t NextFrame = 0;  // touched by the audio thread only
    std::atomic<bool> LastFrameHandedOver{false};
    std::atomic<int> PlaybackDone{0};
    std::atomic<std::int64_t> FirstCallbackNs{0};
    std::atomic<std::int64_t> LastFrameAtDacNs{0};
};
