#include "ListeningSoundStream.h"

#include "ListeningSoundOutput.h"
#include "SoundFailure.h"

#include <algorithm>

namespace {

// Sounds kept for Wait after they have played; the run asks about the last one or two.
constexpr int KeptSounds = 8;

}  // namespace

ListeningSoundStream::ListeningSoundStream(ListeningSoundOutput& output, int sampleRate, int channels)
    : output_(output), sampleRate_(sampleRate), channels_(channels)
{
}

int ListeningSoundStream::Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held)
{
    const std::size_t count = channels_ > 0 ? frames * static_cast<std::size_t>(channels_) : 0;
    converted_.assign(interleaved, interleaved + count);
    return QueueFloat(converted_.data(), frames, start, held);
}

int ListeningSoundStream::QueueFloat(const float* interleaved, std::size_t frames, SoundStart start, bool held)
{
    const int ticket = nextTicket_++;
    sounds_.erase(ticket - KeptSounds);
    Sound& sound = sounds_[ticket];
    sound.Onset = start.When == SoundStart::Kind::AtFrame ? std::max(start.Frames, position_) : position_;
    if (held) {
        const std::size_t count = channels_ > 0 ? frames * static_cast<std::size_t>(channels_) : 0;
        sound.Held.assign(interleaved, interleaved + count);
    } else {
        Play(sound, interleaved, frames);
    }
    return ticket;
}

void ListeningSoundStream::Release(int ticket)
{
    const auto it = sounds_.find(ticket);
    if (it != sounds_.end() && !it->second.Held.empty()) {
        const std::vector<float> samples = std::move(it->second.Held);
        it->second.Held.clear();
        Play(it->second, samples.data(), samples.size() / static_cast<std::size_t>(channels_));
    }
}

void ListeningSoundStream::Play(Sound& sound, const float* interleaved, std::size_t frames)
{
    sound.Onset = std::max(sound.Onset, position_);
    if (sampleRate_ <= 0 || channels_ < 1) {
        ReportSoundFailure(SoundFailure::UnsupportedFormat);
        sound.Problem = SoundFailureMessage(SoundFailure::UnsupportedFormat);
        return;
    }
    output_.PlayFloat(interleaved, frames, sampleRate_, channels_);
    sound.Played = true;
    position_ = sound.Onset + static_cast<std::int64_t>(frames);
}

StreamedSound ListeningSoundStream::Wait(int ticket)
{
    Release(ticket);
    const auto it = sounds_.find(ticket);
    StreamedSound result;
    result.Played = it != sounds_.end() && it->second.Played;
    if (!result.Played) {
        result.Problem = it != sounds_.end() ? it->second.Problem : "the sound was not queued";
    }
    return result;
}

std::int64_t ListeningSoundStream::ExpectedOnset(int ticket)
{
    const auto it = sounds_.find(ticket);
    return it != sounds_.end() ? it->second.Onset : position_;
}

void ListeningSoundStream::WaitUntil(std::int64_t frame)
{
    position_ = std::max(position_, frame);
}
