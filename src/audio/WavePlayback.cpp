// Playback of a pair of waves as one 16-bit stereo sound.
#include "Wave.h"

#include "Pcm16.h"
#include "PlayTwoChannel.h"
#include "SoundOutput.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<std::int16_t> ToChannel(const Wave& wave, std::uint32_t frames)
{
    std::vector<std::int16_t> channel(frames, 0);
    const std::uint32_t available = std::min(frames, wave.SampleCount());
    const std::span<const float> samples = wave.Samples();
    for (std::uint32_t i = 0; i < available; ++i) {
        channel[i] = ToPcm16(samples[i]);
    }
    return channel;
}

}  // namespace

bool Wave::PlayStereo(SoundOutput& output, const Wave& left, const Wave& right, bool* dropout) const
{
    const std::uint32_t frames = SampleCount();
    const std::vector<std::int16_t> leftChannel = ToChannel(left, frames);
    const std::vector<std::int16_t> rightChannel = ToChannel(right, frames);
    const int result = PlayTwoChannel(output, sampleRate_, frames, leftChannel.data(), rightChannel.data());
    if (dropout != nullptr) {
        *dropout = result == SoundOutput::PlayedWithDropout;
    }
    return result >= 0;
}

int Wave::QueueStereo(SoundStream& stream, const Wave& left, const Wave& right, SoundStart start, bool held) const
{
    const std::uint32_t frames = SampleCount();
    const std::vector<std::int16_t> leftChannel = ToChannel(left, frames);
    const std::vector<std::int16_t> rightChannel = ToChannel(right, frames);
    const std::vector<std::int16_t> pcm = InterleaveTwoChannel(frames, leftChannel.data(), rightChannel.data());
    return stream.Queue(pcm.data(), frames, start, held);
}
