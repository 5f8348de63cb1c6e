#pragma once

#include "Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The resolution a stream of 32-bit floats is counted at: the converter behind it takes 24 bits
// at best, so a quiet sound keeps no more than that of its shape.
inline constexpr int FloatStreamBits = 24;

// When a queued sound is to start, in frames of its stream's timeline.
struct SoundStart {
    enum class Kind { Now, AtFrame, AfterPrevious };
    Kind When = Kind::Now;
    std::int64_t Frames = 0;  // the frame (AtFrame) or the silence after the previous sound (AfterPrevious)

    // As soon as the device can take it; such a sound is never late.
    static SoundStart Now() { return {}; }
    static SoundStart AtFrame(std::int64_t frame) { return {Kind::AtFrame, frame}; }
    // `silence` frames after the last frame of the sound queued before it (Now when there is none).
    static SoundStart AfterPrevious(std::int64_t silence) { return {Kind::AfterPrevious, silence}; }
};

// What became of one queued sound.
struct StreamedSound {
    bool Played = false;                // every frame has been played by the device
    std::optional<std::int64_t> Onset;  // the timeline frame of its first sample; empty where the output cannot say
    std::int64_t LateFrames = 0;        // how much later than asked it started
    // Played, but the device lost frames while playing it (an underflow): the listener heard a gap.
    bool Dropout = false;
    // Not played: why, in one line for the operator (the fixed message and what is known of the
    // device, e.g. "Unable to open waveform output device: the JACK sound server is not running").
    std::string Problem;
};

// How a sound that was played went.
enum class SoundPlayed {
    Whole,        // every frame reached the device in time
    WithDropout,  // the device lost frames while playing it: the listener heard a gap
};

// `sound` as a result: how it was played, or the Problem that kept it from being played.
Result<SoundPlayed> PlayedResult(const StreamedSound& sound);

// One output stream kept open across many sounds, silent between them. Its frames are counted
// from its start, and a sound can be queued to start at a given frame of that timeline (or a
// given number of frames after the sound before it). Sounds play one after the other in the
// order queued, each whole. Used from one thread.
class SoundStream {
public:
    virtual ~SoundStream() = default;

    // Queues `frames` frames of interleaved 16-bit PCM (copied). A held sound does not start
    // before Release, however late that makes it. Returns the sound's ticket.
    virtual int Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held) = 0;
    // The same for float samples in 16-bit units (full scale 32768), as synthesis makes them. An
    // output that plays floats keeps them as they are, so that a quiet sound keeps its shape;
    // this one rounds them as ToPcm16 does and queues 16-bit samples.
    virtual int QueueFloat(const float* interleaved, std::size_t frames, SoundStart start, bool held);
    // Samples in a frame.
    virtual int Channels() const = 0;
    // The resolution the queued samples keep on their way to the device: 16 where they are
    // rounded to 16-bit samples (as QueueFloat does here), FloatStreamBits where floats go through.
    virtual int SampleBits() const { return 16; }
    virtual void Release(int ticket) = 0;
    // Returns when the sound has been played, or when it cannot be: then the reason has been
    // written to standard error as the one-off output writes it, unless this stream said it
    // before. Waiting sleeps.
    virtual StreamedSound Wait(int ticket) = 0;

    // The frame being played now.
    virtual std::int64_t Position() = 0;
    // The frame at which the sound is expected to start, as far as the stream knows now.
    virtual std::int64_t ExpectedOnset(int ticket) = 0;
    // How many frames before its onset a sound has to be queued to start on time, with the time
    // the caller said it needs to prepare one.
    virtual std::int64_t LeadFrames() = 0;
    // Sleeps until `frame` is being played (or the stream can no longer say).
    virtual void WaitUntil(std::int64_t frame) = 0;
};
