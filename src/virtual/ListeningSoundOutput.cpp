#include "ListeningSoundOutput.h"

#include "Clock.h"
#include "ListeningSoundStream.h"
#include "SoundFailure.h"

#include <cmath>

ListeningSoundOutput::ListeningSoundOutput(VirtualClock& clock, Ear ear)
    : clock_(clock)
    , ear_(std::move(ear))
{
}

Result<SoundPlayed> ListeningSoundOutput::PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate,
                                                  int bytesPerSample, int channels)
{
    const SoundFailure failure = CheckPcmRequest(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    if (failure != SoundFailure::None) {
        ReportSoundFailure(failure);
        return Failure{"The sound device did not play the sound"};
    }
    const int frames = lengthBytes / (bytesPerSample * channels);
    converted_.assign(buffer, buffer + static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    PlayFloat(converted_.data(), static_cast<std::size_t>(frames), sampleRate, channels);
    return SoundPlayed::Whole;
}

std::unique_ptr<SoundStream> ListeningSoundOutput::OpenStream(int sampleRate, int channels, int)
{
    return std::make_unique<ListeningSoundStream>(*this, sampleRate, channels);
}

void ListeningSoundOutput::PlayFloat(const float* interleaved, std::size_t frames, int sampleRate, int channels)
{
    ++played_;
    if (ear_) {
        ear_(HeardSound{{interleaved, frames * static_cast<std::size_t>(channels)}, sampleRate, channels});
    }
    // The clock counts whole milliseconds; the fractions are carried so that no time is lost.
    const double before = std::floor(playedMs_);
    playedMs_ += 1000.0 * static_cast<double>(frames) / sampleRate;
    clock_.Advance(static_cast<std::uint32_t>(std::floor(playedMs_) - before));
}
