#include "PcmStreamFeed.h"

#include <algorithm>
#include <cstring>

namespace {

std::int64_t ToNs(PcmStreamFeed::Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

PcmStreamFeed::Clock::time_point FromNs(std::int64_t ns)
{
    return PcmStreamFeed::Clock::time_point(std::chrono::duration_cast<PcmStreamFeed::Clock::duration>(
        std::chrono::nanoseconds(ns)));
}

std::chrono::nanoseconds FramesToNs(std::size_t frames, int sampleRate)
{
    return std::chrono::nanoseconds(static_cast<std::int64_t>(static_cast<double>(frames) * 1e9 / sampleRate));
}

}  // namespace

PcmStreamFeed::PcmStreamFeed(const std::int16_t* samples, std::size_t frameCount, int channels, int sampleRate)
    : Samples(samples, samples + frameCount * static_cast<std::size_t>(channels)),
      FrameCount(frameCount),
      Channels(static_cast<std::size_t>(channels)),
      SampleRate(sampleRate)
{
}

bool PcmStreamFeed::Fill(std::int16_t* out, std::size_t frames, Clock::time_point now,
                         std::chrono::nanoseconds dacDelay)
{
    std::int64_t expected = 0;
    FirstCallbackNs.compare_exchange_strong(expected, ToNs(now));

    const std::size_t remaining = FrameCount - NextFrame;
    const std::size_t copied = std::min(frames, remaining);
    if (copied > 0) {
        std::memcpy(out, Samples.data() + NextFrame * Channels, copied * Channels * sizeof(std::int16_t));
    }
    std::fill(out + copied * Channels, out + frames * Channels, std::int16_t{0});
    NextFrame += copied;
    if (NextFrame == FrameCount && !LastFrameHandedOver.load()) {
        LastFrameAtDacNs.store(ToNs(now + dacDelay + FramesToNs(copied, SampleRate)));
        LastFrameHandedOver.store(true);
    }
    // Some host APIs drop whatever is still buffered when a stream stops (PortAudio's ALSA layer
    // does), so the stream ends only once the last frame has been played.
    return NextFrame == FrameCount && (FrameCount == 0 || now >= FromNs(LastFrameAtDacNs.load()));
}

PcmStreamFeed::Clock::time_point PcmStreamFeed::FirstCallback() const
{
    return FromNs(FirstCallbackNs.load());
}

PcmStreamFeed::Clock::time_point PcmStreamFeed::PlayedBy() const
{
    return std::max(FromNs(LastFrameAtDacNs.load()), FirstCallback() + Duration());
}

std::chrono::nanoseconds PcmStreamFeed::Duration() const
{
    return FramesToNs(FrameCount, SampleRate);
}
