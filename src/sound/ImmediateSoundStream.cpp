#include "ImmediateSoundStream.h"

#include "SoundOutput.h"

#include <algorithm>
#include <limits>

namespace {

// Sounds kept for Wait after they have played; the run asks about the last one or two.
constexpr int KeptSounds = 8;

}  // namespace

ImmediateSoundStream::ImmediateSoundStream(SoundOutput& output, int sampleRate, int channels)
    : output_(output), sampleRate_(sampleRate), channels_(channels)
{
}

int ImmediateSoundStream::Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held)
{
    const int ticket = nextTicket_++;
    sounds_.erase(ticket - KeptSounds);
    Sound& sound = sounds_[ticket];
    sound.Onset = start.When == SoundStart::Kind::AtFrame ? std::max(start.Frames, position_) : position_;
    if (held) {
        sound.Held.assign(interleaved, interleaved + frames * static_cast<std::size_t>(channels_));
    } else {
        Play(sound, interleaved, frames);
    }
    return ticket;
}

void ImmediateSoundStream::Release(int ticket)
{
    const auto it = sounds_.find(ticket);
    if (it != sounds_.end() && !it->second.Held.empty()) {
        std::vector<std::int16_t> samples = std::move(it->second.Held);
        it->second.Held.clear();
        Play(it->second, samples.data(), samples.size() / static_cast<std::size_t>(channels_));
    }
}

void ImmediateSoundStream::Play(Sound& sound, const std::int16_t* interleaved, std::size_t frames)
{
    const std::size_t bytes = frames * static_cast<std::size_t>(channels_) * sizeof(std::int16_t);
    const int length = bytes > static_cast<std::size_t>(std::numeric_limits<int>::max()) ? -1 : static_cast<int>(bytes);
    sound.Onset = std::max(sound.Onset, position_);
    const Result<SoundPlayed> played = output_.PlayPcm(interleaved, length, sampleRate_, 2, channels_);
    sound.Played = played.Ok();
    sound.Problem = played.Reason();
    sound.Dropout = played.Ok() && played.Value() == SoundPlayed::WithDropout;
    latestProblem_ = played.Reason();
    position_ = sound.Onset + static_cast<std::int64_t>(frames);
}

StreamedSound ImmediateSoundStream::Wait(int ticket)
{
    Release(ticket);
    const auto it = sounds_.find(ticket);
    StreamedSound result;
    result.Played = it != sounds_.end() && it->second.Played;
    result.Dropout = it != sounds_.end() && it->second.Dropout;
    if (!result.Played) {
        result.Problem = it != sounds_.end() && !it->second.Problem.empty() ? it->second.Problem : latestProblem_;
    }
    return result;
}

std::int64_t ImmediateSoundStream::ExpectedOnset(int ticket)
{
    const auto it = sounds_.find(ticket);
    return it != sounds_.end() ? it->second.Onset : position_;
}

void ImmediateSoundStream::WaitUntil(std::int64_t frame)
{
    position_ = std::max(position_, frame);
}
