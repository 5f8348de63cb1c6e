#pragma once

#include "SoundStream.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// The frames one open output stream has handed to the device, counted from `firstFrame`, and
// the sounds queued on them. Samples are floats in 16-bit units (full scale 32768). The caller's thread queues and asks; the audio thread fills each
// block with the sounds due and silence between them. Nothing on the audio thread locks,
// allocates or frees: a slot's samples are put in and taken out by the caller's thread only.
class StreamTimeline {
public:
    // Sounds queued and not yet wholly handed over, at most.
    static constexpr int Capacity = 4;
    enum class State { Free, Held, Queued, Playing, HandedOver };

    struct Progress {
        bool Known = false;  // false for a ticket never given or long forgotten
        State Now = State::Free;
        std::int64_t Frames = 0;
        std::int64_t Onset = 0;       // once Playing
        std::int64_t LastFrame = 0;   // once HandedOver
        std::int64_t LateFrames = 0;  // once Playing
    };

    StreamTimeline(int channels, std::int64_t firstFrame);

    // Caller's thread. Returns the sound's ticket, or -1 when Capacity sounds are still queued.
    int Queue(std::vector<float> interleaved, SoundStart start, bool held);
    void Release(int ticket);
    Progress Of(int ticket) const;
    // The frame the sound will start at if nothing is late, but not before `earliest`.
    std::int64_t ExpectedOnset(int ticket, std::int64_t earliest) const;

    // Audio thread: the next `frames` frames, starting each sound at its frame (or as soon as
    // the block allows when that frame has passed, which makes it late) and playing it whole.
    // `dacTime` is when the block's first frame reaches the converter, on the stream's clock.
    void Fill(float* out, std::size_t frames, double dacTime);

    // Audio thread: the device lost frames (an underflow) around the block that starts at the
    // next frame handed over.
    void MarkDropout();
    // Caller's thread: whether a dropout was marked at a frame in [first, last].
    bool DropoutBetween(std::int64_t first, std::int64_t last) const;

    // The first frame handed over next.
    std::int64_t HandedOver() const { return handedOver_.load(std::memory_order_acquire); }
    // The first frame of the last block filled and its `dacTime`; false before the first block.
    bool LastBlock(std::int64_t& firstFrame, double& dacTime) const;

private:
    struct Slot {
        // Written by the caller while the slot is Free or HandedOver, read by the audio thread after.
        std::vector<float> Samples;
        std::int64_t Frames = 0;
        SoundStart Start;
        std::atomic<int> Ticket{-1};
        std::atomic<State> Now{State::Free};
        std::atomic<std::int64_t> Onset{0};
        std::atomic<std::int64_t> LastFrame{0};
        std::atomic<std::int64_t> LateFrames{0};
        std::int64_t Next = 0;  // audio thread only
    };
    Slot& SlotOf(int ticket) { return slots_[static_cast<std::size_t>(ticket) % Capacity]; }
    const Slot& SlotOf(int ticket) const { return slots_[static_cast<std::size_t>(ticket) % Capacity]; }

    std::size_t channels_;
    std::array<Slot, Capacity> slots_;
    int nextTicket_ = 0;  // caller's thread
    // Audio thread only: the ticket to start or playing, and the last frame of the sound before it.
    int head_ = 0;
    std::int64_t previousLast_ = 0;
    bool hasPrevious_ = false;
    std::atomic<std::int64_t> handedOver_;
    // The frames of the latest dropouts, a ring written by the audio thread.
    static constexpr int DropoutsKept = 16;
    std::array<std::atomic<std::int64_t>, DropoutsKept> dropouts_{};
    std::atomic<int> dropoutCount_{0};
    // The last block, written by the audio thread under a sequence count (odd while writing).
    std::atomic<unsigned> blockSequence_{0};
    std::atomic<std::int64_t> blockFirst_{0};
    std::atomic<double> blockDac_{0.0};
};
