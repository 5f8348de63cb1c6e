#include "SoundStream.h"

#include "Pcm16.h"

#include <vector>

Result<SoundPlayed> PlayedResult(const StreamedSound& sound)
{
    if (!sound.Played) {
        return Failure{sound.Problem};
    }
    return sound.Dropout ? SoundPlayed::WithDropout : SoundPlayed::Whole;
}

int SoundStream::QueueFloat(const float* interleaved, std::size_t frames, SoundStart start, bool held)
{
    std::vector<std::int16_t> pcm(frames * static_cast<std::size_t>(Channels()));
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = ToPcm16(interleaved[i]);
    }
    return Queue(pcm.data(), frames, start, held);
}
