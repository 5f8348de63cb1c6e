// Playback of a pair of waves as one stereo sound.
#include "Wave.h"

#include "SoundOutput.h"

#include <memory>
#include <vector>

Result<SoundPlayed> Wave::PlayStereo(SoundOutput& output, const Wave& left, const Wave& right) const
{
    const std::unique_ptr<SoundStream> stream = output.OpenStream(sampleRate_, 2, 0);
    return PlayedResult(stream->Wait(QueueStereo(*stream, left, right, SoundStart::Now(), false)));
}

int Wave::QueueStereo(SoundStream& stream, const Wave& left, const Wave& right, SoundStart start, bool held) const
{
    // Floats as synthesised: an output that plays them keeps a quiet stimulus's shape, one that
    // plays 16-bit samples rounds them as the WAV records do.
    const std::uint32_t frames = SampleCount();
    std::vector<float> interleaved(2 * static_cast<std::size_t>(frames), 0.0f);
    const std::span<const float> l = left.Samples();
    const std::span<const float> r = right.Samples();
    for (std::uint32_t i = 0; i < frames; ++i) {
        interleaved[2 * static_cast<std::size_t>(i)] = i < l.size() ? l[i] : 0.0f;
        interleaved[2 * static_cast<std::size_t>(i) + 1] = i < r.size() ? r[i] : 0.0f;
    }
    return stream.QueueFloat(interleaved.data(), frames, start, held);
}
