#include "StreamTimeline.h"

#include <algorithm>
#include <cstring>

StreamTimeline::StreamTimeline(int channels, std::int64_t firstFrame)
    : channels_(static_cast<std::size_t>(channels)), handedOver_(firstFrame)
{
}

int StreamTimeline::Queue(std::vector<float> interleaved, SoundStart start, bool held)
{
    const int ticket = nextTicket_;
    Slot& slot = SlotOf(ticket);
    const State now = slot.Now.load(std::memory_order_acquire);
    if (now != State::Free && now != State::HandedOver) {
        return -1;
    }
    slot.Frames = static_cast<std::int64_t>(interleaved.size() / channels_);
    slot.Samples = std::move(interleaved);
    slot.Start = start;
    slot.Ticket.store(ticket, std::memory_order_relaxed);
    slot.Now.store(held ? State::Held : State::Queued, std::memory_order_release);
    ++nextTicket_;
    return ticket;
}

void StreamTimeline::Release(int ticket)
{
    Slot& slot = SlotOf(ticket);
    if (slot.Ticket.load(std::memory_order_relaxed) == ticket) {
        State held = State::Held;
        slot.Now.compare_exchange_strong(held, State::Queued, std::memory_order_acq_rel);
    }
}

StreamTimeline::Progress StreamTimeline::Of(int ticket) const
{
    Progress p;
    if (ticket < 0) {
        return p;
    }
    const Slot& slot = SlotOf(ticket);
    p.Now = slot.Now.load(std::memory_order_acquire);
    if (slot.Ticket.load(std::memory_order_relaxed) != ticket) {
        return p;
    }
    p.Known = true;
    p.Frames = slot.Frames;
    p.Onset = slot.Onset.load(std::memory_order_relaxed);
    p.LastFrame = slot.LastFrame.load(std::memory_order_relaxed);
    p.LateFrames = slot.LateFrames.load(std::memory_order_relaxed);
    return p;
}

std::int64_t StreamTimeline::ExpectedOnset(int ticket, std::int64_t earliest) const
{
    const Progress p = Of(ticket);
    if (!p.Known) {
        return earliest;
    }
    if (p.Now == State::Playing || p.Now == State::HandedOver) {
        return p.Onset;
    }
    const SoundStart start = SlotOf(ticket).Start;
    switch (start.When) {
    case SoundStart::Kind::Now:
        return earliest;
    case SoundStart::Kind::AtFrame:
        return std::max(start.Frames, earliest);
    case SoundStart::Kind::AfterPrevious: {
        const Progress previous = Of(ticket - 1);
        if (!previous.Known) {
            return earliest;
        }
        const std::int64_t end = previous.Now == State::HandedOver
                                     ? previous.LastFrame + 1
                                     : ExpectedOnset(ticket - 1, earliest) + previous.Frames;
        return std::max(end + start.Frames, earliest);
    }
    }
    return earliest;
}

void StreamTimeline::Fill(float* out, std::size_t frames, double dacTime)
{
    const std::int64_t blockStart = handedOver_.load(std::memory_order_relaxed);
    const std::int64_t blockEnd = blockStart + static_cast<std::int64_t>(frames);
    std::fill(out, out + frames * channels_, 0.0f);
    std::int64_t free = blockStart;
    for (;;) {
        Slot& slot = SlotOf(head_);
        State now = slot.Now.load(std::memory_order_acquire);
        if ((now != State::Queued && now != State::Playing) || slot.Ticket.load(std::memory_order_relaxed) != head_) {
            break;
        }
        if (now == State::Queued) {
            std::int64_t target = free;
            if (slot.Start.When == SoundStart::Kind::AtFrame) {
                target = slot.Start.Frames;
            } else if (slot.Start.When == SoundStart::Kind::AfterPrevious && hasPrevious_) {
                target = previousLast_ + 1 + slot.Start.Frames;
            }
            const std::int64_t start = std::max(target, free);
            if (start >= blockEnd) {
                break;
            }
            slot.Onset.store(start, std::memory_order_relaxed);
            slot.LateFrames.store(start - target, std::memory_order_relaxed);
            slot.Next = 0;
            slot.Now.store(State::Playing, std::memory_order_release);
            free = start;
        }
        const std::int64_t copied = std::min(slot.Frames - slot.Next, blockEnd - free);
        if (copied > 0) {
            std::memcpy(out + static_cast<std::size_t>(free - blockStart) * channels_,
                        slot.Samples.data() + static_cast<std::size_t>(slot.Next) * channels_,
                        static_cast<std::size_t>(copied) * channels_ * sizeof(float));
        }
        slot.Next += copied;
        free += copied;
        if (slot.Next < slot.Frames) {
            break;
        }
        previousLast_ = free - 1;
        hasPrevious_ = true;
        slot.LastFrame.store(previousLast_, std::memory_order_relaxed);
        slot.Now.store(State::HandedOver, std::memory_order_release);
        ++head_;
    }

    const unsigned sequence = blockSequence_.load(std::memory_order_relaxed);
    blockSequence_.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    blockFirst_.store(blockStart, std::memory_order_relaxed);
    blockDac_.store(dacTime, std::memory_order_relaxed);
    blockSequence_.store(sequence + 2, std::memory_order_release);
    handedOver_.store(blockEnd, std::memory_order_release);
}

bool StreamTimeline::LastBlock(std::int64_t& firstFrame, double& dacTime) const
{
    for (;;) {
        const unsigned before = blockSequence_.load(std::memory_order_acquire);
        if (before == 0) {
            return false;
        }
        if (before % 2 != 0) {
            continue;
        }
        firstFrame = blockFirst_.load(std::memory_order_relaxed);
        dacTime = blockDac_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (blockSequence_.load(std::memory_order_relaxed) == before) {
            return true;
        }
    }
}

void StreamTimeline::MarkDropout()
{
    const int count = dropoutCount_.load(std::memory_order_relaxed);
    dropouts_[static_cast<std::size_t>(count % DropoutsKept)].store(HandedOver(), std::memory_order_relaxed);
    dropoutCount_.store(count + 1, std::memory_order_release);
}

bool StreamTimeline::DropoutBetween(std::int64_t first, std::int64_t last) const
{
    const int count = std::min(dropoutCount_.load(std::memory_order_acquire), DropoutsKept);
    for (int i = 0; i < count; ++i) {
        const std::int64_t at = dropouts_[static_cast<std::size_t>(i)].load(std::memory_order_relaxed);
        if (at >= first && at <= last) {
            return true;
        }
    }
    return false;
}
