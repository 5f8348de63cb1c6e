// Playback of a pair of waves as one stereo sound.
#include "Wave.h"

#include "SoundOutput.h"

#include <algorithm>
#include <memory>

Result<SoundPlayed> Wave::PlayStereo(SoundOutput& output, const Wave& left, const Wave& right) const
{
    const std::unique_ptr<SoundStream> stream = output.OpenStream(sampleRate_, 2, 0);
    return PlayedResult(stream->Wait(QueueStereo(*stream, left, right, SoundStart::Now(), false)));
}

int Wave::QueueStereo(SoundStream& stream, const Wave& left, const Wave& right, SoundStart start, bool held) const
{
    // Floats as synthesised: an output that plays them keeps a quiet stimulus's shape, one that
    // plays 16-bit samples rounds them as the WAV records do.
    const std::size_t frames = SampleCount();
    const std::span<const float> l = left.Samples().first(std::min<std::size_t>(frames, left.SampleCount()));
    const std::span<const float> r = right.Samples().first(std::min<std::size_t>(frames, right.SampleCount()));
    // Written once each: both channels in one loop over the frames they share, which the
    // compiler vectorises, then each one's own frames, then silence after the shorter.
    const std::unique_ptr<float[]> interleaved(new float[2 * frames]);
    float* const out = interleaved.get();
    const std::size_t both = std::min(l.size(), r.size());
    for (std::size_t i = 0; i < both; ++i) {
        out[2 * i] = l[i];
        out[2 * i + 1] = r[i];
    }
    for (std::size_t i = both; i < frames; ++i) {
        out[2 * i] = i < l.size() ? l[i] : 0.0f;
        out[2 * i + 1] = i < r.size() ? r[i] : 0.0f;
    }
    return stream.QueueFloat(out, frames, start, held);
}
